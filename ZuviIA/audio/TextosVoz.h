#pragma once

#include "audio/VozNeural.h"

#include <QString>

// What every view says of the voice that speaks, from the service's
// handshake: the natural voice is named only when its engine answered.
namespace TextosVoz {

inline const QString basica = QStringLiteral("Voz básica (espeak-ng)");
inline const QString natural = QStringLiteral("Qwen3-TTS local");
inline const QString cargando = QStringLiteral("Instalada, cargando…");

struct Vista {
    QString insignia;  // the card badge's detail
    QString tarjeta;   // the card's text
    QString estado;    // the settings panel's "Estado"
    bool reinstalar = false;  // installed, yet its model did not load
    bool operator==(const Vista&) const = default;
};

// `instalada`: the install finished with the model loaded once;
// `activada`: the "vozNeural" setting.
Vista vista(bool instalada, bool activada, const EstadoVoz& estado);

}
