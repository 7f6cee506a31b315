#include "assistant/EleccionDispositivos.h"

#include "plataforma/DispositivosSistema.h"

#include <algorithm>
#include <functional>

namespace {

std::optional<QString> primero(const QList<DispositivoAudio>& lista, const std::function<bool(const DispositivoAudio&)>& cumple)
{
    const auto it = std::find_if(lista.begin(), lista.end(), cumple);
    if (it == lista.end())
        return std::nullopt;
    return it->uid;
}

std::optional<QString> conUid(const QList<DispositivoAudio>& lista, const std::optional<QString>& uid)
{
    if (!uid)
        return std::nullopt;
    return primero(lista, [&](const DispositivoAudio& d) { return d.uid == *uid; });
}

}

namespace EleccionDispositivos {

std::optional<QString> salida(const QList<DispositivoAudio>& salidas, const std::optional<QString>& guardada,
                              const std::optional<QString>& predeterminada)
{
    if (auto uid = conUid(salidas, guardada))
        return uid;
    if (auto uid = primero(salidas, [](const DispositivoAudio& d) { return d.transporte == codigoCuatro("bltn"); }))
        return uid;
    if (auto uid = primero(salidas, [](const DispositivoAudio& d) {
            const QString c = d.conexion();
            return c != QLatin1String("AirPlay") && c != QLatin1String("Virtual");
        }))
        return uid;
    return conUid(salidas, predeterminada);
}

std::optional<QString> entrada(const QList<DispositivoAudio>& entradas, const std::optional<QString>& guardada,
                               const std::optional<QString>& predeterminada)
{
    if (auto uid = conUid(entradas, guardada))
        return uid;
    if (auto uid = primero(entradas, [](const DispositivoAudio& d) { return d.transporte == codigoCuatro("usb "); }))
        return uid;
    if (auto uid = conUid(entradas, predeterminada))
        return uid;
    if (!entradas.isEmpty())
        return entradas.first().uid;
    return std::nullopt;
}

}
