#pragma once

#include "plataforma/Permisos.h"

#include <atomic>

// Microphone and speech permissions the test grants or refuses; read from
// any thread.
struct PermisosVozFalsos final : Permisos {
    std::atomic<bool> mic = true;
    std::atomic<bool> voz = true;
    std::atomic<int> consultas = 0;
    std::atomic<bool> acceso = true;
    std::atomic<bool> pantalla = true;

    bool microfono() override
    {
        ++consultas;
        return mic;
    }
    bool reconocimiento() override { return voz; }
    bool accesibilidad() override { return acceso; }
    bool grabacionPantalla() override { return pantalla; }
};
