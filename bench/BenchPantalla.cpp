// The recorded 20,000-fragment Claude turn streamed through the assistant
// into the conversation screen of a visible main window (offscreen), and
// the same turn without a window. Each fragment is followed by one turn of
// the event loop, so the coalesced redraw, layout and paint are counted.
// Reports the cost per fragment of the first and the last 1,000 fragments,
// the longest single line (the longest stall of the GUI thread: the turn's
// end, which saves the store) and the longest text fragment.
//
// Also: opening a conversation of 100, 1,000 and 10,000 messages from the
// sidebar's selection to the painted window, and the process's CPU while a
// window shows a conversation of 500 answers and nothing happens; and long
// answers (a 200 kB report, 100 kB lines of unclosed openers, a 100 kB
// code block) streamed into the window.
#include "AlmacenPrueba.h"
#include "GrabacionTurno.h"
#include "RespuestasLargas.h"

#include "vistas/Iconos.h"
#include "app/BurbujaMensaje.h"
#include "app/ConversacionView.h"
#include "app/ListaMensajes.h"
#include "app/VistaPrincipal.h"
#include "app/VentanaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "comun/AgenteFalso.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/MotorSalaGuionado.h"
#include "core/EstadoIA.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>

namespace {

// A home with a store of 2,000 conversations and the fake agent as
// `claude`, whose session only waits: the recorded lines are fed by hand.
struct Sala {
    HogarTemporal hogar;
    AgenteFalso agente{hogar};
    DispositivosSistemaFalso sistema;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<EstadoIA> deteccion;
    std::unique_ptr<AsistenteVoz> asistente;
    std::unique_ptr<ModoProyectos> modo;
    std::unique_ptr<VentanaPrincipal> ventana;
    QUuid conversacion;

    explicit Sala(bool conVentana)
    {
        agente.escenario(R"({"turnos": [[{"error": "", "esperar": 3600000}]]})");
        QDir().mkpath(Carpetas::datosApp());
        QFile f(Carpetas::datosApp() + QStringLiteral("/conversaciones.json"));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(Codificacion::codificar(conversaciones(2000)));
        f.close();
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        ajustes->escribir(QStringLiteral("configuracionCompleta"), true);
        perfiles = std::make_unique<Perfiles>(*ajustes, Reloj::sistema(), Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(Reloj::sistema(), *perfiles, Carpetas::datosApp());
        deteccion = std::make_unique<EstadoIA>(Reloj::sistema(), [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
        // Not as root, whoever runs it: Claude Code would refuse "total".
        asistente = std::make_unique<AsistenteVoz>(*ajustes, Reloj::sistema(), *almacen, sistema, *deteccion, [] { return false; });
        asistente->setLeerRespuesta(false);
        asistente->setVozPropiaSilenciada(true);
        modo = std::make_unique<ModoProyectos>(Reloj::sistema(), *ajustes, *almacen, *perfiles, *asistente,
                                               std::make_unique<MotorSalaGuionado>(Reloj::sistema()));
        conversacion = almacen->conversaciones().at(almacen->conversaciones().size() / 2).id;
        almacen->setSeleccion(conversacion);
        QDir().mkpath(hogar.en("proyecto"));
        asistente->usarCarpeta(hogar.en("proyecto"));
        if (conVentana) {
            Iconos::prepararTema();
            ventana = std::make_unique<VentanaPrincipal>(
                Entorno{*ajustes, Reloj::sistema(), *almacen, *perfiles, *deteccion, *asistente, *modo});
            ventana->resize(1100, 800);
            ventana->show();
        }
        QApplication::processEvents();
    }

    // The conversation back to its stored messages, for the next turn.
    void recortar()
    {
        almacen->cambiar(conversacion, false, [](Conversacion& c) { c.mensajes.resize(mensajesPorConversacion); });
        QApplication::processEvents();
    }

    ~Sala()
    {
        if (auto s = asistente->sesionClaude())
            s->cerrar();
        ventana.reset();
        modo.reset();
        asistente.reset();
    }
};

double media(const std::vector<qint64>& ns, size_t desde, size_t cuantos)
{
    qint64 suma = 0;
    for (size_t i = desde; i < desde + cuantos; ++i)
        suma += ns[i];
    return double(suma) / double(cuantos) / 1000.0;
}

// Per-fragment figures summed over the iterations.
void contar(benchmark::State& estado, double primeros, double ultimos, double peor)
{
    const double n = double(estado.iterations());
    estado.counters["us/frag primeros 1000"] = primeros / n;
    estado.counters["us/frag ultimos 1000"] = ultimos / n;
    estado.counters["ultimos/primeros"] = ultimos / primeros;
    estado.counters["ms peor fragmento"] = peor;
}

// Starts a turn in the sala and waits for its session; a null id when it
// did not start.
QUuid empezarTurno(Sala& sala, benchmark::State& estado)
{
    if (!sala.asistente->enviar(QStringLiteral("Escribe el informe largo"))) {
        estado.SkipWithError("el turno no empezó");
        return {};
    }
    QElapsedTimer espera;
    espera.start();
    while (!sala.asistente->turno().enCurso() || !sala.asistente->sesionClaude()) {
        QApplication::processEvents();
        if (espera.elapsed() > 15000) {
            estado.SkipWithError("la sesión no arrancó");
            return {};
        }
    }
    QApplication::processEvents();
    return sala.asistente->sesionClaude()->id();
}

void turnoEnPantalla(benchmark::State& estado)
{
    const bool conVentana = estado.range(0) != 0;
    Sala sala(conVentana);
    const QStringList lineas = grabacion();
    std::vector<qint64> ns(size_t(lineas.size()));
    double primeros = 0, ultimos = 0, peor = 0, peorDelta = 0;

    for (auto _ : estado) {
        estado.PauseTiming();
        const QUuid sesion = empezarTurno(sala, estado);
        if (sesion.isNull())
            return;
        estado.ResumeTiming();

        QElapsedTimer reloj;
        for (qsizetype i = 0; i < lineas.size(); ++i) {
            reloj.start();
            sala.asistente->turno().lineaSesion(lineas[i], sesion);
            QApplication::processEvents();
            ns[size_t(i)] = reloj.nsecsElapsed();
        }

        estado.PauseTiming();
        if (sala.asistente->ejecutando())
            estado.SkipWithError("el turno no terminó");
        primeros += media(ns, primerDelta, 1000);
        ultimos += media(ns, primerDelta + deltas - 1000, 1000);
        peor = std::max(peor, double(*std::max_element(ns.begin(), ns.end())) / 1e6);
        const auto delta = ns.begin() + primerDelta;
        peorDelta = std::max(peorDelta, double(*std::max_element(delta, delta + deltas)) / 1e6);
        sala.recortar();
        estado.ResumeTiming();
    }
    contar(estado, primeros, ultimos, peor);
    estado.counters["ms peor delta"] = peorDelta;
}
BENCHMARK(turnoEnPantalla)->ArgName("ventana")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);


// A conversation of `cuantos` messages, half of them answers with some
// markdown, in place of one of the store's conversations.
QUuid conversacionLarga(Sala& sala, int cuantos)
{
    const QString respuesta = QStringLiteral(
        "## Cambios\n\nRevisé **el módulo de audio** y dejé los cambios en `audio/Captura.cpp`:\n\n"
        "- la captura ya no se corta al cambiar de micrófono;\n- las pruebas nuevas pasan;\n"
        "- falta una nota para *José* sobre [la reunión](https://example.com/reunion).\n\n"
        "Si quieres, sigo con la documentación del instalador y reviso los avisos del compilador.");
    const QUuid id = sala.almacen->conversaciones().at(3).id;
    sala.almacen->cambiar(id, false, [&](Conversacion& c) {
        c.mensajes.clear();
        for (int i = 0; i < cuantos; ++i)
            c.mensajes << Mensaje::nuevo(i % 2 ? Mensaje::Rol::agente : Mensaje::Rol::usuario,
                                         i % 2 ? respuesta : QStringLiteral("Revisa el módulo de audio, por favor."),
                                         i % 2 ? std::optional(AgenteCLI::claude) : std::nullopt);
    });
    QApplication::processEvents();
    return id;
}

ListaMensajes* listaDe(const Sala& sala)
{
    auto* pantalla = qobject_cast<ConversacionView*>(sala.ventana->vista()->detalle());
    return pantalla ? pantalla->lista() : nullptr;
}

// Selects a conversation and runs the event loop until its last message is
// built, then paints the window.
bool abrir(Sala& sala, const QUuid& id)
{
    sala.almacen->setSeleccion(id);
    const Conversacion* c = nullptr;
    for (const Conversacion& x : sala.almacen->conversaciones())
        if (x.id == id)
            c = &x;
    QElapsedTimer espera;
    espera.start();
    for (;;) {
        QApplication::processEvents();
        ListaMensajes* lista = listaDe(sala);
        if (lista && lista->conversacion() == id && !lista->burbujas().empty()
            && lista->burbujas().back()->id() == c->mensajes.last().id)
            break;
        if (espera.elapsed() > 30000)
            return false;
    }
    sala.ventana->repaint();
    return true;
}

void abrirConversacion(benchmark::State& estado)
{
    Sala sala(true);
    const QUuid largo = conversacionLarga(sala, int(estado.range(0)));
    const QUuid otra = sala.almacen->conversaciones().at(5).id;
    double ms = 0, peor = 0;
    for (auto _ : estado) {
        estado.PauseTiming();
        if (!abrir(sala, otra))
            estado.SkipWithError("no se abrió la otra conversación");
        estado.ResumeTiming();
        QElapsedTimer reloj;
        reloj.start();
        if (!abrir(sala, largo))
            estado.SkipWithError("no se abrió la conversación larga");
        const double t = double(reloj.nsecsElapsed()) / 1e6;
        ms += t;
        peor = std::max(peor, t);
    }
    estado.counters["ms al abrir"] = ms / double(estado.iterations());
    estado.counters["ms peor"] = peor;
    if (ListaMensajes* lista = listaDe(sala))
        estado.counters["burbujas hechas"] = double(lista->burbujas().size());
}
BENCHMARK(abrirConversacion)->ArgName("mensajes")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->UseRealTime()->Iterations(5);

double cpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The window at rest over a conversation of `respuestas` answers.
void cpuEnReposo(benchmark::State& estado)
{
    Sala sala(true);
    const int respuestas = int(estado.range(0));
    if (respuestas > 0 && !abrir(sala, conversacionLarga(sala, 2 * respuestas)))
        estado.SkipWithError("no se abrió la conversación");
    {
        QEventLoop calentar;
        QTimer::singleShot(1000, &calentar, &QEventLoop::quit);
        calentar.exec();
    }
    for (auto _ : estado) {
        QEventLoop bucle;
        QTimer::singleShot(5000, &bucle, &QEventLoop::quit);
        QElapsedTimer reloj;
        const double antes = cpu();
        reloj.start();
        bucle.exec();
        estado.counters["cpu_%"] = 100.0 * (cpu() - antes) / (double(reloj.elapsed()) / 1000.0);
    }
}
BENCHMARK(cpuEnReposo)->ArgName("respuestas")->Arg(0)->Arg(500)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The answers that load the markdown view: a 200 kB report, 100 kB lines
// of openers that nothing closes, and one 100 kB code block.
QString respuestaLarga(int64_t caso)
{
    switch (caso) {
    case 0:
        return respuestas::markdown(200 * 1000);
    case 1:
        return QString(100 * 1000, u'[');
    case 2:
        return QStringLiteral("[a](").repeated(25 * 1000);
    default:
        return respuestas::bloqueDeCodigo(100 * 1000);
    }
}

// The longest event-loop turn, in ms, from the turn's last line until the
// window has drawn the finished answer: how long it stays stuck at the end.
double finDeTurno(Sala& sala, const QString& ultima, const QUuid& sesion)
{
    QElapsedTimer reloj;
    reloj.start();
    sala.asistente->turno().lineaSesion(ultima, sesion);
    QApplication::processEvents();
    qint64 peor = reloj.nsecsElapsed();
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < 200) {
        QThread::msleep(1);
        reloj.start();
        QApplication::processEvents();
        peor = std::max(peor, reloj.nsecsElapsed());
    }
    return double(peor) / 1e6;
}

// A long answer streamed in fragments of 10 characters into a visible main
// window, back to back or one every `ritmo` µs (a fast agent writes a few
// hundred characters a second). Each fragment counts with its event-loop
// turn: one over 50 ms is a gap the user sees as a frozen window.
void respuestaEnPantalla(benchmark::State& estado)
{
    Sala sala(true);
    const QStringList lineas = respuestas::grabacion(respuestaLarga(estado.range(0)), 10);
    const qint64 pausa = estado.range(1) * 1000;
    // Every line but the last, which ends the turn and is measured apart.
    const size_t cuantas = size_t(lineas.size()) - 1;
    std::vector<qint64> ns(cuantas);
    double primeros = 0, ultimos = 0, peor = 0, huecos = 0, fin = 0;

    for (auto _ : estado) {
        estado.PauseTiming();
        const QUuid sesion = empezarTurno(sala, estado);
        if (sesion.isNull())
            return;
        estado.ResumeTiming();

        QElapsedTimer reloj, ritmo;
        ritmo.start();
        for (size_t i = 0; i < cuantas; ++i) {
            // The wait between fragments is no part of their cost.
            while (pausa > 0 && ritmo.nsecsElapsed() < qint64(i) * pausa)
                QThread::usleep(20);
            reloj.start();
            sala.asistente->turno().lineaSesion(lineas[qsizetype(i)], sesion);
            QApplication::processEvents();
            ns[i] = reloj.nsecsElapsed();
        }
        fin = std::max(fin, finDeTurno(sala, lineas.last(), sesion));

        estado.PauseTiming();
        if (sala.asistente->ejecutando())
            estado.SkipWithError("el turno no terminó");
        primeros += media(ns, 2, 1000);
        ultimos += media(ns, cuantas - 1001, 1000);
        peor = std::max(peor, double(*std::max_element(ns.begin(), ns.end())) / 1e6);
        huecos += double(std::count_if(ns.begin(), ns.end(), [](qint64 t) { return t > 50'000'000; }));
        sala.recortar();
        estado.ResumeTiming();
    }
    contar(estado, primeros, ultimos, peor);
    estado.counters["huecos >50ms"] = huecos / double(estado.iterations());
    estado.counters["ms fin del turno"] = fin;
}
// respuesta 0: the markdown report, 1: a line of "[", 2: a line of "[a](",
// 3: a code block.
BENCHMARK(respuestaEnPantalla)
    ->ArgNames({"respuesta", "ritmo"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}

int main(int argc, char** argv)
{
    // "xcb" under xvfb-run draws on a real X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
