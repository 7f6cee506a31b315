// Music against speech from what aubio's pitch and onset trackers show: a
// steady beat (the onset descriptor repeating at a beat's lag) and held
// pitches, also between a speaker's syllables, mean music; voiced stretches
// broken by near-silent gaps mean speech. Noise holds no pitch and no beat.
#include "plataforma/ClasificadorSonido.h"

#include "plataforma/Remuestreador.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr int frecuenciaAnalisis = 16000;
constexpr uint_t salto = 256; // 16 ms
constexpr uint_t ventanaFft = 1024;
constexpr size_t saltosVentana = size_t(ClasificadorSonido::segundosVentana * frecuenciaAnalisis / salto);
constexpr size_t saltosResultado = saltosVentana / 2;
// The beat is looked for over a longer stretch than one window.
constexpr size_t saltosHistoria = saltosVentana * 2;
// A stalled worker drops the oldest audio rather than grow without bound.
constexpr size_t maxCola = 128;

struct Salto {
    float rms = 0;
    float tono = 0; // Hz
    float confianza = 0;
    float flujo = 0; // onset descriptor (spectral flux)
};

// What one window shows.
struct Rasgos {
    double energia = 0;
    double sonora = 0;    // share of hops with a clear pitch
    double sostenida = 0; // share of pitched hops holding the previous pitch
    double huecos = 0;    // share of hops far below the window's peak
    double periodicidad = 0; // of the onset descriptor at a beat's lag
    double fondoTonal = 0; // share of the quieter half that still holds a pitch
    double variacion = 0;  // of the hops' loudness: deviation over mean
    double saltosTono = 0; // share of pitched hops moving off the previous pitch
};

// The strongest normalised autocorrelation of the onset descriptor at lags
// of 0.3 to 1 s (60 to 200 beats a minute): a beat stands out even under
// speech, whose onsets come at no steady rate.
double periodicidad(const std::deque<Salto>& s)
{
    const size_t n = s.size();
    double media = 0;
    for (const Salto& x : s)
        media += x.flujo;
    media /= double(n);
    std::vector<double> d(n);
    double cero = 0;
    for (size_t i = 0; i < n; ++i) {
        d[i] = s[i].flujo - media;
        cero += d[i] * d[i];
    }
    if (cero <= 0)
        return 0;
    const size_t desde = size_t(0.3 * frecuenciaAnalisis / salto);
    const size_t hasta = std::min(n / 2, size_t(1.0 * frecuenciaAnalisis / salto));
    double mejor = 0;
    for (size_t lag = desde; lag <= hasta; ++lag) {
        double suma = 0;
        for (size_t i = lag; i < n; ++i)
            suma += d[i] * d[i - lag];
        mejor = std::max(mejor, suma / cero * double(n) / double(n - lag));
    }
    return std::clamp(mejor, 0.0, 1.0);
}

double limitar(double x)
{
    return std::clamp(x, 0.0, 1.0);
}

Rasgos medir(const std::deque<Salto>& historia)
{
    Rasgos r;
    r.periodicidad = periodicidad(historia);
    const std::deque<Salto> s(historia.end() - std::ptrdiff_t(std::min(historia.size(), saltosVentana)), historia.end());
    float pico = 0;
    for (const Salto& x : s) {
        r.energia += x.rms;
        pico = std::max(pico, x.rms);
    }
    r.energia /= double(s.size());
    int sonoros = 0, sostenidos = 0, huecos = 0, saltos = 0;
    float anterior = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const Salto& x = s[i];
        if (x.rms < 0.1f * pico)
            ++huecos;
        const bool sonoro = x.confianza > 0.8f && x.tono > 50 && x.rms > 0.1f * pico;
        if (!sonoro) {
            anterior = 0;
            continue;
        }
        ++sonoros;
        const double semitonos = anterior > 0 ? std::abs(12 * std::log2(x.tono / anterior)) : 0;
        if (anterior > 0 && semitonos < 0.3)
            ++sostenidos;
        if (anterior > 0 && semitonos > 0.5)
            ++saltos;
        anterior = x.tono;
    }
    r.saltosTono = sonoros > 0 ? double(saltos) / double(sonoros) : 0;
    double desvio = 0;
    for (const Salto& x : s)
        desvio += (x.rms - r.energia) * (x.rms - r.energia);
    r.variacion = r.energia > 0 ? std::sqrt(desvio / double(s.size())) / r.energia : 0;
    r.sonora = double(sonoros) / double(s.size());
    r.sostenida = sonoros > 0 ? double(sostenidos) / double(sonoros) : 0;
    r.huecos = double(huecos) / double(s.size());
    // Between a speaker's syllables music goes on sounding, pitched.
    std::vector<float> energias;
    for (const Salto& x : s)
        energias.push_back(x.rms);
    std::nth_element(energias.begin(), energias.begin() + std::ptrdiff_t(energias.size() / 2), energias.end());
    const float mediana = energias[energias.size() / 2];
    int quietos = 0, tonales = 0;
    for (const Salto& x : s) {
        if (x.rms > mediana)
            continue;
        ++quietos;
        tonales += x.confianza > 0.8f && x.tono > 50 && x.rms > 0.05f * pico;
    }
    r.fondoTonal = quietos > 0 ? double(tonales) / double(quietos) : 0;
    return r;
}

std::pair<double, double> puntuar(const Rasgos& r)
{
    if (r.energia < 0.002)
        return {0, 0};
    const double tonal = r.sostenida * limitar(2 * r.sonora);
    // A hum or a held tone is tonal too, but music moves: in loudness or in pitch.
    const double cambio = limitar(5 * r.variacion + 20 * r.saltosTono);
    const double musica = limitar(0.5 * r.fondoTonal + 0.3 * tonal + 0.4 * r.periodicidad - 0.1) * cambio;
    const double habla = limitar(2 * r.sonora) * limitar(4 * r.huecos) * (1 - r.fondoTonal);
    return {musica, habla};
}

class ClasificadorAubio final : public ClasificadorSonido {
public:
    ClasificadorAubio() : hilo_([this] { trabajar(); }) {}
    ~ClasificadorAubio() override
    {
        {
            std::lock_guard g(mutex_);
            fin_ = true;
        }
        hay_.notify_all();
        hilo_.join();
    }

    bool preparar(int frecuencia, int canales, AlResultado alResultado) override
    {
        if (frecuencia <= 0 || canales <= 0)
            return false;
        {
            std::lock_guard g(mutex_);
            ++generacion_;
            cola_.clear();
            alResultado_ = std::move(alResultado);
        }
        hay_.notify_all();
        return true;
    }

    void analizar(std::shared_ptr<const BloqueAudio> copia, int64_t posicion) override
    {
        {
            std::lock_guard g(mutex_);
            if (!alResultado_)
                return;
            cola_.push_back({std::move(copia), posicion, generacion_});
            if (cola_.size() > maxCola)
                cola_.pop_front();
        }
        hay_.notify_one();
    }

private:
    struct Pedido {
        std::shared_ptr<const BloqueAudio> bloque;
        int64_t posicion;
        int generacion;
    };
    struct Liberar {
        void operator()(aubio_pitch_t* p) const { del_aubio_pitch(p); }
        void operator()(aubio_onset_t* p) const { del_aubio_onset(p); }
        void operator()(fvec_t* p) const { del_fvec(p); }
    };
    // The analysis of one capture: rebuilt on every preparar, and when the
    // frame positions jump (audio was dropped).
    struct Analisis {
        int frecuencia = 0;
        int64_t siguiente = 0;
        std::unique_ptr<Remuestreador> remuestreador;
        std::unique_ptr<aubio_pitch_t, Liberar> tono{new_aubio_pitch("yinfast", ventanaFft, salto, frecuenciaAnalisis)};
        std::unique_ptr<aubio_onset_t, Liberar> ataque{new_aubio_onset("specflux", ventanaFft, salto, frecuenciaAnalisis)};
        std::unique_ptr<fvec_t, Liberar> entrada{new_fvec(salto)};
        std::unique_ptr<fvec_t, Liberar> salida{new_fvec(1)};
        std::vector<float> pendiente;
        std::deque<Salto> saltos;
        size_t desdeResultado = 0;
    };

    void trabajar()
    {
        std::unique_ptr<Analisis> a;
        int generacion = -1;
        for (;;) {
            Pedido p;
            AlResultado al;
            {
                std::unique_lock l(mutex_);
                hay_.wait(l, [&] { return fin_ || !cola_.empty(); });
                if (fin_)
                    return;
                p = std::move(cola_.front());
                cola_.pop_front();
                if (p.generacion != generacion_)
                    continue;
                al = alResultado_;
            }
            if (!a || p.generacion != generacion || p.posicion != a->siguiente || a->frecuencia != p.bloque->frecuencia) {
                a = nuevo(p.bloque->frecuencia);
                generacion = p.generacion;
                if (!a)
                    continue;
            }
            a->siguiente = p.posicion + p.bloque->frames();
            alimentar(*a, *p.bloque, al);
        }
    }

    static std::unique_ptr<Analisis> nuevo(int frecuencia)
    {
        auto a = std::make_unique<Analisis>();
        if (!a->tono || !a->ataque || frecuencia <= 0)
            return nullptr;
        aubio_pitch_set_unit(a->tono.get(), "Hz");
        aubio_pitch_set_silence(a->tono.get(), -60);
        a->frecuencia = frecuencia;
        if (frecuencia != frecuenciaAnalisis) {
            try {
                a->remuestreador = std::make_unique<Remuestreador>(frecuencia, frecuenciaAnalisis);
            } catch (const ErrorRemuestreo&) {
                return nullptr;
            }
        }
        return a;
    }

    static void alimentar(Analisis& a, const BloqueAudio& b, const AlResultado& al)
    {
        std::vector<float> mono(size_t(b.frames()));
        for (size_t i = 0; i < mono.size(); ++i)
            mono[i] = b.muestras[i * size_t(b.canales)];
        const std::vector<float> m = a.remuestreador ? a.remuestreador->procesar(mono) : mono;
        a.pendiente.insert(a.pendiente.end(), m.begin(), m.end());
        size_t usado = 0;
        while (a.pendiente.size() - usado >= salto) {
            pasoDe(a, a.pendiente.data() + usado);
            usado += salto;
            if (a.saltos.size() >= saltosVentana && ++a.desdeResultado >= saltosResultado) {
                a.desdeResultado = 0;
                const auto [musica, habla] = puntuar(medir(a.saltos));
                if (al)
                    al(musica, habla);
            }
        }
        a.pendiente.erase(a.pendiente.begin(), a.pendiente.begin() + std::ptrdiff_t(usado));
    }

    static void pasoDe(Analisis& a, const float* muestras)
    {
        std::copy(muestras, muestras + salto, a.entrada->data);
        Salto s;
        double suma = 0;
        for (uint_t i = 0; i < salto; ++i)
            suma += double(muestras[i]) * muestras[i];
        s.rms = float(std::sqrt(suma / salto));
        aubio_pitch_do(a.tono.get(), a.entrada.get(), a.salida.get());
        s.tono = a.salida->data[0];
        s.confianza = aubio_pitch_get_confidence(a.tono.get());
        aubio_onset_do(a.ataque.get(), a.entrada.get(), a.salida.get());
        s.flujo = aubio_onset_get_descriptor(a.ataque.get());
        a.saltos.push_back(s);
        if (a.saltos.size() > saltosHistoria)
            a.saltos.pop_front();
    }

    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<Pedido> cola_;
    AlResultado alResultado_;
    int generacion_ = 0;
    bool fin_ = false;
    std::thread hilo_;
};

} // namespace

std::shared_ptr<ClasificadorSonido> ClasificadorSonido::crear()
{
    return std::make_shared<ClasificadorAubio>();
}
