#include "EntornoPrueba.h"
#include "app/AppRouter.h"
#include "app/ModoProyectosView.h"
#include "app/ConversacionView.h"
#include "app/Intents.h"
#include "app/ServicioIntents.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "app/ZuviIAApp.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using Tipo = Intents::Tipo;
Q_DECLARE_METATYPE(std::optional<Intents::Pedido>)

// The five intents over the session bus (a second connection, so every
// call is marshalled as another program's would be) and from the command
// line of the real executable against the running instance.
class TestIntents : public QObject {
    Q_OBJECT

    EntornoPrueba e;
    QTemporaryDir runtime;
    std::unique_ptr<ZuviIAApp> app;
    std::optional<QDBusConnection> otra;

    // Another program on the bus calls a method; the events keep flowing
    // meanwhile, since the service answers on this thread.
    QDBusMessage llamar(const QString& metodo, const QVariantList& argumentos = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(ServicioIntents::servicio),
                                                        QString::fromLatin1(ServicioIntents::ruta),
                                                        QString::fromLatin1(ServicioIntents::interfaz), metodo);
        m.setArguments(argumentos);
        QDBusPendingCall llamada = otra->asyncCall(m);
        QDeadlineTimer plazo(10000);
        while (!llamada.isFinished() && !plazo.hasExpired())
            QTest::qWait(5);
        return llamada.reply();
    }

    int iniciar(const QStringList& argumentos, QByteArray* errores = nullptr)
    {
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("XDG_RUNTIME_DIR", runtime.path());
        entorno.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess p;
        p.setProcessEnvironment(entorno);
        p.start(QStringLiteral(ZUVI_EJECUTABLE), argumentos);
        QDeadlineTimer plazo(15000);
        while (p.state() != QProcess::NotRunning && !plazo.hasExpired())
            QTest::qWait(10);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        if (errores)
            *errores = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    int usuarios() const
    {
        int n = 0;
        if (const auto c = e.almacen->actual())
            for (const Mensaje& m : c->mensajes)
                n += m.rol == Mensaje::Rol::usuario;
        return n;
    }

private slots:
    void initTestCase()
    {
        otra = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("otro-programa"));
        QVERIFY(otra->isConnected());
    }

    void cleanupTestCase()
    {
        otra.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("otro-programa"));
    }

    void init()
    {
        e.abrir();
        e.permisosFalsos.mic = true;
        e.paneles.clear();
        ZuviIAApp::Opciones o;
        o.socket = runtime.path() + QStringLiteral("/zuviia.sock");
        o.servicioIntents = QString::fromLatin1(ServicioIntents::servicio);
        app = std::make_unique<ZuviIAApp>(e.entorno(), o);
        QVERIFY(app->arrancar());
    }

    void cleanup()
    {
        if (e.asistente->ejecutando())
            e.asistente->cancelar();
        QTRY_VERIFY_WITH_TIMEOUT(!e.asistente->ejecutando(), 10000);
        app.reset();
        e.cerrar();
    }

    void opciones_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<std::optional<Intents::Pedido>>("pedido");
        QTest::addColumn<bool>("error");
        using P = Intents::Pedido;
        QTest::newRow("ninguna") << QStringList{"zuviia://abrir"} << std::optional<P>() << false;
        QTest::newRow("abrir") << QStringList{"--abrir"} << std::optional(P{Tipo::abrirZuviIA, {}, {}}) << false;
        QTest::newRow("modo") << QStringList{"--modo-proyectos"} << std::optional(P{Tipo::modoProyectos, {}, {}}) << false;
        QTest::newRow("dictar") << QStringList{"--dictar"} << std::optional(P{Tipo::dictar, {}, {}}) << false;
        QTest::newRow("nuevo") << QStringList{"--nuevo-proyecto"} << std::optional(P{Tipo::nuevoProyecto, {}, {}}) << false;
        QTest::newRow("enviar") << QStringList{"--enviar", "Haz un cubo"}
                                << std::optional(P{Tipo::enviarInstruccion, "Haz un cubo", ""}) << false;
        QTest::newRow("con agente") << QStringList{"--agente", "ChatGPT", "--enviar", "--dictar"}
                                    << std::optional(P{Tipo::enviarInstruccion, "--dictar", "ChatGPT"}) << false;
        QTest::newRow("agente desconocido") << QStringList{"--enviar", "x", "--agente", "gemini"}
                                            << std::optional<P>() << true;
        QTest::newRow("sin instrucción") << QStringList{"--enviar"} << std::optional<P>() << true;
        QTest::newRow("agente sin enviar") << QStringList{"--dictar", "--agente", "codex"} << std::optional<P>() << true;
        QTest::newRow("dos acciones") << QStringList{"--dictar", "--abrir"} << std::optional<P>() << true;
        QTest::newRow("opción desconocida") << QStringList{"--dictar", "--rapido"} << std::optional<P>() << true;
        QTest::newRow("guion suelto") << QStringList{"-x"} << std::optional<P>() << true;
        QTest::newRow("agente hecho de cifras") << QStringList{"--enviar", "x", "--agente", "2"} << std::optional<P>()
                                                << true;
        QTest::newRow("opciones de Qt") << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse", "--dictar"}
                                        << std::optional(P{Tipo::dictar, {}, {}}) << false;
    }

    void opciones()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(std::optional<Intents::Pedido>, pedido);
        QString error;
        const auto leido = Intents::deArgumentos(QStringList{"zuviia"} + argumentos, &error);
        QTEST(!error.isEmpty(), "error");
        QCOMPARE(leido, pedido);
        if (pedido)
            QCOMPARE(Intents::decodificar(Intents::codificar(*pedido)), pedido);
    }

    void agentes()
    {
        QCOMPARE(Intents::agenteDe(QStringLiteral("codex")), std::optional(AgenteCLI::codex));
        QCOMPARE(Intents::agenteDe(QStringLiteral("ChatGPT")), std::optional(AgenteCLI::codex));
        QCOMPARE(Intents::agenteDe(QStringLiteral("Claude Code")), std::optional(AgenteCLI::claude));
        QCOMPARE(Intents::agenteDe(QString()), std::optional(AgenteCLI::claude));
        QCOMPARE(Intents::agenteDe(QStringLiteral("  ")), std::optional(AgenteCLI::claude));
        QCOMPARE(Intents::agenteDe(QStringLiteral("gemini")), std::nullopt);
        // Folding leaves nothing of these; they are no agent's name.
        QCOMPARE(Intents::agenteDe(QStringLiteral("2")), std::nullopt);
        QCOMPARE(Intents::agenteDe(QStringLiteral("¿?")), std::nullopt);
        QCOMPARE(Intents::decodificar("zuviia://abrir"), std::nullopt);
        QCOMPARE(Intents::decodificar("intento {\"tipo\":9}"), std::nullopt);
    }

    void abrirPorBus()
    {
        e.ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        QCOMPARE(llamar(QStringLiteral("AbrirZuviIA")).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(app->ventanas().size(), 1);
        QVERIFY(!e.modo->activo());
        e.reloj.avanzar(800ms);
        QCOMPARE(e.ajustes->valor(QStringLiteral("escuchaSiempre")), QVariant(true));
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(!e.modo->inmersivo());

        // Already active: the setting is left alone.
        e.ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        llamar(QStringLiteral("AbrirZuviIA"));
        e.reloj.avanzar(800ms);
        QCOMPARE(e.ajustes->valor(QStringLiteral("escuchaSiempre")), QVariant(false));
    }

    void modoPorBus()
    {
        llamar(QStringLiteral("ModoProyectos"));
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(e.modo->inmersivo());
        QCOMPARE(app->ventanas().size(), 1);
        QVERIFY(app->ventanas().first()->sala()->isVisible());
    }

    // Two requests before any conversation screen shows (setup is not
    // finished) start listening once, when it shows.
    void dictarDosVeces()
    {
        e.permisosFalsos.mic = false;  // each start lands on the microphone pane
        e.ajustes->escribir(QStringLiteral("configuracionCompleta"), false);
        llamar(QStringLiteral("DictarInstruccion"));
        llamar(QStringLiteral("DictarInstruccion"));
        QVERIFY(e.router.dictadoPendiente());
        QTest::qWait(100);
        QVERIFY(e.paneles.isEmpty());
        e.ajustes->escribir(QStringLiteral("configuracionCompleta"), true);
        QTRY_COMPARE(e.paneles.size(), 1);
        QTest::qWait(100);
        QCOMPARE(e.paneles.size(), 1);
        QVERIFY(!e.router.dictadoPendiente());
    }

    void nuevoProyectoPorBus()
    {
        const int antes = e.almacen->conversaciones().size();
        llamar(QStringLiteral("NuevoProyecto"));
        QCOMPARE(e.almacen->conversaciones().size(), antes + 1);
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(!e.router.dictadoPendiente());
        QCOMPARE(e.ajustes->valor(QStringLiteral("escuchaSiempre")), QVariant(true));
    }

    void enviarPorBus()
    {
        const QDBusMessage r = llamar(QStringLiteral("EnviarInstruccion"), {QStringLiteral("Haz un cubo"), QStringLiteral("codex")});
        QCOMPARE(r.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(e.asistente->agente(), AgenteCLI::codex);
        QCOMPARE(e.ajustes->valor(QStringLiteral("agente")), QVariant(QStringLiteral("codex")));
        QTRY_COMPARE(usuarios(), 1);
    }

    // An unknown agent is refused with a clear error; nothing is stored
    // and nothing is sent.
    void agenteDesconocidoPorBus_data()
    {
        QTest::addColumn<QString>("instruccion");
        QTest::addColumn<QString>("agente");
        QTest::newRow("otro agente") << "Haz un cubo" << "gemini";
        QTest::newRow("cifras") << "1" << "2";
    }

    void agenteDesconocidoPorBus()
    {
        QFETCH(QString, instruccion);
        QFETCH(QString, agente);
        e.asistente->setAgente(AgenteCLI::codex);
        const QDBusMessage r = llamar(QStringLiteral("EnviarInstruccion"), {instruccion, agente});
        QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(r.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        QVERIFY(r.errorMessage().contains("«" + agente + "»"));
        QCOMPARE(e.asistente->agente(), AgenteCLI::codex);
        QCOMPARE(e.ajustes->valor(QStringLiteral("agente")), QVariant(QStringLiteral("codex")));
        QCOMPARE(usuarios(), 0);
        QVERIFY(!e.asistente->ejecutando());
    }

    void lineaDeOrdenes()
    {
        QCOMPARE(iniciar({"--dictar"}), 0);
        QTRY_VERIFY(e.router.dictadoPendiente() || !e.paneles.isEmpty() || e.modo->activo());
        QTRY_VERIFY(e.modo->activo());
        e.modo->terminar();

        QCOMPARE(iniciar({"--modo-proyectos"}), 0);
        QTRY_VERIFY(e.modo->inmersivo());

        QCOMPARE(iniciar({"--enviar", "Haz un cubo", "--agente", "codex"}), 0);
        QTRY_COMPARE(e.asistente->agente(), AgenteCLI::codex);
        QTRY_COMPARE(usuarios(), 1);

        QByteArray errores;
        e.asistente->setAgente(AgenteCLI::claude);
        QCOMPARE(iniciar({"--enviar", "Otra cosa", "--agente", "gemini"}, &errores), 2);
        QVERIFY2(QString::fromUtf8(errores).contains(QStringLiteral("No conozco el agente «gemini»")), errores.constData());
        QTest::qWait(100);
        QCOMPARE(e.asistente->agente(), AgenteCLI::claude);
        QCOMPARE(e.ajustes->valor(QStringLiteral("agente")), QVariant(QStringLiteral("claude")));
    }
};

QTEST_MAIN(TestIntents)
#include "TestIntents.moc"
