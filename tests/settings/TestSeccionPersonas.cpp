#include "comun/ModelosPrueba.h"

#include "core/Codificacion.h"
#include "settings/SeccionPersonas.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

QString huella(const Perfil& p)
{
    return Perfiles::carpetaHuellas() + QLatin1Char('/') + Codificacion::textoUuid(p.id) + QStringLiteral(".npz");
}

void escribir(const QString& ruta)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("npz");
}

QWidget* fila(QWidget* seccion, const Perfil& p)
{
    for (QWidget* w : seccion->findChildren<QWidget*>(QStringLiteral("persona")))
        if (w->property("perfilID").toUuid() == p.id)
            return w;
    return nullptr;
}

QString detalleDe(QWidget* fila) { return fila->findChild<QLabel*>(QStringLiteral("detalle"))->text(); }

}

class TestSeccionPersonas : public QObject {
    Q_OBJECT

    ModelosPrueba m;

    std::unique_ptr<SeccionPersonas> seccion()
    {
        return std::make_unique<SeccionPersonas>(*m.perfiles, *m.almacen, *m.asistente, *m.modo);
    }

private slots:
    void init() { m.abrir(); }
    void cleanup() { m.cerrar(); }

    // Each conversation: "asistentes|propia", attendees comma-separated.
    void proyectos_data()
    {
        QTest::addColumn<QStringList>("conversaciones");
        QTest::addColumn<int>("cuenta");
        QTest::newRow("dos reuniones y una propia") << QStringList{"Ana,Beto|0", "Ana|0", "|1", "Beto|0"} << 3;
        QTest::newRow("una") << QStringList{"Beto,Ana|0", "Beto|0"} << 1;
        QTest::newRow("ninguna") << QStringList{"Beto|0", "|0"} << 0;
        QTest::newRow("asistente y dueña cuenta una vez") << QStringList{"Ana|1"} << 1;
        QTest::newRow("un nombre que la contiene no es ella") << QStringList{"Ana María,Anabel|0"} << 0;
    }

    void proyectos()
    {
        QFETCH(QStringList, conversaciones);
        QFETCH(int, cuenta);
        Perfil ana;
        ana.id = QUuid::createUuid();
        ana.nombre = QStringLiteral("Ana");
        QList<Conversacion> lista;
        for (const QString& c : conversaciones) {
            Conversacion conv;
            conv.id = QUuid::createUuid();
            const QString nombres = c.section(QLatin1Char('|'), 0, 0);
            if (!nombres.isEmpty())
                conv.asistentes = nombres.split(QLatin1Char(','));
            if (c.section(QLatin1Char('|'), 1) == QLatin1String("1"))
                conv.perfilID = ana.id;
            else
                conv.perfilID = QUuid::createUuid();
            lista << conv;
        }
        QCOMPARE(SeccionPersonas::proyectos(ana, lista), cuenta);
    }

    void detalle_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("huella");
        QTest::addColumn<QString>("texto");
        QTest::newRow("cero") << 0 << false << "0 proyectos · sin huella de voz";
        QTest::newRow("uno") << 1 << true << "1 proyecto · voz registrada";
        QTest::newRow("tres") << 3 << false << "3 proyectos · sin huella de voz";
    }

    void detalle()
    {
        QFETCH(int, n);
        QFETCH(bool, huella);
        QFETCH(QString, texto);
        QCOMPARE(SeccionPersonas::detalle(n, huella), texto);
    }

    void rutaCorta_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("corta");
        QTest::newRow("en el home") << "/home/ana/Zuvi IA" << "/home/ana" << "~/Zuvi IA";
        QTest::newRow("fuera") << "/srv/Zuvi IA" << "/home/ana" << "/srv/Zuvi IA";
        QTest::newRow("home raíz") << "/Zuvi IA" << "/" << "/Zuvi IA";
    }

    void rutaCorta()
    {
        QFETCH(QString, ruta);
        QFETCH(QString, home);
        QFETCH(QString, corta);
        QCOMPARE(SeccionPersonas::rutaCorta(ruta, home), corta);
    }

    void sinPersonas()
    {
        m.abrir({ModelosPrueba::conversacion("a", m.reloj.ahora()), ModelosPrueba::conversacion("b", m.reloj.ahora())});
        auto s = seccion();
        QVERIFY(s->findChild<QLabel*>("sinPersonas"));
        QVERIFY(s->findChildren<QWidget*>("persona").isEmpty());
        QCOMPARE(s->findChild<QLabel*>("proyectosGuardados")->text(), QStringLiteral("2"));
        QCOMPARE(s->findChild<QLabel*>("carpetaProyectos")->text(), QStringLiteral("~/Zuvi IA"));
    }

    void filasSiguenLosAlmacenes()
    {
        const Perfil ana = m.perfiles->activar("Ana").perfil;
        const Perfil beto = m.perfiles->activar("Beto").perfil;
        QDir(beto.carpeta()).removeRecursively();
        auto s = seccion();
        QCOMPARE(s->findChildren<QWidget*>("persona").size(), 2);
        QCOMPARE(detalleDe(fila(s.get(), ana)), QStringLiteral("0 proyectos · sin huella de voz"));
        QVERIFY(fila(s.get(), ana)->findChild<QPushButton*>("memoria")->isEnabled());
        // Nothing to open yet: disabled instead of failing.
        QVERIFY(!fila(s.get(), beto)->findChild<QPushButton*>("memoria")->isEnabled());

        escribir(huella(ana));
        const QUuid id = m.almacen->nueva();
        m.almacen->cambiar(id, true, [&](Conversacion& c) { c.asistentes = QStringList{"Ana"}; });
        QCOMPARE(detalleDe(fila(s.get(), ana)), QStringLiteral("1 proyecto · voz registrada"));
        QCOMPARE(s->findChild<QLabel*>("proyectosGuardados")->text(), QStringLiteral("1"));
    }

    void borrar_data()
    {
        QTest::addColumn<bool>("confirmar");
        QTest::newRow("cancelar") << false;
        QTest::newRow("confirmar") << true;
    }

    // Confirming forgets Ana and her voice print; her memory folder and
    // her conversations stay, the ones she owned still in her folder.
    void borrar()
    {
        QFETCH(bool, confirmar);
        const QDateTime antes = m.reloj.ahora().addDays(-3);
        Conversacion propia = ModelosPrueba::conversacion("propia", antes);
        Conversacion reunion = ModelosPrueba::conversacion("reunión", antes);
        m.abrir({propia, reunion});
        const Perfil ana = m.perfiles->activar("Ana").perfil;
        m.perfiles->activar("Beto");
        m.almacen->cambiar(propia.id, true, [&](Conversacion& c) { c.perfilID = ana.id; });
        m.almacen->cambiar(reunion.id, true, [&](Conversacion& c) { c.asistentes = QStringList{"Ana", "Beto"}; });
        const QList<Conversacion> guardadas = m.almacen->conversaciones();
        escribir(huella(ana));
        m.reloj.avanzar(std::chrono::hours(1));

        auto s = seccion();
        QCOMPARE(detalleDe(fila(s.get(), ana)), QStringLiteral("2 proyectos · voz registrada"));
        fila(s.get(), ana)->findChild<QToolButton*>("borrar")->click();
        QCOMPARE(s->porBorrar(), std::optional<Perfil>(ana));
        QMessageBox* dialogo = s->confirmacion();
        QVERIFY(dialogo);
        QTRY_VERIFY(dialogo->isVisible());
        QCOMPARE(dialogo->text(), QStringLiteral("¿Borrar a Ana?"));
        QCOMPARE(dialogo->informativeText(), QStringLiteral("Su carpeta de memoria y sus proyectos no se borran."));
        dialogo->findChild<QPushButton*>(confirmar ? "confirmar" : "cancelar")->click();
        QCOMPARE(s->porBorrar(), std::nullopt);
        QTRY_VERIFY(!s->confirmacion());

        QCOMPARE(m.perfiles->todos().size(), confirmar ? 1 : 2);
        QCOMPARE(fila(s.get(), ana) == nullptr, confirmar);
        QCOMPARE(QFile::exists(huella(ana)), !confirmar);
        QCOMPARE(m.ajustes->listaTextos("terminosPerfiles").contains("Ana"), !confirmar);
        QVERIFY(QFileInfo(ana.carpeta()).isDir());
        QCOMPARE(m.almacen->conversaciones().size(), 2);
        const auto suya = m.almacen->conversacion(propia.id);
        QCOMPARE(m.almacen->carpeta(*suya), ana.carpeta());
        for (const Conversacion& c : guardadas)
            QCOMPARE(m.almacen->conversacion(c.id)->actualizada, c.actualizada);
        QCOMPARE(m.almacen->conversacion(reunion.id)->asistentes, std::optional(QStringList{"Ana", "Beto"}));
    }
};

QTEST_MAIN(TestSeccionPersonas)
#include "TestSeccionPersonas.moc"
