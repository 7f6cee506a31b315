// A recorded Claude turn replayed through the stream-event handling: 20,000
// text deltas (about 200 kB of answer) into a conversation of a store of
// 2,000. Times the whole turn from the user's message to its end, and
// reports lines per second, the longest the window's thread was held by
// one step (the message, one line), and how often the store file was
// written per turn (saves that meet a write under way fold into one).
#include "AlmacenPrueba.h"
#include "GrabacionTurno.h"

#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

// The assistant's side of the turn: fixed settings and one session whose
// process only waits; its lines are the recorded ones fed in by hand.
class AnfitrionBanco : public TurnoAgente::Anfitrion {
public:
    AgenteCLI agente() const override { return AgenteCLI::claude; }
    void setAgente(AgenteCLI) override {}
    NivelPermiso nivel() const override { return NivelPermiso::total; }
    QString carpeta() const override { return QStringLiteral("/tmp"); }
    std::optional<QString> contextoPersona() const override { return std::nullopt; }
    bool leerRespuesta() const override { return false; }
    bool vozPropiaSilenciada() const override { return true; }
    bool comoRoot() const override { return false; }
    QString texto() const override { return QString(); }
    void setTexto(const QString&) override {}
    void detenerDictado() override {}
    void hablar(const QString&) override {}
    void sonarFin() override {}
    bool faltaCodex() const override { return false; }
    void buscarEjecutable(AgenteCLI, std::function<void(std::optional<QString>)> listo) override
    {
        listo(QStringLiteral("/bin/sleep"));
    }
    std::shared_ptr<SesionClaude> sesionClaude() const override { return sesion; }
    void soltarSesionClaude() override { sesion.reset(); }
    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>&, const QUuid&) override
    {
        if (!sesion)
            sesion = std::make_shared<SesionClaude>(QUuid::createUuid(), ClaveSesion{}, ruta,
                                                    QStringList{QStringLiteral("3600")}, carpeta(),
                                                    [](const QString&) {}, [](const QString&) {}, [](int) {});
        return sesion;
    }

    std::shared_ptr<SesionClaude> sesion;
};

// Counts the times the store file is replaced or closed after writing.
class VigiaArchivo {
public:
    explicit VigiaArchivo(const QString& carpeta) : fd_(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(fd_, QFile::encodeName(carpeta).constData(), IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~VigiaArchivo() { close(fd_); }

    int escrituras()
    {
        int n = 0;
        alignas(inotify_event) char datos[8192];
        for (ssize_t leidos; (leidos = read(fd_, datos, sizeof datos)) > 0;)
            for (char* p = datos; p < datos + leidos;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len && QLatin1String(e->name) == QLatin1String("conversaciones.json"))
                    ++n;
                p += sizeof(inotify_event) + e->len;
            }
        return n;
    }

private:
    int fd_;
};

void turnoGrabado(benchmark::State& estado)
{
    const Hogar hogar(2000);
    auto almacen = hogar.abrir();
    const QUuid id = almacen->conversaciones().at(almacen->conversaciones().size() / 2).id;
    almacen->setSeleccion(id);
    AnfitrionBanco anfitrion;
    TurnoAgente turno(anfitrion, *almacen, *hogar.ajustes, Reloj::sistema());
    const QStringList lineas = grabacion();
    VigiaArchivo vigia(hogar.datos);
    qint64 escrituras = 0;
    qsizetype largo = 0;

    double paradaMaxima = 0;
    const auto medir = [&](auto&& paso) {
        QElapsedTimer reloj;
        reloj.start();
        paso();
        paradaMaxima = std::max(paradaMaxima, double(reloj.nsecsElapsed()) / 1e6);
    };
    almacen->esperarGuardado();
    vigia.escrituras();

    for (auto _ : estado) {
        medir([&] { turno.enviar(QStringLiteral("Escribe el informe largo")); });
        while (!turno.enCurso())
            QCoreApplication::processEvents();
        const QUuid sesion = anfitrion.sesion->id();
        for (const QString& l : lineas)
            medir([&] { turno.lineaSesion(l, sesion); });

        estado.PauseTiming();
        if (turno.ejecutando())
            estado.SkipWithError("el turno no terminó");
        almacen->esperarGuardado();
        escrituras += vigia.escrituras();
        // Back to the stored size, so every turn meets the same store.
        almacen->cambiar(id, false, [&](Conversacion& c) {
            largo = c.mensajes.last().texto.size();
            c.mensajes.resize(mensajesPorConversacion);
        });
        estado.ResumeTiming();
    }
    anfitrion.sesion->cerrar();
    estado.counters["lineas/s"] =
        benchmark::Counter(double(lineas.size()) * double(estado.iterations()), benchmark::Counter::kIsRate);
    estado.counters["parada máxima ms"] = paradaMaxima;
    estado.counters["escrituras/turno"] = double(escrituras) / double(estado.iterations());
    estado.counters["kB respuesta"] = double(largo) / 1000.0;
}
BENCHMARK(turnoGrabado)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}
