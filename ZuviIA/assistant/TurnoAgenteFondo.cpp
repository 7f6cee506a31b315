// The turns moved to the background: each keeps its own Claude Code session
// and writes into its own agent message while the foreground goes on.

#include "assistant/TurnoAgente.h"

#include "assistant/SesionClaude.h"
#include "assistant/TextosTurno.h"
#include "core/Almacen.h"
#include "core/Registro.h"

#include <algorithm>
#include <utility>

bool TurnoAgente::pasarASegundoPlano()
{
    const auto sesion = anfitrion_.sesionClaude();
    if (!ejecutando_ || agenteTurno_ != AgenteCLI::claude || !sesion || !enCurso_)
        return false;
    auto tarea = std::make_shared<TareaFondo>();
    tarea->sesion = sesion;
    tarea->conversacion = enCurso_->conversacion;
    tarea->mensaje = enCurso_->mensaje;
    tarea->titulo = TextosTurno::tituloFondo(ultimoPedido_);
    enFondo_.push_back(tarea);
    emit enFondoCambiado();

    anfitrion_.soltarSesionClaude();
    enCurso_.reset();
    vigilancia_.cancelar();
    setEjecutando(false);
    setActividad(std::nullopt);
    Registro::anotar(TextosTurno::pasaAFondo(tarea->titulo, int(enFondo_.size())));
    return true;
}

void TurnoAgente::cancelarFondo()
{
    if (enFondo_.empty())
        return;
    const auto tareas = std::exchange(enFondo_, {});
    for (const auto& tarea : tareas) {
        tarea->sesion->interrumpir();
        tarea->sesion->cerrar();
        // A task stopped before it wrote anything reads as a stopped turn,
        // never as an empty answer.
        almacen_.cambiar(tarea->conversacion, false, [&](Conversacion& c) {
            Mensaje* m = mensajeDe(c, tarea->mensaje);
            if (m && m->texto.trimmed().isEmpty()) {
                m->rol = Mensaje::Rol::error;
                m->texto = *TextosTurno::respuestaVacia(m->texto, TextosTurno::codigoCancelado, true,
                                                        std::nullopt, QString(), AgenteCLI::claude);
            }
        });
    }
    almacen_.guardar();
    emit enFondoCambiado();
}

QString TurnoAgente::resumenTrabajo() const
{
    std::optional<TextosTurno::Trabajo> actual;
    if (ejecutando_)
        actual = TextosTurno::Trabajo{ultimoPedido_, actividad_};
    QList<TextosTurno::Trabajo> fondo;
    for (const auto& tarea : enFondo_)
        fondo << TextosTurno::Trabajo{tarea->titulo, tarea->actividad};
    return TextosTurno::resumen(actual, fondo);
}

bool TurnoAgente::fondoEn(const QUuid& conversacion) const
{
    return std::any_of(enFondo_.begin(), enFondo_.end(),
                       [&](const auto& tarea) { return tarea->conversacion == conversacion; });
}

std::shared_ptr<TareaFondo> TurnoAgente::tareaDe(const QUuid& sesion) const
{
    for (const auto& tarea : enFondo_)
        if (tarea->sesion->id() == sesion)
            return tarea;
    return nullptr;
}

void TurnoAgente::eventoFondo(const QString& linea, const std::shared_ptr<TareaFondo>& tarea)
{
    const EventosFlujo::EfectosFondo efectos = EventosFlujo::interpretarFondo(linea);
    if (efectos.huboDelta)
        tarea->huboDeltas = true;
    if (!efectos.anexo.isEmpty())
        anexar(tarea->conversacion, tarea->mensaje, efectos.anexo, false);
    if (efectos.actividad)
        tarea->actividad = efectos.actividad;
    if (efectos.fin)
        terminarFondo(tarea, efectos.fin);
}

void TurnoAgente::terminarFondo(const std::shared_ptr<TareaFondo>& tarea,
                                const std::optional<EventosFlujo::Resultado>& fin)
{
    const auto donde = std::find(enFondo_.begin(), enFondo_.end(), tarea);
    if (donde == enFondo_.end())
        return;
    enFondo_.erase(donde);
    emit enFondoCambiado();
    tarea->sesion->cerrar();

    const QString final = fin ? fin->texto.trimmed() : QString();
    almacen_.cambiar(tarea->conversacion, true, [&](Conversacion& c) {
        Mensaje* m = mensajeDe(c, tarea->mensaje);
        if (!m)
            return;
        if (!final.isEmpty())
            m->texto = final;
        if (m->texto.trimmed().isEmpty()) {
            m->texto = TextosTurno::fondoSinRespuesta();
            m->rol = Mensaje::Rol::error;
        }
        // A failed task is an error, as in the foreground.
        if (fin && fin->esError)
            m->rol = Mensaje::Rol::error;
    });
    Registro::anotar(TextosTurno::terminoEnFondo(tarea->titulo));
    if (alTerminarFondo)
        alTerminarFondo(tarea->titulo, final);
}
