#include "plataforma/Reproductor.h"
#include "plataforma/Ritmo.h"

#include <QAudioSink>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>

namespace {

// Observers run on the player's thread holding `llamando`, which adding or
// removing one takes too: once removed, none of them is still running.
struct Observadores {
    std::mutex llamando;
    int siguiente = 0;
    std::map<int, std::function<void(const float*, size_t)>> salida;
    std::map<int, std::function<void(float)>> nivel;
};

// What callers queue: speech with the speed it was asked at, or an end marker.
struct Elemento {
    std::vector<float> muestras;
    float ritmo = 1;
    std::function<void(bool)> fin;
};

// Shared between the callers' threads and the player's thread.
struct Cola {
    std::mutex mutex;
    std::deque<Elemento> elementos;
    // Raised by detener: the player drops what it holds of older numbers.
    unsigned generacion = 0;
    float ritmo = 1;
};

constexpr int msTic = 10;
// How long the output stays open with nothing to play: long enough to join
// the sentences of one answer, short enough not to hold the sound server
// playing silence.
constexpr int msAbiertoSinAudio = 300;
constexpr qint64 usBuffer = 80000;

QAudioFormat formato()
{
    QAudioFormat f;
    f.setSampleRate(Reproductor::frecuencia);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Float);
    return f;
}

// Lives on the player's thread: turns the queue into one stream to the sound
// server, stretched by Ritmo, and fires each end marker once the server says
// the audio before it has played.
class Motor : public QObject {
public:
    Motor(std::shared_ptr<Cola> cola, std::shared_ptr<Observadores> observadores,
          std::function<void(const QString&)> anotar)
        : cola_(std::move(cola)), observadores_(std::move(observadores)), anotar_(std::move(anotar)),
          ritmo_(Reproductor::frecuencia)
    {
        // A child, so it moves to the player's thread with the motor.
        tic_.setParent(this);
        tic_.setTimerType(Qt::PreciseTimer);
        tic_.setInterval(msTic);
        connect(&tic_, &QTimer::timeout, this, &Motor::avanzar);
    }

    void cerrar()
    {
        tic_.stop();
        if (sink_)
            sink_->stop();
        io_ = nullptr;
        sink_.reset();
        escritos_ = 0;
        finAudio_ = 0;
        niveles_.clear();
        sumaNivel_ = 0;
        framesNivel_ = 0;
    }

    // Empty when ready; otherwise the Spanish reason, also logged.
    QString preparar(const std::optional<QString>& salida)
    {
        if (preparado_ && salida == salida_ && sink_)
            return {};
        cerrar();
        salida_ = salida;
        preparado_ = true;
        const QString error = abrir();
        if (!error.isEmpty()) {
            preparado_ = false;
            if (anotar_)
                anotar_(QStringLiteral("Reproductor: ") + error);
        }
        avanzar();
        return error;
    }

    void avanzar()
    {
        recoger();
        if (!sink_ && (!fifo_.empty() || !marcas_.empty())) {
            const QString error = abrir();
            if (!error.isEmpty()) {
                if (anotar_)
                    anotar_(QStringLiteral("Reproductor: ") + error);
                descartar(false);
                return;
            }
        }
        if (!sink_)
            return;
        escribir();
        avisarNiveles();
        avisarMarcas();
        if (fifo_.empty() && marcas_.empty() && quieto_.elapsed() > msAbiertoSinAudio)
            cerrar();
    }

    struct Marca {
        qint64 posicion;  // frames of this output session
        std::function<void(bool)> fin;
    };

    QString abrir()
    {
        QAudioDevice dispositivo = QMediaDevices::defaultAudioOutput();
        if (salida_) {
            dispositivo = {};
            for (const QAudioDevice& d : QMediaDevices::audioOutputs()) {
                if (d.id() == salida_->toUtf8())
                    dispositivo = d;
            }
        }
        if (dispositivo.isNull())
            return QStringLiteral("No se encontró la salida de sonido.");
        sink_ = std::make_unique<QAudioSink>(dispositivo, formato());
        sink_->setBufferSize(formato().bytesForDuration(usBuffer));
        io_ = sink_->start();
        if (!io_ || sink_->error() != QAudio::NoError) {
            cerrar();
            return QStringLiteral("No se pudo abrir la salida de sonido.");
        }
        escritos_ = 0;
        finAudio_ = 0;
        niveles_.clear();
        sumaNivel_ = 0;
        framesNivel_ = 0;
        quieto_.start();
        tic_.start();
        return {};
    }

    // The player is going away: nothing more will play.
    void apagar()
    {
        descartar(false);
        cerrar();
    }

private:
    // Takes what callers queued; a newer generation first drops what the
    // player still held of the older ones.
    void recoger()
    {
        std::deque<Elemento> nuevos;
        unsigned generacion = 0;
        {
            std::lock_guard g(cola_->mutex);
            nuevos.swap(cola_->elementos);
            generacion = cola_->generacion;
        }
        if (generacion != generacion_) {
            generacion_ = generacion;
            descartar(true);
        }
        for (Elemento& e : nuevos) {
            if (e.fin) {
                agregar(ritmo_.vaciar());
                marcas_.push_back({escritos_ + qint64(fifo_.size()), std::move(e.fin)});
            } else {
                ritmo_.setVelocidad(e.ritmo);
                agregar(ritmo_.procesar(e.muestras));
            }
        }
    }

    void agregar(const std::vector<float>& muestras)
    {
        fifo_.insert(fifo_.end(), muestras.begin(), muestras.end());
    }

    // Drops everything held; audio already in the server's buffer is cut by
    // opening the output again.
    void descartar(bool cortarSalida)
    {
        fifo_.clear();
        ritmo_.limpiar();
        auto marcas = std::move(marcas_);
        marcas_.clear();
        // The next speech opens it again; nothing reopens it for silence.
        if (cortarSalida && sink_ && reproducidos() < finAudio_)
            cerrar();
        for (Marca& m : marcas)
            m.fin(false);
    }

    qint64 reproducidos() const
    {
        return sink_ ? sink_->processedUSecs() * Reproductor::frecuencia / 1000000 : 0;
    }

    // Fills the server's buffer: speech first, silence after it, so the
    // stream never runs dry while a marker waits and its clock stays true.
    void escribir()
    {
        const qint64 libres = sink_->bytesFree() / qint64(sizeof(float));
        if (libres <= 0)
            return;
        std::vector<float> trozo(size_t(libres), 0.0f);
        const size_t voz = std::min(fifo_.size(), trozo.size());
        std::copy(fifo_.begin(), fifo_.begin() + std::ptrdiff_t(voz), trozo.begin());
        fifo_.erase(fifo_.begin(), fifo_.begin() + std::ptrdiff_t(voz));
        const qint64 hechos = io_->write(reinterpret_cast<const char*>(trozo.data()), libres * qint64(sizeof(float)));
        if (hechos <= 0)
            return;
        const size_t n = size_t(hechos) / sizeof(float);
        if (voz > 0) {
            finAudio_ = escritos_ + qint64(std::min(voz, n));
            quieto_.start();
        }
        medirNivel(trozo.data(), n);
        escritos_ += qint64(n);
        // Whatever the server did not take goes back to the front.
        if (voz > n)
            fifo_.insert(fifo_.begin(), trozo.begin() + std::ptrdiff_t(n), trozo.begin() + std::ptrdiff_t(voz));
        std::lock_guard g(observadores_->llamando);
        for (const auto& [clave, o] : observadores_->salida)
            o(trozo.data(), n);
    }

    // The RMS of every block written, kept with the position it ends at
    // until the server has played it.
    void medirNivel(const float* m, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            sumaNivel_ += double(m[i]) * m[i];
            if (++framesNivel_ == Reproductor::framesNivel) {
                niveles_.push_back({escritos_ + qint64(i) + 1, float(std::sqrt(sumaNivel_ / framesNivel_))});
                sumaNivel_ = 0;
                framesNivel_ = 0;
            }
        }
    }

    void avisarNiveles()
    {
        const qint64 hechos = reproducidos();
        std::lock_guard g(observadores_->llamando);
        while (!niveles_.empty() && niveles_.front().posicion <= hechos) {
            for (const auto& [clave, o] : observadores_->nivel)
                o(niveles_.front().rms);
            niveles_.pop_front();
        }
    }

    void avisarMarcas()
    {
        const qint64 hechos = reproducidos();
        while (!marcas_.empty() && marcas_.front().posicion <= hechos) {
            auto fin = std::move(marcas_.front().fin);
            marcas_.pop_front();
            fin(true);
        }
    }

    struct NivelBloque {
        qint64 posicion;
        float rms;
    };

    std::shared_ptr<Cola> cola_;
    std::shared_ptr<Observadores> observadores_;
    std::function<void(const QString&)> anotar_;
    Ritmo ritmo_;
    QTimer tic_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;  // owned by sink_
    std::optional<QString> salida_;
    bool preparado_ = false;
    unsigned generacion_ = 0;
    std::deque<float> fifo_;
    std::deque<Marca> marcas_;
    qint64 escritos_ = 0;  // frames handed to the server this session
    qint64 finAudio_ = 0;  // where the last speech written ends
    std::deque<NivelBloque> niveles_;
    double sumaNivel_ = 0;
    int framesNivel_ = 0;
    QElapsedTimer quieto_;
};

// Every player's thread, so that none is still in the sound library when
// its state goes at exit; a thread gone by then is skipped.
struct HiloPlayer {
    QPointer<QThread> hilo;
    QPointer<Motor> motor;
};

std::mutex mutexHilos;

void esperarAlSalir(std::vector<HiloPlayer>& hilos)
{
    std::lock_guard g(mutexHilos);
    for (HiloPlayer& h : hilos) {
        if (h.motor)
            QMetaObject::invokeMethod(
                h.motor.data(),
                [m = h.motor.data(), t = h.hilo] {
                    m->apagar();
                    if (t)
                        t->quit();
                },
                Qt::QueuedConnection);
    }
    for (HiloPlayer& h : hilos) {
        if (h.hilo)
            h.hilo->wait(QDeadlineTimer(2000));
    }
}

std::vector<HiloPlayer>& hilosPlayer()
{
    static std::vector<HiloPlayer> hilos;
    static const bool registrado = [] {
        qAddPostRoutine([] { esperarAlSalir(hilos); });
        return true;
    }();
    (void)registrado;
    return hilos;
}

class ReproductorQt final : public Reproductor {
public:
    explicit ReproductorQt(std::function<void(const QString&)> anotar)
        : cola_(std::make_shared<Cola>()), observadores_(std::make_shared<Observadores>()),
          hilo_(new QThread), motor_(new Motor(cola_, observadores_, std::move(anotar)))
    {
        hilo_->setObjectName(QStringLiteral("reproductor"));
        motor_->moveToThread(hilo_);
        // Each goes once the thread has ended, which may be after the player.
        QObject::connect(hilo_, &QThread::finished, motor_, &QObject::deleteLater);
        QObject::connect(hilo_, &QThread::finished, hilo_, &QObject::deleteLater);
        hilo_->start(QThread::TimeCriticalPriority);
        std::lock_guard g(mutexHilos);
        auto& hilos = hilosPlayer();
        hilos.erase(std::remove_if(hilos.begin(), hilos.end(), [](const HiloPlayer& h) { return !h.hilo; }),
                    hilos.end());
        hilos.push_back({hilo_, motor_});
    }

    // Never waits: a stalled sound server holds the player's thread, not
    // the caller's. Nothing scheduled plays after this.
    ~ReproductorQt() override
    {
        detener();
        QMetaObject::invokeMethod(
            motor_,
            [m = motor_, h = hilo_] {
                m->apagar();
                h->quit();
            },
            Qt::QueuedConnection);
    }

    // Handed to the player's thread and never waited for: an output that
    // cannot open is logged, and what is scheduled reports not heard.
    void preparar(const std::optional<QString>& salida) override
    {
        if (QThread::currentThread() == hilo_) {
            motor_->preparar(salida);
            return;
        }
        QMetaObject::invokeMethod(motor_, [m = motor_, salida] { m->preparar(salida); }, Qt::QueuedConnection);
    }

    void detener() override
    {
        {
            std::lock_guard g(cola_->mutex);
            ++cola_->generacion;
            cola_->elementos.clear();
        }
        despertar();
    }

    void velocidad(float ritmo) override
    {
        std::lock_guard g(cola_->mutex);
        cola_->ritmo = ritmo > 0 ? ritmo : 1;
    }

    void programar(std::vector<float> muestras) override
    {
        if (muestras.empty())
            return;
        {
            std::lock_guard g(cola_->mutex);
            cola_->elementos.push_back({std::move(muestras), cola_->ritmo, {}});
        }
        despertar();
    }

    void programarFin(std::function<void(bool)> alSonar) override
    {
        {
            std::lock_guard g(cola_->mutex);
            cola_->elementos.push_back({{}, cola_->ritmo, std::move(alSonar)});
        }
        despertar();
    }

    std::unique_ptr<Observacion> observarSalida(std::function<void(const float*, size_t)> observador) override
    {
        return observar(&Observadores::salida, std::move(observador));
    }

    std::unique_ptr<Observacion> observarNivel(std::function<void(float)> observador) override
    {
        return observar(&Observadores::nivel, std::move(observador));
    }

private:
    template <typename F>
    std::unique_ptr<Observacion> observar(std::map<int, F> Observadores::*lista, F observador)
    {
        int clave;
        {
            std::lock_guard g(observadores_->llamando);
            clave = observadores_->siguiente++;
            (*observadores_.*lista)[clave] = std::move(observador);
        }
        // The player may go first: the observation then has nothing to remove.
        return std::make_unique<Observacion>([w = std::weak_ptr(observadores_), lista, clave] {
            if (auto o = w.lock()) {
                std::lock_guard g(o->llamando);
                ((*o).*lista).erase(clave);
            }
        });
    }

    // New work is handed on at once rather than at the next tick.
    void despertar()
    {
        QMetaObject::invokeMethod(motor_, &Motor::avanzar, Qt::QueuedConnection);
    }

    std::shared_ptr<Cola> cola_;
    std::shared_ptr<Observadores> observadores_;
    QThread* hilo_;  // deletes itself once finished
    Motor* motor_;   // deleted once its thread has finished
};

} // namespace

std::shared_ptr<Reproductor> Reproductor::crear(std::function<void(const QString&)> anotar)
{
    return std::make_shared<ReproductorQt>(std::move(anotar));
}
