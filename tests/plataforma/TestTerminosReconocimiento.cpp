#include "plataforma/TerminosReconocimiento.h"

#include <QTest>

class TestTerminosReconocimiento : public QObject {
    Q_OBJECT

private slots:
    void reescribir_data()
    {
        QTest::addColumn<QStringList>("terminos");
        QTest::addColumn<QString>("oido");
        QTest::addColumn<QString>("escrito");
        const QStringList fijos = {"Zuvi IA", "Oye Zuvi", "ZuviIA", "Bambu Studio", "H2D", "X1 Carbon", "Claude",
                                   "Codex", "ChatGPT", "PLA", "STL", "3MF", "modelo 3D", "impresora",
                                   "terminamos por hoy", "Excel", "Word"};
        QTest::newRow("nombre del asistente separado") << fijos << "oye subí" << "Oye Zuvi";
        QTest::newRow("dos palabras en una") << fijos << "abre zubi ía por favor" << "abre Zuvi IA por favor";
        QTest::newRow("acento y x") << fijos << "pregúntale a códex" << "pregúntale a Codex";
        QTest::newRow("ese inicial en inglés") << fijos << "abre bambú estudio" << "abre Bambu Studio";
        QTest::newRow("sigla deletreada") << fijos << "exporta el ese te ele" << "exporta el STL";
        QTest::newRow("letras y cifras deletreadas") << fijos << "la hache dos de" << "la H2D";
        QTest::newRow("cifra escrita") << fijos << "un archivo tres eme efe" << "un archivo 3MF";
        QTest::newRow("cifra como número") << fijos << "el modelo 3d" << "el modelo 3D";
        QTest::newRow("marca con sigla") << fijos << "pregunta a chat ge pe te" << "pregunta a ChatGPT";
        QTest::newRow("equis y número") << fijos << "la equis uno carbon" << "la X1 Carbon";
        QTest::newRow("puntuación alrededor se queda") << fijos << "¿usas códex?" << "¿usas Codex?";
        QTest::newRow("puntuación dentro corta la frase") << fijos << "oye, subí" << "oye, subí";
        QTest::newRow("palabra común con su mayúscula") << fijos << "Impresora lista" << "Impresora lista";
        QTest::newRow("frase común intacta") << fijos << "terminamos por hoy" << "terminamos por hoy";
        QTest::newRow("se oye igual en español") << fijos << "abre ecsel" << "abre Excel";
        QTest::newRow("palabras corrientes no cambian") << fijos << "subí la pelea de plata" << "subí la pelea de plata";
        QTest::newRow("sin términos") << QStringList{} << "oye subí" << "oye subí";
        QTest::newRow("nombres de personas") << QStringList{"Álvaro", "Ximena"} << "hola alvaro y ksimena"
                                              << "hola Álvaro y Ximena";
        QTest::newRow("texto vacío") << fijos << "" << "";
    }

    void reescribir()
    {
        QFETCH(QStringList, terminos);
        QFETCH(QString, oido);
        QFETCH(QString, escrito);
        QCOMPARE(TerminosReconocimiento(terminos).reescribir(oido), escrito);
    }

    void clave_data()
    {
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("clave");
        QTest::newRow("b y v, z y s") << "Zuvi" << "subi";
        QTest::newRow("c dura, x") << "códex" << "kodeks";
        QTest::newRow("c suave, dobles") << "Excel" << "eksel";
        QTest::newRow("h muda, ll") << "hallo" << "ayo";
        QTest::newRow("gu y ge") << "guitarra gente" << "gitarajente";
        QTest::newRow("qu") << "queso" << "keso";
        QTest::newRow("cifras") << "3D" << "tresd";
        QTest::newRow("ñ") << "niño" << "nino";
    }

    void clave()
    {
        QFETCH(QString, palabra);
        QFETCH(QString, clave);
        QCOMPARE(TerminosReconocimiento::clave(palabra), clave);
    }
};

QTEST_GUILESS_MAIN(TestTerminosReconocimiento)
#include "TestTerminosReconocimiento.moc"
