#include "assistant/AnfitrionAsistente.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"
#include "assistant/TextosTurno.h"
#include "assistant/TurnoAgente.h"
#include "AnfitrionPrueba.h"
#include "comun/AgenteFalso.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Sonidos.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include <signal.h>

namespace {

QStringList textos(const QList<Mensaje>& lista)
{
    QStringList t;
    for (const Mensaje& m : lista)
        t << valorCrudo(m.rol) + ':' + m.texto;
    return t;
}

}

// Typed instructions through the assistant, with the real detection
// finding the fake agent in the temporary home and real pipes to it.
class TestAsistenteTurno : public QObject {
    Q_OBJECT

    // One home for the whole run: the log file is worked out once.
    HogarTemporal hogar;
    RelojFalso reloj;
    DispositivosSistemaFalso sistema;
    std::unique_ptr<AgenteFalso> agente;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<EstadoIA> deteccion;
    std::unique_ptr<AsistenteVoz> asistente;

    QStringList fragmentos, actividades;
    QList<QPair<QString, bool>> fines;
    QList<QPair<QString, QString>> finesFondo;
    qsizetype inicioRegistro = 0;
    bool comoRoot = false;

    QString registro() const
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().mid(inicioRegistro)) : QString();
    }

    QStringList actuales() const
    {
        const auto c = almacen->actual();
        return c ? textos(c->mensajes) : QStringList{};
    }

    // What a fresh store reads from the file on disk.
    QStringList enDisco() const
    {
        RelojFalso otroReloj;
        Almacen leido(otroReloj, *perfiles, Carpetas::datosApp());
        return textos(leido.conversaciones().value(0).mensajes);
    }

    void detectar()
    {
        QSignalSpy fin(deteccion.get(), &EstadoIA::busquedaTerminada);
        deteccion->buscar();
        QTRY_COMPARE_WITH_TIMEOUT(fin.size(), 1, 15000);
    }

    void esperarFin(int n = 1) { QTRY_COMPARE_WITH_TIMEOUT(fines.size(), n, 15000); }

private slots:
    void init()
    {
        QFile::remove(hogar.en("agente-registro.jsonl"));
        QFile::remove(hogar.en(".config/cl.norp.ZuviIA.conf"));
        comoRoot = false;
        QFile::remove(Carpetas::datosApp() + QStringLiteral("/conversaciones.json"));
        agente = std::make_unique<AgenteFalso>(hogar);
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(reloj, *perfiles, Carpetas::datosApp());
        deteccion = std::make_unique<EstadoIA>(reloj, &AgenteFalso::detectar, EstadoIA::Agente{});
        asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, *deteccion, [this] { return comoRoot; });
        asistente->setCarpeta(hogar.ruta());
        fragmentos.clear();
        actividades.clear();
        fines.clear();
        finesFondo.clear();
        TurnoAgente& turno = asistente->turno();
        turno.alFragmento = [this](const QString& f) { fragmentos << f; };
        turno.alActividad = [this](const QString& a) { actividades << a; };
        turno.alTerminar = [this](const QString& t, bool normal) { fines << qMakePair(t, normal); };
        turno.alTerminarFondo = [this](const QString& t, const QString& f) { finesFondo << qMakePair(t, f); };
        Registro::vaciar();
        inicioRegistro = QFileInfo(Registro::archivo()).size();
    }

    void cleanup()
    {
        // Every agent process ends before the next test starts.
        terminarProcesos(asistente->turno(), asistente->sesionClaude());
        asistente.reset();
        deteccion.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        agente.reset();
    }

    // The end sound is Glass; a sound server that cannot play it is logged
    // and the turn goes on.
    void sonidoDeFin()
    {
        struct SonidosFalsos final : Sonidos {
            QStringList pedidos;
            void reproducir(const QString& nombre, std::function<void(const QString&)> alFallar) override
            {
                pedidos << nombre;
                alFallar(QStringLiteral("sin servidor de sonido"));
            }
        } sonidos;
        AnfitrionAsistente anfitrion(*asistente, *deteccion, sonidos);
        anfitrion.sonarFin();
        QCOMPARE(sonidos.pedidos, QStringList{"Glass"});
        QVERIFY(registro().contains("Glass (sin servidor de sonido)"));
    }

    // Nothing detected yet: the turn looks for Claude Code itself and finds
    // the one in ~/.local/bin.
    void instruccionEscrita()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"sistema":"init"},{"bloque":"text"},{"delta":"Hola, "},{"delta":"Ana."},
            {"finBloque":true},{"herramienta":"Read","entrada":{"file_path":"/tmp/informe.md"}},
            {"bloque":"text"},{"delta":"Listo."},{"finBloque":true},{"resultado":""}])")});
        asistente->setTexto(QStringLiteral("  Revisa el informe \n"));
        QVERIFY(asistente->enviar());
        QVERIFY(asistente->ejecutando());
        QCOMPARE(asistente->texto(), QString());
        esperarFin();

        QCOMPARE(fines.first(), qMakePair(QStringLiteral("Hola, Ana.\n\nListo."), true));
        QCOMPARE(fragmentos, (QStringList{"Hola, ", "Ana.", "\n\n", "Listo."}));
        QCOMPARE(actividades, (QStringList{"Pensando…", "Leyendo informe.md…"}));
        QVERIFY(!asistente->ejecutando());
        QCOMPARE(asistente->actividad(), std::nullopt);
        const auto c = almacen->actual();
        QVERIFY(c);
        QCOMPARE(c->titulo, QStringLiteral("Revisa el informe"));
        const QStringList esperado{"usuario:Revisa el informe", "agente:Hola, Ana.\n\nListo."};
        QCOMPARE(textos(c->mensajes), esperado);
        QCOMPARE(c->mensajes.value(1).agente, std::optional(AgenteCLI::claude));
        QCOMPARE(c->sesionClaude, std::optional<QString>(QStringLiteral("sesion-falsa")));
        QCOMPARE(enDisco(), esperado);

        QCOMPARE(agente->procesos(), 1);
        QCOMPARE(agente->inicio(0).value("carpeta").toString(), hogar.ruta());
        QCOMPARE(agente->entradas(0), QStringList{QString::fromUtf8(SesionClaude::lineaTurno("Revisa el informe")).trimmed()});
    }

    // Claude Code keeps sessions per folder: after the project moves, the
    // stored session is unknown there, and the turn starts over on a new
    // one instead of showing Claude Code's English error.
    void carpetaMovida_data()
    {
        QTest::addColumn<bool>("soloError");
        QTest::newRow("línea de resultado") << false;
        QTest::newRow("solo error estándar") << true;
    }

    void carpetaMovida()
    {
        QFETCH(bool, soloError);
        agente->escenario(QJsonObject{{"sesionesPorCarpeta", true}, {"perdidaSoloError", soloError}});
        QVERIFY(asistente->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(almacen->actual()->sesionClaude, std::optional<QString>("sesion-falsa-0"));
        const qint64 calentada = asistente->sesionClaude()->pid();

        const QString otra = hogar.en("movida");
        QDir().mkpath(otra);
        asistente->usarCarpeta(otra);
        QCOMPARE(asistente->sesionClaude(), nullptr);
        QTRY_VERIFY(::kill(pid_t(calentada), 0) != 0);

        QVERIFY(asistente->enviar(QStringLiteral("Sigue")));
        esperarFin(2);
        QCOMPARE(fines.last(), qMakePair(QStringLiteral("Hecho."), true));
        QCOMPARE(actuales(), (QStringList{"usuario:Hola", "agente:Hecho.", "usuario:Sigue", "agente:Hecho."}));
        QCOMPARE(agente->procesos(), 3);
        const QStringList perdida = agente->argv(1);
        QCOMPARE(perdida.mid(perdida.indexOf("--resume"), 2), (QStringList{"--resume", "sesion-falsa-0"}));
        QVERIFY(!agente->argv(2).contains(QStringLiteral("--resume")));
        QCOMPARE(agente->inicio(2).value("carpeta").toString(), otra);
        QCOMPARE(agente->entradas(2).size(), 1);
        QCOMPARE(almacen->actual()->sesionClaude, std::optional<QString>("sesion-falsa-2"));
        QVERIFY(registro().contains("Claude: la sesión guardada no existe en esta carpeta, empiezo una nueva"));

        // The new session goes on in the new folder.
        QVERIFY(asistente->enviar(QStringLiteral("Y más")));
        esperarFin(3);
        QCOMPARE(fines.last(), qMakePair(QStringLiteral("Hecho."), true));
        QCOMPARE(agente->procesos(), 3);
    }

    void codexDeRespaldo()
    {
        QFile::remove(agente->ruta("codex"));
        detectar();
        asistente->setAgente(AgenteCLI::codex);
        QVERIFY(asistente->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(fines.first(), qMakePair(QStringLiteral("Hecho."), true));
        QCOMPARE(asistente->agente(), AgenteCLI::claude);
        QCOMPARE(ajustes->texto("agente"), QStringLiteral("claude"));
        QVERIFY(registro().contains(TextosTurno::sinCodex()));
        QCOMPARE(actuales().value(1), QStringLiteral("agente:Hecho."));
        QVERIFY(agente->argv(0).contains(QStringLiteral("--input-format")));
    }

    // Detection's agent rule works on the assistant's choice.
    void reglaDeDeteccion_data()
    {
        QTest::addColumn<bool>("codexInstalado");
        QTest::addColumn<AgenteCLI>("queda");
        QTest::newRow("Codex instalado") << true << AgenteCLI::codex;
        QTest::newRow("Codex ausente") << false << AgenteCLI::claude;
    }

    void reglaDeDeteccion()
    {
        QFETCH(bool, codexInstalado);
        if (!codexInstalado)
            QFile::remove(agente->ruta("codex"));
        asistente->setAgente(AgenteCLI::codex);
        detectar();
        QTEST(asistente->agente(), "queda");
        QFETCH(AgenteCLI, queda);
        QCOMPARE(ajustes->texto("agente"), valorCrudo(queda));
    }

    void codexDetectado()
    {
        agente->escenario(R"({"turnos":[[{"linea":"Listo"},{"error":"aviso"},{"salir":0}]]})");
        detectar();
        asistente->setAgente(AgenteCLI::codex);
        QVERIFY(asistente->enviar(QStringLiteral("Haz algo")));
        esperarFin();
        QCOMPARE(fines.first(), qMakePair(QStringLiteral("Listo\n"), true));
        QCOMPARE(agente->argv(0).value(0), QStringLiteral("exec"));
        QCOMPARE(actuales().value(1), QStringLiteral("agente:Listo\n"));
    }

    void noInstalado()
    {
        QFile::remove(agente->ruta("claude"));
        QVERIFY(asistente->enviar(QStringLiteral("Hola")));
        esperarFin();
        QCOMPARE(fines.first(), qMakePair(QString(), false));
        QVERIFY(!asistente->ejecutando());
        QCOMPARE(actuales(), (QStringList{"usuario:Hola", "error:" + TextosTurno::noInstalado(AgenteCLI::claude)}));
        QCOMPARE(agente->procesos(), 0);
    }

    // A running turn moves to the background; the next instruction in the
    // same conversation branches off the stored session beside it.
    void segundoPlanoJuntoAUnaNueva()
    {
        agente->escenario(R"({"procesos":[
            {"turnos":[[{"delta":"Primero"},{"resultado":""}],
                       [{"delta":"Empiezo"},{"esperar":900,"resultado":"Informe listo"}]]},
            {}]})");
        QVERIFY(asistente->enviar(QStringLiteral("Primero")));
        esperarFin();
        QVERIFY(asistente->enviar(QStringLiteral("Crea la web")));
        QTRY_COMPARE(actuales().value(3), QStringLiteral("agente:Empiezo"));

        QVERIFY(asistente->pasarASegundoPlano());
        QVERIFY(!asistente->ejecutando());
        QCOMPARE(asistente->resumenTrabajo(), QStringLiteral("En segundo plano: Crea la web."));
        QVERIFY(asistente->enviar(QStringLiteral("Otra cosa")));
        esperarFin(2);
        QCOMPARE(fines.last(), qMakePair(QStringLiteral("Hecho."), true));
        QTRY_COMPARE_WITH_TIMEOUT(finesFondo.size(), 1, 15000);
        QCOMPARE(finesFondo.first(), qMakePair(QStringLiteral("Crea la web"), QStringLiteral("Informe listo")));
        QCOMPARE(asistente->resumenTrabajo(), QStringLiteral("No estoy haciendo nada ahora."));

        QCOMPARE(actuales(), (QStringList{"usuario:Primero", "agente:Primero", "usuario:Crea la web",
                                          "agente:Informe listo", "usuario:Otra cosa", "agente:Hecho."}));
        QCOMPARE(agente->procesos(), 2);
        QVERIFY(!agente->argv(0).contains(QStringLiteral("--fork-session")));
        const QStringList argv = agente->argv(1);
        QVERIFY(argv.contains(QStringLiteral("--fork-session")));
        QCOMPARE(argv.mid(argv.indexOf("--resume"), 2), (QStringList{"--resume", "sesion-falsa"}));
    }

    // The warm-up starts the session the first instruction then uses.
    void precalentar_data()
    {
        QTest::addColumn<std::optional<QString>>("guardada");
        QTest::addColumn<QString>("registroApertura");
        QTest::newRow("sin conversación") << std::optional<QString>() << "Claude: sesión abierta (sonnet, nueva)";
        QTest::newRow("conversación con sesión guardada")
            << std::optional<QString>(QStringLiteral("s-7")) << "Claude: sesión abierta (sonnet, reanudada)";
    }

    void precalentar()
    {
        QFETCH(std::optional<QString>, guardada);
        if (guardada) {
            const QUuid id = almacen->nueva();
            almacen->cambiar(id, true, [&](Conversacion& c) { c.sesionClaude = guardada; });
        }
        asistente->precalentar();
        QTRY_VERIFY_WITH_TIMEOUT(asistente->sesionClaude(), 15000);
        QTRY_COMPARE(agente->procesos(), 1);
        QVERIFY(agente->argv(0).contains(QStringLiteral("--resume")) == guardada.has_value());
        QFETCH(QString, registroApertura);
        QTRY_VERIFY(registro().contains(registroApertura));

        QVERIFY(asistente->enviar(QStringLiteral("Hola")));
        esperarFin();
        QVERIFY(asistente->enviar(QStringLiteral("Sigue")));
        esperarFin(2);
        QCOMPARE(fines.last(), qMakePair(QStringLiteral("Hecho."), true));
        QCOMPARE(agente->procesos(), 1);
        QCOMPARE(agente->entradas(0).size(), 2);
    }

    void precalentarNoArranca_data()
    {
        QTest::addColumn<bool>("conCodex");
        QTest::addColumn<bool>("root");
        QTest::newRow("Codex elegido") << true << false;
        QTest::newRow("control total como root") << true << true;
        QTest::newRow("turno en marcha con otro modelo") << false << false;
    }

    void precalentarNoArranca()
    {
        QFETCH(bool, conCodex);
        QFETCH(bool, root);
        if (root) {
            comoRoot = true;
        } else if (conCodex) {
            asistente->setAgente(AgenteCLI::codex);
        } else {
            agente->turnos({AgenteFalso::pasos(R"([{"atascar":true}])")});
            QVERIFY(asistente->enviar(QStringLiteral("Hola")));
            QTRY_COMPARE_WITH_TIMEOUT(agente->entradas(0).size(), 1, 15000);
            // The key changes, so a warm-up now would replace the session
            // the turn runs on.
            ajustes->escribir("modeloClaude", "opus");
        }
        const auto antes = asistente->sesionClaude();
        asistente->precalentar();
        QTest::qWait(300);
        QCOMPARE(asistente->sesionClaude(), antes);
        QCOMPARE(agente->procesos(), conCodex ? 0 : 1);
        QCOMPARE(asistente->ejecutando(), !conCodex);
    }
};

QTEST_GUILESS_MAIN(TestAsistenteTurno)
#include "TestAsistenteTurno.moc"
