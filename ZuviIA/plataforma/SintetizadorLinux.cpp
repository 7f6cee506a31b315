#include "plataforma/Sintetizador.h"

#include <espeak-ng/speak_lib.h>

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {

// One owner's requests: a newer generation makes its older ones stale;
// `entrega` is held while one of its blocks is being handed over.
struct Dueno {
    std::atomic<unsigned> generacion = 0;
    std::mutex entrega;
};

struct Solicitud {
    Enunciado enunciado;
    std::function<void(const BloqueAudio&)> alBloque;
    std::shared_ptr<Dueno> dueno;
    unsigned generacion = 0;
    bool vigente() const { return dueno->generacion.load() == generacion; }
};

// espeak-ng is one global engine: it lives on one thread that takes the
// requests in order.
class Espeak {
public:
    static Espeak& shared()
    {
        static Espeak e;
        return e;
    }

    std::vector<VozSistema> voces() { return voces_.get(); }

    void encolar(Solicitud s)
    {
        {
            std::lock_guard g(mutex_);
            cola_.push_back(std::move(s));
        }
        hay_.notify_one();
    }

private:
    Espeak()
    {
        voces_ = listo_.get_future().share();
        hilo_ = std::thread([this] { correr(); });
    }

    ~Espeak()
    {
        {
            std::lock_guard g(mutex_);
            parar_ = true;
        }
        hay_.notify_one();
        hilo_.join();
    }

    void correr()
    {
        frecuencia_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr, 0);
        espeak_SetSynthCallback(&Espeak::alSonido);
        listo_.set_value(listar());
        for (;;) {
            Solicitud s;
            {
                std::unique_lock g(mutex_);
                hay_.wait(g, [this] { return parar_ || !cola_.empty(); });
                if (parar_)
                    break;
                s = std::move(cola_.front());
                cola_.pop_front();
            }
            sintetizar(s);
        }
        if (frecuencia_ > 0)
            espeak_Terminate();
    }

    std::vector<VozSistema> listar() const
    {
        std::vector<VozSistema> lista;
        if (frecuencia_ <= 0)
            return lista;
        for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
            const QString id = QString::fromUtf8((*v)->identifier);
            // MBROLA voices need diphone packages of their own to speak.
            if (id.startsWith(QStringLiteral("mb/")) || !(*v)->languages)
                continue;
            VozSistema voz;
            voz.identificador = id;
            voz.nombre = Sintetizador::nombreVoz(id, QString::fromUtf8((*v)->name));
            voz.idioma = QString::fromUtf8((*v)->languages + 1);
            voz.calidad = 1;
            lista.push_back(voz);
        }
        return lista;
    }

    void sintetizar(Solicitud& s)
    {
        if (!s.vigente())
            return;
        if (frecuencia_ > 0) {
            const QByteArray voz = s.enunciado.voz.value_or(QStringLiteral("roa/es")).toUtf8();
            if (espeak_SetVoiceByName(voz.constData()) != EE_OK)
                espeak_SetVoiceByName("roa/es");
            espeak_SetParameter(espeakRATE, Sintetizador::palabrasPorMinuto(s.enunciado.velocidad), 0);
            espeak_SetParameter(espeakPITCH, 50, 0);
            const QByteArray texto = s.enunciado.texto.toUtf8();
            actual_ = &s;
            espeak_Synth(texto.constData(), size_t(texto.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                         nullptr, nullptr);
            actual_ = nullptr;
        }
        entregar(s, {});
    }

    // espeak-ng's callback, on this thread; answering 1 stops the synthesis.
    static int alSonido(short* wav, int n, espeak_EVENT*)
    {
        Espeak& e = shared();
        Solicitud* s = e.actual_;
        if (!s || !s->vigente())
            return 1;
        if (wav && n > 0) {
            std::vector<float> muestras(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                muestras[size_t(i)] = float(wav[i]) / 32768.0f;
            return e.entregar(*s, std::move(muestras)) ? 0 : 1;
        }
        return 0;
    }

    bool entregar(Solicitud& s, std::vector<float> muestras)
    {
        std::lock_guard g(s.dueno->entrega);
        if (!s.vigente())
            return false;
        BloqueAudio b;
        b.muestras = std::move(muestras);
        b.canales = 1;
        b.frecuencia = frecuencia_;
        b.capturado = std::chrono::steady_clock::now();
        s.alBloque(b);
        return true;
    }

    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<Solicitud> cola_;
    bool parar_ = false;
    std::promise<std::vector<VozSistema>> listo_;
    std::shared_future<std::vector<VozSistema>> voces_;
    // This thread only.
    int frecuencia_ = 0;
    Solicitud* actual_ = nullptr;
    std::thread hilo_;
};

class SintetizadorEspeak final : public Sintetizador {
public:
    ~SintetizadorEspeak() override
    {
        // Once this returns no block of ours is being handed over or follows.
        detener();
        std::lock_guard g(dueno_->entrega);
    }

    std::vector<VozSistema> voces() const override { return Espeak::shared().voces(); }

    void escribir(const Enunciado& enunciado, std::function<void(const BloqueAudio&)> alBloque) override
    {
        Espeak::shared().encolar({enunciado, std::move(alBloque), dueno_, dueno_->generacion.load()});
    }

    void detener() override { ++dueno_->generacion; }

private:
    std::shared_ptr<Dueno> dueno_ = std::make_shared<Dueno>();
};

} // namespace

std::unique_ptr<Sintetizador> Sintetizador::crear()
{
    return std::make_unique<SintetizadorEspeak>();
}

int Sintetizador::palabrasPorMinuto(float velocidad)
{
    const float v = std::clamp(velocidad, 0.0f, 1.0f);
    const float ppm = v <= 0.5f ? 80 + v / 0.5f * 95 : 175 + (v - 0.5f) / 0.5f * 275;
    return int(std::lround(ppm));
}

QString Sintetizador::nombreVoz(const QString& identificador, const QString& nombreMotor)
{
    static const QHash<QString, QString> espanol = {
        {QStringLiteral("roa/es"), QStringLiteral("Español (España)")},
        {QStringLiteral("roa/es-419"), QStringLiteral("Español (Latinoamérica)")},
    };
    return espanol.value(identificador, QString(nombreMotor).replace(u'_', u' '));
}
