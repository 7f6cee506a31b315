#pragma once

#include "assistant/TurnoAgente.h"

class AsistenteVoz;

// The assistant's side of its agent turns: its settings, composer and
// Claude Code session. Dictation, reading aloud, the end sound and tool
// detection are not wired yet: the finder answers none until detection
// sets `buscar`.
class AnfitrionAsistente : public TurnoAgente::Anfitrion {
public:
    explicit AnfitrionAsistente(AsistenteVoz& asistente) : asistente_(asistente) {}

    // The executable of an agent, as detection finds it.
    std::function<std::optional<QString>(AgenteCLI)> buscar;
    std::function<bool()> sinCodex;

    AgenteCLI agente() const override;
    void setAgente(AgenteCLI agente) override;
    NivelPermiso nivel() const override;
    QString carpeta() const override;
    std::optional<QString> contextoPersona() const override;
    bool leerRespuesta() const override;
    bool vozPropiaSilenciada() const override;
    QString texto() const override;
    void setTexto(const QString& texto) override;
    void detenerDictado() override {}
    void hablar(const QString&) override {}
    void sonarFin() override {}
    bool faltaCodex() const override { return sinCodex && sinCodex(); }
    void buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo) override;
    std::shared_ptr<SesionClaude> sesionClaude() const override;
    void soltarSesionClaude() override;
    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar) override;

private:
    AsistenteVoz& asistente_;
};
