#pragma once

#include <cstddef>
#include <deque>
#include <vector>

// Tells someone talking over the room's own voice from that voice's echo:
// the microphone-to-output ratio of ordinary blocks is learned as the echo
// coupling, and two blocks in a row that are loud and stand well above it
// are barge-in. Capture thread only.
class DetectorVozEncima {
public:
    static constexpr float salidaMinima = 0.003f; // nothing plays below it
    static constexpr float micMinimo = 0.03f;
    static constexpr std::size_t ratiosMinimos = 8;
    static constexpr std::size_t ratiosGuardados = 30;

    // One microphone block of RMS `mic` while the output plays at `salida`
    // (0 when not speaking, or when music must not be talked over). True on
    // the second qualifying block in a row; counting starts again after it.
    bool bloque(float mic, float salida);
    // No qualifying block: the count goes back to zero.
    void reiniciar() { bloquesEncima_ = 0; }

    float acople() const { return acople_; }
    float umbral() const { return umbral(acople_); }
    // The 90th percentile of the ratios, or 1 with fewer than eight.
    static float acopleDe(std::vector<float> historial);
    static float umbral(float acople);

private:
    std::deque<float> historialEco_;
    float acople_ = 0;
    int bloquesEncima_ = 0;
};
