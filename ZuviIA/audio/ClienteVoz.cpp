#include "audio/ClienteVoz.h"

#include "audio/FlujoVoz.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QPromise>

void TareaVoz::cancelar()
{
    cancelada_.store(true);
    std::lock_guard guardia(mutex_);
    // A queued call dies with the reply if the reply goes first.
    if (respuesta_)
        QMetaObject::invokeMethod(respuesta_, &QNetworkReply::abort, Qt::QueuedConnection);
}

void TareaVoz::enCurso(QNetworkReply* respuesta)
{
    std::lock_guard guardia(mutex_);
    respuesta_ = respuesta;
}

ClienteVoz::ClienteVoz(QString token) : token_(std::move(token))
{
    hilo_.setObjectName(QStringLiteral("voz-red"));
    enHilo_ = new QObject;
    enHilo_->moveToThread(&hilo_);
    connect(&hilo_, &QThread::finished, enHilo_, [this] {
        delete red_;
        red_ = nullptr;
    }, Qt::DirectConnection);
    hilo_.start();
}

ClienteVoz::~ClienteVoz()
{
    hilo_.quit();
    hilo_.wait();
    delete enHilo_;
}

QNetworkReply* ClienteVoz::post(int puerto, const QString& ruta, const QJsonObject& cuerpo,
                                std::chrono::milliseconds espera)
{
    if (!red_) {
        red_ = new QNetworkAccessManager;
        red_->setProxy(QNetworkProxy::NoProxy);
    }
    QNetworkRequest peticion(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(puerto).arg(ruta)));
    peticion.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    peticion.setRawHeader("X-ZuviIA-Token", token_.toUtf8());
    peticion.setTransferTimeout(int(espera.count()));
    return red_->post(peticion, QJsonDocument(cuerpo).toJson(QJsonDocument::Compact));
}

namespace {

int estadoDe(QNetworkReply* r)
{
    return r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

}

QFuture<ClienteVoz::Respuesta> ClienteVoz::enviar(int puerto, const QString& ruta, const QJsonObject& cuerpo,
                                                 std::chrono::milliseconds espera)
{
    auto promesa = std::make_shared<QPromise<Respuesta>>();
    promesa->start();
    QFuture<Respuesta> futuro = promesa->future();
    QMetaObject::invokeMethod(enHilo_, [this, promesa, puerto, ruta, cuerpo, espera] {
        QNetworkReply* r = post(puerto, ruta, cuerpo, espera);
        connect(r, &QNetworkReply::finished, r, [r, promesa] {
            Respuesta respuesta;
            respuesta.error = r->error();
            respuesta.textoError = r->errorString();
            respuesta.estado = estadoDe(r);
            respuesta.cuerpo = r->readAll();
            r->deleteLater();
            promesa->addResult(respuesta);
            promesa->finish();
        });
    }, Qt::QueuedConnection);
    return futuro;
}

void ClienteVoz::hablar(int puerto, const QString& texto, std::shared_ptr<TareaVoz> tarea,
                        std::function<void(const QAudioBuffer&)> alBuffer,
                        std::function<void(bool, bool)> alTerminar)
{
    QMetaObject::invokeMethod(enHilo_, [=, this] {
        auto flujo = std::make_shared<FlujoVoz>(alBuffer);
        auto terminado = std::make_shared<bool>(false);
        auto fin = [=](bool completo, bool audio) {
            if (std::exchange(*terminado, true))
                return;
            alTerminar(completo, audio);
        };
        if (tarea->cancelada()) {
            fin(false, false);
            return;
        }
        QNetworkReply* r = post(puerto, QStringLiteral("/hablar"), {{QStringLiteral("texto"), texto}},
                                std::chrono::seconds(90));
        tarea->enCurso(r);
        const auto cancelada = [tarea] { return tarea->cancelada(); };
        connect(r, &QNetworkReply::readyRead, r, [=] {
            if (estadoDe(r) != 200)
                return;
            flujo->agregar(r->readAll(), cancelada);
            if (tarea->cancelada()) {
                fin(false, flujo->huboAudio());
                r->abort();
            }
        });
        connect(r, &QNetworkReply::finished, r, [=] {
            tarea->enCurso(nullptr);
            r->deleteLater();
            if (tarea->cancelada())
                fin(false, flujo->huboAudio());
            else if (estadoDe(r) != 200)
                fin(false, false);
            else if (r->error() != QNetworkReply::NoError)
                fin(false, flujo->huboAudio());
            else {
                flujo->agregar(r->readAll(), cancelada);
                fin(!tarea->cancelada(), tarea->cancelada() ? flujo->huboAudio() : flujo->terminar());
            }
        });
    }, Qt::QueuedConnection);
}
