#include "audio/DetectorVozEncima.h"

#include <algorithm>

float DetectorVozEncima::acopleDe(std::vector<float> historial)
{
    if (historial.size() < ratiosMinimos)
        return 1.0f;
    std::sort(historial.begin(), historial.end());
    return historial[size_t(double(historial.size() - 1) * 0.9)];
}

float DetectorVozEncima::umbral(float acople)
{
    return std::max(1.7f * acople, acople + 0.45f);
}

bool DetectorVozEncima::bloque(float mic, float salida)
{
    if (salida <= salidaMinima) {
        bloquesEncima_ = 0;
        return false;
    }
    acople_ = acopleDe({historialEco_.begin(), historialEco_.end()});
    const float razon = mic / salida;
    if (mic > micMinimo && razon > umbral(acople_)) {
        // A barge-in block is never learned as echo.
        if (++bloquesEncima_ < 2)
            return false;
        bloquesEncima_ = 0;
        return true;
    }
    bloquesEncima_ = 0;
    historialEco_.push_back(razon);
    if (historialEco_.size() > ratiosGuardados)
        historialEco_.pop_front();
    return false;
}
