#include "plataforma/Microfono.h"

#include <QAudioSource>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <mutex>

namespace {

// Between a capture and its reader: the reader calls out only while it is
// open, holding its mutex, so once detener has closed it no block follows.
struct Puerta {
    std::mutex mutex;
    bool abierta = true;
    std::function<void(const BloqueAudio&)> alBloque;
    std::function<void(const QString&)> alError;
};

QString textoError(QAudio::Error e);

// Lives on the capture thread: owns the QAudioSource and cuts what it
// reads into fixed blocks.
class Lector : public QObject {
public:
    Lector(QAudioDevice dispositivo, QAudioFormat formato)
        : dispositivo_(std::move(dispositivo)), formato_(std::move(formato)) {}

    // A refusal is told to the capture's error callback, as a later
    // failure is.
    void arrancar(std::shared_ptr<Puerta> puerta)
    {
        puerta_ = std::move(puerta);
        {
            std::lock_guard g(puerta_->mutex);
            if (!puerta_->abierta)
                return;
        }
        const QAudio::Error e = abrirFuente();
        if (e != QAudio::NoError)
            avisar(textoError(e));
    }

    QAudio::Error abrirFuente()
    {
        fuente_ = std::make_unique<QAudioSource>(dispositivo_, formato_);
        // About a block of buffering keeps the delay to the recognizer low.
        fuente_->setBufferSize(formato_.bytesForFrames(Microfono::framesPorBloque) * 2);
        entrada_ = fuente_->start();
        if (!entrada_ || fuente_->error() != QAudio::NoError) {
            const QAudio::Error e = fuente_->error() != QAudio::NoError ? fuente_->error() : QAudio::OpenError;
            parar();
            return e;
        }
        connect(entrada_, &QIODevice::readyRead, this, &Lector::leer);
        connect(fuente_.get(), &QAudioSource::stateChanged, this, &Lector::revisar);
        // Qt's PulseAudio source says nothing when its device goes away (an
        // unplugged microphone): the device list does.
        sondeo_ = new QTimer(this);
        connect(sondeo_, &QTimer::timeout, this, &Lector::revisar);
        sondeo_->start(sondeoDispositivo);
        return QAudio::NoError;
    }

    void parar()
    {
        delete sondeo_;
        sondeo_ = nullptr;
        if (fuente_) {
            fuente_->disconnect(this);
            fuente_->stop();
        }
        entrada_ = nullptr;
        fuente_.reset();
        pendiente_.clear();
    }

private:
    static constexpr std::chrono::milliseconds sondeoDispositivo{500};

    bool listado() const
    {
        const QList<QAudioDevice> entradas = QMediaDevices::audioInputs();
        return std::any_of(entradas.begin(), entradas.end(),
                           [this](const QAudioDevice& d) { return d.id() == dispositivo_.id(); });
    }

    // Once, then the capture is stopped; the owner decides what follows.
    void revisar()
    {
        if (!fuente_)
            return;
        const QAudio::Error e = fuente_->error();
        const bool fallo = e == QAudio::OpenError || e == QAudio::IOError || e == QAudio::FatalError;
        if (!fallo && listado())
            return;
        parar();
        avisar(QStringLiteral("El micrófono dejó de entregar audio."));
    }

    // Once: the callback is dropped as it is called.
    void avisar(const QString& texto)
    {
        if (!puerta_)
            return;
        std::lock_guard g(puerta_->mutex);
        auto alError = std::move(puerta_->alError);
        puerta_->alError = nullptr;
        if (puerta_->abierta && alError)
            alError(texto);
    }

    void leer()
    {
        // A read may end inside a sample: the bytes wait for the next one.
        pendiente_.append(entrada_->readAll());
        const qsizetype porBloque = formato_.bytesForFrames(Microfono::framesPorBloque);
        qsizetype inicio = 0;
        for (; pendiente_.size() - inicio >= porBloque; inicio += porBloque) {
            const auto* f = reinterpret_cast<const float*>(pendiente_.constData() + inicio);
            BloqueAudio b;
            b.canales = formato_.channelCount();
            b.frecuencia = formato_.sampleRate();
            b.muestras.assign(f, f + porBloque / qsizetype(sizeof(float)));
            b.capturado = std::chrono::steady_clock::now();
            std::lock_guard g(puerta_->mutex);
            if (!puerta_->abierta)
                break;
            puerta_->alBloque(b);
        }
        pendiente_.remove(0, inicio);
    }

    QAudioDevice dispositivo_;
    QAudioFormat formato_;
    std::unique_ptr<QAudioSource> fuente_;
    QIODevice* entrada_ = nullptr; // owned by fuente_
    QByteArray pendiente_;
    std::shared_ptr<Puerta> puerta_;
    QTimer* sondeo_ = nullptr; // child; lives between arrancar and parar
};

QString textoError(QAudio::Error e)
{
    switch (e) {
    case QAudio::OpenError:
        return QStringLiteral("No se pudo abrir el micrófono.");
    case QAudio::IOError:
        return QStringLiteral("El micrófono dejó de entregar audio.");
    case QAudio::UnderrunError:
        return QStringLiteral("El micrófono se quedó sin audio.");
    case QAudio::FatalError:
        return QStringLiteral("El sistema de sonido no respondió.");
    case QAudio::NoError:
        break;
    }
    return QStringLiteral("No se pudo iniciar el micrófono.");
}

constexpr std::chrono::milliseconds esperaAlSalir{2000};

// Every capture's reader lives on this one thread, kept until the process
// ends: a sound server that stops answering holds that thread, never the
// caller's.
QThread& hiloCaptura()
{
    static QThread* hilo = [] {
        auto* h = new QThread;
        h->setObjectName(QStringLiteral("captura"));
        h->start();
        // The sound library's own state goes at exit: no call of this
        // thread may still be under way then.
        qAddPostRoutine([] {
            hilo->quit();
            hilo->wait(QDeadlineTimer(esperaAlSalir));
        });
        return h;
    }();
    return *hilo;
}

// Starting and stopping are handed to the capture thread and never waited
// for.
class CapturaQt final : public CapturaAudio {
public:
    CapturaQt(const QAudioDevice& dispositivo, const QAudioFormat& formato)
        : formato_(formato), lector_(new Lector(dispositivo, formato))
    {
        lector_->moveToThread(&hiloCaptura());
    }

    ~CapturaQt() override
    {
        detener();
        QMetaObject::invokeMethod(lector_, [l = lector_] { l->deleteLater(); }, Qt::QueuedConnection);
    }

    int frecuencia() const override { return formato_.sampleRate(); }
    int canales() const override { return formato_.channelCount(); }

    void iniciar(std::function<void(const BloqueAudio&)> alBloque,
                 std::function<void(const QString&)> alError) override
    {
        detener();
        puerta_ = std::make_shared<Puerta>();
        puerta_->alBloque = std::move(alBloque);
        puerta_->alError = std::move(alError);
        QMetaObject::invokeMethod(lector_, [l = lector_, p = puerta_] { l->arrancar(p); }, Qt::QueuedConnection);
    }

    void detener() override
    {
        if (!puerta_)
            return;
        {
            // Waits at most for a block being handed on, never for the server.
            std::lock_guard g(puerta_->mutex);
            puerta_->abierta = false;
        }
        puerta_.reset();
        QMetaObject::invokeMethod(lector_, [l = lector_] { l->parar(); }, Qt::QueuedConnection);
    }

private:
    QAudioFormat formato_;
    Lector* lector_; // deleted on the capture thread
    std::shared_ptr<Puerta> puerta_;
};

class MicrofonoQt final : public Microfono {
public:
    std::unique_ptr<CapturaAudio> abrir(const std::optional<QString>& uid) override
    {
        QAudioDevice dispositivo;
        if (uid) {
            for (const QAudioDevice& d : QMediaDevices::audioInputs()) {
                if (d.id() == uid->toUtf8())
                    dispositivo = d;
            }
        } else {
            dispositivo = QMediaDevices::defaultAudioInput();
        }
        if (dispositivo.isNull())
            throw ErrorCaptura(ErrorCaptura::Tipo::dispositivo, sinDispositivo, "dispositivo no listado");
        const QAudioFormat preferido = dispositivo.preferredFormat();
        if (preferido.sampleRate() <= 0 || preferido.channelCount() <= 0)
            throw ErrorCaptura(ErrorCaptura::Tipo::formato, 0, "sin formato");
        QAudioFormat formato;
        formato.setSampleRate(preferido.sampleRate());
        formato.setChannelCount(preferido.channelCount());
        formato.setSampleFormat(QAudioFormat::Float);
        return std::make_unique<CapturaQt>(dispositivo, formato);
    }
};

} // namespace

Microfono& Microfono::sistema()
{
    static MicrofonoQt unico;
    return unico;
}
