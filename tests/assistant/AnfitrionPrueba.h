#pragma once

#include "assistant/GestorSesion.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"

#include <QMap>
#include <QTest>

#include <utility>

// Stops the turn, its background tasks and every Claude Code process they
// ran (`actual` is the host's foreground session), and waits for them to end.
inline void terminarProcesos(TurnoAgente& turno, std::shared_ptr<SesionClaude> actual)
{
    std::vector<std::shared_ptr<SesionClaude>> sesiones;
    for (const auto& t : turno.enFondo())
        sesiones.push_back(t->sesion);
    if (actual)
        sesiones.push_back(std::move(actual));
    turno.cancelar();
    turno.cancelarFondo();
    for (const auto& s : sesiones) {
        s->cerrar();
        QTRY_VERIFY(!s->enMarcha());
    }
}

// The assistant's side of a turn for tests: plain settings, a recorded
// composer, voice and sound, and real Claude Code sessions kept by the
// assistant's own session rule.
class AnfitrionPrueba : public TurnoAgente::Anfitrion {
public:
    AnfitrionPrueba(Ajustes& ajustes, Reloj& reloj) : sesiones(ajustes, reloj) {}

    AgenteCLI agenteElegido = AgenteCLI::claude;
    NivelPermiso nivelElegido = NivelPermiso::total;
    QString carpetaElegida;
    std::optional<QString> contexto;
    bool leer = true;
    bool silenciada = false;
    bool root = false;
    QString pendiente;
    bool sinCodex = false;
    QMap<AgenteCLI, QString> rutas;

    int dictadosDetenidos = 0;
    QStringList hablado;
    int sonidos = 0;
    int sesionesAbiertas = 0;
    // The production session rule, reaching the turn as the assistant's does.
    GestorSesion sesiones;
    TurnoAgente* turno = nullptr;

    void unir(TurnoAgente& t)
    {
        turno = &t;
        QObject::connect(&sesiones, &GestorSesion::lineaSesion, &t, &TurnoAgente::lineaSesion);
        QObject::connect(&sesiones, &GestorSesion::errorSesion, &t, &TurnoAgente::errorSesion);
        QObject::connect(&sesiones, &GestorSesion::sesionTermino, &t, &TurnoAgente::sesionTermino);
    }

    AgenteCLI agente() const override { return agenteElegido; }
    void setAgente(AgenteCLI agente) override { agenteElegido = agente; }
    NivelPermiso nivel() const override { return nivelElegido; }
    QString carpeta() const override { return carpetaElegida; }
    std::optional<QString> contextoPersona() const override { return contexto; }
    bool leerRespuesta() const override { return leer; }
    bool vozPropiaSilenciada() const override { return silenciada; }
    bool comoRoot() const override { return root; }
    QString texto() const override { return pendiente; }
    void setTexto(const QString& texto) override { pendiente = texto; }
    void detenerDictado() override { ++dictadosDetenidos; }
    void hablar(const QString& texto) override { hablado << texto; }
    void sonarFin() override { ++sonidos; }
    bool faltaCodex() const override { return sinCodex; }

    // With retenerBusqueda the search waits in busqueda until the test answers it.
    bool retenerBusqueda = false;
    std::function<void()> busqueda;

    void buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo) override
    {
        const auto ruta = rutas.contains(agente) ? std::optional(rutas.value(agente)) : std::nullopt;
        if (retenerBusqueda)
            busqueda = [listo, ruta] { listo(ruta); };
        else
            listo(ruta);
    }

    std::shared_ptr<SesionClaude> sesionClaude() const override { return sesiones.actual(); }
    void soltarSesionClaude() override { sesiones.soltar(); }

    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar,
                                                 const QUuid& conversacion) override
    {
        const auto antes = sesiones.actual();
        auto sesion = sesiones.asegurar(ruta, reanudar, turno->fondoEn(conversacion),
                                        {carpetaElegida, nivelElegido, contexto});
        if (sesion != antes)
            ++sesionesAbiertas;
        return sesion;
    }
};
