#pragma once

#include "plataforma/Microfono.h"
#include "plataforma/Remuestreador.h"

#include <memory>
#include <vector>

// Brings one utterance of the system voice to the player's rate (mono) with
// one converter for the whole utterance, so the resampling runs on across
// buffers instead of clicking at every boundary. A new converter is made
// only when the input rate changes.
class CajaConversor {
public:
    explicit CajaConversor(int destino) : destino_(destino) {}

    // The first channel at the target rate; empty when it cannot be
    // converted (that buffer is dropped).
    std::vector<float> convertir(const BloqueAudio& bloque);
    // What the converter still holds, at the end of the utterance.
    std::vector<float> vaciar();

private:
    int destino_;
    int entrada_ = 0;
    std::unique_ptr<Remuestreador> conversor_;
};
