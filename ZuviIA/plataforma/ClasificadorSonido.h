#pragma once

#include "plataforma/Microfono.h"

#include <cstdint>
#include <functional>
#include <memory>

// Tells music from speech in the room's sound, on a worker of its own.
class ClasificadorSonido {
public:
    // Confidences 0…1 of music and of speech for one analysis window.
    using AlResultado = std::function<void(double musica, double habla)>;

    virtual ~ClasificadorSonido() = default;
    // Sets up analysis of a capture of that format, replacing any earlier
    // one; results reach `alResultado` on the classifier's worker. False when
    // it cannot be set up (music is then never heard).
    virtual bool preparar(int frecuencia, int canales, AlResultado alResultado) = 0;
    // Queues a copy of a captured block at that frame position and returns
    // at once (it is called on the capture thread).
    virtual void analizar(std::shared_ptr<const BloqueAudio> copia, int64_t posicion) = 0;

    // Windows of this length, one result every half window.
    static constexpr double segundosVentana = 1.5;

    // Our own classifier over aubio's onset, tempo and pitch trackers.
    static std::shared_ptr<ClasificadorSonido> crear();
};
