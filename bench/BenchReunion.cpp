// A long meeting: the notes of 30 to 120 minutes of talk (one remark every
// 8 s) and the minutes instruction built from them. The counters give the
// heap those take, which should grow linearly and stay under 10 MB at two
// hours.
#include "projects/Minuta.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

size_t heapEnUso()
{
    return mallinfo2().uordblks;
}

Conversacion reunion(int minutos)
{
    Conversacion c;
    c.id = QUuid::createUuid();
    c.titulo = QStringLiteral("Reunión 2026-12-10 15.00");
    c.creada = QDateTime(QDate(2026, 12, 10), QTime(15, 0));
    c.esReunion = true;
    const QStringList gente{"Ana", "Bruno", "Carla", "Diego"};
    const QDateTime inicio = c.creada;
    for (int s = 0; s < minutos * 60; s += 8) {
        const QString autor = gente[(s / 8) % gente.size()];
        c.mensajes << Mensaje::nuevo(Mensaje::Rol::acta,
                                     QStringLiteral("Creo que deberíamos revisar el presupuesto del segundo trimestre "
                                                    "antes de decidir la fecha de entrega, número ")
                                         + QString::number(s),
                                     std::nullopt, autor, inicio.addSecs(s));
    }
    return c;
}

void minutaDeReunion(benchmark::State& estado)
{
    const int minutos = int(estado.range(0));
    size_t bytes = 0;
    size_t largo = 0;
    for (auto _ : estado) {
        const size_t antes = heapEnUso();
        const Conversacion c = reunion(minutos);
        const QString instruccion = Minuta::instruccion(c);
        bytes = heapEnUso() - antes;
        largo = size_t(instruccion.size());
        benchmark::DoNotOptimize(instruccion.constData());
    }
    estado.counters["MB"] = double(bytes) / (1024 * 1024);
    estado.counters["caracteres"] = double(largo);
    estado.counters["notas"] = double(minutos * 60 / 8);
}
BENCHMARK(minutaDeReunion)->Arg(30)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
