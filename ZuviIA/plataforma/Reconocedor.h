#pragma once

#include "plataforma/Microfono.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

// One stream of a speech backend, fed on the recognition worker only.
class FlujoReconocimiento {
public:
    virtual ~FlujoReconocimiento() = default;
    // 16 kHz mono samples at int16 scale; `capturado` is when the oldest of
    // them was captured. True when the backend closed an
    // utterance at one of its endpoints; its text is then in enunciado().
    virtual bool aceptar(std::span<const float> muestras, std::chrono::steady_clock::time_point capturado) = 0;
    virtual QString enunciado() = 0;
    virtual QString parcial() = 0;
    // The rest of the text once the audio has ended.
    virtual QString final() = 0;
};

// A speech backend: Vosk in the application, a scripted one in tests.
class MotorReconocimiento {
public:
    virtual ~MotorReconocimiento() = default;
    // Loads what it needs on first use; thread-safe.
    virtual bool disponible() = 0;
    // Why it is not available, for the log.
    virtual QString motivo() = 0;
    virtual QStringList locales() = 0;
    // A new stream for that locale; none when it cannot make one.
    virtual std::unique_ptr<FlujoReconocimiento> abrir(const QString& locale) = 0;
    // A stream that hears only these phrases where the backend can narrow
    // itself to them; otherwise a plain one.
    virtual std::unique_ptr<FlujoReconocimiento> abrirRestringido(const QString& locale, const QStringList& frases)
    {
        (void)frases;
        return abrir(locale);
    }
};

// One recognition segment on its own worker thread: resamples the blocks it
// is given to 16 kHz, feeds the backend and reports the segment's text (its
// finished utterances and the current partial) whenever that text changes.
// The backend's endpoints never end the segment; terminar() does.
class TareaReconocimiento {
public:
    using AlTexto = std::function<void(const QString& texto, bool final)>;
    using AlError = std::function<void(const QString& descripcion)>;

    TareaReconocimiento(std::unique_ptr<FlujoReconocimiento> flujo, AlTexto alTexto, AlError alError);
    ~TareaReconocimiento();
    TareaReconocimiento(const TareaReconocimiento&) = delete;
    TareaReconocimiento& operator=(const TareaReconocimiento&) = delete;

    // Any thread (the capture thread).
    void anadir(const BloqueAudio& bloque);
    // No more audio; the final text still arrives through alTexto.
    void terminar();
    // Drops whatever is still queued; nothing more arrives once it returns.
    // Waits for the worker, so never from inside alTexto or alError.
    void cancelar();

    // The segment's text from its finished utterances and a partial.
    static QString unir(const QStringList& enunciados, const QString& parcial);

private:
    void trabajar();
    void recorrer();
    void alimentar(std::span<const float> mono16k, std::chrono::steady_clock::time_point capturado);
    void informar(bool final);

    std::unique_ptr<FlujoReconocimiento> flujo_;
    AlTexto alTexto_;
    AlError alError_;

    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<BloqueAudio> cola_;
    bool fin_ = false;
    std::atomic<bool> cancelada_ = false;

    // Worker only.
    std::unique_ptr<class Remuestreador> remuestreador_;
    int frecuencia_ = 0;
    std::optional<std::chrono::steady_clock::time_point> retenido_;
    QStringList enunciados_;
    QString parcial_;
    QString ultimo_;

    std::thread hilo_;
};

// The speech recognizer of the application over one backend.
class Reconocedor {
public:
    explicit Reconocedor(std::shared_ptr<MotorReconocimiento> motor);

    bool disponible() const;
    QString motivo() const;
    QStringList localesSoportados() const;
    // Starts a segment; none when the backend cannot open a stream. With
    // `frases`, the backend may hear only them.
    std::unique_ptr<TareaReconocimiento> iniciar(const QString& locale, TareaReconocimiento::AlTexto alTexto,
                                                 TareaReconocimiento::AlError alError,
                                                 const QStringList& frases = {}) const;

    // Vosk with the models under the data folder.
    static Reconocedor& sistema();

private:
    std::shared_ptr<MotorReconocimiento> motor_;
};
