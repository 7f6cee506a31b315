#pragma once

// What the benchmarks that listen to the test server's silence share.
#include "comun/HogarTemporal.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PulsePrueba.h"
#include "plataforma/Ajustes.h"
#include "plataforma/DispositivosSistema.h"
#include "plataforma/Reconocedor.h"

#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <optional>

namespace SilencioPrueba {

// A private home with its settings and the scripted recognizer.
struct Oido {
    HogarTemporal hogar;
    std::shared_ptr<MotorReconocimientoGuionado> voz = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{voz};
    Ajustes ajustes{hogar.en(".config/cl.norp.ZuviIA.conf")};
};

inline double segundosCpuProceso()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// How long to listen: 60 s, or ZUVI_BENCH_SEGUNDOS.
inline int segundos()
{
    return qEnvironmentVariableIsSet("ZUVI_BENCH_SEGUNDOS") ? qEnvironmentVariableIntValue("ZUVI_BENCH_SEGUNDOS") : 60;
}

// The test server's pipe microphone; none, and the benchmark skipped, when
// it is not there (run under tools/servicios-prueba.sh).
inline std::optional<uint32_t> microfono(benchmark::State& state)
{
    if (PulsePrueba::carpeta().isEmpty()) {
        state.SkipWithError("sin servidor PulseAudio de prueba (tools/servicios-prueba.sh)");
        return std::nullopt;
    }
    for (const auto& r : DispositivosSistema::sistema().listar(true)) {
        if (r.nombre == QStringLiteral("zuvi_microfono"))
            return r.indice;
    }
    state.SkipWithError("no está el micrófono de prueba");
    return std::nullopt;
}

}
