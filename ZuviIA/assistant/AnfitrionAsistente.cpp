#include "assistant/AnfitrionAsistente.h"

#include "assistant/AsistenteVoz.h"

AgenteCLI AnfitrionAsistente::agente() const { return asistente_.agente(); }
void AnfitrionAsistente::setAgente(AgenteCLI agente) { asistente_.setAgente(agente); }
NivelPermiso AnfitrionAsistente::nivel() const { return asistente_.nivel(); }
QString AnfitrionAsistente::carpeta() const { return asistente_.carpeta(); }
std::optional<QString> AnfitrionAsistente::contextoPersona() const { return asistente_.contextoPersona(); }
bool AnfitrionAsistente::leerRespuesta() const { return asistente_.leerRespuesta(); }
bool AnfitrionAsistente::vozPropiaSilenciada() const { return asistente_.vozPropiaSilenciada(); }
QString AnfitrionAsistente::texto() const { return asistente_.texto(); }
void AnfitrionAsistente::setTexto(const QString& texto) { asistente_.setTexto(texto); }

void AnfitrionAsistente::buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo)
{
    listo(buscar ? buscar(agente) : std::nullopt);
}

std::shared_ptr<SesionClaude> AnfitrionAsistente::sesionClaude() const { return asistente_.sesionClaude(); }
void AnfitrionAsistente::soltarSesionClaude() { asistente_.soltarSesionClaude(); }

std::shared_ptr<SesionClaude> AnfitrionAsistente::asegurarSesion(const QString& ruta,
                                                                 const std::optional<QString>& reanudar)
{
    return asistente_.asegurarSesion(ruta, reanudar);
}
