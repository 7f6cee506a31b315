#include "comun/HogarTemporal.h"
#include "plataforma/Carpetas.h"
#include "plataforma/EntradaEscritorio.h"
#include "setup/AtajoSiri.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestAtajoSiri : public QObject {
    Q_OBJECT

private slots:
    // Written twice into a home whose path needs quoting: one file, nothing
    // left beside it, and its Exec runs exactly the executable and our URL.
    void crearDosVeces()
    {
        HogarTemporal hogar("casa de O'Brien 100%");
        const QString exe = hogar.en("opt/Zuvi IA/bin/zuviia");
        AtajoSiri::crear(exe);
        AtajoSiri::crear(exe);
        const QString carpeta = Carpetas::datos() + "/applications";
        QCOMPARE(QDir(carpeta).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"cl.norp.ZuviIA.modo-proyectos.desktop"});
        QCOMPARE(AtajoSiri::archivo(), carpeta + "/cl.norp.ZuviIA.modo-proyectos.desktop");
        const auto claves = EntradaEscritorio::leerArchivo(AtajoSiri::archivo());
        QVERIFY(claves);
        QCOMPARE(claves->value("Name"), QString("Modo proyectos"));
        QCOMPARE(claves->value("Exec"), "\"" + hogar.ruta().replace("%", "%%") + "/opt/Zuvi IA/bin/zuviia\" "
                                        "zuviia://modo-proyectos");
        QVERIFY(AtajoSiri::instalado(exe));
        QVERIFY(!AtajoSiri::instalado(hogar.en("otra/zuviia")));
    }

    void instalado_data()
    {
        QTest::addColumn<QString>("contenido");   // empty: no file
        QTest::addColumn<bool>("instalado");
        const QString nuestro = AtajoSiri::entrada("/opt/ZuviIA/bin/zuviia");
        QTest::newRow("no existe") << "" << false;
        QTest::newRow("nuestro") << nuestro << true;
        QTest::newRow("oculto") << nuestro + "Hidden=true\n" << false;
        QTest::newRow("de otro programa") << QString(nuestro).replace("/opt/ZuviIA", "/usr") << false;
        QTest::newRow("otra dirección")
            << QString(nuestro).replace("zuviia://modo-proyectos", "zuviia://abrir") << false;
    }
    void instalado()
    {
        QFETCH(QString, contenido);
        QFETCH(bool, instalado);
        HogarTemporal hogar;
        if (!contenido.isEmpty()) {
            QDir().mkpath(Carpetas::datos() + "/applications");
            QFile f(AtajoSiri::archivo());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contenido.toUtf8());
        }
        QCOMPARE(AtajoSiri::instalado("/opt/ZuviIA/bin/zuviia"), instalado);
    }

    void sinCarpeta()
    {
        HogarTemporal hogar;
        QFile bloqueo(Carpetas::datos() + "/applications");
        QDir().mkpath(Carpetas::datos());
        QVERIFY(bloqueo.open(QIODevice::WriteOnly));
        bloqueo.close();
        try {
            AtajoSiri::crear("/opt/ZuviIA/bin/zuviia");
            QFAIL("sin error");
        } catch (const AtajoSiri::ErrorAtajo& e) {
            QVERIFY2(e.mensaje().startsWith("No se pudo crear el lanzador «Modo proyectos»: "), qPrintable(e.mensaje()));
        }
        QVERIFY(!AtajoSiri::instalado("/opt/ZuviIA/bin/zuviia"));
    }
};

QTEST_GUILESS_MAIN(TestAtajoSiri)
#include "TestAtajoSiri.moc"
