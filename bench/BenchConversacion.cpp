// The conversation engine while it listens. The cost of one 1024-frame
// capture block on the capture thread (48 kHz, fakes at the edges); and,
// under tools/servicios-prueba.sh, the process CPU time over a long silent
// capture from the test server's pipe microphone with the scripted
// recognizer, the delay from a block being cut by capture to the
// recognizer receiving it, and what the GUI thread waits while the sound
// server is stopped. ZUVI_BENCH_SEGUNDOS shortens the 60 s capture.
#include "audio/MotorConversacion.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/EscritorTuberia.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/Senales.h"
#include "SilencioPrueba.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <thread>

namespace {

double percentil(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Arg 0: a fresh segment (its voice-print audio is taken every few
// seconds, off the clock); arg 1: past 30 s of segment audio, where the
// voice print keeps only the newest 30 s.
void BM_BloqueConversacion(benchmark::State& state)
{
    SilencioPrueba::Oido oido;
    auto& [hogar, voz, reconocedor, ajustes] = oido;
    MicrofonoFalso microfono;
    microfono.frecuencia = 48000;
    DispositivosSistemaFalso dispositivos;
    MotorConversacion motor({.microfono = microfono, .reconocedor = reconocedor, .ajustes = ajustes,
                             .dispositivos = dispositivos});
    motor.onNivel([](float n) { benchmark::DoNotOptimize(n); });
    motor.arrancar(std::nullopt, std::nullopt, false);
    const BloqueAudio bloque = Senales::seno(1024, 48000, 0.1f);
    const bool largo = state.range(0) == 1;
    // 32 s of blocks of 1024 frames at 48 kHz.
    if (largo) {
        for (int i = 0; i < 1500; ++i)
            microfono.empujar(bloque);
    }
    int n = 0;
    std::chrono::steady_clock::duration total{};
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        microfono.empujar(bloque);
        total += std::chrono::steady_clock::now() - t0;
        if (!largo && ++n % 200 == 0) {
            state.PauseTiming();
            motor.tomarAudioSegmento();
            state.ResumeTiming();
        }
    }
    // What 100 ms of capture (4.69 blocks) costs the capture thread.
    const double msBloque = std::chrono::duration<double, std::milli>(total).count() / double(state.iterations());
    state.counters["ms_por_100ms"] = msBloque * 0.1 / (1024.0 / 48000.0);
    motor.detener();
}
BENCHMARK(BM_BloqueConversacion)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ConversacionEnSilencio(benchmark::State& state)
{
    const auto id = SilencioPrueba::microfono(state);
    if (!id)
        return;
    const int segundos = SilencioPrueba::segundos();
    SilencioPrueba::Oido oido;
    auto& [hogar, voz, reconocedor, ajustes] = oido;
    MotorConversacion motor({.reconocedor = reconocedor, .ajustes = ajustes});
    for (auto _ : state) {
        // Silence written in real time; the writer's own CPU is left out.
        EscritorTuberia escritor(0.0f);
        motor.arrancar(id, std::nullopt, false);
        std::this_thread::sleep_for(std::chrono::seconds(1)); // settle
        const double cpu0 = SilencioPrueba::segundosCpuProceso() - escritor.segundosCpu();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(segundos));
        const double cpu = SilencioPrueba::segundosCpuProceso() - escritor.segundosCpu() - cpu0;
        const double pared = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        motor.detener();
        state.counters["cpu_%_nucleo"] = 100.0 * cpu / pared;
    }
    std::vector<double> ms;
    {
        std::lock_guard g(voz->estado->mutex);
        for (auto d : voz->estado->demoras)
            ms.push_back(std::chrono::duration<double, std::milli>(d).count());
    }
    state.counters["entregas"] = double(ms.size());
    state.counters["demora_p50_ms"] = percentil(ms, 0.50);
    state.counters["demora_p99_ms"] = percentil(ms, 0.99);
    state.counters["demora_max_ms"] = ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end());
}
BENCHMARK(BM_ConversacionEnSilencio)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Turns the event loop for `ms`, noting its longest gap between turns.
void girar(int ms, qint64& peor)
{
    QElapsedTimer desde;
    desde.start();
    QTimer vigia;
    vigia.setInterval(5);
    QObject::connect(&vigia, &QTimer::timeout, [&] { peor = std::max(peor, desde.restart()); });
    vigia.start();
    QEventLoop bucle;
    QTimer::singleShot(ms, &bucle, &QEventLoop::quit);
    bucle.exec();
    peor = std::max(peor, desde.elapsed());
}

// What the GUI thread waits while the test server is stopped (SIGSTOP):
// the longest call of starting, stopping and letting go of an engine with
// the real microphone and player, and the longest gap of the event loop.
void BM_VentanaConServidorParado(benchmark::State& state)
{
    const auto id = SilencioPrueba::microfono(state);
    if (!id)
        return;
    SilencioPrueba::Oido oido;
    auto& [hogar, voz, reconocedor, ajustes] = oido;
    DispositivosSistemaFalso dispositivos;
    dispositivos.entradas = {{*id, QString("zuvi_microfono"), QString("Micrófono de prueba"), std::nullopt, 0, 1}};
    qint64 llamada = 0;
    qint64 hueco = 0;
    auto medir = [&](const std::function<void()>& f) {
        QElapsedTimer t;
        t.start();
        f();
        llamada = std::max(llamada, t.elapsed());
    };
    for (auto _ : state) {
        auto motor = std::make_unique<MotorConversacion>(MotorConversacion::Capas{
            .reconocedor = reconocedor, .ajustes = ajustes, .dispositivos = dispositivos,
            .reproductor = Reproductor::crear()});
        PulsePrueba::ServidorParado parado;
        if (!parado.hecho()) {
            state.SkipWithError("no se encontró el servidor de prueba");
            return;
        }
        medir([&] { motor->arrancar(id, std::nullopt, false); });
        girar(300, hueco);
        medir([&] { motor->detener(); });
        medir([&] { motor->arrancar(id, std::nullopt, false); });
        girar(300, hueco);
        medir([&] { motor.reset(); });
        girar(300, hueco);
    }
    state.counters["llamada_max_ms"] = double(llamada);
    state.counters["hueco_max_ms"] = double(hueco);
}
BENCHMARK(BM_VentanaConServidorParado)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
