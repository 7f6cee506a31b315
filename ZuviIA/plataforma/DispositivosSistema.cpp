#include "plataforma/DispositivosSistema.h"

namespace {

bool contiene(const QString& texto, const char* trozo)
{
    return texto.contains(QLatin1String(trozo), Qt::CaseInsensitive);
}

} // namespace

uint32_t DispositivosSistema::transporte(const Propiedades& p)
{
    // Order matters: a Bluetooth or USB device is also "virtual" to no one,
    // but an HDMI output sits on the PCI bus like the built-in card.
    if (contiene(p.driver, "raop") || p.nombre.startsWith(QLatin1String("raop")))
        return codigoCuatro("airp");
    if (contiene(p.driver, "combine"))
        return codigoCuatro("grup");
    if (p.bus == QLatin1String("bluetooth") || contiene(p.api, "bluez") || contiene(p.driver, "bluez"))
        return codigoCuatro("blue");
    if (p.bus == QLatin1String("usb"))
        return codigoCuatro("usb ");
    if (contiene(p.nombre, "hdmi") || p.formaFisica == QLatin1String("tv"))
        return codigoCuatro("hdmi");
    if (contiene(p.nombre, "displayport"))
        return codigoCuatro("dprt");
    if (contiene(p.driver, "module-null") || contiene(p.driver, "module-pipe") || contiene(p.driver, "module-virtual")
        || contiene(p.driver, "module-remap") || contiene(p.driver, "module-loopback")
        || contiene(p.driver, "module-echo-cancel") || contiene(p.nombre, "null-audio")
        || p.clase == QLatin1String("monitor") || p.clase == QLatin1String("filter")
        || p.clase == QLatin1String("abstract"))
        return codigoCuatro("virt");
    if (p.formaFisica == QLatin1String("internal") || p.bus == QLatin1String("pci")
        || p.bus == QLatin1String("platform") || p.bus == QLatin1String("isa"))
        return codigoCuatro("bltn");
    return 0;
}
