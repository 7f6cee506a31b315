#pragma once

#include <QAudioBuffer>
#include <QByteArray>
#include <QFuture>
#include <QJsonObject>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

class QNetworkAccessManager;

// One "/hablar" stream in flight. The caller keeps it to cancel the speech;
// cancelling from any thread stops delivery before the next buffer.
class TareaVoz {
public:
    void cancelar();
    bool cancelada() const { return cancelada_.load(); }

private:
    friend class ClienteVoz;
    void enCurso(QNetworkReply* respuesta);

    std::atomic<bool> cancelada_{false};
    std::mutex mutex_;
    QNetworkReply* respuesta_ = nullptr;  // alive while set; guarded by mutex_
};

// The HTTP side of the voice service: every request runs on one network
// thread of its own, so neither the GUI nor the audio threads wait on it.
class ClienteVoz : public QObject {
    Q_OBJECT

public:
    struct Respuesta {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString textoError;
        int estado = 0;  // HTTP status; 0 when none came
        QByteArray cuerpo;
    };

    explicit ClienteVoz(QString token);
    ~ClienteVoz() override;

    // POST of a compact JSON object to http://127.0.0.1:<puerto><ruta>.
    QFuture<Respuesta> enviar(int puerto, const QString& ruta, const QJsonObject& cuerpo,
                              std::chrono::milliseconds espera);

    // Streams "/hablar"; callbacks run on the network thread.
    void hablar(int puerto, const QString& texto, std::shared_ptr<TareaVoz> tarea,
                std::function<void(const QAudioBuffer&)> alBuffer,
                std::function<void(bool completo, bool huboAudio)> alTerminar);

private:
    QNetworkReply* post(int puerto, const QString& ruta, const QJsonObject& cuerpo,
                        std::chrono::milliseconds espera);

    QString token_;
    QThread hilo_;
    QObject* enHilo_ = nullptr;              // lives on hilo_
    QNetworkAccessManager* red_ = nullptr;   // created and deleted on hilo_
};
