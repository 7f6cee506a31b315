#include "core/Texto.h"

#include <QTest>

class TestTexto : public QObject {
    Q_OBJECT

private slots:
    void plegar_data()
    {
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<bool>("conDigitos");
        QTest::addColumn<QString>("plegado");

        QTest::newRow("José descompuesto") << QString::fromUtf8("Jose\xcc\x81") << false << "jose";
        QTest::newRow("José compuesto") << QString::fromUtf8("Jos\xc3\xa9") << false << "jose";
        QTest::newRow("Ñandú") << QStringLiteral("Ñandú") << false << "nandu";
        QTest::newRow("guion") << QStringLiteral("Jean-Luc") << false << "jeanluc";
        QTest::newRow("puntuacion") << QStringLiteral("¡Oye, Zuvi!") << false << "oye zuvi";
        QTest::newRow("emoji") << QStringLiteral("hola 👋🏽 mundo") << false << "hola  mundo";
        QTest::newRow("digitos fuera") << QStringLiteral("Paso 3") << false << "paso ";
        QTest::newRow("digitos dentro") << QStringLiteral("Paso 3") << true << "paso 3";
        QTest::newRow("salto de linea") << QStringLiteral("uno\ndos\tTRES") << false << "uno dos tres";
        QTest::newRow("diéresis") << QStringLiteral("PINGÜINO") << false << "pinguino";
        QTest::newRow("vacío") << QString() << false << "";
    }

    void plegar()
    {
        QFETCH(QString, entrada);
        QFETCH(bool, conDigitos);
        QTEST(Texto::plegar(entrada, conDigitos), "plegado");
    }

    void grafemas_data()
    {
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<int>("longitud");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("primeros");

        QTest::newRow("ascii") << "hola" << 4 << 2 << "ho";
        QTest::newRow("José descompuesto") << QString::fromUtf8("Jose\xcc\x81!") << 5 << 4
                                           << QString::fromUtf8("Jose\xcc\x81");
        QTest::newRow("emoji con tono") << QStringLiteral("a👋🏽b") << 3 << 2 << QStringLiteral("a👋🏽");
        QTest::newRow("familia") << QStringLiteral("👨‍👩‍👧x") << 2 << 1 << QStringLiteral("👨‍👩‍👧");
        QTest::newRow("bandera") << QStringLiteral("🇨🇱🇨🇱") << 2 << 1 << QStringLiteral("🇨🇱");
        QTest::newRow("mas que el largo") << "ab" << 2 << 10 << "ab";
        QTest::newRow("cero") << "ab" << 2 << 0 << "";
        QTest::newRow("vacío") << "" << 0 << 3 << "";
    }

    void grafemas()
    {
        QFETCH(QString, entrada);
        QFETCH(int, n);
        QTEST(Texto::longitud(entrada), "longitud");
        QTEST(Texto::primeros(entrada, n), "primeros");
    }

    void ultimos_data()
    {
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("ultimos");

        QTest::newRow("ascii") << "hola" << 2 << "la";
        QTest::newRow("emoji con tono") << QStringLiteral("a👋🏽b") << 2 << QStringLiteral("👋🏽b");
        QTest::newRow("José descompuesto") << QString::fromUtf8("xJose\xcc\x81") << 4
                                           << QString::fromUtf8("Jose\xcc\x81");
        QTest::newRow("mas que el largo") << "ab" << 10 << "ab";
        QTest::newRow("cero") << "ab" << 0 << "";
        QTest::newRow("vacío") << "" << 3 << "";
    }

    void ultimos()
    {
        QFETCH(QString, entrada);
        QFETCH(int, n);
        QTEST(Texto::ultimos(entrada, n), "ultimos");
    }
};

QTEST_GUILESS_MAIN(TestTexto)
#include "TestTexto.moc"
