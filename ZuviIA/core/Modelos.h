#pragma once

#include <QList>
#include <QString>

#include <optional>

class Ajustes;

// The agent tool of a turn.
enum class AgenteCLI { claude, codex };

// How much the agent may do without asking.
enum class NivelPermiso { responder, editar, total };

// The Claude model of a long-lived session.
enum class ModeloClaude { rapido, calidad, ligero };

QString valorCrudo(AgenteCLI agente);
QString valorCrudo(NivelPermiso nivel);
QString valorCrudo(ModeloClaude modelo);

// Exact raw-value matches; anything else gives no value.
std::optional<AgenteCLI> agenteDesde(const QString& crudo);
std::optional<NivelPermiso> nivelDesde(const QString& crudo);
std::optional<ModeloClaude> modeloDesde(const QString& crudo);

QList<AgenteCLI> todosLosAgentes();
QList<NivelPermiso> todosLosNiveles();
QList<ModeloClaude> todosLosModelos();

// The "modeloClaude" setting, read anew on every call: anything but the
// three raw values reads as rapido.
namespace ModeloClaudeActual {
ModeloClaude leer(const Ajustes& ajustes);
ModeloClaude leer();
void escribir(ModeloClaude modelo, Ajustes& ajustes);
void escribir(ModeloClaude modelo);
}
