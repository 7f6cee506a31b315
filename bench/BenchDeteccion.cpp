// The five detection probes run side by side: a full search should take
// about as long as the slowest probe, not the sum of all five.
#include "core/DetectorIA.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Five fake command-line tools in a temporary home, each taking
// `espera` seconds to print its version.
struct Hogar {
    QTemporaryDir raiz;
    QList<HerramientaIA> herramientas;

    explicit Hogar(const char* espera)
    {
        qputenv("HOME", raiz.path().toUtf8());
        QDir().mkpath(raiz.path() + "/.local/bin");
        for (int i = 0; i < 5; ++i) {
            const QString nombre = QStringLiteral("zuvi-banco-%1").arg(i);
            QFile f(raiz.path() + "/.local/bin/" + nombre);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray("#!/bin/sh\nsleep ") + espera + "\necho 1.0\n");
            f.close();
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            herramientas << HerramientaIA{nombre, nombre, HerramientaIA::Tipo::cli,
                                          HerramientaIA::Proveedor::anthropic, {}, nombre, {}};
        }
    }
};

void juntas(benchmark::State& estado)
{
    Hogar hogar("0.2");
    for (auto _ : estado)
        benchmark::DoNotOptimize(DetectorIA::buscarTodo(hogar.herramientas));
}

void unaTrasOtra(benchmark::State& estado)
{
    Hogar hogar("0.2");
    for (auto _ : estado)
        for (const auto& h : hogar.herramientas)
            benchmark::DoNotOptimize(DetectorIA::buscar(h));
}

// What the probe machinery itself costs: tools that answer at once.
void juntasInstantaneas(benchmark::State& estado)
{
    Hogar hogar("0");
    for (auto _ : estado)
        benchmark::DoNotOptimize(DetectorIA::buscarTodo(hogar.herramientas));
}

}

BENCHMARK(juntas)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(unaTrasOtra)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(juntasInstantaneas)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK_MAIN();
