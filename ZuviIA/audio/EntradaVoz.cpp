#include "audio/EntradaVoz.h"

#include "audio/AudioDispositivos.h"
#include "audio/ErrorDictado.h"

#include <cmath>

namespace EntradaVoz {

std::optional<QString> uid(std::optional<uint32_t> dispositivo, DispositivosSistema& sistema)
{
    if (!dispositivo)
        return std::nullopt;
    for (const auto& d : AudioDispositivos::dispositivos(true, sistema)) {
        if (d.id == *dispositivo)
            return d.uid;
    }
    throw ErrorDictado::dispositivo(Microfono::sinDispositivo);
}

std::unique_ptr<CapturaAudio> abrir(Microfono& microfono, const std::optional<QString>& uid)
{
    std::unique_ptr<CapturaAudio> captura;
    try {
        captura = microfono.abrir(uid);
    } catch (const ErrorCaptura& e) {
        if (e.tipo() == ErrorCaptura::Tipo::dispositivo)
            throw ErrorDictado::dispositivo(e.estado());
        if (e.tipo() == ErrorCaptura::Tipo::formato)
            throw ErrorDictado::formato();
        throw;
    }
    if (captura->frecuencia() <= 0 || captura->canales() <= 0)
        throw ErrorDictado::formato();
    return captura;
}

float rms(const BloqueAudio& bloque)
{
    const int frames = bloque.frames();
    if (frames <= 0)
        return 0;
    double suma = 0;
    for (int i = 0; i < frames; ++i) {
        const double m = bloque.muestras[size_t(i) * size_t(bloque.canales)];
        suma += m * m;
    }
    return float(std::sqrt(suma / frames));
}

float nivel(float rms)
{
    const double db = 20 * std::log10(std::max(double(rms), 0.00001));
    return float(std::clamp((db + 55) / 50, 0.0, 1.0));
}

} // namespace EntradaVoz
