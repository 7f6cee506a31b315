#include "audio/CajaConversor.h"

std::vector<float> CajaConversor::convertir(const BloqueAudio& bloque)
{
    const int frames = bloque.frames();
    if (frames <= 0 || bloque.frecuencia <= 0)
        return {};
    std::vector<float> mono;
    if (bloque.canales != 1) {
        mono.reserve(size_t(frames));
        for (int i = 0; i < frames; ++i)
            mono.push_back(bloque.muestras[size_t(i) * size_t(bloque.canales)]);
    }
    const std::vector<float>& m = bloque.canales == 1 ? bloque.muestras : mono;
    if (bloque.frecuencia == destino_)
        return m;
    if (!conversor_ || entrada_ != bloque.frecuencia) {
        conversor_.reset();
        try {
            conversor_ = std::make_unique<Remuestreador>(bloque.frecuencia, destino_);
            entrada_ = bloque.frecuencia;
        } catch (const ErrorRemuestreo&) {
            return {};
        }
    }
    return conversor_->procesar(m);
}

std::vector<float> CajaConversor::vaciar()
{
    return conversor_ ? conversor_->vaciar() : std::vector<float>();
}
