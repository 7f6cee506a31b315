#pragma once

#include "plataforma/Microfono.h"

#include <cmath>
#include <numbers>

// Test signals as capture blocks.
namespace Senales {

inline BloqueAudio seno(int frames, int frecuencia, float amplitud, int canales = 1, double hz = 440)
{
    BloqueAudio b;
    b.canales = canales;
    b.frecuencia = frecuencia;
    b.capturado = std::chrono::steady_clock::now();
    b.muestras.resize(size_t(frames * canales));
    for (int i = 0; i < frames; ++i) {
        const float v = amplitud * float(std::sin(2 * std::numbers::pi * hz * i / frecuencia));
        for (int c = 0; c < canales; ++c)
            b.muestras[size_t(i * canales + c)] = v;
    }
    return b;
}

} // namespace Senales
