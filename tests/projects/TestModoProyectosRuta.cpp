#include "SalaConAgente.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
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

#include <memory>

using namespace std::chrono_literals;

// Utterances routed through the room with the real assistant, people and
// store, and the fake agent behind real pipes.
class TestModoProyectosRuta : public QObject {
    Q_OBJECT

    SalaConAgente s;
    RelojFalso& reloj = s.reloj;
    AgenteFalso* agente = nullptr;
    Ajustes* ajustes = nullptr;
    Perfiles* perfiles = nullptr;
    Almacen* almacen = nullptr;
    AsistenteVoz* asistente = nullptr;
    ModoProyectos* modo = nullptr;

    QString registro() const { return s.registro(); }

    // The instructions the agent has been handed, in order.
    QStringList instrucciones() const
    {
        QStringList t;
        for (const QString& e : s.alAgente())
            if (e.contains(QStringLiteral("Instrucción del usuario: ")))
                t << e;
        return t;
    }

    void decir(const QString& texto, const QDateTime& inicio = {}) { modo->procesar(texto, {}, inicio); }

    // A Codex turn that works until it is stopped.
    void agenteOcupado()
    {
        agente->escenario(R"({"turnos": [[{"linea": "trabajando"}, {"esperar": 3600000}]]})");
        asistente->setAgente(AgenteCLI::codex);
        perfiles->setActivo(perfiles->activar(QStringLiteral("Ana")).perfil);
        QVERIFY(asistente->enviar(QStringLiteral("Crea la web")));
        QTRY_COMPARE(instrucciones().size(), 1);
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
    }

    void cleanup() { s.cerrar(); }

    // Each spoken command with nothing running: its reply (or caption) and
    // its effect on the settings and the room.
    void comandos_data()
    {
        QTest::addColumn<QString>("frase");
        QTest::addColumn<bool>("inmersivo");
        QTest::addColumn<QString>("frase2"); // said right after, or empty
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<QString>("ajuste"); // "clave=valor" written, or empty
        QTest::addColumn<bool>("inmersivoDespues");
        QTest::newRow("otra persona") << "Otra persona" << true << "" << "Claro. ¿Con quién trabajo ahora?" << ""
                                      << true;
        QTest::newRow("soy") << "Soy Bruno" << true << "" << "Mucho gusto, Bruno. ¿Qué construimos hoy?" << ""
                             << true;
        QTest::newRow("espera") << "Espera" << true << "" << "Te espero." << "" << true;
        QTest::newRow("para") << "Para" << true << "" << "Listo." << "" << true;
        QTest::newRow("silencio") << "Silencio" << true << "" << "" << "" << true;
        QTest::newRow("repite") << "Repite" << true << "" << "Todavía no te he dicho nada." << "" << true;
        QTest::newRow("segundo plano") << "Segundo plano" << true << "" << "Ahora no hay nada trabajando." << ""
                                       << true;
        QTest::newRow("más rápido") << "Más rápido" << true << "" << "Listo, hablo más rápido."
                                    << "velocidadVoz=1.25" << true;
        QTest::newRow("dos veces más lento") << "Más lento" << true << "Más despacio" << "Listo, hablo más despacio."
                                             << "velocidadVoz=0.95" << true;
        QTest::newRow("nuevo proyecto en ventana")
            << "Nuevo proyecto" << false << ""
            << "Listo, proyecto nuevo. ¿Trabajamos de forma individual o en grupo?" << "" << false;
        QTest::newRow("minuta sin nada") << "Minuta" << true << "" << "Todavía no hay nada que resumir." << ""
                                         << true;
        QTest::newRow("modo grupo") << "Modo grupo" << true << ""
                                    << "Modo grupo: desde ahora respondo solo cuando me digan Zuvi."
                                    << "modoGrupo=true" << true;
        QTest::newRow("modo individual") << "Modo individual" << true << "" << "Listo, vuelvo a escucharte todo."
                                         << "modoGrupo=false" << true;
        QTest::newRow("pantalla completa") << "Pantalla completa" << false << "" << "" << "" << true;
        QTest::newRow("ventana") << "Pantalla normal" << true << "" << "" << "" << false;
        QTest::newRow("terminamos") << "Terminamos por hoy" << true << "" << "" << "" << false;
    }

    void comandos()
    {
        QFETCH(QString, frase);
        QFETCH(bool, inmersivo);
        QFETCH(QString, frase2);
        QFETCH(QString, dicho);
        QFETCH(QString, ajuste);
        modo->setInmersivo(inmersivo);
        if (frase == QLatin1String("Pantalla completa")) {
            decir(frase);
            AvanceReloj::hastaQue(reloj, [this] { return !modo->ultimaFrase().isEmpty(); });
            QVERIFY(modo->ultimaFrase().endsWith(QStringLiteral("¿Hoy trabajamos de forma individual o en grupo?")));
        } else {
            decir(frase);
            if (!frase2.isEmpty()) {
                reloj.avanzar(2s);
                decir(frase2);
            }
            QCOMPARE(modo->ultimaFrase(), dicho);
        }
        if (!ajuste.isEmpty()) {
            const QStringList kv = ajuste.split(QLatin1Char('='));
            QCOMPARE(ajustes->valor(kv[0]).toString(), kv[1]);
        }
        QTEST(modo->inmersivo(), "inmersivoDespues");
        QCOMPARE(instrucciones().size(), 0);
    }

    // "Sigue" after an interrupted turn asks the agent to go on.
    void sigueTrasInterrumpir()
    {
        agenteOcupado();
        decir(QStringLiteral("Para"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Listo, me detuve."));
        QTRY_VERIFY(!asistente->ejecutando());
        QVERIFY(asistente->turno().interrumpido());
        agente->escenario(QJsonObject());
        decir(QStringLiteral("Sigue"));
        QTRY_COMPARE(instrucciones().size(), 2);
        QVERIFY(instrucciones().last().endsWith(
            QStringLiteral("Continúa con lo que estabas haciendo, desde donde quedaste.")));
    }

    // While the room waits for the modality, for introductions or for a
    // name, the end, stop and silence commands still work and nobody is
    // stored under a command or a profession; leaving the full-screen room
    // drops the question, so windowed listening hears instructions again.
    void sinQuedarAtrapado_data()
    {
        QTest::addColumn<QString>("pregunta");
        QTest::addColumn<QString>("frase");
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<bool>("inmersivo");
        QTest::newRow("fin en la modalidad") << "modalidad" << "Terminamos por hoy" << "Hasta pronto." << false;
        QTest::newRow("para en la modalidad") << "modalidad" << "Para" << "Listo." << true;
        QTest::newRow("silencio en presentaciones") << "presentaciones" << "Silencio" << "" << true;
        QTest::newRow("chao llamado en presentaciones") << "presentaciones" << "Zuvi, chao" << "Hasta pronto." << false;
        QTest::newRow("fin si espera nombre") << "nombre" << "Terminamos por hoy" << "Hasta pronto." << false;
        QTest::newRow("para si espera nombre") << "nombre" << "Para" << "Listo." << true;
        QTest::newRow("cancela si espera nombre") << "nombre" << "Cancela" << "Listo." << true;
        QTest::newRow("silencio si espera nombre") << "nombre" << "Silencio" << "" << true;
        QTest::newRow("espera si espera nombre")
            << "nombre" << "Espera" << "Perdón, no te entendí. ¿Me dices tu nombre?" << true;
        QTest::newRow("profesión si espera nombre")
            << "nombre" << "Soy programador" << "Perdón, no te entendí. ¿Me dices tu nombre?" << true;
    }

    void sinQuedarAtrapado()
    {
        QFETCH(QString, pregunta);
        QFETCH(QString, frase);
        QFETCH(QString, dicho);
        QVERIFY(s.abrirSala());
        const QString bienvenida = modo->ultimaFrase();
        if (pregunta == QLatin1String("presentaciones"))
            decir(QStringLiteral("Somos un grupo"));
        if (pregunta == QLatin1String("nombre")) {
            decir(QStringLiteral("Yo solo"));
            QCOMPARE(modo->ultimaFrase(), QStringLiteral("Perfecto. ¿Con quién trabajo hoy?"));
        }
        const QString antes = modo->ultimaFrase();
        decir(frase);
        QCOMPARE(modo->ultimaFrase(), dicho.isEmpty() ? antes : dicho);
        QVERIFY(perfiles->todos().isEmpty());
        s.motor->completar();
        AvanceReloj::entregar();
        QTEST(modo->inmersivo(), "inmersivo");
        QVERIFY(bienvenida.endsWith(QStringLiteral("¿Hoy trabajamos de forma individual o en grupo?")));
        if (!modo->inmersivo()) {
            perfiles->setActivo(perfiles->activar(QStringLiteral("Ana")).perfil);
            decir(QStringLiteral("Crea una página de inicio"));
            QTRY_COMPARE(instrucciones().size(), 1);
            QVERIFY(instrucciones().first().endsWith(QStringLiteral("Crea una página de inicio")));
        }
    }

    // In a meeting, a request by an unidentified speaker reaches the agent
    // with the recent notes and "Alguien dice: ", and the conversation keeps
    // what was said, by "Participante".
    void reunionGuardaLoDicho_data()
    {
        QTest::addColumn<QString>("nota"); // a note said before, or empty
        QTest::addColumn<QString>("alAgente");
        QTest::newRow("sin notas") << "" << "Alguien dice: Zuvi, crea una página de inicio";
        QTest::newRow("con notas") << "Me gusta más el azul"
                                   << "Lo que se conversó recién en la reunión (puede tener errores de dictado):\n"
                                      "[15:30] Alguien: Me gusta más el azul\n\n"
                                      "Alguien dice: Zuvi, crea una página de inicio";
    }

    void reunionGuardaLoDicho()
    {
        QFETCH(QString, nota);
        QFETCH(QString, alAgente);
        const QUuid id = almacen->nueva();
        almacen->cambiar(id, true, [](Conversacion& c) { c.esReunion = true; });
        ajustes->escribir(QStringLiteral("modoGrupo"), true);
        modo->setInmersivo(true);
        if (!nota.isEmpty())
            decir(nota);
        decir(QStringLiteral("Zuvi, crea una página de inicio"));
        QTRY_COMPARE(instrucciones().size(), 1);
        QVERIFY(instrucciones().first().endsWith(QStringLiteral("Instrucción del usuario: ") + alAgente));
        const auto reunion = almacen->conversacion(id);
        QVERIFY(reunion);
        QList<Mensaje> pedidos;
        for (const Mensaje& m : reunion->mensajes)
            if (m.rol == Mensaje::Rol::usuario)
                pedidos << m;
        QCOMPARE(pedidos.size(), 1);
        QCOMPARE(pedidos.first().texto, QStringLiteral("Zuvi, crea una página de inicio"));
        QCOMPARE(pedidos.first().autor, std::optional<QString>(QStringLiteral("Participante")));
    }

    // A name, a change of speaker or the continue answer is taken while
    // the agent works, not queued as an instruction.
    void nombreConAgenteOcupado()
    {
        agenteOcupado();
        modo->setInmersivo(true);
        decir(QStringLiteral("Zuvi, otra persona"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Claro. ¿Con quién trabajo ahora?"));
        decir(QStringLiteral("Bruno"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Hola, Bruno. Estamos con Crea la web."));
        QCOMPARE(perfiles->activo()->nombre, QStringLiteral("Bruno"));
        decir(QStringLiteral("Ahora soy Carla"));
        QCOMPARE(perfiles->activo()->nombre, QStringLiteral("Carla"));
        decir(QStringLiteral("Y cambia también el color del menú"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Anotado: lo hago apenas termine con lo anterior."));
        QTRY_COMPARE(instrucciones().size(), 1);
        QCOMPARE(modo->pendientes(), QStringList{"Y cambia también el color del menú"});
    }

    // The request that begins inside the 8 s after "¿Sí?" is addressed
    // however long it takes to say; one that begins later is not.
    void ventanaDeLlamada()
    {
        ajustes->escribir(QStringLiteral("modoGrupo"), true);
        perfiles->setActivo(perfiles->activar(QStringLiteral("Ana")).perfil);
        decir(QStringLiteral("Zuvi"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("¿Sí?"));
        const QDateTime empezo = reloj.ahora().addSecs(2);
        reloj.avanzar(15s);
        decir(QStringLiteral("el color del botón debería ser verde oscuro"), empezo);
        QTRY_COMPARE(instrucciones().size(), 1);
        decir(QStringLiteral("Zuvi"));
        reloj.avanzar(9s);
        decir(QStringLiteral("y el fondo también más claro"), reloj.ahora());
        QVERIFY(registro().contains(QStringLiteral("Modo grupo: frase sin «Zuvi», ignorada")));
        QTest::qWait(100);
        QCOMPARE(instrucciones().size(), 1);
    }

    // "Seguimos" reopens the offered project, deleting the empty one; when
    // the offered one is gone meanwhile the room starts anew instead.
    void seguirDondeQuedamos_data()
    {
        QTest::addColumn<bool>("borrada");
        QTest::newRow("sigue ahí") << false;
        QTest::newRow("borrada entretanto") << true;
    }

    void seguirDondeQuedamos()
    {
        QFETCH(bool, borrada);
        perfiles->activar(QStringLiteral("Ana"));
        const QUuid anterior = almacen->nueva();
        almacen->cambiar(anterior, true, [](Conversacion& c) {
            c.titulo = QStringLiteral("Tienda web");
            c.asistentes = QStringList{"Ana"};
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"));
        });
        const QUuid vacia = almacen->nueva();
        QVERIFY(vacia != anterior);
        perfiles->setActivo(std::nullopt);
        modo->setInmersivo(true);
        decir(QStringLiteral("Soy Ana"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("¡Hola de nuevo, Ana! La última vez trabajamos en: Tienda web. "
                                                     "¿Seguimos con eso o empezamos algo nuevo?"));
        if (borrada)
            almacen->eliminar(anterior);
        decir(QStringLiteral("Sí, sigamos"));
        if (borrada) {
            QCOMPARE(modo->ultimaFrase(),
                     QStringLiteral("Perfecto, empezamos de cero. Cuéntame qué tienes en mente."));
            QCOMPARE(almacen->seleccion(), vacia);
        } else {
            QCOMPARE(modo->ultimaFrase(), QStringLiteral("Genial, seguimos donde quedamos. ¿Qué hacemos ahora?"));
            QCOMPARE(almacen->seleccion(), anterior);
            QVERIFY(!almacen->conversacion(vacia));
        }
    }

    // The stop commands: the turn is interrupted and nothing noted for
    // after it is sent.
    void pararSueltaLoAnotado_data()
    {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QString>("respuesta");
        QTest::newRow("para") << "Para" << "Listo, me detuve.";
        QTest::newRow("para todo llamado") << "Zuvi, para todo" << "Listo, me detuve.";
    }

    void pararSueltaLoAnotado()
    {
        QFETCH(QString, orden);
        agenteOcupado();
        modo->setInmersivo(true);
        decir(QStringLiteral("Borra todos los archivos viejos"));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Anotado: lo hago apenas termine con lo anterior."));
        decir(orden);
        QTEST(modo->ultimaFrase(), "respuesta");
        QTRY_VERIFY(!asistente->ejecutando());
        QVERIFY(modo->pendientes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestModoProyectosRuta)
#include "TestModoProyectosRuta.moc"
