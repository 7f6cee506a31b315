#include "comun/HogarTemporal.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QSignalSpy>
#include <QTest>

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
        Ajustes a(Ajustes::archivoPorDefecto());
        a.escribir("modoGrupo", true);
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
