// The full-screen room's CPU: the view shown at 1000×700 with the orb
// animating while the room listens and while it speaks, hidden, and the
// same process with no view at all (what hidden should cost). Each
// figure is the process's CPU time over wall time while the event loop
// runs; the Qt platform is the one in QT_QPA_PLATFORM (offscreen by
// default; "xcb" under xvfb-run draws on a real X server).
#include "AlmacenPrueba.h"
#include "vistas/Entorno.h"
#include "vistas/Iconos.h"
#include "app/ModoProyectosView.h"
#include "assistant/AsistenteVoz.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/ModoProyectosPrueba.h"
#include "comun/MotorSalaGuionado.h"
#include "core/EstadoIA.h"
#include "projects/ModoProyectos.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <optional>

namespace {

double cpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

enum Caso { escuchando, hablando, oculta, sinVista };

void cpuSala(benchmark::State& estado)
{
    const Hogar hogar(10);
    DispositivosSistemaFalso sistema;
    auto almacen = hogar.abrir();
    EstadoIA estadoIA(Reloj::sistema(), [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
    AsistenteVoz asistente(*hogar.ajustes, Reloj::sistema(), *almacen, sistema, estadoIA);
    ModoProyectos modo(Reloj::sistema(), *hogar.ajustes, *almacen, *hogar.perfiles, asistente,
                       std::make_unique<MotorSalaGuionado>(Reloj::sistema()));
    const Entorno entorno{*hogar.ajustes, Reloj::sistema(), *almacen, *hogar.perfiles, estadoIA, asistente, modo};
    almacen->setSeleccion(almacen->conversaciones().first().id);
    modo.iniciar();
    ModoProyectosPrueba prueba{modo};
    const auto caso = Caso(estado.range(0));
    prueba.estado(caso == hablando ? ModoProyectos::Estado::hablando : ModoProyectos::Estado::escuchando);
    std::optional<ModoProyectosView> vista;
    if (caso != sinVista) {
        vista.emplace(entorno);
        vista->resize(1000, 700);
        vista->show();
    }
    {
        QEventLoop calentar;
        QTimer::singleShot(500, &calentar, &QEventLoop::quit);
        calentar.exec();
    }
    if (caso == oculta)
        vista->hide();
    const int segundos = qEnvironmentVariableIntValue("ZUVI_BENCH_SEGUNDOS") > 0
                             ? qEnvironmentVariableIntValue("ZUVI_BENCH_SEGUNDOS") : 5;
    for (auto _ : estado) {
        // The capture level moves as speech would, twenty times a second.
        float nivel = 0;
        QTimer voz;
        QObject::connect(&voz, &QTimer::timeout, [&] {
            nivel = nivel > 0.9f ? 0.1f : nivel + 0.15f;
            prueba.nivel(nivel);
        });
        voz.start(50);
        QEventLoop bucle;
        QTimer::singleShot(segundos * 1000, Qt::PreciseTimer, &bucle, &QEventLoop::quit);
        QElapsedTimer reloj;
        const double antes = cpu();
        reloj.start();
        bucle.exec();
        estado.counters["cpu_%"] = 100.0 * (cpu() - antes) / (double(reloj.elapsed()) / 1000.0);
    }
}
BENCHMARK(cpuSala)->Arg(escuchando)->Arg(hablando)->Arg(oculta)->Arg(sinVista)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Iconos::prepararTema();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
