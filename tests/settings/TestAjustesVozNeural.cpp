#include "BancoAjustes.h"
#include "settings/AjustesVozNeural.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

using namespace std::chrono_literals;

namespace {

// The voice service's HTTP side on loopback: "/hablar" is refused, so
// speech falls back to the system voice; "/disenar" is held until the
// test answers it, as a design that takes minutes.
class ServicioDiseno : public QObject {
public:
    ServicioDiseno()
    {
        servidor_.listen(QHostAddress::LocalHost, 0);
        connect(&servidor_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = servidor_.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { leer(s); });
        });
    }

    int puerto() const { return servidor_.serverPort(); }
    QStringList descripciones;

    void responder(int estado, const QByteArray& cuerpo)
    {
        for (QTcpSocket* s : std::exchange(retenidos_, {}))
            enviar(s, estado, cuerpo);
    }

private:
    void leer(QTcpSocket* s)
    {
        QByteArray& b = buffers_[s];
        b += s->readAll();
        const qsizetype fin = b.indexOf("\r\n\r\n");
        if (fin < 0)
            return;
        qsizetype largo = 0;
        for (const QByteArray& l : b.left(fin).split('\n'))
            if (l.toLower().startsWith("content-length:"))
                largo = l.mid(15).trimmed().toLongLong();
        if (b.size() < fin + 4 + largo)
            return;
        const QByteArray ruta = b.left(b.indexOf('\n')).split(' ').value(1);
        const QByteArray cuerpo = b.mid(fin + 4, largo);
        b.clear();
        if (ruta == "/disenar") {
            descripciones << QJsonDocument::fromJson(cuerpo).object().value("descripcion").toString();
            retenidos_ << s;
        } else {
            enviar(s, 404, "{\"error\":\"no\"}");
        }
    }

    static void enviar(QTcpSocket* s, int estado, const QByteArray& cuerpo)
    {
        s->write("HTTP/1.1 " + QByteArray::number(estado) + " X\r\nContent-Type: application/json\r\nContent-Length: "
                 + QByteArray::number(cuerpo.size()) + "\r\nConnection: close\r\n\r\n" + cuerpo);
        s->disconnectFromHost();
    }

    QTcpServer servidor_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QList<QTcpSocket*> retenidos_;
};

}

// The neural voice panel: its states with the fake clock, the switch over
// the real service launcher, and designs that outlive the panel.
class TestAjustesVozNeural : public QObject {
    Q_OBJECT

    BancoAjustes b;
    std::unique_ptr<ServicioDiseno> http;

    void instalar() { BancoAjustes::instalarVoz(http->puerto()); }

    int lanzamientos() const
    {
        QFile f(VozNeural::carpeta() + "/lanzamientos");
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
    }

    void enMarcha()
    {
        b.voz->arrancar();
        QTRY_VERIFY(b.voz->estado().listaParaHablar());
    }

    // Where the poll reads the service again.
    void sondeo() { b.reloj.avanzar(AjustesVozNeural::pausaSondeo); }

private slots:
    void init()
    {
        http = std::make_unique<ServicioDiseno>();
    }

    void cleanup()
    {
        b.cerrarTodo();
        http.reset();
    }

    void noInstalada()
    {
        b.abrirCon();
        AjustesVozNeural p(b.entorno());
        QCOMPARE(p.estado()->text(), QStringLiteral("No instalada: habla la voz básica (espeak-ng)"));
        QVERIFY(!p.usar());
        QCOMPARE(p.findChild<QLabel*>("pista")->text(), QString::fromUtf8(AjustesVozNeural::pistaInstalar));
        QVERIFY(!p.findChild<QPushButton*>());
    }

    // The status names the engine that answered: with only the basic one
    // the panel never says the natural voice is ready.
    void estadoPorMotor_data()
    {
        QTest::addColumn<QByteArray>("motor");
        QTest::addColumn<QString>("texto");
        QTest::newRow("natural") << QByteArray("qwen3-tts") << "Lista";
        QTest::newRow("básica") << QByteArray("espeak-ng") << "Voz básica (espeak-ng)";
    }
    void estadoPorMotor()
    {
        QFETCH(QByteArray, motor);
        b.abrirCon();
        BancoAjustes::instalarVoz(http->puerto(), motor);
        enMarcha();
        AjustesVozNeural p(b.entorno());
        QTEST(p.estado()->text(), "texto");
    }

    void puedeDisenar_data()
    {
        QTest::addColumn<bool>("lista");
        QTest::addColumn<bool>("disenando");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<bool>("puede");
        QTest::newRow("todo bien") << true << false << "voz grave" << true;
        QTest::newRow("vacía") << true << false << "" << false;
        QTest::newRow("solo blancos") << true << false << "   " << true;
        QTest::newRow("no lista") << false << false << "voz grave" << false;
        QTest::newRow("diseñando") << true << true << "voz grave" << false;
    }

    void puedeDisenar()
    {
        QFETCH(bool, lista);
        QFETCH(bool, disenando);
        QFETCH(QString, descripcion);
        QTEST(AjustesVozNeural::puedeDisenar(lista, disenando, descripcion), "puede");
    }

    void apagada()
    {
        b.abrirCon({{"vozNeural", false}});
        instalar();
        AjustesVozNeural p(b.entorno());
        QVERIFY(!p.usar()->isChecked());
        QCOMPARE(p.estado()->text(), QStringLiteral("Apagada"));
        QVERIFY(!p.probar()->isEnabled());
        QVERIFY(!p.disenar()->isEnabled());
        QCOMPARE(p.descripcion()->toPlainText(), QString::fromUtf8(AjustesVozNeural::descripcionInicial));
    }

    // On restarts the service even when one runs; off stops it; the poll
    // shows each within one period.
    void interruptor()
    {
        b.abrirCon();
        instalar();
        enMarcha();
        AjustesVozNeural p(b.entorno());
        QCOMPARE(p.estado()->text(), QStringLiteral("Lista"));
        QVERIFY(p.probar()->isEnabled());

        p.usar()->click();
        QCOMPARE(b.ajustes->valor("vozNeural").toString(), QStringLiteral("false"));
        QVERIFY(!b.voz->estado().lista);
        sondeo();
        QCOMPARE(p.estado()->text(), QStringLiteral("Apagada"));
        QVERIFY(!p.probar()->isEnabled());

        p.usar()->click();
        QCOMPARE(b.ajustes->valor("vozNeural").toString(), QStringLiteral("true"));
        QCOMPARE(b.voz->estado().reintentos, 0);
        sondeo();
        QCOMPARE(p.estado()->text(), QStringLiteral("Cargando…"));
        QTRY_VERIFY(b.voz->estado().listaParaHablar());
        sondeo();
        QCOMPARE(p.estado()->text(), QStringLiteral("Lista"));
        QCOMPARE(lanzamientos(), 2);
    }

    void descripcionVacia()
    {
        b.abrirCon();
        instalar();
        enMarcha();
        AjustesVozNeural p(b.entorno());
        QVERIFY(p.disenar()->isEnabled());
        p.descripcion()->clear();
        QVERIFY(!p.disenar()->isEnabled());
        QTest::keyClicks(p.descripcion(), "  ");
        QVERIFY(p.disenar()->isEnabled());
    }

    // On the output chosen for the assistant, not the default one.
    void probar()
    {
        b.abrirCon({{"salidaUID", "audifonos"}});
        instalar();
        enMarcha();
        AjustesVozNeural p(b.entorno());
        p.probar()->click();
        // The service refuses to speak, so the system voice says it.
        QTRY_VERIFY(!b.sintetizador->pedidos().empty());
        QCOMPARE(b.sintetizador->pedidos().back().texto, QString::fromUtf8(AjustesVozNeural::frasePrueba));
        QVERIFY(!b.reproductor->salidas.empty());
        QCOMPARE(b.reproductor->salidas.back(), std::optional<QString>("audifonos"));
    }

    // A design outlives its panel: a new panel shows it running, a second
    // request is refused, the original voice is not put back meanwhile, and
    // its end (with no panel left) is heard.
    void unDisenoALaVez()
    {
        b.abrirCon();
        instalar();
        enMarcha();
        VozNeural::prepararReferencia(false);
        const QString referencia = VozNeural::carpeta() + "/referencia.wav";
        QFile(referencia).remove();
        QFile(referencia).open(QIODevice::WriteOnly);  // a designed voice's file, empty here
        {
            AjustesVozNeural p(b.entorno());
            p.descripcion()->setPlainText(" Voz de mujer joven ");
            p.disenar()->click();
            QVERIFY(b.diseno->disenando());
            QVERIFY(p.progreso()->isVisibleTo(&p));
            QVERIFY(!p.disenar()->isEnabled());
            QVERIFY(!p.original()->isEnabled());
            QTRY_COMPARE(http->descripciones, QStringList{" Voz de mujer joven "});
        }
        {
            AjustesVozNeural p(b.entorno());
            QVERIFY(p.progreso()->isVisibleTo(&p));
            QVERIFY(!p.disenar()->isEnabled());
            QVERIFY(!p.original()->isEnabled());
            QVERIFY(!b.diseno->disenar("otra"));
            QVERIFY(!b.diseno->volverAOriginal());
            QCOMPARE(QFileInfo(referencia).size(), 0);
        }
        http->responder(200, "{\"ok\":true}");
        QTRY_VERIFY(!b.diseno->disenando());
        QVERIFY(!b.diseno->error());
        QTRY_VERIFY(!b.sintetizador->pedidos().empty());
        QCOMPARE(b.sintetizador->pedidos().back().texto, QString::fromUtf8(DisenoVoz::fraseLista));
        QCOMPARE(http->descripciones.size(), 1);
        QVERIFY(b.diseno->volverAOriginal());
        QVERIFY(QFileInfo(referencia).size() > 0);
    }

    void disenoFalla_data()
    {
        QTest::addColumn<int>("estado");
        QTest::addColumn<QByteArray>("cuerpo");
        QTest::addColumn<QString>("error");
        QTest::newRow("con texto") << 422 << QByteArray("{\"error\":\"No reconocí ningún rasgo de voz.\"}")
                                   << "No reconocí ningún rasgo de voz.";
        QTest::newRow("sin texto") << 500 << QByteArray() << "No se pudo diseñar la voz.";
    }

    void disenoFalla()
    {
        QFETCH(int, estado);
        QFETCH(QByteArray, cuerpo);
        b.abrirCon();
        instalar();
        enMarcha();
        AjustesVozNeural p(b.entorno());
        p.disenar()->click();
        QTRY_COMPARE(http->descripciones.size(), 1);
        const auto dichos = b.sintetizador->pedidos().size();
        http->responder(estado, cuerpo);
        QTRY_VERIFY(!b.diseno->disenando());
        QTEST(p.error()->text(), "error");
        QVERIFY(p.error()->isVisibleTo(&p));
        QVERIFY(!p.progreso()->isVisibleTo(&p));
        QVERIFY(p.disenar()->isEnabled());
        QTest::qWait(50);
        QCOMPARE(b.sintetizador->pedidos().size(), dichos);
    }

    void sinServicio()
    {
        b.abrirCon();
        b.diseno->disenar("voz grave");
        QTRY_VERIFY(!b.diseno->disenando());
        QCOMPARE(b.diseno->error(), std::optional<QString>("La voz neural no está en marcha."));
    }

    // The poll ends with the panel.
    void sondeoTermina()
    {
        b.abrirCon();
        const int antes = b.reloj.pendientes();
        auto p = std::make_unique<AjustesVozNeural>(b.entorno());
        QCOMPARE(b.reloj.pendientes(), antes + 1);
        sondeo();
        QCOMPARE(b.reloj.pendientes(), antes + 1);
        p.reset();
        QCOMPARE(b.reloj.pendientes(), antes);
    }
};

QTEST_MAIN(TestAjustesVozNeural)
#include "TestAjustesVozNeural.moc"
