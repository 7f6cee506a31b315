#include "plataforma/Microfono.h"

#include <QAudioSource>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

namespace {

// Lives on the capture thread: owns the QAudioSource and cuts what it
// reads into fixed blocks.
class Lector : public QObject {
public:
    Lector(QAudioDevice dispositivo, QAudioFormat formato)
        : dispositivo_(std::move(dispositivo)), formato_(std::move(formato)) {}

    QAudio::Error arrancar(std::function<void(const BloqueAudio&)> alBloque,
                           std::function<void(const QString&)> alError)
    {
        alBloque_ = std::move(alBloque);
        alError_ = std::move(alError);
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
        auto alError = std::move(alError_);
        parar();
        if (alError)
            alError(QStringLiteral("El micrófono dejó de entregar audio."));
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
            alBloque_(b);
        }
        pendiente_.remove(0, inicio);
    }

    QAudioDevice dispositivo_;
    QAudioFormat formato_;
    std::unique_ptr<QAudioSource> fuente_;
    QIODevice* entrada_ = nullptr; // owned by fuente_
    QByteArray pendiente_;
    std::function<void(const BloqueAudio&)> alBloque_;
    std::function<void(const QString&)> alError_;
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

class CapturaQt final : public CapturaAudio {
public:
    CapturaQt(const QAudioDevice& dispositivo, const QAudioFormat& formato)
        : formato_(formato), lector_(std::make_unique<Lector>(dispositivo, formato))
    {
        hilo_.setObjectName(QStringLiteral("captura"));
        lector_->moveToThread(&hilo_);
        hilo_.start();
    }

    ~CapturaQt() override
    {
        // The audio source goes on its own thread; the emptied reader can
        // then be deleted here once that thread has ended.
        detener();
        hilo_.quit();
        hilo_.wait();
    }

    int frecuencia() const override { return formato_.sampleRate(); }
    int canales() const override { return formato_.channelCount(); }

    void iniciar(std::function<void(const BloqueAudio&)> alBloque,
                 std::function<void(const QString&)> alError) override
    {
        QAudio::Error e = QAudio::NoError;
        QMetaObject::invokeMethod(
            lector_.get(), [&] { e = lector_->arrancar(std::move(alBloque), std::move(alError)); },
            Qt::BlockingQueuedConnection);
        if (e != QAudio::NoError)
            throw ErrorCaptura(ErrorCaptura::Tipo::arranque, int32_t(e), textoError(e).toStdString());
    }

    void detener() override
    {
        QMetaObject::invokeMethod(lector_.get(), [this] { lector_->parar(); }, Qt::BlockingQueuedConnection);
    }

private:
    QAudioFormat formato_;
    QThread hilo_;
    std::unique_ptr<Lector> lector_;
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
