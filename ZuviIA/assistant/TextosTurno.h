#pragma once

#include "core/Modelos.h"

#include <QList>
#include <QString>

#include <optional>

// The fixed texts of an agent turn and the rules that pick them.
namespace TextosTurno {

// Exit codes that do not come from a process.
inline constexpr int codigoLanzamiento = -1; // the session or the process did not start
inline constexpr int codigoVigilancia = -2;  // the watchdog closed a silent turn
inline constexpr int codigoCancelado = 15;   // cancelled (also a terminated Codex process)

// The watchdog's error text; with error text of the agent, its last line
// follows (as a sentence when it is a known refusal), so the user sees why.
QString sinSenales(const QString& errores = QString(), AgenteCLI agente = AgenteCLI::claude);

// Known refusals of the agents (not logged in, no API key, no network,
// full control as root) as a short Spanish sentence that says what to do;
// none for any other text.
std::optional<QString> explicarError(const QString& texto, AgenteCLI agente);

// Claude Code refuses to skip permissions for root: level "total" is
// refused before launching, never lowered behind the user's back.
bool rechazaNivel(AgenteCLI agente, NivelPermiso nivel, bool comoRoot);
QString raizSinControlTotal();

// What a reply that is still empty (trimmed) at the end of a turn reads
// instead; none when it has text. `error` is the text handed to the end of
// the turn, `errores` the standard error collected during it; `error` wins
// when given, even empty.
// A known refusal in `errores` reads as its sentence.
std::optional<QString> respuestaVacia(const QString& respuesta, int codigo, bool interrumpido,
                                      const std::optional<QString>& error, const QString& errores,
                                      AgenteCLI agente);

// The line that follows a reply with text that did not finish: "Detenido."
// when the user stopped it, a Spanish error when the agent died or went
// silent; none when the agent finished (code 0 and no error).
std::optional<QString> respuestaCortada(int codigo, bool interrumpido, const std::optional<QString>& error,
                                        const QString& errores, AgenteCLI agente);

// The error message of a turn whose agent has no executable.
QString noInstalado(AgenteCLI agente);

// The log line of the Codex fallback.
QString sinCodex();

// A conversation's title from the first shown text.
QString titulo(const QString& mostrado);

// A background task's title from its instruction.
QString tituloFondo(const QString& pedido);

// The text of a background message that ended without any.
QString fondoSinRespuesta();

// Log lines of background tasks.
QString pasaAFondo(const QString& titulo, int enFondo);
QString terminoEnFondo(const QString& titulo);

// One piece of work for the spoken summary: what was asked and the phrase
// of what it is doing now.
struct Trabajo {
    QString que;
    std::optional<QString> actividad;
};

// `resumenTrabajo`: the running turn (when there is one) and the
// background tasks, oldest first.
QString resumen(const std::optional<Trabajo>& enCurso, const QList<Trabajo>& fondo);

}
