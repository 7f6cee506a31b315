#include "assistant/TextosTurno.h"

#include <QTest>

using namespace TextosTurno;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<Trabajo>)
Q_DECLARE_METATYPE(QList<Trabajo>)

class TestTextosTurno : public QObject {
    Q_OBJECT

private slots:
    // Every exit code against an empty or written reply, with or without
    // error text. A written reply is never touched.
    void finDeTurno_data()
    {
        QTest::addColumn<int>("codigo");
        QTest::addColumn<bool>("interrumpido");
        QTest::addColumn<QString>("respuesta");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<QString>("errores");
        QTest::addColumn<QString>("texto"); // "" = the reply stays as it is

        const std::optional<QString> ninguno;
        const struct {
            int codigo;
            const char* nombre;
            std::optional<QString> error;
            QString sinError;
        } codigos[] = {
            {0, "resultado", ninguno, "No hubo respuesta (código 0)."},
            {-1, "lanzamiento", QStringLiteral("No such file or directory"), ""},
            {-2, "vigilancia", TextosTurno::sinSenales(), ""},
            {15, "cancelado", ninguno, "Detenido."},
            {2, "otro", ninguno, "No hubo respuesta (código 2)."},
        };
        for (const auto& c : codigos) {
            const QString base = QString::fromLatin1(c.nombre);
            QTest::newRow(qPrintable(base + " con respuesta")) << c.codigo << false << "Hecho." << c.error
                                                                << "aviso" << "";
            QTest::newRow(qPrintable(base + " con respuesta y errores")) << c.codigo << false << " ok " << c.error
                                                                          << "" << "";
            const QString conError = c.codigo == 15 ? QStringLiteral("Detenido.")
                                                    : QStringLiteral("No hubo respuesta:\n")
                                                          + c.error.value_or(QStringLiteral("fallo: token"));
            QTest::newRow(qPrintable(base + " vacía con errores"))
                << c.codigo << false << " \n" << c.error << "  fallo: token\n" << conError;
            if (!c.error)
                QTest::newRow(qPrintable(base + " vacía sin errores")) << c.codigo << false << "" << c.error << ""
                                                                        << c.sinError;
        }
        QTest::newRow("interrumpido vacío") << 0 << true << "" << ninguno << "algo" << "Detenido.";
        QTest::newRow("interrumpido por vigilancia") << -2 << true << "" << std::optional(TextosTurno::sinSenales()) << ""
                                                     << "Detenido.";
        QTest::newRow("interrumpido con texto") << 0 << true << "Ya casi" << ninguno << "" << "";
        QTest::newRow("error dado vacío gana a errores")
            << 3 << false << "" << std::optional(QString(" ")) << "no se usa" << "No hubo respuesta (código 3).";
        QTest::newRow("código negativo") << -9 << false << "" << ninguno << "" << "No hubo respuesta (código -9).";
        QTest::newRow("rechazo conocido en errores")
            << 1 << false << "" << ninguno << "Error: Invalid API key · Please run /login\n"
            << "No hubo respuesta:\nClaude no tiene una clave de API válida. Inicia sesión de nuevo desde Ajustes → Configuración.";
        QTest::newRow("cola de 600")
            << 1 << false << "" << ninguno << QString(QString(10, 'a') + QString(600, 'b'))
            << QString(QStringLiteral("No hubo respuesta:\n") + QString(600, 'b'));
    }

    void finDeTurno()
    {
        QFETCH(int, codigo);
        QFETCH(bool, interrumpido);
        QFETCH(QString, respuesta);
        QFETCH(std::optional<QString>, error);
        QFETCH(QString, errores);
        QFETCH(QString, texto);
        QCOMPARE(respuestaVacia(respuesta, codigo, interrumpido, error, errores, AgenteCLI::claude).value_or(QString()), texto);
    }

    void respuestaCortada_data()
    {
        QTest::addColumn<int>("codigo");
        QTest::addColumn<bool>("interrumpido");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<QString>("errores");
        QTest::addColumn<QString>("texto"); // "" = nothing follows the reply
        const std::optional<QString> ninguno;
        QTest::newRow("terminada") << 0 << false << ninguno << "aviso" << "";
        QTest::newRow("detenida") << 15 << false << ninguno << "" << "Detenido.";
        QTest::newRow("interrumpida") << 0 << true << ninguno << "" << "Detenido.";
        QTest::newRow("interrumpida con error") << 3 << true << ninguno << "boom" << "Detenido.";
        QTest::newRow("muerta") << 9 << false << ninguno << "Traceback: boom"
                                << "La respuesta quedó a medias: Claude se cerró de golpe (código 9). Vuelve a pedírselo.";
        QTest::newRow("muerta sin sesión")
            << 1 << false << ninguno << "Error: Invalid API key · Please run /login\n"
            << "La respuesta quedó a medias:\nClaude no tiene una clave de API válida. Inicia sesión de nuevo desde Ajustes → Configuración.";
        QTest::newRow("vigilancia") << -2 << false << std::optional(TextosTurno::sinSenales()) << ""
                                    << QString(QStringLiteral("La respuesta quedó a medias:\n") + TextosTurno::sinSenales());
    }

    void respuestaCortada()
    {
        QFETCH(int, codigo);
        QFETCH(bool, interrumpido);
        QFETCH(std::optional<QString>, error);
        QFETCH(QString, errores);
        QFETCH(QString, texto);
        QCOMPARE(TextosTurno::respuestaCortada(codigo, interrumpido, error, errores, AgenteCLI::claude).value_or(QString()),
                 texto);
    }

    // Known agent refusals and what the user reads instead.
    void explicarError_data()
    {
        QTest::addColumn<AgenteCLI>("agente");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("frase"); // "" = not known
        const QString sesion = QStringLiteral(" no tiene una sesión iniciada. Inicia sesión desde Ajustes → Configuración.");
        const QString clave = QStringLiteral(" no tiene una clave de API válida. Inicia sesión de nuevo desde Ajustes → Configuración.");
        const QString red = QStringLiteral(" no logra conectarse a internet. Revisa la conexión y vuelve a intentarlo.");
        QTest::newRow("Claude sin sesión") << AgenteCLI::claude << "Not logged in · Please run /login" << "Claude" + sesion;
        QTest::newRow("Claude clave inválida") << AgenteCLI::claude << "Invalid API key · Please run /login"
                                               << "Claude" + clave;
        QTest::newRow("root") << AgenteCLI::claude
                              << "--dangerously-skip-permissions cannot be used with root/sudo privileges for security reasons"
                              << raizSinControlTotal();
        QTest::newRow("Codex sin clave") << AgenteCLI::codex << "Missing environment variable: `OPENAI_API_KEY`."
                                         << "Codex" + clave;
        QTest::newRow("Codex sin sesión") << AgenteCLI::codex << "Not logged in. Run `codex login`." << "Codex" + sesion;
        QTest::newRow("Codex no autorizado") << AgenteCLI::codex << "ERROR: unexpected status 401 Unauthorized: {}"
                                             << "Codex" + sesion;
        QTest::newRow("Codex sin red") << AgenteCLI::codex << "waiting for network..." << "Codex" + red;
        QTest::newRow("Claude sin conexión") << AgenteCLI::claude << "API Error: Unable to connect to API (ECONNREFUSED)"
                                             << "Claude" + red;
        QTest::newRow("sesión que no está en la carpeta")
            << AgenteCLI::claude << "No conversation found with session ID: 5f3c"
            << "Claude no encontró la conversación guardada en la carpeta del proyecto. Vuelve a escribir y empezará una nueva.";
        QTest::newRow("desconocido") << AgenteCLI::claude << "Something odd" << "";
        QTest::newRow("vacío") << AgenteCLI::codex << "" << "";
    }

    void explicarError()
    {
        QFETCH(AgenteCLI, agente);
        QFETCH(QString, texto);
        QTEST(TextosTurno::explicarError(texto, agente).value_or(QString()), "frase");
    }

    void ultimoAviso_data()
    {
        QTest::addColumn<QString>("errores");
        QTest::addColumn<QString>("texto");
        const QString frase = QStringLiteral("El agente dejó de responder.");
        QTest::newRow("sin errores") << "" << frase;
        QTest::newRow("solo blancos") << " \n\n" << frase;
        QTest::newRow("última línea") << "uno\n  dos  \n\n" << frase + "\ndos";
        QTest::newRow("última línea conocida") << "Not logged in · Please run /login\n"
                                               << frase + "\nClaude no tiene una sesión iniciada. Inicia sesión desde "
                                                          "Ajustes → Configuración.";
    }

    void ultimoAviso()
    {
        QFETCH(QString, errores);
        QTEST(TextosTurno::sinSenales(errores, AgenteCLI::claude), "texto");
    }

    void textosFijos()
    {
        QCOMPARE(noInstalado(AgenteCLI::claude),
                 QStringLiteral("Claude no está instalado. Ábrelo desde Ajustes → Configuración."));
        QCOMPARE(noInstalado(AgenteCLI::codex),
                 QStringLiteral("Codex no está instalado. Ábrelo desde Ajustes → Configuración."));
        QCOMPARE(sinCodex(), QStringLiteral("Codex no está instalado: se usa Claude"));
        QCOMPARE(titulo(QStringLiteral("Haz 👋🏽") + QString(60, 'x')),
                 QStringLiteral("Haz 👋🏽") + QString(43, 'x'));
        const QString cien = QString(100, 'p');
        QCOMPARE(tituloFondo(cien), QString(60, 'p'));
        QCOMPARE(pasaAFondo(QStringLiteral("100% %2 ") + cien, 2),
                 QStringLiteral("Claude: «100% %2 ") + QString(22, 'p') + QStringLiteral("» pasa a segundo plano (2 en fondo)"));
        QCOMPARE(terminoEnFondo(cien), QStringLiteral("Claude: terminó en segundo plano «") + QString(30, 'p')
                                           + QStringLiteral("»"));
    }

    void resumen_data()
    {
        QTest::addColumn<std::optional<Trabajo>>("enCurso");
        QTest::addColumn<QList<Trabajo>>("fondo");
        QTest::addColumn<QString>("texto");

        const Trabajo informe{QStringLiteral("Haz un informe"), QStringLiteral("Ejecutando un comando…")};
        const Trabajo web{QStringLiteral("Crea la web"), QStringLiteral("Buscando en internet…")};
        QTest::newRow("nada") << std::optional<Trabajo>() << QList<Trabajo>{} << "No estoy haciendo nada ahora.";
        QTest::newRow("turno y fondo")
            << std::optional(informe) << QList<Trabajo>{web}
            << "Estoy con: Haz un informe, ahora ejecutando un comando. En segundo plano: Crea la web, buscando en "
               "internet.";
        QTest::newRow("sin actividades")
            << std::optional(Trabajo{QString(70, 'x'), {}})
            << QList<Trabajo>{{QStringLiteral("Uno"), {}}, {QStringLiteral("Dos"), QStringLiteral("Pensando…")}}
            << QStringLiteral("Estoy con: ") + QString(60, 'x')
                   + QStringLiteral(". En segundo plano: Uno. En segundo plano: Dos, pensando.");
        QTest::newRow("solo fondo") << std::optional<Trabajo>() << QList<Trabajo>{web}
                                    << "En segundo plano: Crea la web, buscando en internet.";
    }

    void resumen()
    {
        QFETCH(std::optional<Trabajo>, enCurso);
        QFETCH(QList<Trabajo>, fondo);
        QTEST(TextosTurno::resumen(enCurso, fondo), "texto");
    }
};

QTEST_GUILESS_MAIN(TestTextosTurno)
#include "TestTextosTurno.moc"
