#pragma once

#include "assistant/AnfitrionPrueba.h"
#include "comun/AgenteFalso.h"
#include "comun/ModelosPrueba.h"

#include <chrono>
#include <functional>
#include <memory>

// The room over the real models, its scripted engine and the fake agent
// installed as Claude Code and Codex.
struct SalaPrueba {
    ModelosPrueba m;
    std::unique_ptr<AgenteFalso> agente;

    void abrir()
    {
        m.abrir();
        agente = std::make_unique<AgenteFalso>(m.hogar);
        agente->cerrarPuertas();
        m.asistente->setCarpeta(m.hogar.ruta());
        m.asistente->setNivel(NivelPermiso::editar);
    }

    // Ends the session and every agent process before the next test.
    void cerrar()
    {
        agente->abrirPuerta(QStringLiteral("a"));
        m.modo->terminar();
        terminarProcesos(m.asistente->turno(), m.asistente->sesionClaude());
        m.cerrar();
        agente.reset();
    }

    void avanzar(std::chrono::milliseconds ms = std::chrono::milliseconds(20)) { AvanceReloj::avanzar(m.reloj, ms); }

    // The room speaks everything it has queued, each turn heard whole.
    void hablarTodo()
    {
        for (int i = 0; i < 50; ++i) {
            avanzar();
            if (!m.motor->completar())
                break;
        }
        avanzar();
    }

    bool esperar(const std::function<bool()>& listo) { return AvanceReloj::hastaQue(m.reloj, listo); }
};
