// The room over its scripted engine and the real assistant with the fake
// agent as Claude Code: a sentence queued to the engine's hablar call; the
// silence timer closing an utterance to the instruction reaching the
// agent's standard input (read from the agent's own log), with an empty
// store and with 2,000 conversations, agents detected as at start; the
// agent's first streamed sentence to hablar; and a ten-minute scripted
// session on the fake clock.
#include "AlmacenPrueba.h"
#include "comun/AgenteFalso.h"
#include "comun/ModelosPrueba.h"

#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

using namespace std::chrono_literals;

namespace {

struct Sala {
    ModelosPrueba m;
    std::unique_ptr<AgenteFalso> agente;

    explicit Sala(const char* turnos = nullptr, int conversacionesGuardadas = 0)
    {
        m.detectar = &AgenteFalso::detectar;
        m.abrir(conversaciones(conversacionesGuardadas));
        agente = std::make_unique<AgenteFalso>(m.hogar);
        // The application finds its agents at start; a turn then takes the
        // executable from that detection instead of probing it again.
        m.estadoIA->buscar();
        esperar([&] { return !m.estadoIA->buscando(); });
        agente->cerrarPuertas();
        if (turnos)
            agente->turnos({AgenteFalso::pasos(turnos)});
        m.asistente->setCarpeta(m.hogar.ruta());
        m.asistente->setNivel(NivelPermiso::editar);
        m.ajustes->escribir(QStringLiteral("escuchaSiempre"), true);
        m.modo->escucharSiempre();
        avanzar(20ms);
    }
    ~Sala()
    {
        agente->abrirPuerta(QStringLiteral("a"));
        m.modo->terminar();
        if (auto s = m.asistente->sesionClaude())
            s->cerrar();
        m.asistente->turno().cancelar();
        AvanceReloj::hastaQue(m.reloj, [&] { return !m.asistente->sesionClaude() || !m.asistente->sesionClaude()->enMarcha(); },
                              0ms, 5s);
        m.cerrar();
    }
    void avanzar(std::chrono::milliseconds ms) { AvanceReloj::avanzar(m.reloj, ms); }
    bool esperar(const std::function<bool()>& listo) { return AvanceReloj::hastaQue(m.reloj, listo, 0ms, 20s); }
};

void BM_OracionAHablar(benchmark::State& state)
{
    Sala sala;
    QElapsedTimer reloj;
    for (auto _ : state) {
        reloj.start();
        sala.m.modo->encolar(QStringLiteral("Revisé el plano de la casa y está todo en orden."));
        state.SetIterationTime(reloj.nsecsElapsed() / 1e9);
        benchmark::DoNotOptimize(sala.m.motor->dichos.size());
        sala.m.motor->completar();
        AvanceReloj::entregar();
        sala.m.motor->dichos.clear();
    }
}

// The silence timer closing an utterance (the step of fake time in which
// the wait ends) to the line on the agent's standard input, and a streamed
// sentence of the answer to the engine's hablar call. The agent waits at a
// gate meanwhile; the detection of the agent is cached by the first turn.
void BM_CierreYRespuesta(benchmark::State& state)
{
    Sala sala(R"([{"sistema":"init"},{"puerta":"a"},{"resultado":"ok"}])", int(state.range(0)));
    auto& m = sala.m;
    QElapsedTimer reloj;
    std::vector<double> cierres, respuestas;
    int vuelta = 0;
    for (auto _ : state) {
        sala.agente->cerrarPuertas();
        m.motor->usuario(QStringLiteral("revisa la cuenta número ") + QString::number(++vuelta));
        sala.avanzar(990ms);
        const auto recibidas = [&] {
            qsizetype n = 0;
            for (int p = 0; p < sala.agente->procesos(); ++p)
                n += sala.agente->entradas(p).size();
            return n;
        };
        const qsizetype lineas = recibidas();
        reloj.start();
        sala.avanzar(20ms);
        bool enviado = m.asistente->ejecutando();
        while (enviado && recibidas() <= lineas) {
            QCoreApplication::processEvents();
            if (reloj.elapsed() > 20000)
                enviado = false;
        }
        if (vuelta > 1)
            cierres.push_back(reloj.nsecsElapsed() / 1e6);
        const size_t antes = m.motor->dichos.size();
        reloj.start();
        m.asistente->turno().alFragmento(QStringLiteral("Abrí el plano de la casa. "));
        if (m.motor->dichos.size() > antes)
            respuestas.push_back(reloj.nsecsElapsed() / 1e6);
        if (!enviado)
            state.SkipWithError("la frase no llegó al agente");
        sala.agente->abrirPuerta(QStringLiteral("a"));
        sala.esperar([&] { return !m.asistente->ejecutando(); });
        m.motor->completar();
        m.modo->callarTodo();
        AvanceReloj::entregar();
    }
    const auto media = [](const std::vector<double>& v) {
        double suma = 0;
        for (double x : v)
            suma += x;
        return v.empty() ? 0 : suma / double(v.size());
    };
    state.counters["cierre_a_entrada_ms"] = media(cierres);
    state.counters["oracion_a_hablar_ms"] = media(respuestas);
}

// Ten minutes of fake time: an utterance every 30 s, each answered by the
// agent and spoken sentence by sentence.
void BM_SesionDiezMinutos(benchmark::State& state)
{
    for (auto _ : state) {
        Sala sala(R"([{"sistema":"init"},{"bloque":"text"},{"delta":"Listo. Abrí el plano. Revisé la cocina. "},
                     {"finBloque":true},{"resultado":"ok"}])");
        sala.m.motor->porLetra = 40ms;
        for (int i = 0; i < 20; ++i) {
            sala.m.motor->usuario(QStringLiteral("revisa la cuenta número ") + QString::number(i));
            sala.avanzar(1500ms);
            sala.esperar([&] { return !sala.m.asistente->ejecutando(); });
            sala.avanzar(28500ms);
        }
        state.counters["dichos"] = double(sala.m.motor->dichos.size());
    }
}

}

BENCHMARK(BM_OracionAHablar)->Unit(benchmark::kMicrosecond)->UseManualTime();
BENCHMARK(BM_CierreYRespuesta)->ArgName("conversaciones")->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SesionDiezMinutos)->Unit(benchmark::kMillisecond)->Iterations(1);
