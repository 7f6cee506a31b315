#pragma once

#include "audio/DispositivoAudio.h"

#include <QList>
#include <QString>

#include <optional>

// Which microphone and which output the room uses, given what is plugged in,
// what the user chose (stored) and the system defaults. Each returns a UID,
// or none when nothing fits.
namespace EleccionDispositivos {

// The stored one when listed; else the first built-in output; else the
// first that is neither AirPlay nor virtual (aggregates count as virtual);
// else the system default.
std::optional<QString> salida(const QList<DispositivoAudio>& salidas, const std::optional<QString>& guardada,
                              const std::optional<QString>& predeterminada);

// The stored one when listed; else the first USB input; else the system
// default; else the first listed.
std::optional<QString> entrada(const QList<DispositivoAudio>& entradas, const std::optional<QString>& guardada,
                               const std::optional<QString>& predeterminada);

}
