#include "audio/FiltroEco.h"

#include <QTest>

namespace {

const QDateTime cero = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000);

QDateTime en(double segundos)
{
    return cero.addMSecs(qint64(segundos * 1000));
}

} // namespace

class TestFiltroEco : public QObject {
    Q_OBJECT

private slots:
    void palabras_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QStringList>("palabras");
        QTest::newRow("pliega y separa") << "¡Perfecto, empezamos de CERO!" << QStringList{"perfecto", "empezamos", "de", "cero"};
        QTest::newRow("guarda las cifras") << "Imprime 3 piezas en PLA" << QStringList{"imprime", "3", "piezas", "en", "pla"};
        QTest::newRow("sin espacio tras la coma") << "hola,mundo 3-D" << QStringList{"hola", "mundo", "3", "d"};
        QTest::newRow("eñe y tildes") << "Año compañía" << QStringList{"ano", "compania"};
        QTest::newRow("nada") << " ¿? " << QStringList{};
    }

    void palabras()
    {
        QFETCH(QString, texto);
        QFETCH(QStringList, palabras);
        QCOMPARE(FiltroEco::palabras(texto), palabras);
    }

    void parecidas_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("parecidas");
        QTest::newRow("iguales") << "de" << "de" << true;
        QTest::newRow("prefijo") << "imprimir" << "imprimiendo" << true;
        QTest::newRow("prefijo de dos letras no") << "pi" << "pieza" << false;
        QTest::newRow("distancia 3 de 10") << "trabajando" << "trabajar" << true;
        QTest::newRow("tres letras: solo iguales o prefijo") << "sol" << "sal" << false;
        QTest::newRow("cuatro letras, una cambiada") << "casa" << "cosa" << true;
        QTest::newRow("lejos") << "perro" << "gato" << false;
    }

    void parecidas()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, parecidas);
        QCOMPARE(FiltroEco::parecidas(x, y), parecidas);
        QCOMPARE(FiltroEco::parecidas(y, x), parecidas);
    }

    void contenidoYSubsecuencia()
    {
        QCOMPARE(FiltroEco::contenido({"empezamos", "de", "cero"}), (QStringList{"empezamos", "cero"}));
        QCOMPARE(FiltroEco::contenido({"que", "es", "eso"}), (QStringList{"que", "es", "eso"}));
        QCOMPARE(FiltroEco::contenido({"que", "hola"}), (QStringList{"que", "hola"}));
        QCOMPARE(FiltroEco::distancia("kitten", "sitting"), 3);
        QCOMPARE(FiltroEco::distancia("", "abc"), 3);
        QCOMPARE(FiltroEco::subsecuenciaComun({"a", "b", "c"}, {}), 0);
        QCOMPARE(FiltroEco::subsecuenciaComun({"empezamos", "cero"}, {"perfecto", "empezamos", "cero"}), 2);
        QCOMPARE(FiltroEco::subsecuenciaComun({"cero", "empezamos"}, {"empezamos", "cero"}), 1);
    }

    // Said at 0 s (and, where given, a second text at `otroEn`), heard at
    // `oidoEn`.
    void preguntas_data()
    {
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<QString>("oido");
        QTest::addColumn<double>("oidoEn");
        QTest::addColumn<double>("otroEn");
        QTest::addColumn<bool>("eco");
        QTest::addColumn<bool>("todas60");
        const double nada = -1;
        QTest::newRow("frase acortada") << "Perfecto, empezamos de cero" << "empezamos de cero" << 3.0 << nada << true << true;
        QTest::newRow("palabras cercanas") << "Sigo trabajando en la pieza del soporte" << "sigo trabajar en la pieza"
                                           << 2.0 << nada << true << true;
        QTest::newRow("una palabra nunca es eco") << "Listo" << "listo" << 1.0 << nada << false << true;
        QTest::newRow("dos palabras nunca es eco") << "Listo ya" << "listo ya" << 1.0 << nada << false << true;
        QTest::newRow("solo palabras comunes") << "Eso es todo por hoy" << "eso es todo" << 1.0 << nada << true << true;
        QTest::newRow("otra cosa") << "Empezamos de cero" << "imprime la pieza azul" << 1.0 << nada << false << false;
        QTest::newRow("dos de tres: bajo el 70 %") << "Empezamos de cero" << "empezamos de cero mañana" << 1.0 << nada << false << false;
        QTest::newRow("cifras distintas") << "Imprime 3 piezas" << "imprime 4 piezas" << 1.0 << nada << false << false;
        QTest::newRow("fuera de la ventana del eco") << "Perfecto, empezamos de cero" << "empezamos de cero" << 26.0
                                                     << nada << false << true;
        QTest::newRow("fuera de todas las ventanas") << "Perfecto, empezamos de cero" << "empezamos de cero" << 61.0
                                                     << nada << false << false;
        // The same answer whether or not the room spoke again since.
        QTest::newRow("lo dicho después no borra") << "Perfecto, empezamos de cero" << "empezamos de cero" << 40.0
                                                   << 30.0 << false << true;
        QTest::newRow("vacío") << "Hola" << "" << 1.0 << nada << false << false;
    }

    void preguntas()
    {
        QFETCH(QString, dicho);
        QFETCH(QString, oido);
        QFETCH(double, oidoEn);
        QFETCH(double, otroEn);
        QFETCH(bool, eco);
        QFETCH(bool, todas60);
        FiltroEco f(25);
        f.registrar(dicho, en(0));
        if (otroEn >= 0)
            f.registrar("Otra cosa distinta", en(otroEn));
        QCOMPARE(f.todasDichas(oido, 60, en(oidoEn)), todas60);
        QCOMPARE(f.esEco(oido, en(oidoEn)), eco);
        // Asking again gives the same answers.
        QCOMPARE(f.todasDichas(oido, 60, en(oidoEn)), todas60);
    }

    void sinNadaDicho()
    {
        FiltroEco f;
        QVERIFY(!f.esEco("empezamos de cero", en(0)));
        QVERIFY(!f.todasDichas("empezamos", 60, en(0)));
        f.registrar("empezamos de cero", en(0));
        QVERIFY(f.todasDichas("empezamos", 30, en(29)));
        QVERIFY(!f.todasDichas("empezamos", 30, en(31)));
        // What was said more than the retention ago is gone for good.
        f.registrar("algo nuevo", en(61));
        QVERIFY(!f.todasDichas("empezamos", 120, en(62)));
    }
};

QTEST_GUILESS_MAIN(TestFiltroEco)
#include "TestFiltroEco.moc"
