#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The conversation engine's own player: a queue of speech buffers and end
// markers on one output, whose level the engine measures.
class Reproductor {
public:
    virtual ~Reproductor() = default;
    // Builds and starts playback on the output with that sound-server name
    // (none = the default output); nothing when it already runs there. The
    // system's player returns at once and logs an output it cannot open (a
    // fake may throw std::runtime_error with a Spanish message instead).
    virtual void preparar(const std::optional<QString>& salida) = 0;
    // Stops at once, discarding whatever was scheduled; the end markers it
    // drops report false.
    virtual void detener() = 0;

    // Everything scheduled is mono float at this rate (the voice service's).
    static constexpr int frecuencia = 24000;

    // Speed of what is scheduled from now on (1 = as recorded), pitch kept.
    virtual void velocidad(float ritmo) = 0;
    // Queues speech after everything queued before it. Any thread; it never
    // waits on the sound server.
    virtual void programar(std::vector<float> muestras) = 0;
    // Queues an end marker: `alSonar(true)` on the player's thread once all
    // audio before it has been heard (the output's latency included), or
    // `alSonar(false)` when detener drops it first.
    virtual void programarFin(std::function<void(bool sonado)> alSonar) = 0;
    // Keeps an observer on while it lives; once destroyed, its observer is
    // not running and is never called again.
    class Observacion {
    public:
        explicit Observacion(std::function<void()> quitar = {}) : quitar_(std::move(quitar)) {}
        ~Observacion()
        {
            if (quitar_)
                quitar_();
        }
        Observacion(const Observacion&) = delete;
        Observacion& operator=(const Observacion&) = delete;

    private:
        std::function<void()> quitar_;
    };

    // Observes every stretch handed to the sound server, speech and the
    // silence around it, on the player's thread: the echo canceller's far
    // end, which must come before the microphone hears it.
    [[nodiscard]] virtual std::unique_ptr<Observacion>
    observarSalida(std::function<void(const float* muestras, size_t n)> observador) = 0;

    // Blocks of the output level: the RMS of each framesNivel frames played.
    static constexpr int framesNivel = 1024;
    // Observes the output level on the player's thread, one RMS per block as
    // that block is heard (the output's latency included), silence too.
    [[nodiscard]] virtual std::unique_ptr<Observacion> observarNivel(std::function<void(float rms)> observador) = 0;

    // The real player over the sound server; `anotar` gets its log lines
    // (an output that cannot be opened).
    static std::shared_ptr<Reproductor> crear(std::function<void(const QString&)> anotar = {});
};
