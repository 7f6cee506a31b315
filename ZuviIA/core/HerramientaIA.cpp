#include "core/HerramientaIA.h"

#include <QHashFunctions>

namespace {

HerramientaIA app(const char* id, const char* nombre, HerramientaIA::Proveedor proveedor, const char* bundle,
                  QStringList entradas)
{
    return {QString::fromUtf8(id), QString::fromUtf8(nombre), HerramientaIA::Tipo::app, proveedor,
            {QString::fromUtf8(bundle)}, std::nullopt, std::move(entradas)};
}

HerramientaIA cli(const char* id, const char* nombre, HerramientaIA::Proveedor proveedor, const char* comando)
{
    return {QString::fromUtf8(id), QString::fromUtf8(nombre), HerramientaIA::Tipo::cli, proveedor, {},
            QString::fromUtf8(comando), {}};
}

size_t hashOpcional(const std::optional<QString>& texto, size_t semilla)
{
    return texto ? qHashMulti(semilla, true, *texto) : qHash(false, semilla);
}

}

const QList<HerramientaIA>& HerramientaIA::catalogo()
{
    using P = HerramientaIA::Proveedor;
    static const QList<HerramientaIA> lista{
        app("claude-app", "Claude", P::anthropic, "com.anthropic.claudefordesktop",
            {QStringLiteral("claude-desktop.desktop"), QStringLiteral("claude.desktop")}),
        cli("claude-code", "Claude Code", P::anthropic, "claude"),
        app("codex-app", "Codex", P::openAI, "com.openai.codex", {QStringLiteral("codex.desktop")}),
        cli("codex-cli", "Codex CLI", P::openAI, "codex"),
        app("chatgpt-app", "ChatGPT", P::openAI, "com.openai.chat",
            {QStringLiteral("chatgpt.desktop"), QStringLiteral("chatgpt-desktop.desktop")}),
    };
    return lista;
}

std::optional<HerramientaIA> HerramientaIA::porId(const QString& id)
{
    for (const auto& h : catalogo())
        if (h.id == id)
            return h;
    return std::nullopt;
}

QString valorCrudo(HerramientaIA::Proveedor proveedor)
{
    return proveedor == HerramientaIA::Proveedor::anthropic ? QStringLiteral("Anthropic") : QStringLiteral("OpenAI");
}

size_t qHash(const HerramientaIA& h, size_t semilla)
{
    semilla = qHashMulti(semilla, h.id, h.nombre, static_cast<int>(h.tipo), static_cast<int>(h.proveedor),
                         h.bundleIDs, h.entradasEscritorio);
    return hashOpcional(h.comando, semilla);
}

size_t qHash(const Deteccion& d, size_t semilla)
{
    return hashOpcional(d.version, hashOpcional(d.ruta, qHash(d.herramienta, semilla)));
}
