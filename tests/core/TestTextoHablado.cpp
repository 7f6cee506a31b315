#include "core/Texto.h"
#include "core/TextoHablado.h"

#include <QTest>

namespace {

const QString cierre = QStringLiteral(" Te dejé el detalle en pantalla.");

// Twenty sentences of 47 characters each: "Frase 01 ...".
QString respuestaLarga()
{
    QStringList frases;
    for (int i = 1; i <= 20; ++i)
        frases << QStringLiteral("Frase %1 con relleno para llegar al largo justo").arg(i, 2, 10, QLatin1Char('0'));
    return frases.join(QStringLiteral(". ")) + QLatin1Char('.');
}

// The sentences of respuestaLarga() that fit in 380 characters: seven
// (six taken are 6 × 49 long, and 294 + 47 fits; seven are 343, and an
// eighth would pass 380).
QString primerasFrases()
{
    QStringList frases;
    for (int i = 1; i <= 7; ++i)
        frases << QStringLiteral("Frase %1 con relleno para llegar al largo justo").arg(i, 2, 10, QLatin1Char('0'));
    return frases.join(QStringLiteral(". ")) + QLatin1Char('.');
}

} // namespace

class TestTextoHablado : public QObject {
    Q_OBJECT

private slots:
    void paraHablar_data()
    {
        QTest::addColumn<QString>("respuesta");
        QTest::addColumn<QString>("hablado");
        QTest::newRow("vacía") << "" << "Listo.";
        QTest::newRow("solo espacios") << " \n\t " << "Listo.";
        QTest::newRow("solo código") << "```swift\nlet x = 1\n```" << "Listo.";
        QTest::newRow("código entre texto") << "Mira:\n```\na\n```\nYa está." << "Mira: Ya está.";
        QTest::newRow("dos bloques, el texto entre ellos queda")
            << "```\na\n```\nentre\n```\nb\n```" << "entre";
        QTest::newRow("filas de tabla") << "Tabla:\n| a | b |\n|---|---|\nFin." << "Tabla: Fin.";
        QTest::newRow("marcas") << "## Título\n**negrita** _cursiva_ `x` > cita" << "Título negrita cursiva x cita";
        QTest::newRow("blancos") << "  uno\n\n dos\t\ttres  " << "uno dos tres";
        QTest::newRow("450 caracteres quedan enteros") << QString(450, QLatin1Char('a')) << QString(450, QLatin1Char('a'));
        QTest::newRow("frases enteras hasta 380") << respuestaLarga() << primerasFrases() + cierre;
        QTest::newRow("sin frases: los primeros 380")
            << QString(500, QLatin1Char('a')) << QString(380, QLatin1Char('a')) + cierre;
        QTest::newRow("emojis enteros") << QString("👍🏽").repeated(451) << QString("👍🏽").repeated(380) + cierre;
    }

    void paraHablar()
    {
        QFETCH(QString, respuesta);
        QTEST(TextoHablado::paraHablar(respuesta), "hablado");
    }

    void respuestaLeida_data()
    {
        QTest::addColumn<QString>("respuesta");
        QTest::addColumn<QString>("leido");
        QTest::newRow("solo código") << "```\nrm -rf build\n```" << "Listo.";
        QTest::newRow("encabezado") << "# Resumen\nTodo bien." << "Resumen Todo bien.";
        QTest::newRow("marcas dentro de palabras y números") << "3*4 = 1_2, `x`>y" << "34 = 12, xy";
        // The bars go first, so the cells are read.
        QTest::newRow("tabla") << "| a | b |\n| 1 | 2 |" << "a b 1 2";
        // Only the first 1500 characters reach the cleaner.
        QTest::newRow("5000 caracteres: lo que pasa de 1500 no se lee")
            << QString(1500, QLatin1Char(' ')) + QString(3500, QLatin1Char('x')) << "Listo.";
        QTest::newRow("el corte no parte un emoji")
            << QString(1499, QLatin1Char(' ')) + QStringLiteral("👍🏽más") << "👍🏽";
    }

    void respuestaLeida()
    {
        QFETCH(QString, respuesta);
        QTEST(TextoHablado::respuestaLeida(respuesta), "leido");
    }
};

QTEST_APPLESS_MAIN(TestTextoHablado)
#include "TestTextoHablado.moc"
