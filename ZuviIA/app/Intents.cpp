#include "app/Intents.h"

#include "app/AppRouter.h"
#include "app/Enlaces.h"
#include "assistant/AsistenteVoz.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto esperaAbrir = 800ms;

struct Opcion {
    const char* nombre;
    Intents::Tipo tipo;
};
constexpr Opcion opciones[] = {
    {"--abrir", Intents::Tipo::abrirZuviIA},
    {"--modo-proyectos", Intents::Tipo::modoProyectos},
    {"--dictar", Intents::Tipo::dictar},
    {"--nuevo-proyecto", Intents::Tipo::nuevoProyecto},
    {"--enviar", Intents::Tipo::enviarInstruccion},
};

const QString prefijo = QStringLiteral("intento ");

}

Intents::Intents(const Entorno& entorno, std::function<void()> activar, QObject* parent)
    : QObject(parent), entorno_(entorno), activar_(std::move(activar))
{
}

void Intents::abrirZuviIA()
{
    if (activar_)
        activar_();
    entorno_.reloj
        .despues(esperaAbrir, this,
                 [this] {
                     if (entorno_.modo.activo())
                         return;
                     entorno_.ajustes.escribir(QStringLiteral("escuchaSiempre"), true);
                     entorno_.modo.escucharSiempre();
                 })
        .soltar();
}

void Intents::modoProyectos()
{
    entorno_.modo.iniciar();
}

void Intents::dictar()
{
    if (activar_)
        activar_();
    entorno_.enrutador().setDictadoPendiente(true);
}

void Intents::nuevoProyecto()
{
    entorno_.modo.proyectoNuevo();
    if (activar_)
        activar_();
    entorno_.enrutador().setDictadoPendiente(true);
}

std::optional<QString> Intents::enviarInstruccion(const QString& instruccion, const QString& agente)
{
    const std::optional<AgenteCLI> elegido = agenteDe(agente);
    if (!elegido) {
        Registro::anotar(QStringLiteral("Intento «Enviar instrucción» rechazado: agente desconocido «%1»").arg(agente));
        return errorAgente(agente);
    }
    if (activar_)
        activar_();
    entorno_.asistente.setAgente(*elegido);
    // A refused send (empty, or a turn running) is not reported.
    entorno_.asistente.enviar(instruccion, std::nullopt, std::nullopt);
    return std::nullopt;
}

std::optional<QString> Intents::ejecutar(const Pedido& pedido)
{
    switch (pedido.tipo) {
    case Tipo::abrirZuviIA:
        abrirZuviIA();
        break;
    case Tipo::modoProyectos:
        modoProyectos();
        break;
    case Tipo::dictar:
        dictar();
        break;
    case Tipo::nuevoProyecto:
        nuevoProyecto();
        break;
    case Tipo::enviarInstruccion:
        return enviarInstruccion(pedido.instruccion, pedido.agente);
    }
    return std::nullopt;
}

std::optional<AgenteCLI> Intents::agenteDe(const QString& texto)
{
    if (texto.trimmed().isEmpty())
        return AgenteCLI::claude;
    // Folding drops digits and punctuation: a text made only of them is no
    // agent's name, not the default.
    const QString t = Texto::plegar(texto).simplified();
    if (t == u"claude" || t == u"claude code")
        return AgenteCLI::claude;
    if (t == u"codex" || t == u"chatgpt")
        return AgenteCLI::codex;
    return std::nullopt;
}

QString Intents::errorAgente(const QString& texto)
{
    return QStringLiteral("No conozco el agente «%1»: elige «claude» (Claude Code) o «codex» (Codex).").arg(texto);
}

std::optional<Intents::Pedido> Intents::deArgumentos(const QStringList& argumentos, QString* error)
{
    std::optional<Pedido> pedido;
    std::optional<QString> agente;
    auto valor = [&](qsizetype& i) -> std::optional<QString> {
        if (i + 1 >= argumentos.size())
            return std::nullopt;
        return argumentos[++i];
    };
    for (qsizetype i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        if (const int n = Enlaces::argumentosDeQt(a)) {
            i += n - 1;
            continue;
        }
        if (a == u"--agente") {
            agente = valor(i);
            if (!agente) {
                *error = QStringLiteral("Falta el agente después de --agente: «claude» o «codex».");
                return std::nullopt;
            }
            continue;
        }
        const auto o = std::find_if(std::begin(opciones), std::end(opciones),
                                    [&](const Opcion& op) { return a == QLatin1String(op.nombre); });
        if (o == std::end(opciones)) {
            if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
                *error = QStringLiteral("Opción desconocida «%1»: «zuviia --help» muestra las que hay.").arg(a);
                return std::nullopt;
            }
            continue;
        }
        if (pedido) {
            *error = QStringLiteral("Pide una sola acción cada vez.");
            return std::nullopt;
        }
        pedido = Pedido{o->tipo, {}, {}};
        if (o->tipo == Tipo::enviarInstruccion) {
            const auto instruccion = valor(i);
            if (!instruccion) {
                *error = QStringLiteral("Falta la instrucción después de --enviar.");
                return std::nullopt;
            }
            pedido->instruccion = *instruccion;
        }
    }
    if (agente && (!pedido || pedido->tipo != Tipo::enviarInstruccion)) {
        *error = QStringLiteral("--agente solo acompaña a --enviar.");
        return std::nullopt;
    }
    if (pedido && agente) {
        if (!agenteDe(*agente)) {
            *error = errorAgente(*agente);
            return std::nullopt;
        }
        pedido->agente = *agente;
    }
    return pedido;
}

bool Intents::pideAyuda(const QStringList& argumentos)
{
    return argumentos.mid(1).contains(QLatin1String("--help")) || argumentos.mid(1).contains(QLatin1String("-h"));
}

QString Intents::ayuda()
{
    return QStringLiteral(
        "Uso: zuviia [OPCIÓN] [ENLACE]\n"
        "Zuvi IA: una sala de voz que pasa lo que pides a un agente de programación y te responde en voz alta.\n"
        "\n"
        "  --abrir                  abre Zuvi IA y deja la escucha siempre encendida\n"
        "  --modo-proyectos         abre el modo proyectos\n"
        "  --dictar                 abre la ventana y empieza a dictar una instrucción\n"
        "  --nuevo-proyecto         empieza un proyecto nuevo y dicta su primera instrucción\n"
        "  --enviar INSTRUCCIÓN     envía una instrucción al agente\n"
        "  --agente AGENTE          con --enviar: «claude» (Claude Code) o «codex» (Codex)\n"
        "  --version                muestra la versión y termina\n"
        "  -h, --help               muestra esta ayuda y termina\n"
        "\n"
        "ENLACE es un enlace «zuviia:», por ejemplo zuviia://modo-proyectos.\n"
        "Si Zuvi IA ya está abierto, la opción o el enlace se le entregan a esa ventana.\n");
}

std::optional<QString> Intents::validarLinea(const QByteArray& linea)
{
    const auto pedido = decodificar(linea);
    if (!pedido)
        return QStringLiteral("intento ilegible");
    if (pedido->tipo == Tipo::enviarInstruccion && !agenteDe(pedido->agente))
        return errorAgente(pedido->agente);
    return std::nullopt;
}

QByteArray Intents::codificar(const Pedido& pedido)
{
    QJsonObject o{{QStringLiteral("tipo"), int(pedido.tipo)}};
    if (pedido.tipo == Tipo::enviarInstruccion) {
        o.insert(QStringLiteral("instruccion"), pedido.instruccion);
        o.insert(QStringLiteral("agente"), pedido.agente);
    }
    return prefijo.toUtf8() + QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<Intents::Pedido> Intents::decodificar(const QByteArray& linea)
{
    if (!linea.startsWith(prefijo.toUtf8()))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(linea.mid(prefijo.size()));
    const QJsonValue tipo = doc.object().value(QStringLiteral("tipo"));
    if (!doc.isObject() || !tipo.isDouble())
        return std::nullopt;
    const int n = tipo.toInt(-1);
    if (n < int(Tipo::abrirZuviIA) || n > int(Tipo::enviarInstruccion))
        return std::nullopt;
    return Pedido{Tipo(n), doc.object().value(QStringLiteral("instruccion")).toString(),
                  doc.object().value(QStringLiteral("agente")).toString()};
}
