#include "audio/SalidaVoz.h"

#include "audio/CajaConversor.h"
#include "audio/UnaVez.h"
#include "audio/VozNeural.h"
#include "plataforma/Ajustes.h"

#include <QAudioBuffer>

// What the callbacks of other threads share with the object: they hold it,
// so it outlives the object, and run under `enCurso` only while `vivo`.
struct SalidaVoz::Nucleo {
    Ajustes& ajustes;
    std::shared_ptr<Reproductor> reproductor;
    std::shared_ptr<Sintetizador> sintetizador;
    VozNeural* voz;

    std::recursive_mutex enCurso;
    bool vivo = true;  // guarded by enCurso

    std::mutex lock;
    // Guarded by lock; audio is scheduled under it too, so nothing of a
    // turn made stale by callar reaches the player after its stop.
    int turno = 0;
    std::shared_ptr<TareaVoz> tarea;
    PTurno actual;
};

struct SalidaVoz::Turno {
    int numero = 0;
    QString texto;
    std::optional<QString> voz;
    float velocidad = 0.5f;
    AlTerminar alTerminar;
    UnaVez una;  // "fin": the neural request's end; "avisado": the report
};

namespace {

// One system-voice utterance, on the synthesizer's thread.
struct Enunciacion {
    CajaConversor caja{Reproductor::frecuencia};
    UnaVez una;  // "programado": its end marker
    bool huboAudio = false;
};

std::vector<float> muestrasDe(const QAudioBuffer& b)
{
    const QAudioFormat f = b.format();
    if (f.sampleFormat() != QAudioFormat::Float || f.channelCount() != 1 || f.sampleRate() != Reproductor::frecuencia)
        return {};
    const float* d = b.constData<float>();
    return std::vector<float>(d, d + b.frameCount());
}

} // namespace

template <typename F>
auto SalidaVoz::guardado(const PNucleo& n, F f)
{
    return [n, f = std::move(f)](auto&&... args) {
        std::lock_guard g(n->enCurso);
        if (n->vivo)
            f(std::forward<decltype(args)>(args)...);
    };
}

SalidaVoz::SalidaVoz(Capas capas)
    : n_(std::make_shared<Nucleo>(capas.ajustes, std::move(capas.reproductor), std::move(capas.sintetizador),
                                  capas.voz))
{
}

SalidaVoz::~SalidaVoz()
{
    callar();
    std::lock_guard g(n_->enCurso);
    n_->vivo = false;
}

float SalidaVoz::velocidadVoz(const Ajustes& ajustes)
{
    const double v = ajustes.real(QStringLiteral("velocidadVoz"), 0);
    return v > 0 ? float(v) : 1.15f;
}

void SalidaVoz::hablar(const QString& texto, const std::optional<QString>& voz, float velocidad, AlTerminar alTerminar)
{
    callar();
    Nucleo& n = *n_;
    if (n.reproductor)
        n.reproductor->velocidad(velocidadVoz(n.ajustes));
    auto t = std::make_shared<Turno>();
    t->texto = texto;
    t->voz = voz;
    t->velocidad = velocidad;
    t->alTerminar = std::move(alTerminar);
    {
        std::lock_guard g(n.lock);
        t->numero = ++n.turno;
        n.actual = t;
    }
    if (!n.reproductor) {
        terminar(n_, t, FinHabla::fallo);
        return;
    }
    if (n.voz && VozNeural::activada(n.ajustes) && n.voz->estado().listaParaHablar()) {
        if (auto tarea = hablarNeural(n_, t)) {
            std::lock_guard g(n.lock);
            if (n.turno == t->numero)
                n.tarea = std::move(tarea);
            return;
        }
    }
    hablarSistema(n_, t);
}

void SalidaVoz::callar()
{
    Nucleo& n = *n_;
    if (n.sintetizador)
        n.sintetizador->detener();
    std::shared_ptr<TareaVoz> tarea;
    PTurno t;
    {
        std::lock_guard g(n.lock);
        tarea = std::move(n.tarea);
        ++n.turno;
        t = std::move(n.actual);
    }
    if (tarea)
        tarea->cancelar();
    // Always: audio of a turn that already ended (a stream that broke off)
    // may still be playing.
    if (n.reproductor)
        n.reproductor->detener();
    if (t)
        terminar(n_, t, FinHabla::cortado);
}

std::shared_ptr<TareaVoz> SalidaVoz::hablarNeural(const PNucleo& n, const PTurno& t)
{
    auto alBuffer = guardado(n, [n, t](const QAudioBuffer& b) {
        std::vector<float> m = muestrasDe(b);
        std::lock_guard g(n->lock);
        if (n->turno == t->numero && !m.empty())
            n->reproductor->programar(std::move(m));
    });
    auto alTerminar = guardado(n, [n, t](bool completo, bool huboAudio) {
        bool vigente;
        {
            std::lock_guard g(n->lock);
            vigente = n->turno == t->numero;
        }
        if (!t->una.reclamar(QStringLiteral("fin")))
            return;
        if (!huboAudio && vigente) {
            // An error, a refused request or an empty answer: the system
            // voice says the same text, once.
            hablarSistema(n, t);
            return;
        }
        // Reported once what came has been heard, so the caller never takes
        // the room's own voice, still playing, for silence.
        programarFin(n, t, completo ? FinHabla::oido : FinHabla::fallo);
    });
    return n->voz->sintetizar(t->texto, std::move(alBuffer), std::move(alTerminar));
}

void SalidaVoz::hablarSistema(const PNucleo& n, const PTurno& t)
{
    if (!n->sintetizador) {
        terminar(n, t, FinHabla::fallo);
        return;
    }
    auto e = std::make_shared<Enunciacion>();
    n->sintetizador->escribir({t->texto, t->voz, t->velocidad}, guardado(n, [n, t, e](const BloqueAudio& b) {
        if (b.frames() > 0) {
            std::vector<float> m = e->caja.convertir(b);
            std::lock_guard g(n->lock);
            if (n->turno == t->numero && !m.empty()) {
                e->huboAudio = true;
                n->reproductor->programar(std::move(m));
            }
            return;
        }
        if (!e->una.reclamar(QStringLiteral("programado")))
            return;
        std::vector<float> resto = e->caja.vaciar();
        {
            std::lock_guard g(n->lock);
            if (n->turno != t->numero)
                return;
            if (!resto.empty()) {
                e->huboAudio = true;
                n->reproductor->programar(std::move(resto));
            }
            if (e->huboAudio)
                n->reproductor->programar(std::vector<float>(muestrasPausa, 0.0f));
        }
        // Nothing to hear (a text of punctuation only): the turn ends now
        // instead of waiting on a marker behind no audio.
        if (!e->huboAudio)
            terminar(n, t, FinHabla::oido);
        else
            programarFin(n, t, FinHabla::oido);
    }));
}

void SalidaVoz::programarFin(const PNucleo& n, const PTurno& t, FinHabla siSuena)
{
    {
        std::lock_guard g(n->lock);
        if (n->turno == t->numero) {
            n->reproductor->programarFin(guardado(n, [n, t, siSuena](bool sonado) {
                // A marker dropped without callar: the output failed.
                terminar(n, t, sonado ? siSuena : FinHabla::fallo);
            }));
            return;
        }
    }
    terminar(n, t, FinHabla::cortado);
}

void SalidaVoz::terminar(const PNucleo& n, const PTurno& t, FinHabla fin)
{
    if (!t->una.reclamar(QStringLiteral("avisado")))
        return;
    {
        std::lock_guard g(n->lock);
        if (n->turno == t->numero)
            n->actual.reset();
        else
            fin = FinHabla::cortado;
    }
    if (t->alTerminar)
        t->alTerminar(fin);
}
