// The room over its scripted engine and the real assistant with the fake
// agent as Claude Code: a sentence queued to the engine's hablar call; the
// silence timer closing an utterance to the instruction reaching the
// agent's standard input; the agent's first streamed sentence to hablar;
// and a ten-minute scripted session on the fake clock.
#include "comun/AgenteFalso.h"
#include "comun/ModelosPrueba.h"

#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"

#include <QElapsedTimer>

#include <benchmark/benchmark.h>

using namespace std::chrono_literals;

namespace {

struct Sala {
    ModelosPrueba m;
    std::unique_ptr<AgenteFalso> agente;

    explicit Sala(const char* turnos = nullptr)
    {
        m.abrir();
        agente = std::make_unique<AgenteFalso>(m.hogar);
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
    for (auto _ : state) {
        sala.m.modo->encolar(QStringLiteral("Revisé el plano de la casa y está todo en orden."));
        benchmark::DoNotOptimize(sala.m.motor->dichos.size());
        state.PauseTiming();
        sala.m.motor->completar();
        AvanceReloj::entregar();
        sala.m.motor->dichos.clear();
        sala.m.modo->callarTodo();
        state.ResumeTiming();
    }
}

// Silence timer to the instruction line written for the agent, and the
// agent's first sentence to the engine: each iteration is one turn.
void BM_CierreYRespuesta(benchmark::State& state)
{
    Sala sala(R"([{"sistema":"init"},{"puerta":"a"},{"bloque":"text"},{"delta":"Abrí el plano de la casa. "},
                 {"finBloque":true},{"resultado":"ok"}])");
    auto& m = sala.m;
    QElapsedTimer reloj;
    std::optional<qint64> escrita, linea, hablada;
    int entradas = 0;
    QObject::connect(m.asistente.get(), &AsistenteVoz::lineaSesion, m.asistente.get(), [&](const QString& l) {
        if (!linea && l.contains(QStringLiteral("Abrí el plano")))
            linea = reloj.nsecsElapsed();
    });
    m.motor->alHablar = [&] {
        if (linea && !hablada)
            hablada = reloj.nsecsElapsed();
    };
    std::vector<double> cierres, respuestas;
    for (auto _ : state) {
        escrita.reset();
        linea.reset();
        hablada.reset();
        sala.agente->cerrarPuertas();
        m.motor->usuario(QStringLiteral("abre el plano de la casa"));
        // Up to just before the 1000 ms wait ends.
        sala.avanzar(990ms);
        reloj.start();
        sala.avanzar(20ms);
        const auto antes = entradas;
        sala.esperar([&] {
            const int n = int(sala.agente->eventos(QStringLiteral("entrada")).size());
            if (n > antes && !escrita)
                escrita = reloj.nsecsElapsed();
            return escrita.has_value();
        });
        entradas = int(sala.agente->eventos(QStringLiteral("entrada")).size());
        sala.agente->abrirPuerta(QStringLiteral("a"));
        sala.esperar([&] { return hablada.has_value(); });
        sala.esperar([&] { return !m.asistente->ejecutando(); });
        if (escrita)
            cierres.push_back(*escrita / 1e6);
        if (linea && hablada)
            respuestas.push_back((*hablada - *linea) / 1e6);
        m.motor->completar();
        m.modo->callarTodo();
        AvanceReloj::entregar();
    }
    const auto media = [](const std::vector<double>& v) {
        double s = 0;
        for (double x : v)
            s += x;
        return v.empty() ? 0 : s / double(v.size());
    };
    state.counters["cierre_a_entrada_ms"] = media(cierres);
    state.counters["linea_a_hablar_ms"] = media(respuestas);
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
            sala.m.motor->usuario(QStringLiteral("abre el plano de la casa número ") + QString::number(i));
            sala.avanzar(1500ms);
            sala.esperar([&] { return !sala.m.asistente->ejecutando(); });
            sala.avanzar(28500ms);
        }
        state.counters["dichos"] = double(sala.m.motor->dichos.size());
    }
}

}

BENCHMARK(BM_OracionAHablar)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CierreYRespuesta)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SesionDiezMinutos)->Unit(benchmark::kMillisecond)->Iterations(1);
