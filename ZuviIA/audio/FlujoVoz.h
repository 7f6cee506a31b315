#pragma once

#include <QAudioBuffer>
#include <QByteArray>

#include <functional>
#include <optional>

// Cuts the raw "/hablar" body into PCM buffers of 9600 bytes (2400 samples,
// 0.1 s) as it arrives, so playback starts before synthesis ends.
class FlujoVoz {
public:
    static constexpr qsizetype bytesPorBuffer = 9600;

    explicit FlujoVoz(std::function<void(const QAudioBuffer&)> alBuffer);

    // Hands on every full buffer; `cancelado` is asked before each one.
    void agregar(const QByteArray& datos, const std::function<bool()>& cancelado);
    // End of the body: the remainder (whole samples only) becomes one last
    // buffer. Returns whether any buffer was ever delivered.
    bool terminar();
    bool huboAudio() const { return huboAudio_; }

    // Fewer than 4 bytes give none; 1 to 3 trailing bytes are dropped.
    static std::optional<QAudioBuffer> buffer(const QByteArray& bytes);

private:
    void entregar(const QByteArray& bytes);

    std::function<void(const QAudioBuffer&)> alBuffer_;
    QByteArray pendiente_;
    bool huboAudio_ = false;
};
