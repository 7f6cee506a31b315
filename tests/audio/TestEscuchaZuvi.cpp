#include "audio/EscuchaZuvi.h"
#include "comun/CapasMotorFalsas.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/SonidosFalsos.h"
#include "core/Registro.h"
#include "core/Texto.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

using namespace std::chrono_literals;
using Paso = MotorReconocimientoGuionado::Paso;

namespace {

// A listener over fakes: one listed microphone (id 3, "usb_mic"), the room
// and dictation as plain flags, the dispatched links recorded.
struct Banco : CapasMotorFalsas {
    PermisosVozFalsos permisos;
    SonidosFalsos sonidos;

    bool escuchaSiempre = false;
    bool sala = false;
    bool dictando = false;
    std::optional<uint32_t> microfonoElegido;
    QList<QUrl> despachos;
    std::function<void()> alDespachar;

    std::unique_ptr<EscuchaZuvi> escucha;
    // The log outlives each test's home: only lines after this count.
    int lineasAntes = int(lineas(QString()).size());

    Banco()
    {
        escucha = std::make_unique<EscuchaZuvi>(EscuchaZuvi::Capas{
            .motor = capas(),
            .permisos = permisos,
            .sonidos = sonidos});
        escucha->setVecinos({.escuchaSiempre = [this] { return escuchaSiempre; },
                             .modoProyectosActivo = [this] { return sala; },
                             .dictando = [this] { return dictando; },
                             .microfono = [this] { return microfonoElegido; }});
        escucha->setDespacho([this](const QUrl& url) {
            despachos << url;
            if (alDespachar)
                alDespachar();
        });
    }

    ~Banco()
    {
        escucha.reset();
        // The permission reads of a start still on the pool end first.
        QThreadPool::globalInstance()->waitForDone();
    }

    // A start, once its permission read came back.
    void iniciarYEsperar()
    {
        const auto antes = nuevas(QStringLiteral("Oye Zuvi: iniciar")).size();
        escucha->iniciar();
        QTRY_COMPARE(nuevas(QStringLiteral("Oye Zuvi: iniciar")).size(), antes + 1);
    }

    // The lines this test wrote that begin with `prefijo`.
    QStringList nuevas(const QString& prefijo) const
    {
        QStringList hallados;
        const QStringList todas = lineas(QString());
        for (const QString& l : todas.mid(lineasAntes))
            if (l.startsWith(prefijo))
                hallados << l;
        return hallados;
    }

    // The log's lines that begin with `prefijo`, without their time stamps.
    static QStringList lineas(const QString& prefijo)
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        QStringList hallados;
        if (!f.open(QIODevice::ReadOnly))
            return hallados;
        for (const QString& l : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            const QString texto = l.section(QStringLiteral("  "), 1);
            if (!l.isEmpty() && texto.startsWith(prefijo))
                hallados << texto;
        }
        return hallados;
    }
};

} // namespace

class TestEscuchaZuvi : public QObject {
    Q_OBJECT

private slots:
    void frase_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("frase");
        QTest::newRow("tal cual") << "oye zuvi" << "oye zuvi";
        QTest::newRow("mayúsculas y tilde") << "OYE ZUVÍ" << "oye zuvi";
        QTest::newRow("coma entre palabras") << "Oye, Zuvi" << "oye zuvi";
        QTest::newRow("pregunta") << "¿Hola Zuvi?" << "hola zuvi";
        QTest::newRow("más palabras detrás") << "oye zuvi abre el proyecto" << "oye zuvi";
        QTest::newRow("en medio de la frase") << "bueno, modo proyectos por favor" << "modo proyectos";
        QTest::newRow("singular") << "Modo proyecto." << "modo proyecto";
        QTest::newRow("con ia, la primera de la tabla") << "Oye Zuvi IA" << "oye zuvi";
        QTest::newRow("palabras juntas") << "oyezuvi" << "";
        QTest::newRow("guion") << "oye-zuvi" << "";
        QTest::newRow("el nombre solo") << "Zuvi" << "";
        QTest::newRow("nombre con ia") << "zuvi ia" << "";
        QTest::newRow("dentro de otra palabra") << "joye zuvi" << "";
        QTest::newRow("vacío") << "" << "";
    }

    void frase()
    {
        QFETCH(QString, texto);
        QFETCH(QString, frase);
        QCOMPARE(EscuchaZuvi::frase(texto).value_or(QString()), frase);
    }

    // The model writes no "zuvi": each wake phrase must still match from
    // the words it does write, once the engine's rewrite has run.
    void fraseDesdeLoQueEscribeElModelo_data()
    {
        QTest::addColumn<QString>("oido");
        QTest::addColumn<QString>("frase");
        const QStringList nombres = {"subí", "subi", "zubi", "su vi", "su bi", "sube", "suv", "sufí"};
        for (const QString& n : nombres) {
            QTest::addRow("oye %s", qPrintable(n)) << "oye " + n << "oye zuvi";
            QTest::addRow("ola %s", qPrintable(n)) << "ola " + n << "hola zuvi";
            QTest::addRow("hola %s", qPrintable(n)) << "hola " + n << "hola zuvi";
            QTest::addRow("oye %s ía", qPrintable(n)) << "oye " + n + " ía" << "oye zuvi ia";
            QTest::addRow("oye %s y a", qPrintable(n)) << "oye " + n + " y a" << "oye zuvi ia";
        }
        QTest::newRow("modo proyectos") << "modo proyectos" << "modo proyectos";
        QTest::newRow("modo proyecto") << "bueno modo proyecto" << "modo proyecto";
    }

    void fraseDesdeLoQueEscribeElModelo()
    {
        QFETCH(QString, oido);
        QFETCH(QString, frase);
        CapasMotorFalsas capas;
        const QString escrito = TerminosReconocimiento(MotorConversacion::terminos(capas.ajustes)).reescribir(oido);
        QVERIFY2(EscuchaZuvi::frase(escrito).has_value(), qPrintable(escrito));
        const QString plegado = QLatin1Char(' ') + Texto::plegar(escrito) + QLatin1Char(' ');
        QVERIFY2(plegado.contains(QLatin1Char(' ') + frase + QLatin1Char(' ')), qPrintable(escrito));
    }

    // Every phrase the listener narrows recognition to is a wake phrase
    // once rewritten, so the narrowing never makes it deaf to one.
    void formasDespertar_data()
    {
        QTest::addColumn<QString>("oido");
        for (const QString& f : TerminosReconocimiento::formasDespertar())
            QTest::newRow(qPrintable(f)) << f;
    }

    void formasDespertar()
    {
        QFETCH(QString, oido);
        CapasMotorFalsas capas;
        const QString escrito = TerminosReconocimiento(MotorConversacion::terminos(capas.ajustes)).reescribir(oido);
        QVERIFY2(EscuchaZuvi::frase(escrito).has_value(), qPrintable(escrito));
    }

    void escuchaSoloSusFrases()
    {
        Banco b;
        b.iniciarYEsperar();
        QVERIFY(b.escucha->escuchando());
        QVERIFY(!b.voz->restringidos.empty());
        QCOMPARE(b.voz->restringidos.back(), TerminosReconocimiento::formasDespertar());
    }

    // Every blocked start writes its line and nothing else.
    void arranqueBloqueado_data()
    {
        QTest::addColumn<QString>("bloqueo");
        QTest::addColumn<QStringList>("linea");
        const QString base = QStringLiteral("Oye Zuvi: iniciar (activada=%1 pausas=%2 escuchando=false permisos=%3 voz=%4 mic=%5)");
        QTest::newRow("desactivada") << "desactivada" << QStringList{base.arg("false", "0", "true", "3", "3")};
        QTest::newRow("escucha siempre") << "siempre" << QStringList{base.arg("true", "0", "true", "3", "3")};
        QTest::newRow("en pausa") << "pausa" << QStringList{base.arg("true", "1", "true", "3", "3")};
        QTest::newRow("sin modelo de voz") << "voz" << QStringList{base.arg("true", "0", "false", "2", "3")};
        QTest::newRow("sin micrófono") << "mic" << QStringList{base.arg("true", "0", "false", "3", "2")};
        QTest::newRow("modo proyectos activo") << "sala" << QStringList{base.arg("true", "0", "true", "3", "3")};
        QTest::newRow("dictando") << "dictado" << QStringList{base.arg("true", "0", "true", "3", "3")};
    }

    void arranqueBloqueado()
    {
        QFETCH(QString, bloqueo);
        Banco b;
        if (bloqueo == "desactivada") {
            // Read at creation.
            b.ajustes.escribir("oyeZuvi", false);
            b.escucha = std::make_unique<EscuchaZuvi>(EscuchaZuvi::Capas{
                .motor = b.capas(),
                .permisos = b.permisos,
                .sonidos = b.sonidos});
            EscuchaZuvi::Vecinos vecinos;
            vecinos.escuchaSiempre = [] { return false; };
            b.escucha->setVecinos(vecinos);
        }
        b.escuchaSiempre = bloqueo == "siempre";
        if (bloqueo == "pausa")
            b.escucha->setPausas(1);
        b.permisos.voz = bloqueo != "voz";
        b.permisos.mic = bloqueo != "mic";
        b.sala = bloqueo == "sala";
        b.dictando = bloqueo == "dictado";
        b.iniciarYEsperar();
        QTEST(b.nuevas("Oye Zuvi: "), "linea");
        QVERIFY(!b.escucha->escuchando());
        QVERIFY(b.microfono.abiertos.empty());
        QVERIFY(!b.escucha->aviso());
    }

    // Recognition failing again and again while listening is a notice, not
    // a silent listener.
    void reconocimientoQueFallaAvisa()
    {
        Banco b;
        b.voz->estado->guion = std::vector<Paso>(8, Paso{"", false, "", true});
        b.iniciarYEsperar();
        QVERIFY(b.escucha->escuchando());
        for (int i = 0; i < 100 && !b.escucha->aviso(); ++i) {
            b.empujar();
            QTest::qWait(10);
        }
        QVERIFY(b.escucha->aviso());
        QVERIFY2(b.escucha->aviso()->startsWith(QStringLiteral("El reconocimiento de voz está fallando")),
                 qPrintable(*b.escucha->aviso()));
        QVERIFY(b.escucha->escuchando());
    }

    // The chosen microphone, or the system default when none is chosen or
    // it is not listed; a second start while listening opens nothing more.
    void arrancaConElMicrofonoElegido()
    {
        Banco b;
        b.microfonoElegido = 3;
        QSignalSpy cambios(b.escucha.get(), &EscuchaZuvi::escuchandoCambiado);
        b.iniciarYEsperar();
        QVERIFY(b.escucha->escuchando());
        QCOMPARE(b.microfono.abiertos, (std::vector<std::optional<QString>>{QString("usb_mic")}));
        QCOMPARE(b.nuevas("Oye Zuvi: escuchando").size(), 1);
        b.iniciarYEsperar();
        QCOMPARE(b.microfono.abiertos.size(), size_t(1));
        QCOMPARE(cambios.count(), 1);

        b.escucha->detener();
        QVERIFY(!b.escucha->escuchando());
        QVERIFY(!b.empujar());
        b.microfonoElegido = std::nullopt;
        b.iniciarYEsperar();
        QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>());
    }

    // A failed start shows why; the next good start clears it.
    void falloDeArranque()
    {
        Banco b;
        b.voz->esDisponible = false;
        b.iniciarYEsperar();
        const QString mensaje = QStringLiteral("El reconocimiento de voz en español no está disponible ahora.");
        QCOMPARE(b.escucha->aviso(), std::optional<QString>(mensaje));
        QCOMPARE(b.nuevas("Oye Zuvi: ERROR "), QStringList{"Oye Zuvi: ERROR " + mensaje});
        QVERIFY(!b.escucha->escuchando());
        b.voz->esDisponible = true;
        b.iniciarYEsperar();
        QVERIFY(b.escucha->escuchando());
        QVERIFY(!b.escucha->aviso());
    }

    // Projects mode and dictation both pause it: two reanudar to listen
    // again, 0.6 s after the count reaches zero, and never below zero.
    void dosPausasDosReanudar()
    {
        Banco b;
        b.iniciarYEsperar();
        QVERIFY(b.escucha->escuchando());
        for (int i = 0; i < 2; ++i) {
            b.escucha->setPausas(b.escucha->pausas() + 1);
            b.escucha->detener();
        }
        QVERIFY(!b.escucha->escuchando());
        b.escucha->reanudar();
        QCOMPARE(b.escucha->pausas(), 1);
        b.reloj.avanzar(5s);
        QTest::qWait(50);
        QVERIFY(!b.escucha->escuchando());

        b.escucha->reanudar();
        QCOMPARE(b.escucha->pausas(), 0);
        b.reloj.avanzar(599ms);
        QTest::qWait(50);
        QVERIFY(!b.escucha->escuchando());
        b.reloj.avanzar(1ms);
        QTRY_VERIFY(b.escucha->escuchando());

        b.escucha->reanudar();
        QCOMPARE(b.escucha->pausas(), 0);
    }

    // Every assignment stores the key; off stops, on resumes.
    void activada()
    {
        Banco b;
        b.iniciarYEsperar();
        QSignalSpy cambios(b.escucha.get(), &EscuchaZuvi::activadaCambiada);
        b.escucha->setActivada(false);
        QVERIFY(!b.escucha->escuchando());
        QCOMPARE(b.ajustes.booleanoOpcional("oyeZuvi"), std::optional<bool>(false));
        b.ajustes.quitar("oyeZuvi");
        b.escucha->setActivada(false);
        QCOMPARE(b.ajustes.booleanoOpcional("oyeZuvi"), std::optional<bool>(false));
        QCOMPARE(cambios.count(), 1);
        b.escucha->setPausas(1);
        b.escucha->setActivada(true);
        QCOMPARE(b.escucha->pausas(), 0);
        b.reloj.avanzar(600ms);
        QTRY_VERIFY(b.escucha->escuchando());
    }

    // Fifteen words without a wake phrase restart recognition; fourteen
    // do not.
    void palabrasRenuevanElSegmento_data()
    {
        QTest::addColumn<int>("palabras");
        QTest::addColumn<bool>("renueva");
        QTest::newRow("catorce") << 14 << false;
        QTest::newRow("quince") << 15 << true;
    }

    void palabrasRenuevanElSegmento()
    {
        QFETCH(int, palabras);
        QFETCH(bool, renueva);
        Banco b;
        b.iniciarYEsperar();
        const auto abiertos = b.voz->abiertos.size();
        QStringList texto;
        for (int i = 0; i < palabras; ++i)
            texto << QStringLiteral("palabra");
        b.escucha->oir(texto.join(", "));
        QCOMPARE(b.voz->abiertos.size(), abiertos + (renueva ? 1 : 0));
        QVERIFY(b.escucha->escuchando());
        QVERIFY(b.despachos.isEmpty());
    }

    // The 40 s rotation and a segment that ends both carry the last second
    // of audio into the next segment, so a phrase said across the cut
    // is still whole.
    void segmentoNuevoConElUltimoSegundo_data()
    {
        QTest::addColumn<bool>("porError");
        QTest::newRow("rotación") << false;
        QTest::newRow("fin de segmento") << true;
    }

    void segmentoNuevoConElUltimoSegundo()
    {
        QFETCH(bool, porError);
        Banco b;
        b.iniciarYEsperar();
        for (int i = 0; i < 20; ++i) // 1.28 s of audio
            QVERIFY(b.empujar());
        QTRY_COMPARE(b.voz->muestras(), size_t(20 * 1024));
        const auto abiertos = b.voz->abiertos.size();
        if (porError) {
            {
                std::lock_guard g(b.voz->estado->mutex);
                Paso fallo;
                fallo.fallar = true;
                b.voz->estado->guion.push_back(fallo);
            }
            QVERIFY(b.empujar());
        } else {
            b.reloj.avanzar(39s);
            QCOMPARE(b.voz->abiertos.size(), abiertos);
            b.reloj.avanzar(1s);
        }
        QTRY_COMPARE(b.voz->abiertos.size(), abiertos + 1);
        // About 1 s (16 blocks of 64 ms) fed again, with no new audio.
        const size_t antes = porError ? 21 * 1024 : 20 * 1024;
        QTRY_COMPARE(b.voz->muestras(), antes + 16 * 1024);
        QVERIFY(b.escucha->escuchando());
    }

    // From the recognizer saying "Oye, Zuvi" to the room's link, in
    // process; the listener comes back when the room does not keep the
    // microphone.
    void fraseAbreLaSala_data()
    {
        QTest::addColumn<QString>("sala");
        QTest::addColumn<bool>("vuelve");
        QTest::newRow("la sala no arranca") << "nada" << true;
        QTest::newRow("la sala arranca y se cierra sin permisos") << "falla" << true;
        QTest::newRow("la sala toma el micrófono") << "pausa" << false;
    }

    void fraseAbreLaSala()
    {
        QFETCH(QString, sala);
        QFETCH(bool, vuelve);
        Banco b;
        Paso despertar;
        despertar.parcial = "Oye, Zuvi";
        b.voz->estado->guion = {despertar};
        if (sala != "nada") {
            b.alDespachar = [&b] {
                b.sala = true;
                b.escucha->modoProyectosCambiado();
            };
        }
        b.iniciarYEsperar();
        QVERIFY(b.empujar());
        QTRY_COMPARE(b.despachos, QList<QUrl>{QUrl("zuviia://modo-proyectos")});
        QCOMPARE(b.sonidos.sonados(), QStringList{"Hero"});
        QVERIFY(!b.escucha->escuchando());
        QCOMPARE(b.escucha->pausas(), 0);
        QVERIFY(!b.empujar());

        if (sala == "falla") {
            b.reloj.avanzar(5s); // waiting for permissions
            QTest::qWait(50);
            QVERIFY(!b.escucha->escuchando());
        }
        if (sala == "pausa") {
            b.escucha->setPausas(1);
            b.escucha->detener();
        }
        if (sala != "nada") {
            b.sala = false;
            b.escucha->modoProyectosCambiado();
        }
        b.reloj.avanzar(600ms);
        if (vuelve) {
            QTRY_VERIFY(b.escucha->escuchando());
        } else {
            QTest::qWait(50);
            QVERIFY(!b.escucha->escuchando());
            b.escucha->reanudar();
            b.reloj.avanzar(600ms);
            QTRY_VERIFY(b.escucha->escuchando());
        }
        QCOMPARE(b.despachos.size(), 1);
    }

    // A text that arrives after the listener stopped is not heard.
    void textoTardioNoDespacha()
    {
        Banco b;
        b.iniciarYEsperar();
        b.escucha->detener();
        b.escucha->oir("oye zuvi");
        QVERIFY(b.despachos.isEmpty());
        QVERIFY(b.sonidos.sonados().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEscuchaZuvi)
#include "TestEscuchaZuvi.moc"
