#include "comun/HogarTemporal.h"
#include "core/ComandosAgente.h"
#include "plataforma/Ajustes.h"

#include <QTest>

using Opcional = std::optional<QString>;
Q_DECLARE_METATYPE(Opcional)

namespace {

const QString P = ComandosAgente::promptSistema();

QStringList claude(const QStringList& despuesDelPrompt, const QString& prompt = P)
{
    return QStringList{"-p", "--output-format", "stream-json", "--verbose", "--append-system-prompt", prompt}
         + despuesDelPrompt;
}

QStringList sesion(const QString& modelo, const QString& prompt, const QStringList& resto)
{
    return QStringList{"-p", "--input-format", "stream-json", "--output-format", "stream-json", "--verbose",
                       "--include-partial-messages", "--model", modelo, "--append-system-prompt", prompt}
         + resto;
}

}

class TestComandosAgente : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

private slots:
    void promptCompleto()
    {
        const QString esperado = QString::fromUtf8(
            "Te llamas Zuvi: eres la asistente de la zuvi inmersiva de inteligencia artificial (si preguntan, "
            "funcionas con Claude de Anthropic). Estás dentro de Zuvi IA, una app de Linux que el usuario maneja "
            "con la voz. Sus mensajes vienen de un dictado: pueden traer errores de transcripción (\"banco "
            "estudios\" = Bambu Studio, \"Suviya\"/\"zuvi ya\" = ZuviIA); interpreta la intención sin comentar "
            "el error. Tu respuesta se lee en voz alta: responde en español de Chile, en una o dos frases cortas "
            "y simples, sin listas, sin rutas de archivos, sin números de serie ni jerga técnica. No le des "
            "instrucciones paso a paso a la persona: hazlo tú. Si de verdad necesitas que haga algo (por ejemplo "
            "activar un permiso), ábrele la pantalla exacta y dile en una frase qué tocar. El objetivo es "
            "construir proyectos y productos. Puede haber varias personas en la zuvi: si una frase claramente "
            "es una conversación entre ellas y no va dirigida a ti, no hagas nada y responde exactamente "
            "«(ignorado)». Si te interrumpen con un pedido nuevo, atiéndelo; lo anterior puede estar siguiendo "
            "en segundo plano. Usa las skills y servidores MCP disponibles (Blender, Office, impresión 3D, "
            "control del computador con las skills zuvi-ia-*). Actúa directamente: si te piden abrir una app, "
            "buscar en Firefox o Chromium, trabajar en Blender o mandar algo a imprimir, hazlo sin pedir "
            "permiso. Solo confirma antes de borrar archivos, comprar, enviar mensajes a otras personas o "
            "publicar algo. Empieza tu respuesta con una frase corta que diga qué vas a hacer.");
        QCOMPARE(P, esperado);
        QVERIFY(!P.contains('\n'));
        QVERIFY(!P.contains("Mac"));
    }

    void listas_data()
    {
        QTest::addColumn<QString>("forma");
        QTest::addColumn<NivelPermiso>("nivel");
        QTest::addColumn<Opcional>("idSesion");
        QTest::addColumn<Opcional>("contexto");
        QTest::addColumn<bool>("bifurcar");
        QTest::addColumn<QVariant>("extra");
        QTest::addColumn<QVariant>("modeloClaude");
        QTest::addColumn<QVariant>("modeloCodex");
        QTest::addColumn<QStringList>("esperado");

        const Opcional nada;
        const QVariant sin;
        const QString instr = "haz una web";
        const QString conCtx = P + "\n\nAna trabaja aquí";
        const QString ctxVacio = P + "\n\n";

        // One-shot Claude Code: the instruction always comes last, after "--".
        QTest::newRow("claude responder") << "claude" << NivelPermiso::responder << nada << nada << false << sin
                                          << sin << sin << claude({"--", instr});
        QTest::newRow("claude editar contexto vacío")
            << "claude" << NivelPermiso::editar << nada << Opcional("") << false << sin << sin << sin
            << claude({"--permission-mode", "acceptEdits", "--", instr}, ctxVacio);
        QTest::newRow("claude total reanudada con contexto")
            << "claude" << NivelPermiso::total << Opcional("abc") << Opcional("Ana trabaja aquí") << true << sin
            << sin << sin
            << claude({"--resume", "abc", "--dangerously-skip-permissions", "--", instr}, conCtx);
        QTest::newRow("claude sin instrucciones extra") << "claude" << NivelPermiso::responder << nada << nada
                                                        << false << QVariant("  ojo  ") << sin << sin
                                                        << claude({"--", instr});

        // One-shot Codex: no resume, model before permissions, prompt last.
        const QString codexUltimo = P + "\n\nInstrucción del usuario: " + instr;
        QTest::newRow("codex responder") << "codex" << NivelPermiso::responder << Opcional("abc") << nada
                                         << false << sin << sin << sin
                                         << QStringList{"exec", "--skip-git-repo-check", codexUltimo};
        QTest::newRow("codex editar con modelo")
            << "codex" << NivelPermiso::editar << nada << nada << false << sin << sin << QVariant(" o3 ")
            << QStringList{"exec", "--skip-git-repo-check", "-m", " o3 ", "--sandbox", "workspace-write", codexUltimo};
        QTest::newRow("codex total con contexto")
            << "codex" << NivelPermiso::total << nada << Opcional("Ana trabaja aquí") << false << sin << sin
            << QVariant("")
            << QStringList{"exec", "--skip-git-repo-check", "--dangerously-bypass-approvals-and-sandbox",
                           conCtx + "\n\nInstrucción del usuario: " + instr};

        // Long-lived session.
        QTest::newRow("sesion nueva") << "sesion" << NivelPermiso::responder << nada << nada << true << sin << sin
                                      << sin << sesion("sonnet", P, {});
        QTest::newRow("sesion bifurcada")
            << "sesion" << NivelPermiso::total << Opcional("s1") << nada << true << sin << QVariant("opus") << sin
            << sesion("opus", P, {"--resume", "s1", "--fork-session", "--dangerously-skip-permissions"});
        QTest::newRow("sesion reanudada editar")
            << "sesion" << NivelPermiso::editar << Opcional("s1") << nada << false << sin << QVariant("haiku")
            << sin << sesion("haiku", P, {"--resume", "s1", "--permission-mode", "acceptEdits"});
        QTest::newRow("Opus con mayúscula es sonnet") << "sesion" << NivelPermiso::responder << nada << nada
                                                      << false << sin << QVariant("Opus") << sin
                                                      << sesion("sonnet", P, {});
        QTest::newRow("extra solo blancos") << "sesion" << NivelPermiso::responder << nada << nada << false
                                            << QVariant(" \n\t \n") << sin << sin << sesion("sonnet", P, {});
        QTest::newRow("extra recortado con contexto")
            << "sesion" << NivelPermiso::responder << nada << Opcional("Ana trabaja aquí") << false
            << QVariant("\n  hablen bajito \n") << sin << sin
            << sesion("sonnet", conCtx + "\n\nInstrucciones de quienes usan esta zuvi: hablen bajito", {});
    }

    void listas()
    {
        QFETCH(QString, forma);
        QFETCH(NivelPermiso, nivel);
        QFETCH(Opcional, idSesion);
        QFETCH(Opcional, contexto);
        QFETCH(bool, bifurcar);
        QFETCH(QVariant, extra);
        QFETCH(QVariant, modeloClaude);
        QFETCH(QVariant, modeloCodex);

        Ajustes ajustes(hogar.en("ajustes-" + QString::fromLatin1(QTest::currentDataTag()) + ".conf"));
        const auto fijar = [&](const char* clave, const QVariant& v) {
            if (v.isValid())
                ajustes.escribir(clave, v);
        };
        fijar("instruccionesExtra", extra);
        fijar("modeloClaude", modeloClaude);
        fijar("modeloCodex", modeloCodex);

        QStringList lista;
        if (forma == "sesion")
            lista = ComandosAgente::argumentosSesion(nivel, idSesion, contexto, ModeloClaudeActual::leer(ajustes),
                                                     bifurcar, ajustes);
        else
            lista = ComandosAgente::argumentos(forma == "codex" ? AgenteCLI::codex : AgenteCLI::claude,
                                               "haz una web", nivel, idSesion, contexto, ajustes);
        QTEST(lista, "esperado");
    }

    void instruccionQueEmpiezaConGuion()
    {
        Ajustes ajustes(hogar.en("guion.conf"));
        const QStringList l = ComandosAgente::argumentos(AgenteCLI::claude, "--version", NivelPermiso::total,
                                                         std::nullopt, std::nullopt, ajustes);
        QCOMPARE(l.last(), QStringLiteral("--version"));
        QCOMPARE(l.at(l.size() - 2), QStringLiteral("--"));
        QCOMPARE(l.indexOf("--"), l.size() - 2);
    }

    void valoresCrudos()
    {
        for (AgenteCLI a : todosLosAgentes())
            QCOMPARE(agenteDesde(valorCrudo(a)), std::optional(a));
        for (NivelPermiso n : todosLosNiveles())
            QCOMPARE(nivelDesde(valorCrudo(n)), std::optional(n));
        QCOMPARE(valorCrudo(ModeloClaude::calidad), QStringLiteral("opus"));
        QVERIFY(!nivelDesde("Total").has_value());
        QVERIFY(!agenteDesde("").has_value());

        Ajustes ajustes(hogar.en("modelo.conf"));
        QCOMPARE(ModeloClaudeActual::leer(ajustes), ModeloClaude::rapido);
        ModeloClaudeActual::escribir(ModeloClaude::ligero, ajustes);
        QCOMPARE(ajustes.texto("modeloClaude"), QStringLiteral("haiku"));
        QCOMPARE(ModeloClaudeActual::leer(ajustes), ModeloClaude::ligero);
    }
};

QTEST_GUILESS_MAIN(TestComandosAgente)
#include "TestComandosAgente.moc"
