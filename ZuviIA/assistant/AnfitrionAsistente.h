#pragma once

#include "assistant/TurnoAgente.h"

class AsistenteVoz;
class EstadoIA;
class Sonidos;

// The assistant's side of its agent turns: its settings, composer, Claude
// Code session, dictation, reading aloud, the end sound and the tool
// detection.
class AnfitrionAsistente : public TurnoAgente::Anfitrion {
public:
    AnfitrionAsistente(AsistenteVoz& asistente, EstadoIA& deteccion, Sonidos& sonidos)
        : asistente_(asistente), deteccion_(deteccion), sonidos_(sonidos) {}

    // "claude-code" or "codex-cli": the catalogue entry of an agent.
    static QString herramientaDe(AgenteCLI agente);

    AgenteCLI agente() const override;
    void setAgente(AgenteCLI agente) override;
    NivelPermiso nivel() const override;
    QString carpeta() const override;
    std::optional<QString> contextoPersona() const override;
    bool leerRespuesta() const override;
    bool vozPropiaSilenciada() const override;
    bool comoRoot() const override;
    QString texto() const override;
    void setTexto(const QString& texto) override;
    void detenerDictado() override;
    void hablar(const QString& texto) override;
    // "Glass"; a sound server that cannot play it is only logged.
    void sonarFin() override;
    bool faltaCodex() const override;
    // The latest detection when it found the agent, else a fresh search on
    // the pool whose answer comes back on the GUI thread (and is dropped
    // when the assistant is gone by then).
    void buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo) override;
    std::shared_ptr<SesionClaude> sesionClaude() const override;
    void soltarSesionClaude() override;
    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar,
                                                 const QUuid& conversacion) override;

private:
    AsistenteVoz& asistente_;
    EstadoIA& deteccion_;
    Sonidos& sonidos_;
};
