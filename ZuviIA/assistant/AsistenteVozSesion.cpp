// The assistant's Claude Code session: its key, reuse and start, kept by
// its GestorSesion, and the warm-up ahead of the first instruction.
#include "assistant/AsistenteVoz.h"
#include "assistant/TextosTurno.h"

#include "assistant/AnfitrionAsistente.h"
#include "assistant/GestorSesion.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"

#include <QPointer>

namespace {

GestorSesion::Pedido pedidoDe(const AsistenteVoz& asistente)
{
    return {asistente.carpeta(), asistente.nivel(), asistente.contextoPersona()};
}

}

ClaveSesion AsistenteVoz::claveSesion(const std::optional<QString>& reanudar) const
{
    return sesiones_->clave(pedidoDe(*this), reanudar);
}

std::shared_ptr<SesionClaude> AsistenteVoz::asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar,
                                                           const std::optional<QUuid>& conversacion)
{
    std::optional<QUuid> de = conversacion;
    if (!de)
        if (const auto actual = almacen_.actual())
            de = actual->id;
    return sesiones_->asegurar(ruta, reanudar, de && turno_->fondoEn(*de), pedidoDe(*this));
}

std::shared_ptr<SesionClaude> AsistenteVoz::sesionClaude() const { return sesiones_->actual(); }
void AsistenteVoz::soltarSesionClaude() { sesiones_->soltar(); }

void AsistenteVoz::precalentar()
{
    // A session Claude Code refuses at start is not worth starting.
    if (agente_ != AgenteCLI::claude || turno_->ejecutando()
        || TextosTurno::rechazaNivel(agente_, nivel_, comoRoot()))
        return;
    anfitrion_->buscarEjecutable(AgenteCLI::claude, [yo = QPointer<AsistenteVoz>(this)](std::optional<QString> ruta) {
        // A turn that started during the search opens its own session.
        if (!yo || !ruta || yo->turno_->ejecutando())
            return;
        const auto actual = yo->almacen_.actual();
        try {
            yo->asegurarSesion(*ruta, actual ? actual->sesionClaude : std::nullopt);
        } catch (const std::exception&) {
            // The next turn starts its own session and reports the failure.
        }
    });
}
