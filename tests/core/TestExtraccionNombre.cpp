#include "core/ExtraccionNombre.h"
#include "core/Perfiles.h"

#include <QTest>

class TestExtraccionNombre : public QObject {
    Q_OBJECT

private slots:
    void extraerNombre_data()
    {
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<QString>("nombre");  // empty: none
        QTest::newRow("me llamo") << "Me llamo Juan." << "Juan";
        QTest::newRow("soy con parada") << "Hola, soy María José y trabajo en diseño" << "María José";
        QTest::newRow("mi nombre es, dos palabras") << "mi nombre es ana lucía pérez" << "Ana Lucía";
        QTest::newRow("solo el nombre") << "Pedro" << "Pedro";
        QTest::newRow("habla") << "Habla Pedro" << "Pedro";
        QTest::newRow("guion") << "Me llamo Jean-Luc" << "Jeanluc";
        QTest::newRow("sí") << "Sí" << "";
        QTest::newRow("buenas noches") << "Buenas noches" << "";
        QTest::newRow("buenas tardes Carmen") << "Buenas tardes, Carmen" << "";
        QTest::newRow("con dentro de palabra") << "Consuelo" << "Consuelo";
        QTest::newRow("solo palabras de parada") << "soy de aquí" << "";
        QTest::newRow("candidato de una letra") << "me llamo a" << "";
        QTest::newRow("más de dos palabras") << "me llamo Ana María Luisa Pérez" << "Ana María";
        QTest::newRow("libre con acentos") << "Laura Gómez" << "Laura Gómez";
        QTest::newRow("libre con palabra común") << "Hola Laura" << "";
        QTest::newRow("bien gracias") << "bien gracias" << "";
        QTest::newRow("mayúsculas") << "ME LLAMO JUAN" << "Juan";
        QTest::newRow("apóstrofo") << "soy D'Artagnan" << "Dartagnan";
        QTest::newRow("acento descompuesto") << QString::fromUtf8("me llamo Jose\xcc\x81") << "José";
        QTest::newRow("vacío") << "" << "";
        QTest::newRow("tres palabras libres") << "Ana Luisa Pérez" << "";
        QTest::newRow("profesión tras soy") << "Soy programador" << "";
        QTest::newRow("profesión tras el nombre") << "Soy Ana, arquitecta" << "Ana";
        QTest::newRow("profesión sola") << "Contadora" << "";
        QTest::newRow("sustantivo tras me llamo") << "me llamo la tienda" << "";
        QTest::newRow("sustantivo solo") << "Proyecto" << "";
        QTest::newRow("nombre que es también sustantivo") << "Soy Rosa" << "Rosa";
    }

    void extraerNombre()
    {
        QFETCH(QString, dicho);
        QFETCH(QString, nombre);
        QCOMPARE(Perfiles::extraerNombre(dicho).value_or(QString()), nombre);
    }

    // Words the caller rules out (its commands) are never taken as a name,
    // whatever the droppable phrases around them.
    void ajenas_data()
    {
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("sola") << "Cancela" << "";
        QTest::newRow("tras soy") << "soy silencio" << "";
        QTest::newRow("en un nombre de dos") << "Ana Espera" << "";
        QTest::newRow("otro nombre") << "Bruno" << "Bruno";
        QTest::newRow("tras una frase que se descarta") << "Habla Pedro" << "Pedro";
    }

    void ajenas()
    {
        QFETCH(QString, dicho);
        const QSet<QString> comandos{"cancela", "silencio", "espera", "habla"};
        QTEST(ExtraccionNombre::extraer(dicho, comandos).value_or(QString()), "nombre");
    }

    void palabrasComunes()
    {
        QVERIFY(Perfiles::comunes().contains("zuvi"));
        QVERIFY(Perfiles::comunes().contains("bienvenida"));
        QVERIFY(!Perfiles::comunes().contains("ana"));
    }
};

QTEST_GUILESS_MAIN(TestExtraccionNombre)
#include "TestExtraccionNombre.moc"
