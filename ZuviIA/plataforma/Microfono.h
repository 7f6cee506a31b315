#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

// A block of captured audio: float samples, channels interleaved.
struct BloqueAudio {
    std::vector<float> muestras;
    int canales = 1;
    int frecuencia = 0;
    // When capture handed the block on; the recognizer's delay is measured
    // from here.
    std::chrono::steady_clock::time_point capturado;

    int frames() const { return canales > 0 ? int(muestras.size()) / canales : 0; }
};

// Why a microphone could not be opened or started.
class ErrorCaptura : public std::runtime_error {
public:
    enum class Tipo { dispositivo, formato, arranque };
    ErrorCaptura(Tipo tipo, int32_t estado, const std::string& mensaje)
        : std::runtime_error(mensaje), tipo_(tipo), estado_(estado) {}
    Tipo tipo() const { return tipo_; }
    // The system's status code (dispositivo).
    int32_t estado() const { return estado_; }

private:
    Tipo tipo_;
    int32_t estado_;
};

// One opened microphone: its format is known, capture runs between
// iniciar and detener. A new one is opened for every capture.
class CapturaAudio {
public:
    virtual ~CapturaAudio() = default;
    virtual int frecuencia() const = 0;
    virtual int canales() const = 0;
    // Starts delivering blocks of Microfono::framesPorBloque frames to
    // `alBloque` on the capture's own thread. The system's capture returns
    // at once, never waiting on the sound server: a device that refuses to
    // start, fails or goes away is told once to `alError`, with a Spanish
    // sentence, on that thread, and no block follows it. (A fake may throw
    // ErrorCaptura (arranque) instead.)
    virtual void iniciar(std::function<void(const BloqueAudio&)> alBloque,
                         std::function<void(const QString&)> alError = {}) = 0;
    // Stops; no block or error arrives once it returns, and it waits at
    // most for a block being handed on. Safe to call twice.
    virtual void detener() = 0;
};

class Microfono {
public:
    static constexpr int framesPorBloque = 1024;
    // The system's status for a device that is not there (PA_ERR_NOENTITY).
    static constexpr int32_t sinDispositivo = 5;

    virtual ~Microfono() = default;
    // Opens the input with that sound-server name (none = the default
    // input). Throws ErrorCaptura: dispositivo when it is not listed,
    // formato when it delivers no format.
    virtual std::unique_ptr<CapturaAudio> abrir(const std::optional<QString>& uid) = 0;

    static Microfono& sistema();
};
