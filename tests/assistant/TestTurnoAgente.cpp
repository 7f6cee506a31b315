#include "AnfitrionPrueba.h"

#include "assistant/TextosTurno.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "plataforma/Ajustes.h"
#include "comun/AgenteFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

struct Fin {
    QString texto;
    bool normal;
};

}

class TestTurnoAgente : public QObject {
    Q_OBJECT

    std::unique_ptr<HogarTemporal> hogar;
    std::unique_ptr<AgenteFalso> agente;
    std::unique_ptr<RelojFalso> reloj;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<AnfitrionPrueba> anfitrion;
    std::unique_ptr<TurnoAgente> turno;

    QStringList actividades, fragmentos;
    int finesBloque = 0;
    QList<Fin> fines;
    QList<QPair<QString, QString>> finesFondo;

    QList<Mensaje> mensajes(std::optional<QUuid> id = {}) const
    {
        const auto c = id ? almacen->conversacion(*id) : almacen->actual();
        return c ? c->mensajes : QList<Mensaje>{};
    }
    Mensaje respuesta(std::optional<QUuid> id = {}) const { return mensajes(id).value(1); }

    static QStringList textos(const QList<Mensaje>& lista)
    {
        QStringList t;
        for (const Mensaje& m : lista)
            t << valorCrudo(m.rol) + ':' + m.texto;
        return t;
    }

    // What a fresh store reads from the file on disk.
    QStringList enDisco() const
    {
        RelojFalso otroReloj;
        Almacen leido(otroReloj, *perfiles, hogar->en(".local/share/ZuviIA"));
        return textos(leido.conversaciones().value(0).mensajes);
    }

    // The log written since the test began.
    QByteArray registroEntero() const
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString registro() const { return QString::fromUtf8(registroEntero().mid(inicioRegistro)); }
    qsizetype inicioRegistro = 0;

    void esperarFin(int n = 1) { QTRY_COMPARE_WITH_TIMEOUT(fines.size(), n, 10000); }

    // The turn has its reply and its watchdog.
    void esperarEnMarcha() { QTRY_VERIFY(turno->enCurso().has_value()); }

private slots:
    void init()
    {
        hogar = std::make_unique<HogarTemporal>();
        agente = std::make_unique<AgenteFalso>(*hogar);
        reloj = std::make_unique<RelojFalso>();
        ajustes = std::make_unique<Ajustes>(hogar->en(".config/cl.norp.ZuviIA.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, *reloj, hogar->en(".local/share/ZuviIA"));
        almacen = std::make_unique<Almacen>(*reloj, *perfiles, hogar->en(".local/share/ZuviIA"));
        anfitrion = std::make_unique<AnfitrionPrueba>(*ajustes, *reloj);
        anfitrion->carpetaElegida = hogar->ruta();
        anfitrion->rutas = {{AgenteCLI::claude, agente->ruta("claude")}, {AgenteCLI::codex, agente->ruta("codex")}};
        turno = std::make_unique<TurnoAgente>(*anfitrion, *almacen, *ajustes, *reloj);
        inicioRegistro = registroEntero().size();
        anfitrion->unir(*turno);
        actividades.clear();
        fragmentos.clear();
        finesBloque = 0;
        fines.clear();
        finesFondo.clear();
        turno->alActividad = [this](const QString& a) { actividades << a; };
        turno->alFragmento = [this](const QString& f) { fragmentos << f; };
        turno->alFinBloque = [this] { ++finesBloque; };
        turno->alTerminar = [this](const QString& t, bool normal) { fines << Fin{t, normal}; };
        turno->alTerminarFondo = [this](const QString& t, const QString& f) { finesFondo << qMakePair(t, f); };
    }

    void cleanup()
    {
        // Every agent process ends before its home goes away.
        terminarProcesos(*turno, anfitrion->sesionClaude());
        turno.reset();
        anfitrion.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        reloj.reset();
        agente.reset();
        hogar.reset();
    }

    void rehusa()
    {
        anfitrion->pendiente = QStringLiteral("   \n\t");
        QVERIFY(!turno->enviar());
        QVERIFY(!turno->enviar(QStringLiteral(" \n ")));
        QCOMPARE(anfitrion->dictadosDetenidos, 0);
        QVERIFY(!turno->ejecutando());
        QVERIFY(almacen->conversaciones().isEmpty());

        agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
        anfitrion->pendiente = QStringLiteral("  Haz la web \n");
        QVERIFY(turno->enviar());
        QVERIFY(turno->ejecutando());
        QCOMPARE(anfitrion->pendiente, QString());
        QCOMPARE(anfitrion->dictadosDetenidos, 1);
        // A second instruction before the first task even ran is refused.
        anfitrion->pendiente = QStringLiteral("borrador");
        QVERIFY(!turno->enviar(QStringLiteral("Otra cosa")));
        QVERIFY(!turno->enviar());
        QCOMPARE(anfitrion->pendiente, QStringLiteral("borrador"));
        esperarEnMarcha();
        QCOMPARE(mensajes().first().texto, QStringLiteral("Haz la web"));
        QCOMPARE(mensajes().size(), 2);
    }

    void titulo_data()
    {
        QTest::addColumn<QString>("previo"); // "", "actas", "mensajes", "reunión"
        QTest::addColumn<bool>("cambia");
        QTest::newRow("conversación nueva") << "" << true;
        QTest::newRow("solo notas de acta") << "actas" << true;
        QTest::newRow("con mensajes") << "mensajes" << false;
        QTest::newRow("reunión") << "reunión" << false;
    }

    void titulo()
    {
        QFETCH(QString, previo);
        QFETCH(bool, cambia);
        if (!previo.isEmpty()) {
            const QUuid id = almacen->nueva();
            almacen->cambiar(id, true, [&](Conversacion& c) {
                c.titulo = QStringLiteral("Antes");
                const auto rol = previo == "mensajes" ? Mensaje::Rol::usuario : Mensaje::Rol::acta;
                c.mensajes << Mensaje::nuevo(rol, QStringLiteral("nota"));
                if (previo == "reunión")
                    c.esReunion = true;
            });
        }
        const QString dicho = QStringLiteral("Quiero una página 🌐 para la panadería de mi barrio con fotos y precios");
        QVERIFY(turno->enviar(QStringLiteral("[contexto] ") + dicho, dicho, QStringLiteral("Ana")));
        esperarFin();
        const Conversacion c = *almacen->actual();
        QCOMPARE(c.titulo, cambia ? Texto::primeros(dicho, 48) : QStringLiteral("Antes"));
        const Mensaje usuario = c.mensajes.at(c.mensajes.size() - 2);
        QCOMPARE(usuario.texto, dicho);
        QCOMPARE(usuario.autor, std::optional<QString>(QStringLiteral("Ana")));
        QCOMPARE(usuario.rol, Mensaje::Rol::usuario);
        // The agent got the instruction, not the shown text.
        QVERIFY(agente->entradas(0).value(0).contains(QStringLiteral("[contexto]")));
    }

    // One Claude turn from its stream lines to the reply, the callbacks and
    // the store file.
    void turnoClaude_data()
    {
        QTest::addColumn<QByteArray>("turnoFalso");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("normal");
        QTest::addColumn<QStringList>("fragmentos");
        QTest::addColumn<QStringList>("actividades");

        QTest::newRow("deltas, herramientas y dos bloques")
            << QByteArray(R"([{"sistema":"init"},{"bloque":"text"},{"delta":"Hola"},{"delta":" mundo"},{"finBloque":true},
                {"herramienta":"Read","entrada":{"file_path":"/p/informe.md"}},
                {"herramienta":"Read","entrada":{"file_path":"/p/informe.md"}},
                {"bloque":"text"},{"delta":"Listo"},{"finBloque":true},{"resultado":""}])")
            << "Hola mundo\n\nListo" << true << QStringList{"Hola", " mundo", "\n\n", "Listo"}
            << QStringList{"Pensando…", "Leyendo informe.md…"};
        QTest::newRow("el resultado reemplaza lo escrito")
            << QByteArray(R"([{"bloque":"text"},{"delta":"Borrador"},{"finBloque":true},{"resultado":"Final"}])")
            << "Final" << true << QStringList{"Borrador"} << QStringList{"Pensando…"};
        QTest::newRow("mensajes enteros sin deltas")
            << QByteArray(R"([{"pensar":"..."},{"texto":"Uno"},{"herramienta":"Glob"},{"texto":"Dos"},{"resultado":""}])")
            << "Uno\n\nDos" << true << QStringList{} << QStringList{"Pensando…", "Buscando en el proyecto…"};
        QTest::newRow("resultado con error")
            << QByteArray(R"([{"bloque":"text"},{"delta":"Sin permiso"},{"finBloque":true},{"resultado":"","is_error":true}])") << "Sin permiso" << false
            << QStringList{"Sin permiso"} << QStringList{"Pensando…"};
        QTest::newRow("sin texto")
            << QByteArray(R"([{"resultado":""}])") << "No hubo respuesta (código 0)." << false << QStringList{}
            << QStringList{"Pensando…"};
        QTest::newRow("sin texto con errores")
            << QByteArray(R"([{"error":"API caída\n"},{"esperar":150,"resultado":""}])") << "No hubo respuesta:\nAPI caída"
            << false << QStringList{} << QStringList{"Pensando…"};
        QTest::newRow("sale sin resultado")
            << QByteArray(R"([{"salir":3}])") << "No hubo respuesta (código 3)." << false << QStringList{}
            << QStringList{"Pensando…"};
        // Agent refusals reach the user as a Spanish sentence.
        QTest::newRow("sin sesión iniciada")
            << QByteArray(R"([{"texto":"Not logged in · Please run /login"},
                {"resultado":"Not logged in · Please run /login","is_error":true}])")
            << "Claude no tiene una sesión iniciada. Inicia sesión desde Ajustes → Configuración." << false
            << QStringList{} << QStringList{"Pensando…"};
        QTest::newRow("rechazo de root en errores")
            << QByteArray(R"([{"error":"--dangerously-skip-permissions cannot be used with root/sudo privileges for security reasons\n"},
                {"esperar":150,"salir":1}])")
            << "No hubo respuesta:\n" + TextosTurno::raizSinControlTotal() << false << QStringList{}
            << QStringList{"Pensando…"};
        QTest::newRow("error desconocido tras la entrada")
            << QByteArray(R"([{"error":"Something odd\n"},{"esperar":150,"salir":1}])")
            << "No hubo respuesta:\nSomething odd" << false << QStringList{} << QStringList{"Pensando…"};
        QTest::newRow("resultado sin salto final")
            << QByteArray(R"([{"resultado":"Ok","sinSalto":true},{"salir":0}])") << "Ok" << true << QStringList{}
            << QStringList{"Pensando…"};
    }

    void turnoClaude()
    {
        QFETCH(QByteArray, turnoFalso);
        QFETCH(QString, texto);
        QFETCH(bool, normal);
        agente->turnos({AgenteFalso::pasos(turnoFalso.constData())});
        QVERIFY(turno->enviar(QStringLiteral("Hazlo")));
        esperarFin();
        QCOMPARE(fines.first().texto, texto);
        QCOMPARE(fines.first().normal, normal);
        QTEST(fragmentos, "fragmentos");
        QTEST(actividades, "actividades");
        QCOMPARE(finesBloque, fragmentos.isEmpty() ? 0 : fragmentos.count("\n\n") + 1);
        const Mensaje r = respuesta();
        QCOMPARE(r.texto, texto);
        QCOMPARE(r.rol, normal ? Mensaje::Rol::agente : Mensaje::Rol::error);
        QCOMPARE(r.agente, std::optional(AgenteCLI::claude));
        QCOMPARE(enDisco(), textos(mensajes()));
        QCOMPARE(anfitrion->sonidos, normal ? 1 : 0);
        QCOMPARE(anfitrion->hablado, normal ? QStringList{texto} : QStringList{});
        QCOMPARE(turno->ultimaRespuesta(), normal ? texto : QString());
        QVERIFY(!turno->ejecutando());
        QCOMPARE(turno->actividad(), std::nullopt);
    }

    void vozPropiaSilenciada()
    {
        anfitrion->silenciada = true;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(fines.first().texto, QStringLiteral("Hecho."));
        QVERIFY(fines.first().normal);
        QCOMPARE(turno->ultimaRespuesta(), QStringLiteral("Hecho."));
        QCOMPARE(anfitrion->sonidos, 0);
        QVERIFY(anfitrion->hablado.isEmpty());
    }

    void noInstalado_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<QString>("texto");
        QTest::newRow("Claude") << AgenteCLI::claude << TextosTurno::noInstalado(AgenteCLI::claude);
        QTest::newRow("Codex") << AgenteCLI::codex << TextosTurno::noInstalado(AgenteCLI::codex);
    }

    void noInstalado()
    {
        QFETCH(AgenteCLI, elegido);
        anfitrion->agenteElegido = elegido;
        anfitrion->rutas.clear();
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        QTRY_COMPARE(fines.size(), 1);
        QCOMPARE(fines.first().texto, QString());
        QVERIFY(!fines.first().normal);
        QVERIFY(!turno->ejecutando());
        const auto m = mensajes();
        QCOMPARE(m.size(), 2);
        QCOMPARE(m.at(1).rol, Mensaje::Rol::error);
        QTEST(m.at(1).texto, "texto");
        QCOMPARE(m.at(1).agente, std::nullopt);
        QCOMPARE(agente->procesos(), 0);
        QCOMPARE(enDisco(), textos(m));
    }

    void codexDeRespaldo()
    {
        anfitrion->agenteElegido = AgenteCLI::codex;
        anfitrion->sinCodex = true;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(anfitrion->agenteElegido, AgenteCLI::claude);
        QCOMPARE(anfitrion->sesionesAbiertas, 1);
        QCOMPARE(respuesta().agente, std::optional(AgenteCLI::claude));
        QVERIFY(registro().contains(QStringLiteral("Codex no está instalado: se usa Claude")));
    }

    void codex_data()
    {
        QTest::addColumn<QByteArray>("turnoFalso");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("normal");
        QTest::newRow("escribe y sale")
            << QByteArray(R"([{"linea":"Hola"},{"esperar":50,"linea":"mundo"},{"salir":0}])") << "Hola\nmundo\n" << true;
        QTest::newRow("sale con 2 tras una palabra de error")
            << QByteArray(R"([{"error":"prohibido"},{"esperar":100,"salir":2}])") << "No hubo respuesta:\nprohibido"
            << false;
        QTest::newRow("sale con 0 sin nada") << QByteArray(R"([{"salir":0}])") << "No hubo respuesta (código 0)."
                                             << false;
    }

    void codex()
    {
        QFETCH(QByteArray, turnoFalso);
        anfitrion->agenteElegido = AgenteCLI::codex;
        agente->turnos({AgenteFalso::pasos(turnoFalso.constData())});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin();
        QTEST(fines.first().texto, "texto");
        QTEST(fines.first().normal, "normal");
        QCOMPARE(respuesta().agente, std::optional(AgenteCLI::codex));
        QCOMPARE(agente->inicio(0).value("programa").toString(), QStringLiteral("codex"));
        QCOMPARE(anfitrion->sesionesAbiertas, 0);
        QCOMPARE(enDisco(), textos(mensajes()));
    }

    void vigilanciaCierraUnTurnoMudo()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        reloj->avanzar(175s);
        QVERIFY(turno->ejecutando());
        reloj->avanzar(20s);
        QCOMPARE(fines.size(), 1);
        QCOMPARE(fines.first().texto, QStringLiteral("No hubo respuesta:\nEl agente dejó de responder."));
        QVERIFY(!anfitrion->sesionClaude());
        QVERIFY(registro().contains(QStringLiteral("Claude: sin señales por 3 min, cierro el turno")));
        QTRY_VERIFY(registro().contains(QStringLiteral("Claude: sesión cerrada (código 15)")));
    }

    // What the agent last wrote to standard error follows the watchdog's
    // sentence.
    void vigilanciaMuestraElUltimoAviso_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<QString>("errores");
        QTest::addColumn<QString>("texto");
        const QString frase = QStringLiteral("No hubo respuesta:\nEl agente dejó de responder.\n");
        QTest::newRow("Codex sin red") << AgenteCLI::codex << "starting\nwaiting for network\n"
                                       << frase + "Codex no logra conectarse a internet. Revisa la conexión y vuelve a intentarlo.";
        QTest::newRow("Claude con aviso desconocido") << AgenteCLI::claude << "uno\nreintento 3 de 5\n\n"
                                                      << frase + "reintento 3 de 5";
    }

    void vigilanciaMuestraElUltimoAviso()
    {
        QFETCH(AgenteCLI, elegido);
        QFETCH(QString, errores);
        anfitrion->agenteElegido = elegido;
        QJsonArray pasos{QJsonObject{{"error", errores}}, QJsonObject{{"atascar", true}}};
        agente->turnos({pasos});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        // The error text arrives on its own pipe; give it time to land.
        QTRY_COMPARE_WITH_TIMEOUT(agente->procesos(), 1, 10000);
        QTest::qWait(500);
        reloj->avanzar(190s);
        QCOMPARE(fines.size(), 1);
        QTEST(fines.first().texto, "texto");
    }

    // Claude Code refuses level "total" for root: the turn says what to do
    // before the agent is started, and the level is left as it was.
    void controlTotalComoRoot_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<NivelPermiso>("nivel");
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("rechazado");
        QTest::newRow("Claude total como root") << AgenteCLI::claude << NivelPermiso::total << true << true;
        QTest::newRow("Claude editar como root") << AgenteCLI::claude << NivelPermiso::editar << true << false;
        QTest::newRow("Claude total sin root") << AgenteCLI::claude << NivelPermiso::total << false << false;
        QTest::newRow("Codex total como root") << AgenteCLI::codex << NivelPermiso::total << true << false;
    }

    void controlTotalComoRoot()
    {
        QFETCH(AgenteCLI, elegido);
        QFETCH(NivelPermiso, nivel);
        QFETCH(bool, root);
        QFETCH(bool, rechazado);
        anfitrion->agenteElegido = elegido;
        anfitrion->nivelElegido = nivel;
        anfitrion->root = root;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(fines.first().normal, !rechazado);
        QCOMPARE(agente->procesos(), rechazado ? 0 : 1);
        QCOMPARE(anfitrion->nivelElegido, nivel);
        if (rechazado) {
            QCOMPARE(fines.first().texto, "No hubo respuesta:\n" + TextosTurno::raizSinControlTotal());
            QCOMPARE(respuesta().rol, Mensaje::Rol::error);
            QVERIFY(registro().contains(QStringLiteral("Claude: nivel total rechazado porque la app corre como root")));
        }
    }

    // Codex output keeps its turn alive; a Codex turn closed by the watchdog
    // is stopped, and its end never reaches the next turn.
    void vigilanciaDeCodex()
    {
        agente->escenario(R"({"procesos":[
            {"turnos":[[{"esperar":300,"linea":"uno"},{"atascar":true}]]},
            {"turnos":[[{"esperar":600,"delta":"Claude"},{"resultado":""}]]}]})");
        anfitrion->agenteElegido = AgenteCLI::codex;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        reloj->avanzar(170s);
        QTRY_COMPARE(respuesta().texto, QStringLiteral("uno\n"));
        reloj->avanzar(20s);
        QVERIFY(turno->ejecutando());
        reloj->avanzar(180s);
        QCOMPARE(fines.size(), 1);
        QCOMPARE(fines.first().texto, QStringLiteral("uno\n"));
        const qint64 pid = agente->inicio(0).value("pid").toInteger();
        QVERIFY(pid > 0);
        QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));

        anfitrion->agenteElegido = AgenteCLI::claude;
        QVERIFY(turno->enviar(QStringLiteral("Ahora tú")));
        esperarFin(2);
        QCOMPARE(fines.last().texto, QStringLiteral("Claude"));
        QVERIFY(fines.last().normal);
        QCOMPARE(respuesta().texto, QStringLiteral("uno\n"));
    }

    // A Codex process that outlives the stop of its turn writes and exits
    // while the next turn runs: neither reaches that turn.
    void codexTardioNoEntraEnElSiguiente()
    {
        agente->escenario(R"({"procesos":[
            {"turnos":[[{"linea":"uno"},{"sordo":true},{"esperar":1500,"linea":"tarde"},{"salir":3}]]},
            {"turnos":[[{"esperar":3000,"delta":"Claude"},{"resultado":""}]]}]})");
        anfitrion->agenteElegido = AgenteCLI::codex;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        QTRY_COMPARE(respuesta().texto, QStringLiteral("uno\n"));
        reloj->avanzar(190s);
        QCOMPARE(fines.size(), 1);

        anfitrion->agenteElegido = AgenteCLI::claude;
        QVERIFY(turno->enviar(QStringLiteral("Ahora tú")));
        esperarFin(2);
        QCOMPARE(fines.last().texto, QStringLiteral("Claude"));
        QVERIFY(fines.last().normal);
        QCOMPARE(respuesta().texto, QStringLiteral("uno\n"));
        QCOMPARE(agente->eventos("fin").value(0).value("codigo").toInt(), 3);
    }

    void interrumpir_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<QByteArray>("turnoFalso");
        QTest::addColumn<QByteArray>("interrupcion"); // the agent's answer; empty: the fake's default
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("normal");
        QTest::newRow("Claude sin texto") << AgenteCLI::claude << QByteArray(R"([{"atascar":true}])") << QByteArray()
                                          << "Detenido." << false;
        QTest::newRow("Claude con texto") << AgenteCLI::claude << QByteArray(R"([{"delta":"Voy por"},{"atascar":true}])")
                                          << QByteArray() << "Voy por" << true;
        // Claude Code answers the stop with an error "result": the user's
        // own stop keeps the reply as it was.
        QTest::newRow("Claude con texto, resultado con error")
            << AgenteCLI::claude << QByteArray(R"([{"delta":"Voy por"},{"atascar":true}])")
            << QByteArray(R"([{"resultado":"Request interrupted by user","is_error":true}])") << "Voy por" << true;
        QTest::newRow("Claude sin texto, resultado con error")
            << AgenteCLI::claude << QByteArray(R"([{"atascar":true}])")
            << QByteArray(R"([{"resultado":"","is_error":true}])") << "Detenido." << false;
        QTest::newRow("Codex") << AgenteCLI::codex << QByteArray(R"([{"atascar":true}])") << QByteArray()
                               << "Detenido." << false;
    }

    void interrumpir()
    {
        QFETCH(AgenteCLI, elegido);
        QFETCH(QByteArray, turnoFalso);
        QFETCH(QByteArray, interrupcion);
        anfitrion->agenteElegido = elegido;
        QJsonObject escenario{{"turnos", QJsonArray{AgenteFalso::pasos(turnoFalso.constData())}}};
        if (!interrupcion.isEmpty())
            escenario["interrupcion"] = AgenteFalso::pasos(interrupcion.constData());
        agente->escenario(escenario);
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        if (elegido == AgenteCLI::claude)
            QTRY_COMPARE(agente->entradas(0).size(), 1);
        else
            QTRY_COMPARE(agente->procesos(), 1);
        if (turnoFalso.contains("delta"))
            QTRY_VERIFY(!respuesta().texto.isEmpty());
        turno->interrumpir();
        QVERIFY(turno->interrumpido());
        esperarFin();
        QTEST(fines.first().texto, "texto");
        QTEST(fines.first().normal, "normal");
        QFETCH(bool, normal);
        QCOMPARE(respuesta().rol, normal ? Mensaje::Rol::agente : Mensaje::Rol::error);
        // A reply with text ends with the quiet mark; an empty one is the mark.
        QCOMPARE(textos(mensajes()).mid(2), normal ? QStringList{"error:Detenido."} : QStringList{});
        QVERIFY(registro().contains(QStringLiteral("Claude: turno interrumpido por voz")));
        if (elegido == AgenteCLI::claude) {
            // The agent got the request and stopped; the session stays.
            QVERIFY(agente->entradas(0).value(1).contains(QStringLiteral("\"interrupt\"")));
            QVERIFY(anfitrion->sesionClaude());
        }
    }

    // An agent that dies halfway leaves its text and a Spanish line after it;
    // one that finishes leaves its reply alone.
    void respuestaCortada_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<QByteArray>("turnoFalso");
        QTest::addColumn<QString>("cola"); // empty: nothing after the reply
        QTest::newRow("Claude muere") << AgenteCLI::claude << QByteArray(R"([{"delta":"Voy por"},{"salir":3}])")
                                      << "La respuesta quedó a medias: Claude se cerró de golpe (código 3).";
        QTest::newRow("Claude termina") << AgenteCLI::claude << QByteArray(R"([{"delta":"Voy por"},{"resultado":"Hecho"}])")
                                        << "";
        QTest::newRow("Codex muere") << AgenteCLI::codex << QByteArray(R"([{"delta":"Voy por"},{"salir":9}])")
                                     << "La respuesta quedó a medias: Codex se cerró de golpe (código 9).";
    }

    void respuestaCortada()
    {
        QFETCH(AgenteCLI, elegido);
        QFETCH(QByteArray, turnoFalso);
        QFETCH(QString, cola);
        anfitrion->agenteElegido = elegido;
        agente->escenario(QJsonObject{{"turnos", QJsonArray{AgenteFalso::pasos(turnoFalso.constData())}}});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(respuesta().rol, Mensaje::Rol::agente);
        QVERIFY(!respuesta().texto.isEmpty());
        const QStringList despues = textos(mensajes()).mid(2);
        if (cola.isEmpty()) {
            QCOMPARE(despues, QStringList{});
        } else {
            QCOMPARE(despues.size(), 1);
            QVERIFY2(despues.first().startsWith(QStringLiteral("error:") + cola), qPrintable(despues.first()));
        }
        QCOMPARE(enDisco(), textos(mensajes()));
    }

    // "Para" before the reply exists: right after enviar, or while the
    // executable is looked for. The agent never gets the instruction.
    void detenerAntesDeLaRespuesta_data()
    {
        QTest::addColumn<AgenteCLI>("elegido");
        QTest::addColumn<bool>("enLaBusqueda");
        QTest::addColumn<bool>("interrumpe"); // else cancelar
        QTest::newRow("interrumpir al enviar") << AgenteCLI::claude << false << true;
        QTest::newRow("cancelar al enviar") << AgenteCLI::claude << false << false;
        QTest::newRow("interrumpir en la búsqueda") << AgenteCLI::claude << true << true;
        QTest::newRow("cancelar en la búsqueda") << AgenteCLI::claude << true << false;
        QTest::newRow("Codex, interrumpir en la búsqueda") << AgenteCLI::codex << true << true;
    }

    void detenerAntesDeLaRespuesta()
    {
        QFETCH(AgenteCLI, elegido);
        QFETCH(bool, enLaBusqueda);
        QFETCH(bool, interrumpe);
        anfitrion->agenteElegido = elegido;
        anfitrion->retenerBusqueda = enLaBusqueda;
        QVERIFY(turno->enviar(QStringLiteral("Borra todo")));
        if (enLaBusqueda)
            QTRY_VERIFY(anfitrion->busqueda);
        interrumpe ? turno->interrumpir() : turno->cancelar();
        if (enLaBusqueda)
            anfitrion->busqueda();
        esperarFin();
        QCOMPARE(fines.first().texto, QStringLiteral("Detenido."));
        QVERIFY(!fines.first().normal);
        QCOMPARE(textos(mensajes()), (QStringList{"usuario:Borra todo", "error:Detenido."}));
        QVERIFY(!turno->ejecutando());
        QTest::qWait(200);
        QCOMPARE(agente->procesos(), 0);
        QCOMPARE(anfitrion->sesionesAbiertas, 0);
        // The next instruction runs as usual.
        anfitrion->retenerBusqueda = false;
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarFin(2);
        QVERIFY(fines.last().normal);
    }

    // A resumed session branches off when a background task writes into
    // the turn's own conversation, whatever is selected by then.
    void bifurcaSegunLaConversacionDelTurno()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"delta":"Empiezo"},{"atascar":true}])")});
        QVERIFY(turno->enviar(QStringLiteral("Largo")));
        QTRY_COMPARE(respuesta().texto, QStringLiteral("Empiezo"));
        const QUuid conFondo = almacen->actual()->id;
        QVERIFY(turno->pasarASegundoPlano());
        almacen->cambiar(conFondo, true, [](Conversacion& c) { c.sesionClaude = QStringLiteral("s-fondo"); });

        anfitrion->retenerBusqueda = true;
        agente->turnos({});
        QVERIFY(turno->enviar(QStringLiteral("Sigue")));
        QTRY_VERIFY(anfitrion->busqueda);
        const QUuid otra = almacen->nueva();   // the user picks another one meanwhile
        QVERIFY(otra != conFondo);
        anfitrion->busqueda();
        esperarFin();
        QCOMPARE(agente->procesos(), 2);
        const QStringList argv = agente->argv(1);
        QCOMPARE(argv.mid(argv.indexOf("--resume"), 3), (QStringList{"--resume", "s-fondo", "--fork-session"}));
        QCOMPARE(textos(mensajes(conFondo)).mid(2), (QStringList{"usuario:Sigue", "agente:Hecho."}));
    }

    // A Codex process that outlives its turn object: what it writes later
    // and its end are dropped.
    void procesoSobreviveAlTurno()
    {
        anfitrion->agenteElegido = AgenteCLI::codex;
        agente->turnos({AgenteFalso::pasos(R"([{"linea":"uno"},{"esperar":300,"linea":"dos"},{"salir":0}])")});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        QTRY_COMPARE(respuesta().texto, QStringLiteral("uno\n"));
        const QUuid conversacion = almacen->actual()->id;
        turno.reset();
        QTRY_COMPARE(agente->eventos("fin").size(), 1);
        QTest::qWait(200);
        QCOMPARE(respuesta(conversacion).texto, QStringLiteral("uno\n"));
        turno = std::make_unique<TurnoAgente>(*anfitrion, *almacen, *ajustes, *reloj);
        anfitrion->unir(*turno);
    }

    void cancelar()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        QTRY_COMPARE(agente->entradas(0).size(), 1);
        turno->cancelar();
        QCOMPARE(fines.size(), 1);
        QCOMPARE(fines.first().texto, QStringLiteral("Detenido."));
        QVERIFY(!anfitrion->sesionClaude());
        agente->turnos({});
        QVERIFY(turno->enviar(QStringLiteral("Otra vez")));
        esperarFin(2);
        QCOMPARE(fines.last().texto, QStringLiteral("Hecho."));
        QCOMPARE(anfitrion->sesionesAbiertas, 2);
    }

    // After a turn the session is keyed by what its process was started
    // with: a level lowered meanwhile must not keep full permissions.
    void claveTrasResultado_data()
    {
        QTest::addColumn<bool>("bajarNivel");
        QTest::newRow("mismos ajustes: el proceso sigue") << false;
        QTest::newRow("nivel bajado durante el turno: proceso nuevo") << true;
    }

    void claveTrasResultado()
    {
        QFETCH(bool, bajarNivel);
        agente->turnos({AgenteFalso::pasos(R"([{"esperar":300,"delta":"uno"},{"resultado":""}])"),
                        AgenteFalso::pasos(R"([{"delta":"dos"},{"resultado":""}])")});
        QVERIFY(turno->enviar(QStringLiteral("Primero")));
        QTRY_COMPARE(anfitrion->sesionesAbiertas, 1);
        if (bajarNivel)
            anfitrion->nivelElegido = NivelPermiso::responder;
        esperarFin();
        QCOMPARE(almacen->actual()->sesionClaude, std::optional<QString>(QStringLiteral("sesion-falsa")));
        QCOMPARE(anfitrion->sesionClaude()->clave().nivel, QStringLiteral("total"));
        QVERIFY(turno->enviar(QStringLiteral("Segundo")));
        esperarFin(2);
        QCOMPARE(anfitrion->sesionesAbiertas, bajarNivel ? 2 : 1);
        QCOMPARE(agente->procesos(), bajarNivel ? 2 : 1);
        if (bajarNivel) {
            QVERIFY(!agente->argv(1).contains(QStringLiteral("--dangerously-skip-permissions")));
            QVERIFY(agente->argv(1).contains(QStringLiteral("sesion-falsa")));
        }
    }

    void segundoPlanoRehusa()
    {
        QVERIFY(!turno->pasarASegundoPlano());
        anfitrion->agenteElegido = AgenteCLI::codex;
        agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        QVERIFY(!turno->pasarASegundoPlano());
        QVERIFY(turno->ejecutando());
        QVERIFY(turno->enFondo().empty());
    }

    // A turn moved to the background goes on beside a new foreground turn.
    void segundoPlano_data()
    {
        QTest::addColumn<QByteArray>("resto");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<Mensaje::Rol>("rol");
        QTest::addColumn<QString>("final");

        QTest::newRow("termina con resumen")
            << QByteArray(R"({"delta":" y sigue"},{"esperar":200,"resultado":"  Informe listo \n"})") << "Informe listo"
            << Mensaje::Rol::agente << "Informe listo";
        QTest::newRow("resultado en blanco guarda lo escrito")
            << QByteArray(R"({"delta":" y sigue"},{"esperar":200,"resultado":" "})") << "Empiezo y sigue"
            << Mensaje::Rol::agente << "";
        QTest::newRow("resultado con error")
            << QByteArray(R"({"esperar":200,"resultado":"Sin acceso","is_error":true})") << "Sin acceso"
            << Mensaje::Rol::error << "Sin acceso";
        QTest::newRow("sale sin resultado")
            << QByteArray(R"({"esperar":200,"salir":1})") << "Empiezo" << Mensaje::Rol::agente << "";
    }

    void segundoPlano()
    {
        QFETCH(QByteArray, resto);
        const QByteArray primero = R"([{"delta":"Empiezo"},{"esperar":700},)" + resto + "]";
        agente->escenario(QJsonObject{{"procesos", QJsonArray{QJsonObject{{"turnos", QJsonArray{AgenteFalso::pasos(primero)}}},
                                                              QJsonObject{}}}});
        const QString largo = QStringLiteral("Crea la web ") + QString(88, 'x');
        QVERIFY(turno->enviar(largo));
        QTRY_COMPARE(respuesta().texto, QStringLiteral("Empiezo"));
        const QUuid conversacion = almacen->actual()->id;
        const QUuid mensaje = respuesta().id;

        QVERIFY(turno->pasarASegundoPlano());
        QVERIFY(!turno->ejecutando());
        QVERIFY(!anfitrion->sesionClaude());
        QCOMPARE(turno->enFondo().size(), size_t(1));
        QCOMPARE(turno->enFondo().front()->titulo, Texto::primeros(largo, 60));
        QVERIFY(registro().contains(QStringLiteral("Claude: «Crea la web xxxxxxxxxxxxxxxxxx» pasa a segundo plano (1 en fondo)")));
        QCOMPARE(turno->resumenTrabajo(), QStringLiteral("En segundo plano: ") + Texto::primeros(largo, 60) + ".");

        // A new instruction is taken at once, in a session of its own.
        QVERIFY(turno->enviar(QStringLiteral("Otra cosa")));
        esperarFin();
        QCOMPARE(fines.first().texto, QStringLiteral("Hecho."));
        QCOMPARE(agente->procesos(), 2);

        QTRY_COMPARE_WITH_TIMEOUT(finesFondo.size(), 1, 10000);
        QCOMPARE(finesFondo.first().first, Texto::primeros(largo, 60));
        QTEST(finesFondo.first().second, "final");
        QVERIFY(turno->enFondo().empty());
        const QList<Mensaje> lista = mensajes(conversacion);
        const auto m = std::find_if(lista.cbegin(), lista.cend(), [&](const Mensaje& x) { return x.id == mensaje; });
        QVERIFY(m != lista.cend());
        QTEST(m->texto, "texto");
        QTEST(m->rol, "rol");
        QTRY_VERIFY(registro().contains(QStringLiteral("Claude: terminó en segundo plano «Crea la web xxxxxxxxxxxxxxxxxx»")));
        // The exit after "result" changes nothing twice.
        QTRY_COMPARE(registro().count(QStringLiteral("Claude: sesión cerrada")), 1);
        QCOMPARE(finesFondo.size(), 1);
        QCOMPARE(textos(mensajes()).mid(2), (QStringList{"usuario:Otra cosa", "agente:Hecho."}));
    }

    void cancelarFondo()
    {
        turno->cancelarFondo();
        agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
        QVERIFY(turno->enviar(QStringLiteral("Hola")));
        esperarEnMarcha();
        QTRY_COMPARE(agente->entradas(0).size(), 1);
        QVERIFY(turno->pasarASegundoPlano());
        turno->cancelarFondo();
        QVERIFY(turno->enFondo().empty());
        QCOMPARE(respuesta().texto, QStringLiteral("Detenido."));
        QCOMPARE(respuesta().rol, Mensaje::Rol::error);
        QTRY_VERIFY(registro().contains(QStringLiteral("Claude: sesión cerrada")));
        QVERIFY(finesFondo.isEmpty());
        QVERIFY(fines.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTurnoAgente)
#include "TestTurnoAgente.moc"
