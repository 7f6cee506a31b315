#include "projects/ComandosVoz.h"

#include <QTest>

using ComandosVoz::Comando;

Q_DECLARE_METATYPE(Comando)

// The spoken command table: each group with its word guard, the exact or
// prefix-plus-one-word rule without the name; with it, the utterance must
// be the command, never an instruction that holds its words.
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
        fila("9 palabras llamado", "sal de la pantalla completa ahora por favor ya", true, Comando::ninguno,
             false, false, true);
        fila("8 palabras llamado", "sal de la pantalla completa por favor ya", true, Comando::ventana, false,
             false, true);
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

        // Called by name, the utterance is the command: politeness, fillers
        // and the name around it, or a short tail that asks for nothing.
        fila("por favor antes", "por favor para", true, Comando::parar);
        fila("para ya zuvi", "para ya zuvi", true, Comando::parar);
        fila("para de hablar", "para de hablar", true, Comando::parar);
        fila("ya basta", "ya basta", true, Comando::parar);
        fila("cancela eso", "cancela eso por favor", true, Comando::parar);
        fila("para todo por favor", "para todo por favor", true, Comando::pararTodo);
        fila("silencio gracias", "silencio gracias", true, Comando::silencio);
        fila("espera un poco", "espera un poco", true, Comando::esperar);
        fila("espera un segundo", "espera un segundo", true, Comando::esperar);
        fila("como vas con eso", "como vas con eso", true, Comando::estado);
        fila("mas rapido por favor", "mas rapido por favor", true, Comando::masRapido);
        fila("bueno terminamos por hoy", "bueno terminamos por hoy gracias", true, Comando::terminar);
        fila("hasta luego", "hasta luego", true, Comando::terminar);
        fila("otra persona por favor", "otra persona por favor", true, Comando::cambiarPersona);
        fila("haz el acta llamado", "haz el acta", true, Comando::minuta);
        fila("sin modo grupo llamado", "sin modo grupo", true, Comando::modoIndividual);
        fila("haz la minuta", "haz la minuta", true, Comando::minuta);
        fila("pasa a segundo plano", "pasalo a segundo plano por favor", true, Comando::segundoPlano);
        fila("activa el modo grupo", "activa el modo grupo", true, Comando::modoGrupo);
        fila("entrada y algo más", "haz la minuta de los gastos", true, Comando::ninguno);
        fila("entrada sin nombre", "haz la minuta", false, Comando::ninguno);

        // Negation is never the command.
        fila("no para llamado", "no para", true, Comando::ninguno);
        fila("sin pausa", "sin pausa", true, Comando::ninguno);
        fila("nunca detente", "nunca detente", true, Comando::ninguno);
        fila("no, no sigas", "no no sigas", true, Comando::parar);

        // Without the name the ambiguous phrases take only politeness after them.
        fila("para mi", "para mi", false, Comando::ninguno);
        fila("alto contraste sin nombre", "alto contraste", false, Comando::ninguno);
        fila("un segundo piso", "un segundo piso", false, Comando::ninguno);

        // Instructions that hold a command's words, called by name: the
        // agent gets them. One or more per command group.
        fila("crea una web para mi tienda", "crea una pagina web para mi tienda", true, Comando::ninguno);
        fila("título en alto contraste", "pon el titulo en alto contraste", true, Comando::ninguno);
        fila("un segundo proveedor", "busca un segundo proveedor", true, Comando::ninguno);
        fila("como vas a organizar", "como vas a organizar el menu", true, Comando::ninguno);
        fila("minuta de los gastos", "haz una minuta de los gastos", true, Comando::ninguno);
        fila("para mañana", "para manana prepara el informe", true, Comando::ninguno);
        fila("para el lunes", "para el lunes necesito el informe", true, Comando::ninguno);
        fila("para todo el equipo", "para todo el equipo escribe un correo", true, Comando::ninguno, true);
        fila("cancela y manda", "cancela la reunion y manda un correo", true, Comando::ninguno);
        fila("traduce stop", "traduce stop al espanol", true, Comando::ninguno);
        fila("botón terminamos por hoy", "crea un boton que diga terminamos por hoy", true, Comando::ninguno);
        fila("botón para salir", "agrega un boton para salir del modo proyectos", true, Comando::ninguno);
        fila("correo hasta luego", "escribe un correo que diga hasta luego", true, Comando::ninguno);
        fila("traduce adiós", "traduce adios al ingles", true, Comando::ninguno);
        fila("otra persona al equipo", "agrega otra persona al equipo", true, Comando::ninguno);
        fila("pantalla de espera", "crea una pantalla de espera", true, Comando::ninguno);
        fila("espera y crea", "espera crea primero el menu", true, Comando::ninguno);
        fila("pausa de cinco minutos", "agrega una pausa de cinco minutos", true, Comando::ninguno);
        fila("un momento especial", "escribe un momento especial del libro", true, Comando::ninguno);
        fila("silencio entre canciones", "agrega silencio entre las canciones", true, Comando::ninguno);
        fila("poema del silencio", "escribe un poema sobre el silencio", true, Comando::ninguno);
        fila("no hables de precios", "no hables de precios en la pagina", true, Comando::ninguno);
        fila("sigue el diseño", "sigue el diseno del logo pero en azul", true, Comando::ninguno, false, true);
        fila("continua la lista", "continua la lista con diez ejemplos mas", true, Comando::ninguno, false, true);
        fila("puedes seguir con", "puedes seguir con la pagina de contacto", true, Comando::ninguno, false, true);
        fila("animación otra vez", "haz la animacion otra vez", true, Comando::ninguno);
        fila("otra vez falla", "otra vez falla el login", true, Comando::ninguno);
        fila("que haces con los datos", "explica que haces con los datos", true, Comando::ninguno);
        fila("música en segundo plano", "pon la musica en segundo plano", true, Comando::ninguno);
        fila("animación más rápida", "haz la animacion mas rapida", true, Comando::ninguno);
        fila("carga más rápido", "que cargue mas rapido la pagina", true, Comando::ninguno);
        fila("carrusel más lento", "haz el carrusel mas lento", true, Comando::ninguno);
        fila("texto más despacio", "que el texto pase mas despacio", true, Comando::ninguno);
        fila("nuevo proyecto de tienda", "crea un nuevo proyecto de tienda", true, Comando::ninguno);
        fila("informe final", "escribe el informe final del trimestre", true, Comando::ninguno);
        fila("acta a todos", "manda el acta de la reunion a todos", true, Comando::ninguno);
        fila("modo grupo del juego", "agrega un modo grupo al juego", true, Comando::ninguno);
        fila("modo individual del juego", "agrega un modo individual al juego", true, Comando::ninguno);
        fila("modo personal de la app", "crea el modo personal de la app", true, Comando::ninguno);
        fila("video en pantalla completa", "pon el video en pantalla completa", true, Comando::ninguno);
        fila("modo proyectos del cliente", "abre el modo proyectos del cliente", true, Comando::ninguno);
        fila("vuelve a la ventana y cambia", "vuelve a la ventana y cambia el color", true, Comando::ninguno,
             false, false, true);
        fila("pantalla normal y oscura", "crea una pantalla normal y otra oscura", true, Comando::ninguno, false,
             false, true);
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
