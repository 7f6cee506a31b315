#pragma once

#include "plataforma/Microfono.h"

#include <memory>

class Reproductor;

// Removes the engine's own speech, heard back through the microphone, from
// the captured audio (the far end is the engine's player).
class CancelacionEco {
public:
    virtual ~CancelacionEco() = default;
    // On for a capture of that format. Throws std::runtime_error with a
    // Spanish message when it cannot be turned on.
    virtual void activar(int frecuencia, int canales) = 0;
    virtual void desactivar() = 0;
    // Cleans one captured block in place, on the capture thread.
    virtual void procesar(BloqueAudio& bloque) = 0;

    // WebRTC's canceller, whose far end is what `lejano` hands to the sound
    // server.
    static std::shared_ptr<CancelacionEco> crear(const std::shared_ptr<Reproductor>& lejano);
};
