#pragma once

#include "setup/EstadoPaso.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The installer's fixed script texts and the rules that read their results.
// Scripts never hold a user's value: paths and names travel as positional
// parameters ($1, $2...) so no quote or "%" in them can change the script.
namespace ScriptsInstalador {

// The first line of every script: the user's tool folders before $PATH.
QString lineaPath();
// lineaPath() followed by the command, as the login shell runs it.
QString completo(const QString& comando);

// Whether the agent can be installed on this system at all (the Claude
// desktop application has no Linux build).
bool instalable(Agente a);
// Install scripts of the agent tools (none stops at the first error).
QString instalarAgente(Agente a);
// The command that asks the agent for the word OK.
QString prueba(Agente a);
// What the sign-in terminal runs.
QString inicioSesion(Agente a);

// True when the answer holds "ok" as a word of its own, in any case.
bool respondioOk(const QString& salida);
// The test's error text for a failed run or an answer without "ok".
QString falloPrueba(const QString& salida, bool agotado, std::chrono::milliseconds limite);
// The state of an agent after its install script and a new detection.
EstadoPaso trasInstalar(bool detectado, const std::optional<QString>& version, bool ok, bool agotado,
                        std::chrono::milliseconds limite);
// " Se detuvo tras N min sin terminar." style sentence.
QString agotado(std::chrono::milliseconds limite);

// Prints "blender", "flatpak" or "snap" for the Blender found, or nothing.
QString sondaBlender();
// The Blender connection: $1 the add-on's git repository, $2 its tag.
QString conectarBlender();
inline constexpr const char* repositorioBlenderMcp = "https://projects.blender.org/lab/blender_mcp.git";
inline constexpr const char* etiquetaBlenderMcp = "v1.0.0";

// The neural voice: $1 the voice folder, $2 the voice model, $3 the name
// of the completion marker, written last, $4 the design model, $5 the voice
// service (its check run loads the model before the marker is written),
// $6 the download in GB. A step that fails for a reason the user can act on
// prints it on a line of its own starting with "✗ ".
QString instalarVoz();
// What the voice step shows of a failed install: the script's own reason,
// the time limit, or a pointer to the log.
QString falloVoz(const QString& salida, bool agotado, std::chrono::milliseconds limite);

// Terminal emulators tried for the sign-in, in order.
QStringList terminales();
// The arguments that make `terminal` run `programa` with its arguments.
QStringList argumentosTerminal(const QString& terminal, const QStringList& programa);

}
