#include "projects/ComandosVoz.h"

#include <QTest>

using ComandosVoz::Comando;

Q_DECLARE_METATYPE(Comando)

// The spoken command table: each group with its word guard, the exact or
// prefix-plus-one-word rule without the name, containment with it.
class TestComandosVoz : public QObject {
    Q_OBJECT

private slots:
    void reconocer_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("llamada");
        QTest::addColumn<bool>("ejecutando");
        QTest::addColumn<bool>("interrumpido");
        QTest::addColumn<bool>("inmersivo");
        QTest::addColumn<Comando>("esperado");
        auto fila = [](const char* nombre, const char* texto, bool llamada, Comando c, bool ejecutando = false,
                       bool interrumpido = false, bool inmersivo = false) {
            QTest::newRow(nombre) << QString::fromUtf8(texto) << llamada << ejecutando << interrumpido << inmersivo
                                  << c;
        };
        fila("vacío", "", true, Comando::ninguno);
        fila("fin llamado en frase larga", "terminamos por hoy por favor", true, Comando::terminar);
        fila("fin sin nombre con 5 palabras", "terminamos por hoy por favor", false, Comando::ninguno);
        fila("fin sin nombre exacto", "terminamos por hoy", false, Comando::terminar);
        fila("9 palabras llamado", "una dos tres cuatro cinco seis siete ocho para", true, Comando::ninguno);
        fila("8 palabras llamado", "una dos tres cuatro cinco seis siete para", true, Comando::parar);
        fila("chao sin nombre", "chao", false, Comando::ninguno);
        fila("chao llamado", "chao", true, Comando::terminar);
        fila("otra persona", "otra persona", false, Comando::cambiarPersona);
        fila("soy ana", "soy ana", false, Comando::nombre);
        fila("me llamo ana maria", "me llamo ana maria", false, Comando::nombre);
        fila("yo soy largo", "yo soy el que manda aqui", true, Comando::ninguno);
        fila("espera", "espera", false, Comando::esperar);
        fila("para", "para", false, Comando::parar);
        fila("para ya", "para ya", false, Comando::parar);
        fila("para ya mismo", "para ya mismo", false, Comando::ninguno);
        fila("no para", "no para", false, Comando::ninguno);
        fila("para todo sin nombre", "para todo", false, Comando::parar, true);
        fila("para todo llamado", "para todo", true, Comando::pararTodo, true);
        fila("silencio", "silencio", false, Comando::silencio);
        fila("sigue tras interrupción", "sigue", false, Comando::seguir, false, true);
        fila("sigue con turno en marcha", "sigue", false, Comando::ninguno, true, true);
        fila("sigue sin interrupción", "sigue", false, Comando::ninguno);
        fila("repite", "repite", false, Comando::repetir);
        fila("repite con 5 palabras llamado", "repite lo que dijiste ahora", true, Comando::ninguno);
        fila("en que vas", "en que vas", false, Comando::estado);
        fila("segundo plano", "segundo plano", false, Comando::segundoPlano);
        fila("mas rapido", "mas rapido", false, Comando::masRapido);
        fila("mas despacio", "mas despacio", false, Comando::masLento);
        fila("nuevo proyecto", "nuevo proyecto", false, Comando::proyectoNuevo);
        fila("haz el acta", "haz el acta", false, Comando::minuta);
        fila("modo grupo", "modo grupo", false, Comando::modoGrupo);
        fila("sin modo grupo", "sin modo grupo", false, Comando::modoIndividual);
        fila("pantalla completa en ventana", "modo proyectos", false, Comando::pantallaCompleta);
        fila("pantalla completa ya dentro", "modo proyectos", false, Comando::ninguno, false, false, true);
        fila("ventana desde dentro", "pantalla normal", false, Comando::ventana, false, false, true);
        fila("ventana ya en ventana", "pantalla normal", false, Comando::ninguno);
    }

    void reconocer()
    {
        QFETCH(QString, texto);
        QFETCH(bool, llamada);
        QFETCH(bool, ejecutando);
        QFETCH(bool, interrumpido);
        QFETCH(bool, inmersivo);
        QTEST(ComandosVoz::reconocer(texto, {llamada, ejecutando, interrumpido, inmersivo}), "esperado");
    }

    void velocidad_data()
    {
        QTest::addColumn<double>("actual");
        QTest::addColumn<double>("rapido");
        QTest::addColumn<double>("lento");
        QTest::newRow("sin valor") << 0.0 << 1.25 << 1.05;
        QTest::newRow("negativo") << -1.0 << 1.25 << 1.05;
        QTest::newRow("1.55") << 1.55 << 1.6 << 1.45;
        QTest::newRow("tope alto") << 1.6 << 1.6 << 1.5;
        QTest::newRow("0.85") << 0.85 << 0.95 << 0.8;
        QTest::newRow("tope bajo") << 0.8 << 0.9 << 0.8;
    }

    void velocidad()
    {
        QFETCH(double, actual);
        QTEST(ComandosVoz::masRapido(actual), "rapido");
        QTEST(ComandosVoz::masLento(actual), "lento");
    }

    void separarLlamada_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("llamada");
        QTest::addColumn<QString>("resto");
        QTest::newRow("saludo nombre ia") << "oye zuvi ia abre el archivo" << true << "abre el archivo";
        QTest::newRow("solo el nombre") << "zuvi" << true << "";
        QTest::newRow("sin nombre") << "hola como estas" << false << "hola como estas";
        QTest::newRow("solo saludos") << "oye hola" << false << "oye hola";
        QTest::newRow("nombre mal oído") << "zubi para" << true << "para";
    }

    void separarLlamada()
    {
        QFETCH(QString, texto);
        const auto l = ComandosVoz::separarLlamada(texto);
        QTEST(l.llamada, "llamada");
        QTEST(l.resto, "resto");
    }

    void normalizar()
    {
        QCOMPARE(ComandosVoz::normalizar(QStringLiteral("  ¡Más RÁPIDO, Zuvi!  ")), QStringLiteral("mas rapido zuvi"));
        QCOMPARE(ComandosVoz::palabras(QStringLiteral("si  sigamos")), (QStringList{"si", "sigamos"}));
    }
};

QTEST_GUILESS_MAIN(TestComandosVoz)
#include "TestComandosVoz.moc"
