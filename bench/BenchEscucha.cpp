// The wake-phrase listener. Under tools/servicios-prueba.sh: the process
// CPU time while it listens to silence from the test server's pipe
// microphone with the scripted recognizer, rotation included
// (ZUVI_BENCH_SEGUNDOS shortens the 60 s). With fakes at the edges: the
// time from the recognizer handing over "Oye, Zuvi" to the in-process
// dispatch of the room's link.
#include "audio/EscuchaZuvi.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/EscritorTuberia.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/Senales.h"
#include "comun/SonidosFalsos.h"
#include "SilencioPrueba.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <thread>

namespace {

using Reloj_ = std::chrono::steady_clock;

// The scripted backend, stamping the moment a stream hands over a
// non-empty partial text.
class MotorSellado final : public MotorReconocimiento {
public:
    std::shared_ptr<MotorReconocimientoGuionado> guionado = std::make_shared<MotorReconocimientoGuionado>();
    std::atomic<Reloj_::rep> sello{0};

    bool disponible() override { return guionado->disponible(); }
    QString motivo() override { return guionado->motivo(); }
    QStringList locales() override { return guionado->locales(); }
    std::unique_ptr<FlujoReconocimiento> abrir(const QString& locale) override
    {
        return std::make_unique<Flujo>(guionado->abrir(locale), sello);
    }

private:
    class Flujo final : public FlujoReconocimiento {
    public:
        Flujo(std::unique_ptr<FlujoReconocimiento> dentro, std::atomic<Reloj_::rep>& sello)
            : dentro_(std::move(dentro)), sello_(sello) {}
        bool aceptar(std::span<const float> m, Reloj_::time_point capturado) override
        {
            return dentro_->aceptar(m, capturado);
        }
        QString enunciado() override { return dentro_->enunciado(); }
        QString parcial() override
        {
            QString p = dentro_->parcial();
            if (!p.isEmpty())
                sello_ = Reloj_::now().time_since_epoch().count();
            return p;
        }
        QString final() override { return dentro_->final(); }

    private:
        std::unique_ptr<FlujoReconocimiento> dentro_;
        std::atomic<Reloj_::rep>& sello_;
    };
};

EscuchaZuvi::Vecinos vecinos(std::optional<uint32_t> microfono)
{
    EscuchaZuvi::Vecinos v;
    v.escuchaSiempre = [] { return false; };
    v.modoProyectosActivo = [] { return false; };
    v.dictando = [] { return false; };
    v.microfono = [microfono] { return microfono; };
    return v;
}

// Spins: for the latency only.
void esperar(const std::function<bool()>& hecho)
{
    while (!hecho())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The event loop runs idle, as in the application: hops and rotation.
void durante(std::chrono::milliseconds tiempo)
{
    QEventLoop bucle;
    QTimer::singleShot(tiempo, &bucle, &QEventLoop::quit);
    bucle.exec();
}

void BM_EscuchaEnSilencio(benchmark::State& state)
{
    const auto id = SilencioPrueba::microfono(state);
    if (!id)
        return;
    SilencioPrueba::Oido oido;
    auto& [hogar, voz, reconocedor, ajustes] = oido;
    PermisosVozFalsos permisos;
    SonidosFalsos sonidos;
    EscuchaZuvi escucha({.motor = {.reconocedor = reconocedor, .ajustes = ajustes}, .permisos = permisos,
                         .sonidos = sonidos});
    escucha.setVecinos(vecinos(id));
    for (auto _ : state) {
        // Silence written in real time; the writer's own CPU is left out.
        EscritorTuberia escritor(0.0f);
        escucha.iniciar();
        esperar([&] { return escucha.escuchando(); });
        durante(std::chrono::seconds(1));
        const double cpu0 = SilencioPrueba::segundosCpuProceso() - escritor.segundosCpu();
        const auto t0 = Reloj_::now();
        durante(std::chrono::seconds(SilencioPrueba::segundos()));
        const double cpu = SilencioPrueba::segundosCpuProceso() - escritor.segundosCpu() - cpu0;
        const double pared = std::chrono::duration<double>(Reloj_::now() - t0).count();
        escucha.detener();
        state.counters["cpu_%_nucleo"] = 100.0 * cpu / pared;
    }
    state.counters["segmentos"] = double(voz->abiertos.size());
}
BENCHMARK(BM_EscuchaEnSilencio)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_FraseADespacho(benchmark::State& state)
{
    HogarTemporal hogar;
    auto motor = std::make_shared<MotorSellado>();
    Reconocedor reconocedor(motor);
    MicrofonoFalso microfono;
    DispositivosSistemaFalso dispositivos;
    Ajustes ajustes(hogar.en(".config/cl.norp.ZuviIA.conf"));
    PermisosVozFalsos permisos;
    SonidosFalsos sonidos;
    EscuchaZuvi escucha({.motor = {.microfono = microfono, .reconocedor = reconocedor, .ajustes = ajustes,
                                   .dispositivos = dispositivos},
                         .permisos = permisos,
                         .sonidos = sonidos});
    escucha.setVecinos(vecinos(std::nullopt));
    std::optional<Reloj_::time_point> despachado;
    escucha.setDespacho([&](const QUrl&) { despachado = Reloj_::now(); });
    MotorReconocimientoGuionado::Paso paso;
    paso.parcial = QStringLiteral("Oye, Zuvi");
    const BloqueAudio bloque = Senales::seno(1024, 16000, 0.1f);
    for (auto _ : state) {
        {
            std::lock_guard g(motor->guionado->estado->mutex);
            motor->guionado->estado->guion = {paso};
            motor->guionado->estado->paso = 0;
        }
        escucha.iniciar();
        esperar([&] { return escucha.escuchando(); });
        despachado.reset();
        microfono.empujar(bloque);
        esperar([&] { return despachado.has_value(); });
        const auto sello = Reloj_::time_point(Reloj_::duration(motor->sello.load()));
        state.SetIterationTime(std::chrono::duration<double>(*despachado - sello).count());
    }
}
BENCHMARK(BM_FraseADespacho)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace
