// The music/speech classifier: its CPU time per second of audio (a chord on
// a beat at 48 kHz, fed ten times faster than capture), and the time from
// the block that completes a 1.5 s window to that window's result, fed in
// real time.
#include "plataforma/ClasificadorSonido.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

constexpr int frecuencia = 48000;
constexpr int frames = 1024;

double segundosCpuProceso()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::shared_ptr<const BloqueAudio> bloque(int64_t posicion)
{
    auto b = std::make_shared<BloqueAudio>();
    b->frecuencia = frecuencia;
    b->muestras.resize(frames);
    for (int i = 0; i < frames; ++i) {
        const double t = double(posicion + i) / frecuencia;
        const double env = 0.1 + 0.2 * std::exp(-std::fmod(t, 0.5) * 4);
        b->muestras[size_t(i)] = float(env * (std::sin(2 * M_PI * 261.63 * t) + std::sin(2 * M_PI * 392.0 * t)) / 2);
    }
    return b;
}

void BM_ClasificadorCpuPorSegundo(benchmark::State& state)
{
    const int bloques = 10 * frecuencia / frames;
    std::vector<std::shared_ptr<const BloqueAudio>> audio;
    for (int i = 0; i < bloques; ++i)
        audio.push_back(bloque(int64_t(i) * frames));
    for (auto _ : state) {
        auto c = ClasificadorSonido::crear();
        std::atomic<int> resultados = 0;
        c->preparar(frecuencia, 1, [&](double, double) { ++resultados; });
        const double cpu0 = segundosCpuProceso();
        for (int i = 0; i < bloques; ++i) {
            c->analizar(audio[size_t(i)], int64_t(i) * frames);
            std::this_thread::sleep_for(std::chrono::microseconds(2100));
        }
        // The last windows may wait inside the resampler; a second is plenty.
        const int esperados = int(10 / (ClasificadorSonido::segundosVentana / 2)) - 2;
        for (int i = 0; i < 1000 && resultados < esperados; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double cpu = segundosCpuProceso() - cpu0;
        state.counters["cpu_%_nucleo"] = 100.0 * cpu / 10.0;
        state.counters["resultados"] = resultados.load();
    }
}
BENCHMARK(BM_ClasificadorCpuPorSegundo)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VentanaAResultado(benchmark::State& state)
{
    for (auto _ : state) {
        auto c = ClasificadorSonido::crear();
        std::mutex m;
        std::chrono::steady_clock::time_point ultimo;
        std::vector<double> ms;
        c->preparar(frecuencia, 1, [&](double, double) {
            std::lock_guard g(m);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - ultimo).count());
        });
        const auto paso = std::chrono::microseconds(1'000'000 * frames / frecuencia);
        auto siguiente = std::chrono::steady_clock::now();
        for (int i = 0; i < 6 * frecuencia / frames; ++i) {
            auto b = bloque(int64_t(i) * frames);
            {
                std::lock_guard g(m);
                ultimo = std::chrono::steady_clock::now();
            }
            c->analizar(std::move(b), int64_t(i) * frames);
            siguiente += paso;
            std::this_thread::sleep_until(siguiente);
        }
        std::lock_guard g(m);
        std::sort(ms.begin(), ms.end());
        state.counters["resultados"] = double(ms.size());
        state.counters["ms_mediana"] = ms.empty() ? 0 : ms[ms.size() / 2];
        state.counters["ms_max"] = ms.empty() ? 0 : ms.back();
    }
}
BENCHMARK(BM_VentanaAResultado)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
