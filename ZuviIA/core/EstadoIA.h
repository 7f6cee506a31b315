#pragma once

#include "core/HerramientaIA.h"
#include "core/Modelos.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class Ajustes;
class Reloj;

// The latest detection results, on the GUI thread. Nothing is persisted.
class EstadoIA : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Deteccion> detecciones READ detecciones NOTIFY deteccionesChanged)
    Q_PROPERTY(bool buscando READ buscando NOTIFY buscandoChanged)
    Q_PROPERTY(QDateTime ultimaBusqueda READ ultimaBusqueda NOTIFY ultimaBusquedaChanged)

public:
    // Blocks while it runs; called on a pool thread.
    using Busqueda = std::function<QList<Deteccion>()>;

    // The assistant's chosen agent, read and written on the GUI thread.
    struct Agente {
        std::function<AgenteCLI()> leer;
        std::function<void(AgenteCLI)> escribir;
    };

    EstadoIA(Reloj& reloj, Busqueda busqueda, Agente agente, QObject* parent = nullptr);
    static EstadoIA& shared();

    const QList<Deteccion>& detecciones() const { return detecciones_; }
    bool buscando() const { return buscando_; }
    QDateTime ultimaBusqueda() const { return ultimaBusqueda_; }   // invalid until a search ends
    std::optional<Deteccion> deteccion(const QString& id) const;

    // Runs the search off the GUI thread, publishes the results, then
    // applies the agent rule. While one runs, a new call returns at once.
    void buscar();

    // Where the agent rule reads and writes the chosen agent.
    void fijarAgente(Agente agente);

    // Codex without its command-line tool falls back to Claude Code: the
    // agent to switch to, or none to leave it.
    static std::optional<AgenteCLI> reglaAgente(AgenteCLI actual, const QList<Deteccion>& detecciones);

    // The "agente" setting ("codex" or anything else for Claude Code),
    // the hook used until the assistant takes over.
    static Agente agenteEnAjustes(Ajustes& ajustes);

signals:
    void deteccionesChanged();
    void buscandoChanged();
    void ultimaBusquedaChanged();
    // After the results are published and the agent rule applied.
    void busquedaTerminada();

private:
    void publicar(const QList<Deteccion>& resultados);
    void setBuscando(bool valor);

    Reloj& reloj_;
    Busqueda busqueda_;
    Agente agente_;
    QList<Deteccion> detecciones_;
    bool buscando_ = false;
    QDateTime ultimaBusqueda_;
};
