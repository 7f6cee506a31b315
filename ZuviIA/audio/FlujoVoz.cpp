#include "audio/FlujoVoz.h"

#include "audio/VozNeural.h"

FlujoVoz::FlujoVoz(std::function<void(const QAudioBuffer&)> alBuffer) : alBuffer_(std::move(alBuffer))
{
    pendiente_.reserve(2 * bytesPorBuffer);
}

void FlujoVoz::agregar(const QByteArray& datos, const std::function<bool()>& cancelado)
{
    qsizetype desde = 0;
    while (desde < datos.size()) {
        if (cancelado())
            return;
        const qsizetype falta = bytesPorBuffer - pendiente_.size();
        const qsizetype tomar = std::min(falta, datos.size() - desde);
        pendiente_.append(datos.constData() + desde, tomar);
        desde += tomar;
        if (pendiente_.size() == bytesPorBuffer) {
            entregar(pendiente_);
            pendiente_.clear();
        }
    }
}

bool FlujoVoz::terminar()
{
    entregar(pendiente_);
    pendiente_.clear();
    return huboAudio_;
}

void FlujoVoz::entregar(const QByteArray& bytes)
{
    if (auto b = buffer(bytes)) {
        alBuffer_(*b);
        huboAudio_ = true;
    }
}

std::optional<QAudioBuffer> FlujoVoz::buffer(const QByteArray& bytes)
{
    const qsizetype muestras = bytes.size() / 4;
    if (muestras == 0)
        return std::nullopt;
    return QAudioBuffer(bytes.left(muestras * 4), VozNeural::formato());
}
