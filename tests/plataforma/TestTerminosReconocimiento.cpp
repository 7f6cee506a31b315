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

    // What the small Spanish model writes for the name, in each place.
    void nombre_data()
    {
        QTest::addColumn<QString>("oido");
        QTest::addColumn<QString>("escrito");
        QTest::newRow("subí tras oye") << "oye subí" << "oye Zuvi";
        QTest::newRow("subi sin tilde") << "oye subi" << "oye Zuvi";
        QTest::newRow("súbi") << "hola súbi" << "hola Zuvi";
        QTest::newRow("su vi") << "oye su vi" << "oye Zuvi";
        QTest::newRow("su bi") << "hola su bi" << "hola Zuvi";
        QTest::newRow("sub i") << "oye sub i" << "oye Zuvi";
        QTest::newRow("sube") << "hola sube" << "hola Zuvi";
        QTest::newRow("suv") << "oye suv" << "oye Zuvi";
        QTest::newRow("sufí") << "oye sufí" << "oye Zuvi";
        QTest::newRow("sobí") << "hola sobí" << "hola Zuvi";
        QTest::newRow("ola es hola") << "ola subí" << "hola Zuvi";
        QTest::newRow("ola con mayúscula") << "Ola subí" << "Hola Zuvi";
        QTest::newRow("olle es oye") << "olle subí" << "oye Zuvi";
        QTest::newRow("con más palabras") << "oye subí abre el proyecto" << "oye Zuvi abre el proyecto";
        QTest::newRow("ía detrás") << "abre subí ía" << "abre Zuvi IA";
        QTest::newRow("i a detrás") << "oye sube i a" << "oye Zuvi IA";
        QTest::newRow("y a tras saludo") << "oye subí y a" << "oye Zuvi IA";
        QTest::newRow("y a no basta") << "sube y a ver" << "sube y a ver";
        QTest::newRow("zubi en una frase") << "gracias zubi" << "gracias Zuvi";
        QTest::newRow("zuby en una frase") << "dime zuby" << "dime Zuvi";
        QTest::newRow("el nombre ya escrito") << "hola zuvi" << "hola zuvi";
        QTest::newRow("suvi en una frase") << "suvi abre chrome" << "Zuvi abre chrome";
        QTest::newRow("subí corriente") << "subí la escalera" << "subí la escalera";
        QTest::newRow("sube corriente") << "sube el volumen" << "sube el volumen";
        QTest::newRow("su vida") << "oye su vida" << "oye su vida";
        QTest::newRow("saludo tras una coma") << "oye, subí" << "oye, subí";
        QTest::newRow("puntuación alrededor") << "¿oye subí?" << "¿oye Zuvi?";
        QTest::newRow("saludo sin nombre") << "hola a todos" << "hola a todos";
        QTest::newRow("vacío") << "" << "";
    }

    void nombre()
    {
        QFETCH(QString, oido);
        QFETCH(QString, escrito);
        QCOMPARE(TerminosReconocimiento::nombre(oido), escrito);
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
