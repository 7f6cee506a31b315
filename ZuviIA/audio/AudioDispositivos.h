#pragma once

#include "audio/DispositivoAudio.h"
#include "plataforma/DispositivosSistema.h"

#include <QList>

#include <functional>
#include <optional>

// The computer's microphones and outputs, their changes and whether an output
// can be heard. Stateless: every call asks the sound server (the mute test
// answers from the server layer's cache).
namespace AudioDispositivos {

// Inputs (true) or outputs (false), in the server's order.
QList<DispositivoAudio> dispositivos(bool entrada, DispositivosSistema& sistema = DispositivosSistema::sistema());

// Calls `alCambiar` on the GUI thread whenever the device set, the default
// input or the default output changes. Never unregistered.
void observarCambios(std::function<void()> alCambiar, DispositivosSistema& sistema = DispositivosSistema::sistema());

// True when that output (or the default one for none) is muted or turned
// below 0.05.
bool salidaSilenciada(std::optional<uint32_t> dispositivo = std::nullopt,
                      DispositivosSistema& sistema = DispositivosSistema::sistema());

// The UID of the default input (true) or output (false); none when the
// server cannot tell.
std::optional<QString> predeterminado(bool entrada, DispositivosSistema& sistema = DispositivosSistema::sistema());

// The value shown for one server record; none when it has no channels in
// that direction.
std::optional<DispositivoAudio> desdeRegistro(const DispositivosSistema::Registro& r);

// The silence rule over what the server could read.
bool silenciada(const DispositivosSistema::EstadoSalida& e);

} // namespace AudioDispositivos
