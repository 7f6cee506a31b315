// The main window: process start to the window shown, and to the list
// filled, over an empty home and a store of 2,000 conversations of 50
// messages (offscreen, or on the X display when DISPLAY is set); the sidebar's work for one streamed
// fragment with 10 and with 2,000 conversations; the CPU the application
// takes while its window sits open, showing a conversation of 50 messages
// or one of 500 answers. Run under tools/servicios-prueba.sh.
#include "comun/MotorSalaGuionado.h"
#include "AlmacenPrueba.h"
#include "app/BarraConversaciones.h"
#include "vistas/Entorno.h"
#include "vistas/Iconos.h"
#include "app/ModeloConversaciones.h"
#include "assistant/AsistenteVoz.h"
#include "comun/DispositivosSistemaFalso.h"
#include "core/EstadoIA.h"
#include "projects/ModoProyectos.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace {

// A private home whose store holds `cuantas` conversations, with setup
// complete, for the real executable. The first one, which the window
// opens, may instead hold `respuestas` answers and as many questions.
struct HogarProceso {
    QTemporaryDir dir;

    explicit HogarProceso(int cuantas, int respuestas = 0)
    {
        QDir().mkpath(en("datos/ZuviIA"));
        QDir().mkpath(en("config"));
        QDir().mkpath(en("runtime"));
        QFile::setPermissions(en("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile store(en("datos/ZuviIA/conversaciones.json"));
        if (cuantas > 0 && !store.open(QIODevice::WriteOnly))
            std::abort();
        QList<Conversacion> lista = conversaciones(cuantas);
        if (respuestas > 0 && !lista.isEmpty()) {
            QList<Mensaje>& mensajes = lista.first().mensajes;
            const Mensaje pregunta = mensajes.value(0), respuesta = mensajes.value(1);
            mensajes.clear();
            for (int i = 0; i < respuestas; ++i)
                mensajes << Mensaje::nuevo(pregunta.rol, pregunta.texto, pregunta.agente, pregunta.autor)
                         << Mensaje::nuevo(respuesta.rol, respuesta.texto, respuesta.agente, respuesta.autor);
        }
        if (cuantas > 0)
            store.write(Codificacion::codificar(lista));
        QFile conf(en("config/cl.norp.ZuviIA.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            std::abort();
        conf.write("[General]\nconfiguracionCompleta=true\n");
    }

    QString en(const QString& r) const { return dir.path() + QLatin1Char('/') + r; }
    QString registro() const { return en("estado/ZuviIA/zuvi.log"); }

    QProcessEnvironment entorno() const
    {
        auto e = QProcessEnvironment::systemEnvironment();
        e.insert("HOME", dir.path());
        e.insert("XDG_DATA_HOME", en("datos"));
        e.insert("XDG_CONFIG_HOME", en("config"));
        e.insert("XDG_STATE_HOME", en("estado"));
        e.insert("XDG_RUNTIME_DIR", en("runtime"));
        e.insert("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("DISPLAY") ? "xcb" : "offscreen");
        return e;
    }
};

// Seconds from `reloj` until the log holds `linea`; none on a time-out.
std::optional<double> hastaLinea(const HogarProceso& hogar, const QElapsedTimer& reloj, const QByteArray& linea)
{
    while (reloj.elapsed() < 20000) {
        QFile f(hogar.registro());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(linea))
            return reloj.nsecsElapsed() / 1e9;
        QThread::usleep(500);
    }
    return std::nullopt;
}

// Starts zuviia and returns once its window is shown (the launch tasks'
// log line is written then), with the time that took; none on a time-out.
// `lista` gets the time until the conversations were listed.
std::optional<double> arrancar(QProcess& proceso, const HogarProceso& hogar, std::optional<double>* lista = nullptr)
{
    QFile::remove(hogar.registro());
    proceso.setProcessEnvironment(hogar.entorno());
    proceso.setProgram(QStringLiteral(ZUVI_EJECUTABLE));
    QElapsedTimer reloj;
    reloj.start();
    proceso.start();
    const auto ventana = hastaLinea(hogar, reloj, "Permisos al abrir");
    if (ventana && lista)
        *lista = hastaLinea(hogar, reloj, "Conversaciones leídas");
    return ventana;
}

void detener(QProcess& proceso)
{
    proceso.terminate();
    if (!proceso.waitForFinished(5000)) {
        proceso.kill();
        proceso.waitForFinished();
    }
}

void arranqueHastaVentana(benchmark::State& estado)
{
    const HogarProceso hogar(int(estado.range(0)));
    double lista = 0;
    for (auto _ : estado) {
        QProcess proceso;
        std::optional<double> llena;
        const auto segundos = arrancar(proceso, hogar, &llena);
        detener(proceso);
        if (!segundos || !llena) {
            estado.SkipWithError("la ventana o la lista no apareció");
            return;
        }
        estado.SetIterationTime(*segundos);
        lista += *llena;
    }
    estado.counters["lista llena ms"] = 1000.0 * lista / double(estado.iterations());
}
BENCHMARK(arranqueHastaVentana)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

double segundosCpu(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> campos = stat.readAll().split(')').value(1).trimmed().split(' ');
    // utime and stime are fields 14 and 15; the split starts at field 3.
    return double(campos.value(11).toLongLong() + campos.value(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

void cpuEnReposo(benchmark::State& estado)
{
    const HogarProceso hogar(2000, int(estado.range(0)));
    const int segundos = qEnvironmentVariableIntValue("ZUVI_BENCH_SEGUNDOS") > 0
                             ? qEnvironmentVariableIntValue("ZUVI_BENCH_SEGUNDOS") : 10;
    for (auto _ : estado) {
        QProcess proceso;
        if (!arrancar(proceso, hogar)) {
            estado.SkipWithError("la ventana no apareció");
            return;
        }
        // Launch work (tool detection) settles first.
        QThread::sleep(3);
        const double antes = segundosCpu(proceso.processId());
        QThread::sleep(segundos);
        const double despues = segundosCpu(proceso.processId());
        detener(proceso);
        estado.counters["cpu_%"] = 100.0 * (despues - antes) / segundos;
    }
}
BENCHMARK(cpuEnReposo)->ArgName("respuestas")->Arg(0)->Arg(500)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The sidebar over a real store, shown offscreen: one fragment appended to
// the selected conversation's answer, and the events (repaint included)
// that follow.
void fragmentoEnBarra(benchmark::State& estado)
{
    const Hogar hogar(int(estado.range(0)));
    DispositivosSistemaFalso sistema;
    auto almacen = hogar.abrir();
    EstadoIA estadoIA(Reloj::sistema(), [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
    AsistenteVoz asistente(*hogar.ajustes, Reloj::sistema(), *almacen, sistema, estadoIA);
    ModoProyectos modo(Reloj::sistema(), *hogar.ajustes, *almacen, *hogar.perfiles, asistente,
                       std::make_unique<MotorSalaGuionado>(Reloj::sistema()));
    const Entorno entorno{*hogar.ajustes, Reloj::sistema(), *almacen, *hogar.perfiles, estadoIA, asistente, modo};
    BarraConversaciones barra(entorno);
    barra.resize(240, 700);
    barra.show();
    QCoreApplication::processEvents();
    const Conversacion& c = almacen->conversaciones().first();
    const QUuid id = c.id, mensaje = c.mensajes.last().id;
    almacen->setSeleccion(id);
    // The first fragment moves the conversation under "Hoy".
    almacen->anexarTexto(id, mensaje, QStringLiteral("Y "), false);
    QCoreApplication::processEvents();
    const int antes = barra.modelo()->reagrupaciones();
    for (auto _ : estado) {
        almacen->anexarTexto(id, mensaje, QStringLiteral("un fragmento más "), false);
        QCoreApplication::processEvents();
    }
    estado.counters["reagrupaciones"] = barra.modelo()->reagrupaciones() - antes;
}
// The same number of fragments for both, so the answers grow alike.
BENCHMARK(fragmentoEnBarra)->Arg(10)->Arg(2000)->Unit(benchmark::kMicrosecond)->Iterations(3000)->Repetitions(3);

}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Iconos::prepararTema();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
