#include "projects/RutaFrase.h"

#include <QTest>

using RutaFrase::Paso;
using ComandosVoz::Comando;

Q_DECLARE_METATYPE(Paso)
Q_DECLARE_METATYPE(Comando)

// Routing of one closed utterance: (state, utterance) -> what it is.
class TestRutaFrase : public QObject {
    Q_OBJECT

    // The state named by comma-separated flags.
    static RutaFrase::Situacion situacion(const QString& texto, const QString& banderas)
    {
        RutaFrase::Situacion s;
        s.normalizado = ComandosVoz::normalizar(texto);
        const QStringList b = banderas.split(QLatin1Char(','), Qt::SkipEmptyParts);
        s.inmersivo = b.contains("inmersivo");
        s.esperandoModalidad = b.contains("modalidad");
        s.enPresentaciones = b.contains("presentaciones");
        s.esperandoNombre = b.contains("nombre");
        s.preguntaContinuar = b.contains("continuar");
        s.hayProyectoParaSeguir = b.contains("proyecto");
        s.modoGrupo = b.contains("grupo");
        s.reunion = b.contains("reunion");
        s.ejecutando = b.contains("ocupado");
        s.interrumpido = b.contains("interrumpido");
        s.ecoReciente = b.contains("eco");
        s.enLlamada = b.contains("llamada");
        s.respuestaReciente = b.contains("pregunto");
        s.hayNombre = b.contains("hayNombre");
        return s;
    }

private slots:
    void pareceInstruccion_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("palabra de instrucción") << "haz un resumen del documento" << true;
        QTest::newRow("dos palabras") << "crea algo" << false;
        QTest::newRow("apertura") << "me puedes ayudar con esto" << true;
        QTest::newRow("apertura como prefijo") << "hay quesos en la mesa" << true;
        QTest::newRow("charla") << "que calor hace hoy" << false;
        QTest::newRow("apertura de tres palabras") << "vamos a crear una app" << true;
    }

    void pareceInstruccion()
    {
        QFETCH(QString, texto);
        QTEST(RutaFrase::pareceInstruccion(texto), "esperado");
    }

    void cambioDeNombre_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("cambia");
        QTest::newRow("no soy") << "no soy ana soy bruno" << true;
        QTest::newRow("yo soy en frase larga") << "yo soy el que manda aqui" << true;
        QTest::newRow("no me llamo") << "no me llamo luis" << true;
        QTest::newRow("ahora soy") << "ahora soy eva" << true;
        QTest::newRow("en medio") << "creo que yo soy eva" << false;
        QTest::newRow("otra cosa") << "abre el archivo" << false;
    }

    void cambioDeNombre()
    {
        QFETCH(QString, texto);
        QFETCH(bool, cambia);
        QCOMPARE(RutaFrase::cambioDeNombre(texto), cambia ? std::optional<QString>(texto) : std::nullopt);
    }

    void decidir_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("banderas");
        QTest::addColumn<Paso>("paso");
        QTest::addColumn<Comando>("comando");
        QTest::addColumn<bool>("dirigida");
        auto fila = [](const char* nombre, const char* texto, const char* banderas, Paso paso,
                       Comando comando = Comando::ninguno, bool dirigida = false) {
            QTest::newRow(nombre) << QString::fromUtf8(texto) << QString::fromUtf8(banderas) << paso << comando
                                  << dirigida;
        };
        fila("eco corto", "quieres algo", "inmersivo,eco", Paso::ecoCorto);
        fila("eco corto con el nombre", "Zuvi, quieres algo", "inmersivo,eco", Paso::agente, Comando::ninguno, true);
        fila("eco largo", "uno dos tres cuatro", "inmersivo,eco", Paso::agente);
        fila("somos un grupo", "Somos un grupo", "inmersivo,modalidad", Paso::reunion);
        fila("yo solo", "Yo solo", "inmersivo,modalidad", Paso::individual);
        fila("me llamo en la modalidad", "Me llamo Ana", "inmersivo,modalidad,hayNombre", Paso::nombreEnModalidad);
        fila("no sé", "No sé", "inmersivo,modalidad", Paso::repetirModalidad);
        fila("fin en la modalidad", "Terminamos por hoy", "inmersivo,modalidad", Paso::comando, Comando::terminar);
        fila("para en la modalidad", "Para", "inmersivo,modalidad", Paso::comando, Comando::parar);
        fila("silencio en presentaciones", "Silencio", "inmersivo,presentaciones", Paso::comando,
             Comando::silencio);
        fila("zuvi chao en presentaciones", "Zuvi, chao", "inmersivo,presentaciones", Paso::comando,
             Comando::terminar, true);
        fila("otro comando en la modalidad", "Más rápido", "inmersivo,modalidad", Paso::repetirModalidad);
        fila("listo", "Listo", "inmersivo,presentaciones,grupo", Paso::finPresentaciones);
        fila("presentación", "Soy Paula, diseño", "inmersivo,presentaciones,grupo", Paso::presentar);
        fila("el nombre solo", "Zuvi", "inmersivo,grupo", Paso::llamadaSola);
        fila("dentro de la llamada", "qué calor hace", "inmersivo,grupo,llamada", Paso::agente,
             Comando::ninguno, true);
        fila("charla en grupo", "qué calor hace", "inmersivo,grupo", Paso::ignorada);
        fila("charla en reunión", "qué calor hace", "inmersivo,grupo,reunion", Paso::acta);
        fila("instrucción en grupo", "haz un resumen del documento", "inmersivo,grupo", Paso::agente);
        fila("respuesta en grupo", "el azul", "inmersivo,grupo,pregunto", Paso::agente);
        fila("respuesta en reunión", "el azul", "inmersivo,grupo,reunion,pregunto", Paso::acta);
        fila("nombre y comando", "Zuvi, para", "inmersivo", Paso::comando, Comando::parar, true);
        fila("sin comando si espera nombre", "Soy Bruno", "inmersivo,nombre", Paso::nombre);
        fila("fin si espera nombre", "Terminamos por hoy", "inmersivo,nombre", Paso::comando, Comando::terminar);
        fila("para si espera nombre", "Para", "inmersivo,nombre", Paso::comando, Comando::parar);
        fila("cancela si espera nombre", "Cancela", "inmersivo,nombre", Paso::comando, Comando::parar);
        fila("silencio si espera nombre", "Silencio", "inmersivo,nombre", Paso::comando, Comando::silencio);
        fila("otro comando si espera nombre", "Más rápido", "inmersivo,nombre", Paso::nombre);
        fila("sin modo grupo llamado", "Zuvi, sin modo grupo", "inmersivo", Paso::comando, Comando::modoIndividual,
             true);
        fila("instrucción con para llamado", "Zuvi, crea una página web para mi tienda", "inmersivo,grupo",
             Paso::agente, Comando::ninguno, true);
        fila("abrir la sala", "hola zuvi cómo estás", "", Paso::abrirSala, Comando::ninguno, true);
        fila("nombre solo en ventana", "Zuvi", "", Paso::llamadaSola);
        fila("una palabra en ventana", "Gracias", "", Paso::descartar);
        fila("nombre con el agente ocupado", "Bruno", "inmersivo,nombre,ocupado", Paso::nombre);
        fila("cambio con el agente ocupado", "no soy Ana, soy Bruno y sigo", "inmersivo,ocupado",
             Paso::cambioHablante);
        fila("seguir con el agente ocupado", "sí, sigamos", "inmersivo,continuar,proyecto,ocupado",
             Paso::seguirProyecto);
        fila("nuevo y seguir", "sí, algo nuevo", "inmersivo,continuar,proyecto", Paso::empezarNuevo);
        fila("seguir sin proyecto", "sí, sigamos", "inmersivo,continuar", Paso::agente);
        fila("seguir en frase larga", "si seguimos con el diseño del logo", "inmersivo,continuar,proyecto",
             Paso::agente);
        fila("ocupado", "crea una página web", "inmersivo,ocupado", Paso::ocupado);
        fila("libre", "crea una página web", "inmersivo", Paso::agente);
    }

    void decidir()
    {
        QFETCH(QString, texto);
        QFETCH(QString, banderas);
        const auto d = RutaFrase::decidir(situacion(texto, banderas));
        QTEST(d.paso, "paso");
        QTEST(d.comando, "comando");
        QTEST(d.dirigida, "dirigida");
    }

    // The call window serves one utterance; the continue question is
    // answered by whatever reaches it.
    void ventanas()
    {
        auto d = RutaFrase::decidir(situacion("abre el archivo", "inmersivo,llamada"));
        QVERIFY(d.cierraLlamada);
        QCOMPARE(d.resto, QStringLiteral("abre el archivo"));
        d = RutaFrase::decidir(situacion("Zuvi, abre el archivo", "inmersivo"));
        QCOMPARE(d.resto, QStringLiteral("abre el archivo"));
        QVERIFY(!RutaFrase::decidir(situacion("No sé", "inmersivo,modalidad")).cierraLlamada);
        QVERIFY(RutaFrase::decidir(situacion("crea una web", "inmersivo,continuar")).cierraContinuar);
        QVERIFY(!RutaFrase::decidir(situacion("para", "inmersivo,continuar")).cierraContinuar);
        QVERIFY(RutaFrase::decidir(situacion("haz un resumen del documento", "inmersivo,grupo")).instruccionEnGrupo);
    }
};

QTEST_GUILESS_MAIN(TestRutaFrase)
#include "TestRutaFrase.moc"
