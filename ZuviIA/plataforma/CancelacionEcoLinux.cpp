#include "plataforma/CancelacionEco.h"
#include "plataforma/Reproductor.h"

#include <webrtc/modules/audio_processing/include/audio_processing.h>

#include <deque>
#include <mutex>
#include <stdexcept>

namespace {

// Far end: 10 ms of the player's output at its own rate.
constexpr int framesLejano = Reproductor::frecuencia / 100;
// What the player handed over before the microphone asks for it; more than
// this (a capture that stopped) is old and dropped.
constexpr size_t maxLejano = size_t(Reproductor::frecuencia);
// The player writes up to 80 ms ahead of the sound server, which plays
// and captures with its own latency; the canceller also estimates it.
constexpr int msRetraso = 120;

struct Estado {
    std::mutex mutex;
    std::unique_ptr<webrtc::AudioProcessing> apm;
    bool activo = false;
    int frecuencia = 0;
    int canales = 0;
    size_t muestrasTrozo = 0;    // 10 ms of capture, all channels
    std::deque<float> lejano;    // mono, Reproductor::frecuencia
    std::deque<float> entrada;   // capture not yet processed, interleaved
    std::deque<float> salida;    // processed capture not yet handed back
};

class CancelacionWebRtc final : public CancelacionEco {
public:
    explicit CancelacionWebRtc(const std::shared_ptr<Reproductor>& lejano)
    {
        if (!lejano)
            return;
        observacion_ = lejano->observarSalida([e = estado_](const float* m, size_t n) {
            std::lock_guard g(e->mutex);
            if (!e->activo)
                return;
            e->lejano.insert(e->lejano.end(), m, m + n);
            while (e->lejano.size() > maxLejano)
                e->lejano.pop_front();
        });
    }

    void activar(int frecuencia, int canales) override
    {
        if (frecuencia % 100 != 0 || canales < 1 || canales > 2)
            throw std::runtime_error("La cancelación de eco no admite el formato de este micrófono.");
        webrtc::Config config;
        config.Set<webrtc::ExtendedFilter>(new webrtc::ExtendedFilter(true));
        config.Set<webrtc::DelayAgnostic>(new webrtc::DelayAgnostic(true));
        std::unique_ptr<webrtc::AudioProcessing> apm(webrtc::AudioProcessing::Create(config));
        if (!apm || apm->echo_cancellation()->enable_drift_compensation(false) != 0 ||
            apm->echo_cancellation()->set_suppression_level(webrtc::EchoCancellation::kHighSuppression) != 0 ||
            apm->echo_cancellation()->Enable(true) != 0 || apm->high_pass_filter()->Enable(true) != 0)
            throw std::runtime_error("No se pudo activar la cancelación de eco.");
        std::lock_guard g(estado_->mutex);
        Estado& e = *estado_;
        e.apm = std::move(apm);
        e.frecuencia = frecuencia;
        e.canales = canales;
        e.muestrasTrozo = size_t(frecuencia / 100 * canales);
        e.lejano.clear();
        e.entrada.clear();
        // One chunk ahead, so every block goes back whole: 10 ms of delay.
        e.salida.assign(e.muestrasTrozo, 0.0f);
        e.activo = true;
    }

    void desactivar() override
    {
        std::lock_guard g(estado_->mutex);
        estado_->activo = false;
        estado_->apm.reset();
    }

    void procesar(BloqueAudio& bloque) override
    {
        std::lock_guard g(estado_->mutex);
        Estado& e = *estado_;
        if (!e.activo || bloque.frecuencia != e.frecuencia || bloque.canales != e.canales)
            return;
        e.entrada.insert(e.entrada.end(), bloque.muestras.begin(), bloque.muestras.end());
        while (e.entrada.size() >= e.muestrasTrozo)
            procesarTrozo(e);
        for (float& m : bloque.muestras) {
            m = e.salida.front();
            e.salida.pop_front();
        }
    }

private:
    static void procesarTrozo(Estado& e)
    {
        // The far end heard so far goes in first, 10 ms at a time.
        std::vector<float> lejano(framesLejano);
        const webrtc::StreamConfig formatoLejano(Reproductor::frecuencia, 1);
        while (e.lejano.size() >= size_t(framesLejano)) {
            std::copy_n(e.lejano.begin(), framesLejano, lejano.begin());
            e.lejano.erase(e.lejano.begin(), e.lejano.begin() + framesLejano);
            float* canal = lejano.data();
            e.apm->ProcessReverseStream(&canal, formatoLejano, formatoLejano, &canal);
        }
        const size_t frames = e.muestrasTrozo / size_t(e.canales);
        std::vector<std::vector<float>> canales(size_t(e.canales), std::vector<float>(frames));
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < size_t(e.canales); ++c)
                canales[c][i] = e.entrada[i * size_t(e.canales) + c];
        e.entrada.erase(e.entrada.begin(), e.entrada.begin() + std::ptrdiff_t(e.muestrasTrozo));
        std::vector<float*> punteros;
        for (auto& c : canales)
            punteros.push_back(c.data());
        const webrtc::StreamConfig formato(e.frecuencia, e.canales);
        e.apm->set_stream_delay_ms(msRetraso);
        // A chunk it refuses passes on as it came.
        e.apm->ProcessStream(punteros.data(), formato, formato, punteros.data());
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < size_t(e.canales); ++c)
                e.salida.push_back(canales[c][i]);
    }

    std::shared_ptr<Estado> estado_ = std::make_shared<Estado>();
    std::unique_ptr<Reproductor::Observacion> observacion_;
};

} // namespace

std::shared_ptr<CancelacionEco> CancelacionEco::crear(const std::shared_ptr<Reproductor>& lejano)
{
    return std::make_shared<CancelacionWebRtc>(lejano);
}
