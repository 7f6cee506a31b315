#include "SalaConAgente.h"
#include "assistant/AsistenteVoz.h"
#include "audio/VozNeural.h"
#include "comun/AgenteFalso.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/DetectorIA.h"
#include "core/EstadoIA.h"
#include "core/HerramientaIA.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QFileInfo>
#include <QTest>

#include <chrono>
#include <memory>

namespace {

const char* const largo =
    R"({"turnos": [[{"sistema": "init"}, {"bloque": "text"}, {"delta": "Empiezo"}, {"esperar": 3600000}]]})";

}

// Whole visits to the room, each a script of utterances and time steps,
// with the real assistant, store and people and the fake agent: what the
// room said in order, what reached the agent, the log, the attendees and
// the room's final state.
class TestModoProyectosEscenas : public QObject {
    Q_OBJECT

    SalaConAgente s;
    RelojFalso& reloj = s.reloj;
    AgenteFalso* agente = nullptr;
    Ajustes* ajustes = nullptr;
    Perfiles* perfiles = nullptr;
    Almacen* almacen = nullptr;
    AsistenteVoz* asistente = nullptr;
    ModoProyectos* modo = nullptr;
    QStringList dichos;

    QString registro() const { return s.registro(); }

    QStringList alAgente() const { return s.alAgente(); }

    // Each expected piece is found, in order, in what the agent got.
    bool enOrden(const QStringList& esperado) const
    {
        const QStringList t = alAgente();
        qsizetype i = 0;
        for (const QString& e : esperado) {
            while (i < t.size() && !t[i].contains(e))
                ++i;
            if (i++ >= t.size())
                return false;
        }
        return true;
    }

    void conocida(const QString& nombre, const QString& titulo)
    {
        const Perfil p = perfiles->activar(nombre).perfil;
        perfiles->setActivo(std::nullopt);
        perfiles->setPresentes({});
        const QUuid id = almacen->nueva();
        almacen->cambiar(id, true, [&](Conversacion& c) {
            c.titulo = titulo;
            c.perfilID = p.id;
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"));
        });
        almacen->setSeleccion(std::nullopt);
    }

    void paso(const QString& p)
    {
        if (p.startsWith(QLatin1String("> "))) {
            modo->procesar(p.mid(2), {});
            // The room's reply is said before the next words.
            AvanceReloj::avanzar(reloj, std::chrono::milliseconds(300));
        } else if (p.startsWith(QLatin1Char('+'))) {
            AvanceReloj::avanzar(reloj, std::chrono::milliseconds(p.mid(1).toInt()));
        } else if (p == QLatin1String("sin escucha")) {
            ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        } else if (p == QLatin1String("abrir")) {
            QVERIFY(s.abrirSala());
        } else if (p == QLatin1String("ocupado")) {
            QTRY_VERIFY(asistente->ejecutando());
        } else if (p == QLatin1String("escribiendo")) {
            QTRY_VERIFY(almacen->actual() && almacen->actual()->mensajes.value(1).texto == QLatin1String("Empiezo"));
        } else if (p == QLatin1String("libre")) {
            QTRY_VERIFY(!asistente->ejecutando());
        } else if (p.startsWith(QLatin1String("conocida "))) {
            const QStringList a = p.mid(9).split(QLatin1Char('|'));
            conocida(a[0], a[1]);
        } else {
            QFAIL(qPrintable(QStringLiteral("paso desconocido: ") + p));
        }
    }

private slots:
    void init()
    {
        s.abrir();
        agente = s.agente.get();
        ajustes = s.ajustes.get();
        perfiles = s.perfiles.get();
        almacen = s.almacen.get();
        asistente = s.asistente.get();
        modo = s.modo.get();
        s.motor->porLetra = std::chrono::milliseconds(1);
        connect(modo, &ModoProyectos::ultimaFraseCambiada, this, [this] { dichos << modo->ultimaFrase(); });
        dichos.clear();
    }

    void cleanup() { s.cerrar(); }

    void escena_data()
    {
        QTest::addColumn<QString>("programa"); // "claude" or "codex"
        QTest::addColumn<QString>("escenario");
        QTest::addColumn<QStringList>("pasos");
        QTest::addColumn<QStringList>("esperados");
        QTest::addColumn<QStringList>("agente");
        QTest::addColumn<QStringList>("registro");
        QTest::addColumn<QStringList>("asistentes");
        QTest::addColumn<bool>("inmersivo");
        const QString bienvenida = QStringLiteral(
            "Bienvenidos a nuestra zuvi inmersiva de inteligencia artificial. ¿Hoy trabajamos de forma individual o "
            "en grupo?");

        QTest::newRow("primera visita individual")
            << "codex" << "" << QStringList{"abrir", "> Yo solo", "> Me llamo Ana", "> Crea una página web"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?"}
            << QStringList{"Crea una página web"} << QStringList{"Frase reconocida (3 palabras, zuvi inmersiva)"}
            << QStringList{"Ana"} << true;

        QTest::newRow("vuelve y sigue")
            << "codex" << ""
            << QStringList{"conocida Ana|Tienda web", "abrir", "> Yo sola", "> Soy Ana", "> Sí, sigamos",
                           "> Agrega el carrito"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?",
                           "¡Hola de nuevo, Ana! La última vez trabajamos en: Tienda web. ¿Seguimos con eso o "
                           "empezamos algo nuevo?",
                           "Genial, seguimos donde quedamos. ¿Qué hacemos ahora?"}
            << QStringList{"Agrega el carrito"} << QStringList{"Proyecto: «Tienda web» (1 participantes)"}
            << QStringList{} << true;

        QTest::newRow("reunión con minuta")
            << "codex" << ""
            << QStringList{"abrir", "> Somos un grupo", "> Me llamo Ana y diseño", "> Me llamo Luis y programo",
                           "> Listo", "> Me gusta más el azul", "> Zuvi, haz la minuta"}
            << QStringList{bienvenida,
                           "Perfecto, trabajamos en grupo. Preséntense de a uno: digan su nombre y a qué se dedican. "
                           "Cuando estén todos, digan «listo».",
                           "Hola, Ana.", "Hola, Luis.",
                           "Gracias. Hoy estamos Ana y Luis. Voy tomando nota de la reunión. Cuando me necesiten, "
                           "díganme «Zuvi»; al final, pídanme la minuta."}
            << QStringList{"«Minuta 2026-12-10.docx»"}
            << QStringList{"Reunión: presentaciones", "Reunión: se presentó Ana (huella 0 ms)",
                           "Modo grupo: frase sin «Zuvi», al acta"}
            << QStringList{"Ana", "Luis"} << true;

        QTest::newRow("eco descartado")
            << "codex" << "" << QStringList{"abrir", "> Yo solo", "> Soy Ana", "+500", "> qué construimos hoy"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?"}
            << QStringList{} << QStringList{"Eco corto descartado"} << QStringList{"Ana"} << true;

        QTest::newRow("agente ocupado anota")
            << "codex" << largo
            << QStringList{"abrir", "> Yo solo", "> Soy Ana", "> Crea una página web", "ocupado",
                           "> Agrega un formulario de contacto", "> Zuvi, segundo plano"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?",
                           "Anotado: lo hago apenas termine con lo anterior.", "Ahora no hay nada trabajando."}
            << QStringList{"Crea una página web"} << QStringList{} << QStringList{"Ana"} << true;

        QTest::newRow("claude pasa a segundo plano")
            << "claude" << largo
            << QStringList{"abrir", "> Yo solo", "> Soy Ana", "> Crea una página web", "ocupado",
                           "escribiendo", "> Zuvi, segundo plano"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?",
                           "Listo, sigue en segundo plano. ¿Qué más necesitas?"}
            << QStringList{"Crea una página web"} << QStringList{} << QStringList{"Ana"} << true;

        QTest::newRow("para todo y terminamos")
            << "claude" << largo
            << QStringList{"abrir", "> Yo solo", "> Soy Ana", "> Crea una página web", "ocupado",
                           "escribiendo", "> Zuvi, para todo", "libre", "> Terminamos por hoy", "+1000"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?",
                           "Listo, me detuve.", "Hasta pronto, Ana. Aquí estaré cuando me necesites."}
            << QStringList{"Crea una página web", "\"interrupt\""} << QStringList{"Comando: para todo"}
            << QStringList{"Ana"} << false;

        QTest::newRow("terminamos sin escucha siempre")
            << "codex" << ""
            << QStringList{"sin escucha", "abrir", "> Yo solo", "> Soy Ana", "> Zuvi, para todo", "+1000",
                           "> Terminamos por hoy", "+1000"}
            << QStringList{bienvenida, "Perfecto. ¿Con quién trabajo hoy?", "Mucho gusto, Ana. ¿Qué construimos hoy?",
                           "Listo, me detuve.", "Hasta pronto, Ana. Aquí estaré cuando me necesites."}
            << QStringList{} << QStringList{"Comando: para todo", "Modo proyectos: detenido"} << QStringList{"Ana"}
            << false;

        QTest::newRow("la frase de apertura abre la sala")
            << "codex" << "" << QStringList{"> Hola Zuvi, cómo estás"} << QStringList{bienvenida} << QStringList{}
            << QStringList{"Zuvi inmersiva: abrir"} << QStringList{} << true;
    }

    void escena()
    {
        QFETCH(QString, programa);
        QFETCH(QString, escenario);
        QFETCH(QStringList, pasos);
        QFETCH(QStringList, agente);
        QFETCH(QStringList, asistentes);
        if (!escenario.isEmpty())
            this->agente->escenario(escenario.toUtf8().constData());
        asistente->setAgente(programa == QLatin1String("claude") ? AgenteCLI::claude : AgenteCLI::codex);
        for (const QString& p : pasos) {
            paso(p);
            if (QTest::currentTestFailed())
                return;
        }
        QTEST(dichos, "esperados");
        QTRY_VERIFY2(enOrden(agente), qPrintable(alAgente().join(QStringLiteral("\n---\n"))));
        const QString log = registro();
        QFETCH(QStringList, registro);
        for (const QString& linea : registro)
            QVERIFY2(log.contains(linea), qPrintable(linea));
        if (!asistentes.isEmpty())
            QCOMPARE(almacen->actual()->asistentes.value_or(QStringList()), asistentes);
        QTEST(modo->inmersivo(), "inmersivo");
    }
};

QTEST_GUILESS_MAIN(TestModoProyectosEscenas)
#include "TestModoProyectosEscenas.moc"
