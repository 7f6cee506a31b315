// The conversation store under load: a streamed append, loading the file
// and saving it whole, with 2,000 conversations of 50 messages.
#include "AlmacenPrueba.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// One fragment of streamed text into the agent message of a conversation
// in the middle of the list, as the assistant does while an answer comes in.
void agregarFragmento(benchmark::State& estado)
{
    const Hogar hogar(static_cast<int>(estado.range(0)));
    auto almacen = hogar.abrir();
    const QUuid id = almacen->conversaciones().at(almacen->conversaciones().size() / 2).id;
    int avisos = 0;
    QObject::connect(almacen.get(), &Almacen::conversacionCambiada, [&](const QUuid&) { ++avisos; });
    // An observer that keeps its own copy of the list, as a view would.
    const QList<Conversacion> vista = almacen->conversaciones();
    for (auto _ : estado) {
        almacen->cambiar(id, false, [](Conversacion& c) {
            QString& texto = c.mensajes.last().texto;
            if (texto.size() > 4000)
                texto.clear();
            texto += QStringLiteral("palabra ");
        });
    }
    benchmark::DoNotOptimize(avisos);
    estado.counters["avisos"] = avisos;
}
BENCHMARK(agregarFragmento)->Arg(10)->Arg(2000)->Unit(benchmark::kMicrosecond);

void cargar(benchmark::State& estado)
{
    const Hogar hogar(2000);
    for (auto _ : estado) {
        auto almacen = hogar.abrir();
        benchmark::DoNotOptimize(almacen->conversaciones().size());
    }
    estado.counters["bytes"] = static_cast<double>(hogar.tamano());
}
BENCHMARK(cargar)->Unit(benchmark::kMillisecond);

void guardar(benchmark::State& estado)
{
    const Hogar hogar(2000);
    auto almacen = hogar.abrir();
    for (auto _ : estado)
        almacen->guardar();
    estado.counters["bytes"] = static_cast<double>(hogar.tamano());
}
BENCHMARK(guardar)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
