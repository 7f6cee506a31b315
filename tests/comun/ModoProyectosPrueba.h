#pragma once

#include "projects/ModoProyectos.h"

// Puts projects mode in the state a view test needs, with its signals, as
// the room's engine would.
struct ModoProyectosPrueba {
    ModoProyectos& m;

    void activo(bool v) { m.setActivo(v); }
    void estado(ModoProyectos::Estado v) { m.setEstado(v); }
    void transcripcion(const QString& v)
    {
        m.transcripcion_ = v;
        emit m.transcripcionCambiada();
    }
    void ultimaFrase(const QString& v)
    {
        m.ultimaFrase_ = v;
        emit m.ultimaFraseCambiada();
    }
    void nivel(float v)
    {
        m.nivel_ = v;
        emit m.nivelCambiado();
    }
    void aviso(const std::optional<QString>& v)
    {
        m.aviso_ = v;
        emit m.avisoCambiado();
    }
    void cancelaEco(bool v)
    {
        m.cancelaEco_ = v;
        emit m.cancelaEcoCambiado();
    }
    void musicaDeFondo(bool v)
    {
        m.musicaDeFondo_ = v;
        emit m.musicaDeFondoCambiada();
    }
};
