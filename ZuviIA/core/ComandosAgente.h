#pragma once

#include "core/Modelos.h"

#include <QStringList>

#include <optional>

class Ajustes;

// The argument lists of the agent programs (never the executable itself)
// around the assistant's fixed system prompt. Settings that shape a line
// ("modeloClaude", "modeloCodex", "instruccionesExtra") are read on every call.
namespace ComandosAgente {

const QString& promptSistema();

// One process that runs one turn and exits. Codex ignores `sesion`.
QStringList argumentos(AgenteCLI agente, const QString& instruccion, NivelPermiso nivel,
                       const std::optional<QString>& sesion, const std::optional<QString>& contexto,
                       const Ajustes& ajustes);
QStringList argumentos(AgenteCLI agente, const QString& instruccion, NivelPermiso nivel,
                       const std::optional<QString>& sesion, const std::optional<QString>& contexto);

// A long-lived Claude Code session reading its turns as JSON lines.
QStringList argumentosSesion(NivelPermiso nivel, const std::optional<QString>& sesion,
                             const std::optional<QString>& contexto, ModeloClaude modelo, bool bifurcar,
                             const Ajustes& ajustes);
QStringList argumentosSesion(NivelPermiso nivel, const std::optional<QString>& sesion,
                             const std::optional<QString>& contexto, ModeloClaude modelo, bool bifurcar);

// Permission options of a level for each program.
QStringList permisosClaude(NivelPermiso nivel);
QStringList permisosCodex(NivelPermiso nivel);

}
