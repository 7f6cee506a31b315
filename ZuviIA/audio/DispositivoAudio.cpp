#include "audio/DispositivoAudio.h"

#include "plataforma/DispositivosSistema.h"

QString DispositivoAudio::conexionDe(uint32_t transporte)
{
    switch (transporte) {
    case codigoCuatro("bltn"):
        return QStringLiteral("Integrado");
    case codigoCuatro("usb "):
        return QStringLiteral("USB");
    case codigoCuatro("blue"):
    case codigoCuatro("blea"):
        return QStringLiteral("Bluetooth");
    case codigoCuatro("ccwd"):
    case codigoCuatro("ccwl"):
        return QStringLiteral("iPhone");
    case codigoCuatro("grup"):
    case codigoCuatro("virt"):
        return QStringLiteral("Virtual");
    case codigoCuatro("airp"):
        return QStringLiteral("AirPlay");
    case codigoCuatro("dprt"):
    case codigoCuatro("hdmi"):
        return QStringLiteral("Pantalla");
    default:
        return QStringLiteral("Otro");
    }
}

QString DispositivoAudio::simboloDe(const QString& conexion)
{
    static const QHash<QString, QString> simbolos = {
        {QStringLiteral("Integrado"), QStringLiteral("laptopcomputer")},
        {QStringLiteral("USB"), QStringLiteral("mic.fill")},
        {QStringLiteral("Bluetooth"), QStringLiteral("headphones")},
        {QStringLiteral("iPhone"), QStringLiteral("iphone")},
        {QStringLiteral("Virtual"), QStringLiteral("waveform")},
        {QStringLiteral("AirPlay"), QStringLiteral("homepod.2")},
        {QStringLiteral("Pantalla"), QStringLiteral("display")},
    };
    return simbolos.value(conexion, QStringLiteral("mic"));
}

size_t qHash(const DispositivoAudio& d, size_t semilla) noexcept
{
    return qHashMulti(semilla, d.id, d.uid, d.nombre, d.fabricante, d.transporte);
}

std::optional<DispositivoAudio> DispositivoAudio::conUID(const QList<DispositivoAudio>& lista,
                                                        const std::optional<QString>& uid)
{
    if (!uid)
        return std::nullopt;
    for (const auto& d : lista) {
        if (d.uid == *uid)
            return d;
    }
    return std::nullopt;
}

std::optional<uint32_t> DispositivoAudio::idDe(const QList<DispositivoAudio>& lista, const std::optional<QString>& uid)
{
    if (const auto d = conUID(lista, uid))
        return d->id;
    return std::nullopt;
}
