#include "core/ComandosAgente.h"

#include "plataforma/Ajustes.h"

namespace {

QString conContexto(const std::optional<QString>& contexto)
{
    QString prompt = ComandosAgente::promptSistema();
    if (contexto)
        prompt += QStringLiteral("\n\n") + *contexto;
    return prompt;
}

}

namespace ComandosAgente {

const QString& promptSistema()
{
    static const QString prompt = QStringList{
        QStringLiteral("Te llamas Zuvi: eres la asistente de la zuvi inmersiva de inteligencia artificial (si preguntan, funcionas con Claude de Anthropic)."),
        QStringLiteral("Estás dentro de Zuvi IA, una app de Linux que el usuario maneja con la voz."),
        QStringLiteral("Sus mensajes vienen de un dictado: pueden traer errores de transcripción (\"banco estudios\" = Bambu Studio, \"Suviya\"/\"zuvi ya\" = ZuviIA); interpreta la intención sin comentar el error."),
        QStringLiteral("Tu respuesta se lee en voz alta: responde en español de Chile, en una o dos frases cortas y simples, sin listas, sin rutas de archivos, sin números de serie ni jerga técnica."),
        QStringLiteral("No le des instrucciones paso a paso a la persona: hazlo tú."),
        QStringLiteral("Si de verdad necesitas que haga algo (por ejemplo activar un permiso), ábrele la pantalla exacta y dile en una frase qué tocar."),
        QStringLiteral("El objetivo es construir proyectos y productos."),
        QStringLiteral("Puede haber varias personas en la zuvi: si una frase claramente es una conversación entre ellas y no va dirigida a ti, no hagas nada y responde exactamente «(ignorado)»."),
        QStringLiteral("Si te interrumpen con un pedido nuevo, atiéndelo; lo anterior puede estar siguiendo en segundo plano."),
        QStringLiteral("Usa las skills y servidores MCP disponibles (Blender, Office, impresión 3D, control del computador con las skills zuvi-ia-*)."),
        QStringLiteral("Actúa directamente: si te piden abrir una app, buscar en Firefox o Chromium, trabajar en Blender o mandar algo a imprimir, hazlo sin pedir permiso."),
        QStringLiteral("Solo confirma antes de borrar archivos, comprar, enviar mensajes a otras personas o publicar algo."),
        QStringLiteral("Empieza tu respuesta con una frase corta que diga qué vas a hacer."),
    }.join(QLatin1Char(' '));
    return prompt;
}

QStringList permisosClaude(NivelPermiso nivel)
{
    switch (nivel) {
    case NivelPermiso::responder:
        return {};
    case NivelPermiso::editar:
        return {QStringLiteral("--permission-mode"), QStringLiteral("acceptEdits")};
    case NivelPermiso::total:
        return {QStringLiteral("--dangerously-skip-permissions")};
    }
    return {};
}

QStringList permisosCodex(NivelPermiso nivel)
{
    switch (nivel) {
    case NivelPermiso::responder:
        return {};
    case NivelPermiso::editar:
        // Current codex exec has no --full-auto; this is its equivalent.
        return {QStringLiteral("--sandbox"), QStringLiteral("workspace-write")};
    case NivelPermiso::total:
        return {QStringLiteral("--dangerously-bypass-approvals-and-sandbox")};
    }
    return {};
}

QStringList argumentos(AgenteCLI agente, const QString& instruccion, NivelPermiso nivel,
                       const std::optional<QString>& sesion, const std::optional<QString>& contexto,
                       const Ajustes& ajustes)
{
    const QString prompt = conContexto(contexto);
    if (agente == AgenteCLI::codex) {
        QStringList lista{QStringLiteral("exec"), QStringLiteral("--skip-git-repo-check")};
        const QString modelo = ajustes.texto(QStringLiteral("modeloCodex"));
        if (!modelo.isEmpty())
            lista << QStringLiteral("-m") << modelo;
        lista << permisosCodex(nivel);
        lista << prompt + QStringLiteral("\n\nInstrucción del usuario: ") + instruccion;
        return lista;
    }
    QStringList lista{QStringLiteral("-p"), QStringLiteral("--output-format"), QStringLiteral("stream-json"),
                      QStringLiteral("--verbose"), QStringLiteral("--append-system-prompt"), prompt};
    if (sesion)
        lista << QStringLiteral("--resume") << *sesion;
    lista << permisosClaude(nivel);
    // After "--" the instruction is always the prompt, even when it starts with "-".
    lista << QStringLiteral("--") << instruccion;
    return lista;
}

QStringList argumentos(AgenteCLI agente, const QString& instruccion, NivelPermiso nivel,
                       const std::optional<QString>& sesion, const std::optional<QString>& contexto)
{
    return argumentos(agente, instruccion, nivel, sesion, contexto, Ajustes::shared());
}

QStringList argumentosSesion(NivelPermiso nivel, const std::optional<QString>& sesion,
                             const std::optional<QString>& contexto, ModeloClaude modelo, bool bifurcar,
                             const Ajustes& ajustes)
{
    QString prompt = conContexto(contexto);
    const QString extra = ajustes.texto(QStringLiteral("instruccionesExtra")).trimmed();
    if (!extra.isEmpty())
        prompt += QStringLiteral("\n\nInstrucciones de quienes usan esta zuvi: ") + extra;

    QStringList lista{QStringLiteral("-p"),
                      QStringLiteral("--input-format"),
                      QStringLiteral("stream-json"),
                      QStringLiteral("--output-format"),
                      QStringLiteral("stream-json"),
                      QStringLiteral("--verbose"),
                      QStringLiteral("--include-partial-messages"),
                      QStringLiteral("--model"),
                      valorCrudo(modelo),
                      QStringLiteral("--append-system-prompt"),
                      prompt};
    if (sesion) {
        lista << QStringLiteral("--resume") << *sesion;
        if (bifurcar)
            lista << QStringLiteral("--fork-session");
    }
    lista << permisosClaude(nivel);
    return lista;
}

QStringList argumentosSesion(NivelPermiso nivel, const std::optional<QString>& sesion,
                             const std::optional<QString>& contexto, ModeloClaude modelo, bool bifurcar)
{
    return argumentosSesion(nivel, sesion, contexto, modelo, bifurcar, Ajustes::shared());
}

}
