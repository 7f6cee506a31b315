#include "audio/ErrorDictado.h"

QString ErrorDictado::mensaje(Caso caso, int32_t estado)
{
    switch (caso) {
    case Caso::dispositivo:
        return QStringLiteral("No se pudo usar ese micrófono (error %1).").arg(estado);
    case Caso::sinReconocedor:
        return QStringLiteral("El reconocimiento de voz en español no está disponible ahora.");
    case Caso::formato:
        return QStringLiteral("El micrófono no entrega audio. ¿Está conectado?");
    }
    return QString();
}
