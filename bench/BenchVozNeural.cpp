// From the "/hablar" request to the first audio buffer at the client, and
// the real-time factor of a whole ten-word sentence, against the real
// voice service started by the real client in a temporary home: with the
// basic voice (espeak-ng), and with the neural path over the stand-ins of
// its packages (tools/sustitutos_voz), which measures the service's own
// work around the model, not the model.
#include "audio/VozNeural.h"
#include "plataforma/Ajustes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

namespace {

const QString frase = QStringLiteral("Hola, esta es una frase de prueba con diez palabras en total.");

struct Servicio {
    QTemporaryDir hogar;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<VozNeural> voz;

    explicit Servicio(bool natural)
    {
        qputenv("HOME", hogar.path().toUtf8());
        qputenv("XDG_DATA_HOME", (hogar.path() + "/datos").toUtf8());
        qputenv("XDG_CONFIG_HOME", (hogar.path() + "/config").toUtf8());
        const QString bin = VozNeural::carpeta() + "/.venv/bin";
        QDir().mkpath(bin);
        QFile python(bin + "/python");
        python.open(QIODevice::WriteOnly);
        python.write(QByteArray("#!/bin/sh\n") + (natural ? "export PYTHONPATH=\"" ZUVI_SUSTITUTOS_VOZ "\"\n" : "")
                     + "exec /usr/bin/python3 \"$@\"\n");
        python.close();
        python.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile(VozNeural::carpeta() + '/' + VozNeural::marcaInstalada).open(QIODevice::WriteOnly);
        ajustes = std::make_unique<Ajustes>(hogar.path() + "/config/zuvi.conf");
        voz = std::make_unique<VozNeural>(*ajustes, Reloj::sistema());
        voz->arrancar();
        QElapsedTimer t;
        t.start();
        while (!voz->estado().listaParaHablar() && t.elapsed() < 15000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

void primerBuffer(benchmark::State& state, bool natural)
{
    Servicio servicio(natural);
    auto& voz = *servicio.voz;
    if (!voz.estado().listaParaHablar()
        || (voz.estado().motor == MotorVoz::neural) != natural) {
        state.SkipWithError("el servicio de voz no arrancó con su motor");
        return;
    }
    double totalAudio = 0, totalPared = 0;
    for (auto _ : state) {
        std::atomic<qint64> primero{-1};
        std::atomic<bool> fin{false};
        std::atomic<qint64> muestras{0};
        QElapsedTimer t;
        t.start();
        auto tarea = voz.sintetizar(
            frase,
            [&](const QAudioBuffer& b) {
                qint64 esperado = -1;
                primero.compare_exchange_strong(esperado, t.nsecsElapsed());
                muestras += b.frameCount();
            },
            [&](bool, bool) { fin = true; });
        while (!fin)
            QThread::usleep(200);
        const double pared = t.nsecsElapsed() / 1e9;
        state.SetIterationTime(primero.load() / 1e9);
        totalAudio += muestras.load() / 24000.0;
        totalPared += pared;
    }
    state.counters["factor_tiempo_real"] = totalPared / totalAudio;
    state.counters["audio_s"] = totalAudio / double(state.iterations());
}
void BM_VozPrimerBuffer(benchmark::State& state) { primerBuffer(state, false); }
void BM_VozNaturalPrimerBuffer(benchmark::State& state) { primerBuffer(state, true); }
BENCHMARK(BM_VozPrimerBuffer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_VozNaturalPrimerBuffer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
