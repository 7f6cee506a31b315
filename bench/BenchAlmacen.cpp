// The conversation store under load, with 2,000 conversations of 50
// messages: a streamed append, loading the file in a fresh process, and a
// save of one changed conversation (the window's share and the whole way
// to the disk).
#include "AlmacenPrueba.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

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

// The child of cargarEnProcesoNuevo: loads the store of ZUVI_BENCH_DATOS
// and exits, as a fresh application would read it.
int cargarYSalir(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Ajustes ajustes(qEnvironmentVariable("ZUVI_BENCH_DATOS") + QStringLiteral("/ajustes.conf"));
    Perfiles perfiles(ajustes, Reloj::sistema(), qEnvironmentVariable("ZUVI_BENCH_DATOS"));
    Almacen almacen(Reloj::sistema(), perfiles, qEnvironmentVariable("ZUVI_BENCH_DATOS"));
    return almacen.conversaciones().size() == qEnvironmentVariableIntValue("ZUVI_BENCH_CUANTAS") ? 0 : 1;
}

// A child process per repetition: a cold heap and the process's start
// counted, as a user's launch has them.
void cargarEnProcesoNuevo(benchmark::State& estado)
{
    const int cuantas = int(estado.range(0));
    const Hogar hogar(cuantas);
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("ZUVI_BENCH_DATOS"), hogar.datos);
    entorno.insert(QStringLiteral("ZUVI_BENCH_CUANTAS"), QString::number(cuantas));
    for (auto _ : estado) {
        QProcess hijo;
        hijo.setProcessEnvironment(entorno);
        QElapsedTimer reloj;
        reloj.start();
        hijo.start(QCoreApplication::applicationFilePath(), {});
        if (!hijo.waitForFinished(60000) || hijo.exitCode() != 0) {
            estado.SkipWithError("el proceso de carga falló");
            return;
        }
        estado.SetIterationTime(double(reloj.nsecsElapsed()) / 1e9);
    }
    estado.counters["bytes"] = static_cast<double>(hogar.tamano());
}
BENCHMARK(cargarEnProcesoNuevo)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// One conversation changed and saved: what the window's thread spends
// (the change and the request), then the whole way to the disk.
void guardarUnCambio(benchmark::State& estado)
{
    const bool hastaDisco = estado.range(0) != 0;
    const Hogar hogar(2000);
    auto almacen = hogar.abrir();
    // The first save after a load finds the encodings ready.
    almacen->esperarGuardado();
    const QUuid id = almacen->conversaciones().at(almacen->conversaciones().size() / 2).id;
    int n = 0;
    for (auto _ : estado) {
        QElapsedTimer reloj;
        reloj.start();
        almacen->cambiar(id, true, [&](Conversacion& c) { c.mensajes.last().texto = QString::number(++n); });
        if (hastaDisco)
            almacen->esperarGuardado();
        estado.SetIterationTime(double(reloj.nsecsElapsed()) / 1e9);
        // The next change starts with the writer idle.
        almacen->esperarGuardado();
    }
    estado.counters["bytes"] = static_cast<double>(hogar.tamano());
}
BENCHMARK(guardarUnCambio)->ArgName("hastaDisco")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime();

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ZUVI_BENCH_DATOS"))
        return cargarYSalir(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
