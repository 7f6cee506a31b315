#include "setup/DescargaHttp.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

void DescargaHttp::iniciar(QNetworkAccessManager& red, Reloj& reloj, const QNetworkRequest& pedido, Limites limites,
                           std::function<bool(QByteArrayView)> recibir, std::function<void(const Fin&)> alTerminar)
{
    // Qt follows hops over http and https only and refuses https to http.
    // (Under its user-verified policy Qt 6.4 loses the answer after two hops.)
    QNetworkRequest conRedirecciones(pedido);
    conRedirecciones.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    conRedirecciones.setMaximumRedirectsAllowed(maxRedirecciones);
    new DescargaHttp(red.get(conRedirecciones), reloj, limites, std::move(recibir), std::move(alTerminar));
}

DescargaHttp::DescargaHttp(QNetworkReply* respuesta, Reloj& reloj, Limites limites,
                           std::function<bool(QByteArrayView)> recibir, std::function<void(const Fin&)> alTerminar)
    : QObject(respuesta), respuesta_(respuesta), reloj_(reloj), limites_(limites), recibir_(std::move(recibir)),
      alTerminar_(std::move(alTerminar))
{
    connect(respuesta, &QNetworkReply::readyRead, this, &DescargaHttp::leer);
    connect(respuesta, &QNetworkReply::metaDataChanged, this, &DescargaHttp::vigilar);
    connect(respuesta, &QNetworkReply::downloadProgress, this, &DescargaHttp::vigilar);
    connect(respuesta, &QNetworkReply::finished, this, &DescargaHttp::terminar);
    vigilar();
}

QString DescargaHttp::mensajeRed(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("no se pudo conectar con el servidor de actualizaciones; revisa tu conexión a internet");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("el servidor de actualizaciones dejó de responder; se intentará más tarde");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("el servidor de actualizaciones cortó la conexión; se intentará más tarde");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("el servidor redirige la descarga demasiadas veces");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("el servidor redirige la descarga a una dirección no segura");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("la conexión segura con el servidor de actualizaciones falló");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("el proxy no dejó pasar la conexión; revisa la configuración de red");
    default:
        return QStringLiteral("el servidor no respondió");
    }
}

namespace {

bool esRedireccion(int estado)
{
    return estado == 301 || estado == 302 || estado == 303 || estado == 307 || estado == 308;
}

}

// Any sign of life restarts the idle limit; a status other than 200 stops
// the transfer at once, since its body is of no use. A redirect's status
// is Qt's to follow; the end checks the final one.
void DescargaHttp::vigilar()
{
    if (cortada_ || !respuesta_)
        return;
    const QVariant estado = respuesta_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (estado.isValid() && estado.toInt() != 200 && !esRedireccion(estado.toInt()))
        return cortar(QStringLiteral("el servidor no respondió"), QStringLiteral("HTTP %1").arg(estado.toInt()));
    silencio_ = reloj_.despues(limites_.inactividad, this, [this] {
        cortar(mensajeRed(QNetworkReply::TimeoutError),
               QStringLiteral("sin datos en %1 s").arg(limites_.inactividad.count() / 1000));
    });
}

void DescargaHttp::leer()
{
    vigilar();
    if (cortada_ || !respuesta_)
        return;
    const QByteArray datos = respuesta_->readAll();
    // A redirect's own body is not the download.
    if (esRedireccion(respuesta_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()))
        return;
    recibidos_ += datos.size();
    if (recibidos_ > limites_.limite)
        return cortar(QStringLiteral("la actualización es más grande de lo permitido"),
                      QStringLiteral("más de %1 bytes").arg(limites_.limite));
    if (!recibir_(datos))
        cortar(QStringLiteral("no se pudo guardar la descarga"), {});
}

void DescargaHttp::cortar(const QString& mensaje, const QString& detalle)
{
    if (cortada_)
        return;
    cortada_ = true;
    fin_ = {false, mensaje, detalle};
    silencio_.cancelar();
    // Not from inside the reply's own signal: Qt would report it twice.
    if (respuesta_)
        QMetaObject::invokeMethod(respuesta_, &QNetworkReply::abort, Qt::QueuedConnection);
}

void DescargaHttp::terminar()
{
    if (!cortada_) {
        leer();
        silencio_.cancelar();
        if (!cortada_) {
            const auto error = respuesta_->error();
            const int estado = respuesta_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (error != QNetworkReply::NoError)
                fin_ = Fin{false, mensajeRed(error), respuesta_->errorString()};
            else if (estado != 200)
                fin_ = Fin{false, QStringLiteral("el servidor no respondió"), QStringLiteral("HTTP %1").arg(estado)};
            else
                fin_ = Fin{true, {}, {}};
        }
    }
    cortada_ = true;
    silencio_.cancelar();
    auto alTerminar = std::move(alTerminar_);
    respuesta_->deleteLater();
    if (alTerminar)
        alTerminar(fin_);
}
