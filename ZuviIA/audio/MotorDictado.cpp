#include "audio/MotorDictado.h"

#include "audio/EntradaVoz.h"
#include "core/Registro.h"

#include <QtConcurrent>


MotorDictado::MotorDictado(Reconocedor& reconocedor, Microfono& microfono, DispositivosSistema& dispositivos,
                           const QString& localeActual)
    : reconocedor_(reconocedor), microfono_(microfono), dispositivos_(dispositivos),
      locale_(elegirLocale(localeActual, reconocedor.localesSoportados()))
{
}

MotorDictado::~MotorDictado()
{
    cancelar();
}

QString MotorDictado::elegirLocale(const QString& actual, const QStringList& soportados)
{
    auto guion = [](QString s) { return s.replace(QLatin1Char('_'), QLatin1Char('-')); };
    QStringList disponibles;
    for (const QString& s : soportados)
        disponibles << guion(s);
    const QStringList candidatos = {guion(actual), "es-CL", "es-MX", "es-ES", "es-US"};
    for (const QString& c : candidatos) {
        if (c.startsWith(QLatin1String("es")) && disponibles.contains(c))
            return c;
    }
    return QStringLiteral("es-ES");
}

float MotorDictado::nivel(const BloqueAudio& bloque)
{
    return EntradaVoz::nivel(EntradaVoz::rms(bloque));
}

void MotorDictado::iniciar(std::optional<uint32_t> dispositivo, OnTexto onTexto, OnNivel onNivel, OnError onError)
{
    cancelar();
    if (!reconocedor_.disponible()) {
        Registro::anotar(QStringLiteral("Dictado: sin reconocedor (%1)").arg(reconocedor_.motivo()));
        throw ErrorDictado::sinReconocedor();
    }
    captura_ = EntradaVoz::abrir(microfono_, EntradaVoz::uid(dispositivo, dispositivos_));
    auto puerta = std::make_shared<Puerta>();
    puerta_ = puerta;
    // A microphone that fails mid-capture is reported as recognition
    // errors are: the owner decides what follows.
    auto error = [puerta, onError = std::move(onError)](const QString& texto) {
        std::lock_guard g(puerta->mutex);
        if (puerta->abierta && onError)
            onError(texto);
    };
    tarea_ = reconocedor_.iniciar(
        locale_,
        [puerta, onTexto = std::move(onTexto)](const QString& texto, bool final) {
            std::lock_guard g(puerta->mutex);
            if (puerta->abierta && onTexto)
                onTexto(texto, final);
        },
        error);
    if (!tarea_) {
        captura_.reset();
        throw ErrorDictado::sinReconocedor();
    }
    std::weak_ptr<TareaReconocimiento> tarea = tarea_;
    try {
        captura_->iniciar(
            [tarea, onNivel = std::move(onNivel)](const BloqueAudio& b) {
                if (auto t = tarea.lock())
                    t->anadir(b);
                if (onNivel)
                    onNivel(nivel(b));
            },
            error);
    } catch (...) {
        // A recognition task left alive here would later report a
        // misleading error of its own.
        cancelar();
        throw;
    }
}

void MotorDictado::terminar()
{
    if (captura_) {
        captura_->detener();
        captura_.reset();
    }
    if (tarea_)
        tarea_->terminar();
}

void MotorDictado::cancelar()
{
    terminar();
    if (puerta_) {
        std::lock_guard g(puerta_->mutex);
        puerta_->abierta = false;
    }
    puerta_.reset();
    retiro_.retirar(std::move(tarea_));
    tarea_.reset();
}

QFuture<MotorDictado::RespuestaPermisos> MotorDictado::pedirPermisos(Permisos& permisos)
{
    // Loading the model can take a moment: not on the GUI thread.
    return QtConcurrent::run([&permisos] {
        RespuestaPermisos r;
        r.microfono = permisos.microfono();
        r.voz = permisos.reconocimiento();
        return r;
    });
}
