#include "app/InstanciaUnica.h"

#include "core/Registro.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

// A link is one short line; anything longer is not ours.
constexpr qsizetype largoMaximo = 8192;
const QByteArray acuse = QByteArrayLiteral("ok\n");

}

QString InstanciaUnica::rutaPorDefecto()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return QDir::cleanPath(runtime) + QStringLiteral("/zuviia.sock");
    return QDir::tempPath() + QStringLiteral("/zuviia-%1.sock").arg(::getuid());
}

InstanciaUnica::InstanciaUnica(QString ruta, QObject* parent) : QObject(parent), ruta_(std::move(ruta)) {}

InstanciaUnica::~InstanciaUnica()
{
    if (servidor_)
        servidor_->close();
}

bool InstanciaUnica::entregar(const QString& ruta, const QUrl& enlace, std::chrono::milliseconds limite)
{
    return entregar(ruta, enlace.toEncoded(), limite);
}

bool InstanciaUnica::entregar(const QString& ruta, const QByteArray& linea, std::chrono::milliseconds limite)
{
    QLocalSocket socket;
    socket.connectToServer(ruta);
    const int ms = int(limite.count());
    if (!socket.waitForConnected(ms))
        return false;
    socket.write(linea + '\n');
    if (!socket.waitForBytesWritten(ms))
        return false;
    QByteArray respuesta;
    while (!respuesta.contains('\n') && socket.waitForReadyRead(ms))
        respuesta += socket.readAll();
    return respuesta == acuse;
}

bool InstanciaUnica::escuchar()
{
    servidor_ = new QLocalServer(this);
    // No socket options: with them Qt binds elsewhere and renames over the
    // path, replacing a live instance's socket. $XDG_RUNTIME_DIR is the
    // user's own folder already.
    connect(servidor_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = servidor_->nextPendingConnection())
            atender(s);
    });
    if (servidor_->listen(ruta_))
        return true;
    if (servidor_->serverError() != QAbstractSocket::AddressInUseError)
        Registro::anotar(QStringLiteral("Instancia: no se pudo escuchar en %1: %2").arg(ruta_, servidor_->errorString()));
    // Someone answers there: another instance runs.
    QLocalSocket prueba;
    prueba.connectToServer(ruta_);
    if (prueba.waitForConnected(500))
        return false;
    Registro::anotar(QStringLiteral("Instancia: se quita el socket abandonado %1").arg(ruta_));
    QLocalServer::removeServer(ruta_);
    if (servidor_->listen(ruta_))
        return true;
    Registro::anotar(QStringLiteral("Instancia: no se pudo escuchar en %1: %2").arg(ruta_, servidor_->errorString()));
    return false;
}

void InstanciaUnica::atender(QLocalSocket* socket)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > largoMaximo)
                socket->abort();
            return;
        }
        const QByteArray linea = socket->readLine(largoMaximo).trimmed();
        socket->write(acuse);
        socket->disconnectFromServer();
        if (linea.startsWith("intento ")) {
            emit intentoRecibido(linea);
            return;
        }
        const QUrl enlace = QUrl::fromEncoded(linea, QUrl::StrictMode);
        if (enlace.isValid())
            emit enlaceRecibido(enlace);
        else
            Registro::anotar(QStringLiteral("Instancia: se ignora un enlace ilegible"));
    });
}
