// Speech output on the sound server: from hablar to the first sample of the
// sentence handed to the server, with the system voice and with the voice
// service (the real client and service in a temporary home), and the CPU
// the player takes per second of speech. Run under tools/servicios-prueba.sh
// or with a sound server of your own.
#include "audio/MotorConversacion.h"
#include "audio/ServicioVozPrueba.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>

namespace {

const QString frase = QStringLiteral("Hola, esta es una frase de prueba con diez palabras en total.");

void esperar(const std::function<bool()>& listo, int ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!listo() && t.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

double cpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Sala {
    ServicioVozPrueba servicio;
    std::shared_ptr<MotorReconocimientoGuionado> reconocimiento = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{reconocimiento};
    MicrofonoFalso microfono;
    std::shared_ptr<Reproductor> reproductor = Reproductor::crear();
    VozNeural voz{servicio.ajustes, servicio.reloj};
    std::unique_ptr<MotorConversacion> motor;
    // Set by hablar, cleared by the first sound handed over.
    std::atomic<bool> esperando = false;
    std::atomic<qint64> primera = -1;
    QElapsedTimer reloj;
    std::unique_ptr<Reproductor::Observacion> observacion;

    explicit Sala(bool neural)
    {
        if (neural) {
            voz.arrancar();
            esperar([&] { return voz.estado().listaParaHablar(); });
        }
        motor = std::make_unique<MotorConversacion>(MotorConversacion::Capas{
            .reloj = servicio.reloj, .microfono = microfono, .reconocedor = reconocedor, .ajustes = servicio.ajustes,
            .reproductor = reproductor, .sintetizador = Sintetizador::crear(), .voz = neural ? &voz : nullptr});
        motor->arrancar(std::nullopt, std::nullopt, false);
        observacion = reproductor->observarSalida([this](const float* m, size_t n) {
            if (!esperando)
                return;
            for (size_t i = 0; i < n; ++i) {
                if (std::abs(m[i]) > 1e-4f) {
                    primera = reloj.nsecsElapsed();
                    esperando = false;
                    return;
                }
            }
        });
    }
    ~Sala()
    {
        observacion.reset();
        motor.reset();
        voz.detener();
    }
};

void BM_HablarPrimeraMuestra(benchmark::State& state)
{
    const bool neural = state.range(0) == 1;
    Sala sala(neural);
    if (neural && !sala.voz.estado().listaParaHablar()) {
        state.SkipWithError("el servicio de voz no arrancó");
        return;
    }
    // A first sentence opens the output: a new stream on the test server's
    // null output waits for its next 2 s cycle, which no real output does.
    std::atomic<bool> abierta = false;
    sala.motor->hablar(QStringLiteral("Hola."), std::nullopt, 0.5f, [&](FinHabla) { abierta = true; });
    esperar([&] { return abierta.load(); });
    std::vector<double> tiempos;
    for (auto _ : state) {
        sala.primera = -1;
        sala.reloj.start();
        sala.esperando = true;
        std::atomic<bool> fin = false;
        sala.motor->hablar(frase, std::nullopt, 0.5f, [&](FinHabla) { fin = true; });
        esperar([&] { return sala.primera >= 0; }, 5000);
        state.SetIterationTime(double(sala.primera.load()) / 1e9);
        tiempos.push_back(double(sala.primera.load()) / 1e6);
        // The next sentence starts with the room silent, as in a conversation.
        esperar([&] { return fin.load(); });
        esperar([] { return false; }, 300);
    }
    std::sort(tiempos.begin(), tiempos.end());
    if (!tiempos.empty()) {
        state.counters["mediana_ms"] = tiempos[tiempos.size() / 2];
        state.counters["max_ms"] = tiempos.back();
    }
    state.SetLabel(neural ? "servicio de voz" : "voz del sistema");
}
BENCHMARK(BM_HablarPrimeraMuestra)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The player alone: from programar to the first sample handed over.
void BM_ProgramarPrimeraMuestra(benchmark::State& state)
{
    auto reproductor = Reproductor::crear();
    reproductor->preparar(std::nullopt);
    std::atomic<bool> esperando = false;
    std::atomic<qint64> primera = -1;
    QElapsedTimer reloj;
    auto obs = reproductor->observarSalida([&](const float* m, size_t n) {
        if (esperando && std::any_of(m, m + n, [](float x) { return std::abs(x) > 1e-4f; })) {
            primera = reloj.nsecsElapsed();
            esperando = false;
        }
    });
    // Opened by a first sound (see BM_HablarPrimeraMuestra).
    reproductor->programar(std::vector<float>(2400, 0.0f));
    esperar([] { return false; }, 2500);
    for (auto _ : state) {
        primera = -1;
        reloj.start();
        esperando = true;
        reproductor->programar(std::vector<float>(size_t(state.range(0)), 0.1f));
        esperar([&] { return primera >= 0; }, 5000);
        state.SetIterationTime(double(primera.load()) / 1e9);
        esperar([] { return false; }, 300);
    }
}
BENCHMARK(BM_ProgramarPrimeraMuestra)->Arg(4800)->Arg(48000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The player alone: 5 s of speech-like audio at the default rate 1.15.
void BM_CpuReproduccion(benchmark::State& state)
{
    auto reproductor = Reproductor::crear();
    reproductor->preparar(std::nullopt);
    std::vector<float> voz(size_t(5 * Reproductor::frecuencia));
    for (size_t i = 0; i < voz.size(); ++i)
        voz[i] = 0.2f * float(std::sin(2 * M_PI * 180 * double(i) / Reproductor::frecuencia)) *
                 float(0.6 + 0.4 * std::sin(2 * M_PI * 3 * double(i) / Reproductor::frecuencia));
    double porSegundo = 0;
    for (auto _ : state) {
        reproductor->velocidad(1.15f);
        std::atomic<bool> fin = false;
        const double antes = cpu();
        for (size_t i = 0; i < voz.size(); i += 2400)
            reproductor->programar(std::vector<float>(voz.begin() + std::ptrdiff_t(i),
                                                      voz.begin() + std::ptrdiff_t(std::min(voz.size(), i + 2400))));
        reproductor->programarFin([&](bool) { fin = true; });
        // The player needs nothing of this thread: it only sleeps here.
        while (!fin)
            QThread::msleep(20);
        porSegundo = (cpu() - antes) / (5.0 / 1.15);
    }
    state.counters["cpu_por_segundo_de_voz_%"] = porSegundo * 100;
}
BENCHMARK(BM_CpuReproduccion)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
