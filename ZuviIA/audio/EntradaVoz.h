#pragma once

#include "plataforma/DispositivosSistema.h"
#include "plataforma/Microfono.h"

#include <memory>
#include <optional>

// Opening a microphone for speech and measuring its blocks, the same for
// dictation and the conversation engine.
namespace EntradaVoz {

// The sound-server name of that input id (none = the default input).
// Throws ErrorDictado::dispositivo when the id is not listed.
std::optional<QString> uid(std::optional<uint32_t> dispositivo, DispositivosSistema& sistema);
// Opens it without starting it. Throws ErrorDictado (dispositivo, formato)
// and ErrorCaptura for anything else the microphone refuses.
std::unique_ptr<CapturaAudio> abrir(Microfono& microfono, const std::optional<QString>& uid);

// RMS of the first channel; 0 without frames.
float rms(const BloqueAudio& bloque);
// 20·log10 of the RMS mapped from -55…-5 dB onto 0…1.
float nivel(float rms);

} // namespace EntradaVoz
