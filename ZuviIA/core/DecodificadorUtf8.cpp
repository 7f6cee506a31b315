#include "core/DecodificadorUtf8.h"

namespace {

bool esContinuacion(unsigned char b) { return (b & 0xC0) == 0x80; }

// How many bytes a sequence that starts with this byte needs; 1 for
// anything that cannot start a longer sequence.
int largoDeSecuencia(unsigned char b)
{
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 1;
}

// Bytes at the end that begin a sequence the data does not finish yet.
qsizetype incompletosAlFinal(const QByteArray& datos)
{
    const qsizetype n = datos.size();
    for (qsizetype atras = 1; atras <= 3 && atras <= n; ++atras) {
        const auto b = static_cast<unsigned char>(datos[n - atras]);
        if (esContinuacion(b))
            continue;
        return largoDeSecuencia(b) > atras ? atras : 0;
    }
    return 0;
}

}

QString DecodificadorUtf8::decodificar(const QByteArray& trozo)
{
    pendiente_ += trozo;
    const qsizetype guardar = incompletosAlFinal(pendiente_);
    const QString texto = QString::fromUtf8(pendiente_.constData(), pendiente_.size() - guardar);
    pendiente_ = pendiente_.right(guardar);
    return texto;
}

QString DecodificadorUtf8::terminar()
{
    const QString texto = QString::fromUtf8(pendiente_);
    pendiente_.clear();
    return texto;
}
