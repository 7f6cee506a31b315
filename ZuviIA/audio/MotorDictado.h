#pragma once

#include "audio/ErrorDictado.h"
#include "audio/RetiroTareas.h"
#include "plataforma/DispositivosSistema.h"
#include "plataforma/Microfono.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reconocedor.h"

#include <QFuture>
#include <QLocale>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Push-to-talk dictation: captures one microphone, feeds the Spanish
// recognizer and reports the growing text, the input level and recognition
// errors. The callbacks run on the capture and recognition threads; the
// owner hops to the GUI thread.
class MotorDictado {
public:
    using OnTexto = std::function<void(const QString& texto, bool final)>;
    using OnNivel = std::function<void(float nivel)>;
    using OnError = std::function<void(const QString& descripcion)>;

    struct RespuestaPermisos {
        bool microfono = false;
        bool voz = false;
    };

    // Chooses the recognizer's locale; starts nothing.
    explicit MotorDictado(Reconocedor& reconocedor = Reconocedor::sistema(), Microfono& microfono = Microfono::sistema(),
                          DispositivosSistema& dispositivos = DispositivosSistema::sistema(),
                          const QString& localeActual = QLocale::system().name());
    ~MotorDictado();
    MotorDictado(const MotorDictado&) = delete;
    MotorDictado& operator=(const MotorDictado&) = delete;

    // Throws ErrorDictado for the three known failures and ErrorCaptura
    // (arranque) when the microphone refuses to start.
    void iniciar(std::optional<uint32_t> dispositivo, OnTexto onTexto, OnNivel onNivel, OnError onError);
    // Stops capturing; the final text still arrives through onTexto.
    void terminar();
    // terminar(), then drops the recognition: nothing more arrives. The
    // task's worker (which may still be loading the model) is let go on a
    // thread of its own, never waited for here.
    void cancelar();

    // The locale chosen at creation.
    QString locale() const { return locale_; }

    static QFuture<RespuestaPermisos> pedirPermisos(Permisos& permisos = Permisos::sistema());

    // Input level of a block: RMS of the first channel in dB, mapped from
    // -55…-5 dB onto 0…1.
    static float nivel(const BloqueAudio& bloque);
    // The first Spanish candidate (current locale, es-CL, es-MX, es-ES,
    // es-US) among the supported ones, else "es-ES".
    static QString elegirLocale(const QString& actual, const QStringList& soportados);

private:
    Reconocedor& reconocedor_;
    Microfono& microfono_;
    DispositivosSistema& dispositivos_;
    QString locale_;

    // What the callbacks of one start check before calling out; closed by
    // cancelar, which waits at most for a call under way.
    struct Puerta {
        std::mutex mutex;
        bool abierta = true;
    };

    std::shared_ptr<Puerta> puerta_;
    std::shared_ptr<TareaReconocimiento> tarea_;
    std::unique_ptr<CapturaAudio> captura_;
    // Last, so it is destroyed first: it joins the tasks it still holds.
    RetiroTareas retiro_;
};
