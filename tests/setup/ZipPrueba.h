#pragma once

#include <QByteArray>
#include <QtEndian>

#include <functional>

// Rewrites the central directory of a zip written by EscritorZip, for
// entries no honest writer produces.
namespace ZipPrueba {

// Calls `cambiar(version hecha por, atributos externos)` for every entry
// named `ruta` (every entry when `ruta` is empty).
inline QByteArray cambiarAtributos(QByteArray zip, const QByteArray& ruta,
                                   const std::function<void(quint16&, quint32&)>& cambiar)
{
    const QByteArray firma("PK\x01\x02", 4);
    for (qsizetype i = zip.indexOf(firma); i >= 0 && i + 46 <= zip.size(); i = zip.indexOf(firma, i + 46)) {
        char* h = zip.data() + i;
        const quint16 largo = qFromLittleEndian<quint16>(h + 28);
        if (!ruta.isEmpty() && QByteArray(h + 46, largo) != ruta)
            continue;
        quint16 version = qFromLittleEndian<quint16>(h + 4);
        quint32 atributos = qFromLittleEndian<quint32>(h + 38);
        cambiar(version, atributos);
        qToLittleEndian<quint16>(version, h + 4);
        qToLittleEndian<quint32>(atributos, h + 38);
    }
    return zip;
}

// As a zip made where files and folders have no Unix modes (the MS-DOS
// form); links keep theirs, since that form has none.
inline QByteArray sinModosUnix(const QByteArray& zip)
{
    return cambiarAtributos(zip, {}, [](quint16& version, quint32& atributos) {
        const quint32 tipo = atributos >> 16 & 0170000;
        if (tipo == 0120000)
            return;
        version = version & 0xff;
        atributos = tipo == 0040000 ? 0x10 : 0;
    });
}

// Gives the entry `ruta` the full Unix mode `modo` (type bits included).
inline QByteArray conModo(const QByteArray& zip, const QByteArray& ruta, quint32 modo)
{
    return cambiarAtributos(zip, ruta, [modo](quint16& version, quint32& atributos) {
        version = quint16(3 << 8 | (version & 0xff));
        atributos = modo << 16;
    });
}

}
