#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <thread>

using namespace std::chrono_literals;

class TestAjustes : public QObject {
    Q_OBJECT

private slots:
    void lecturasConRespaldo_data()
    {
        QTest::addColumn<QVariant>("guardado");
        QTest::addColumn<bool>("booleano");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<double>("real");

        // Fallbacks: booleano true, texto "nada", real 1.15.
        QTest::newRow("nada guardado") << QVariant() << true << "nada" << 1.15;
        QTest::newRow("bool falso") << QVariant(false) << false << "false" << 1.15;
        QTest::newRow("bool verdadero") << QVariant(true) << true << "true" << 1.15;
        QTest::newRow("texto que no es bool") << QVariant("sí") << true << "sí" << 1.15;
        QTest::newRow("numero") << QVariant(0.9) << true << "0.9" << 0.9;
        QTest::newRow("texto numerico") << QVariant("1.5") << true << "1.5" << 1.5;
    }

    void lecturasConRespaldo()
    {
        QFETCH(QVariant, guardado);
        HogarTemporal hogar;
        {
            Ajustes escritor(Ajustes::archivoPorDefecto());
            if (guardado.isValid())
                escritor.escribir("clave", guardado);
        }
        // A fresh object reads what the file kept, as the next run would.
        Ajustes lector(Ajustes::archivoPorDefecto());
        QTEST(lector.booleano("clave", true), "booleano");
        // INI keeps no types across runs, so only texts promise a text back.
        if (guardado.typeId() == QMetaType::QString || !guardado.isValid())
            QTEST(lector.texto("clave", "nada"), "texto");
        QTEST(lector.real("clave", 1.15), "real");
    }

    void archivoEnLaCarpetaDeConfiguracion()
    {
        HogarTemporal hogar;
        QCOMPARE(Ajustes::archivoPorDefecto(), hogar.en(".config/cl.norp.ZuviIA.conf"));
        Ajustes(Ajustes::archivoPorDefecto()).escribir("modoGrupo", true);
        QVERIFY(QFile::exists(hogar.en(".config/cl.norp.ZuviIA.conf")));
    }

    void cambiadoEnCadaEscritura()
    {
        HogarTemporal hogar;
        Ajustes a(Ajustes::archivoPorDefecto());
        QSignalSpy espia(&a, &Ajustes::cambiado);
        a.escribir("nivel", "total");
        a.escribir("nivel", "total");
        a.quitar("nivel");
        QCOMPARE(espia.count(), 3);
        QCOMPARE(espia.at(0).at(0).toString(), QStringLiteral("nivel"));
        QVERIFY(!a.contiene("nivel"));
    }

    // Writes reach every reader of the process at once and the file at most
    // once a second; what is pending is written when the object goes.
    void escribeElArchivoComoMuchoUnaVezPorSegundo()
    {
        HogarTemporal hogar;
        RelojFalso reloj;
        const QString ruta = Ajustes::archivoPorDefecto();
        auto enDisco = [&] {
            QFile f(ruta);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        auto a = std::make_unique<Ajustes>(ruta, reloj);
        // (Opening the file again would write it: QSettings syncs on open.)
        const Ajustes lector(ruta, reloj);
        QSignalSpy espia(a.get(), &Ajustes::cambiado);
        a->escribir("nivel", "editar");
        QCOMPARE(espia.count(), 1);
        QCOMPARE(lector.texto("nivel"), QStringLiteral("editar"));
        QTest::qWait(50); // QSettings' own write would come on this pass
        QVERIFY(!enDisco().contains("editar"));
        reloj.avanzar(500ms);
        a->escribir("modoGrupo", true);
        QTest::qWait(50);
        QVERIFY(!enDisco().contains("modoGrupo"));
        reloj.avanzar(500ms);
        QVERIFY(enDisco().contains("nivel=editar"));
        QVERIFY(enDisco().contains("modoGrupo=true"));

        a->quitar("nivel");
        a->escribir("agente", "codex");
        QTest::qWait(50);
        QVERIFY(enDisco().contains("nivel=editar"));
        a.reset();
        QVERIFY(!enDisco().contains("nivel"));
        QVERIFY(enDisco().contains("agente=codex"));
    }

    // A write from another thread is paced the same way.
    void escrituraDesdeOtroHilo()
    {
        HogarTemporal hogar;
        RelojFalso reloj;
        Ajustes a(Ajustes::archivoPorDefecto(), reloj);
        std::thread([&] { a.escribir("micUID", "usb"); }).join();
        QCOMPARE(a.texto("micUID"), QStringLiteral("usb"));
        QTRY_COMPARE(reloj.pendientes(), 1);
        reloj.avanzar(1s);
        QFile f(Ajustes::archivoPorDefecto());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("micUID=usb"));
    }

    void listasYFechas()
    {
        HogarTemporal hogar;
        const QDateTime cuando(QDate(2026, 12, 10), QTime(15, 30, 0), Qt::UTC);
        {
            Ajustes a(Ajustes::archivoPorDefecto());
            a.escribir("uno", QStringList{"Ana"});
            a.escribir("varios", QStringList{"Ana", "José"});
            a.escribir("desde", cuando);
        }
        Ajustes a(Ajustes::archivoPorDefecto());
        QCOMPARE(a.listaTextos("uno"), QStringList{"Ana"});
        QCOMPARE(a.listaTextos("varios"), (QStringList{"Ana", "José"}));
        QCOMPARE(a.listaTextos("nada"), QStringList{});
        QCOMPARE(a.fecha("desde"), std::optional<QDateTime>(cuando));
        QVERIFY(!a.fecha("uno").has_value());
    }

    void carpetasXdg()
    {
        HogarTemporal hogar;
        QCOMPARE(Carpetas::datosApp(), hogar.en(".local/share/ZuviIA"));
        QCOMPARE(Carpetas::estadoApp(), hogar.en(".local/state/ZuviIA"));
        // XDG says a relative value is ignored.
        qputenv("XDG_DATA_HOME", "relativa");
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(Carpetas::datos(), hogar.en(".local/share"));
        QCOMPARE(Carpetas::estado(), hogar.en(".local/state"));
        QVERIFY(QFileInfo(Carpetas::recursos()).isDir());
        QVERIFY(!Carpetas::desdePrefijoInstalado());
    }
};

QTEST_GUILESS_MAIN(TestAjustes)
#include "TestAjustes.moc"
