#include "app/InstanciaUnica.h"

#include "app/Enlaces.h"
#include "app/Intents.h"
#include "core/Registro.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

const QByteArray acuse = QByteArrayLiteral("ok");
const QByteArray prefijoError = QByteArrayLiteral("error ");

// Why the instance refuses a line; none when it can act on it.
std::optional<QString> motivoRechazo(const QByteArray& linea)
{
    if (linea.startsWith("intento "))
        return Intents::validarLinea(linea);
    if (!Enlaces::esNuestro(QUrl::fromEncoded(linea, QUrl::StrictMode)))
        return QStringLiteral("solo se aceptan enlaces «zuviia:»");
    return std::nullopt;
}

// One line from `socket` before `plazo`, without its line feed.
std::optional<QByteArray> leerLinea(QLocalSocket& socket, const QDeadlineTimer& plazo)
{
    QByteArray datos;
    while (!datos.contains('\n')) {
        if (plazo.hasExpired() || !socket.waitForReadyRead(int(std::max<qint64>(1, plazo.remainingTime()))))
            return std::nullopt;
        datos += socket.readAll();
    }
    return datos.left(datos.indexOf('\n'));
}

}

// What one connection has sent so far.
struct InstanciaUnica::Conexion {
    QByteArray datos;
    std::optional<QByteArray> pedido; // checked and acknowledged
    Temporizador limite;
};

QString InstanciaUnica::rutaPorDefecto()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return QDir::cleanPath(runtime) + QStringLiteral("/zuviia.sock");
    return QDir::tempPath() + QStringLiteral("/zuviia-%1.sock").arg(::getuid());
}

InstanciaUnica::InstanciaUnica(QString ruta, QObject* parent, Reloj& reloj)
    : QObject(parent), ruta_(std::move(ruta)), reloj_(reloj)
{
}

InstanciaUnica::~InstanciaUnica()
{
    if (servidor_)
        servidor_->close();
}

InstanciaUnica::Entrega InstanciaUnica::entregar(const QString& ruta, const QUrl& enlace,
                                                 std::chrono::milliseconds limite)
{
    return entregar(ruta, enlace.toEncoded(), limite);
}

InstanciaUnica::Entrega InstanciaUnica::entregar(const QString& ruta, const QByteArray& linea,
                                                 std::chrono::milliseconds limite)
{
    using Estado = Entrega::Estado;
    const QDeadlineTimer plazo(limite);
    QLocalSocket socket;
    socket.connectToServer(ruta);
    if (!socket.waitForConnected(int(limite.count())))
        return {Estado::sinInstancia, {}};
    socket.write(linea + '\n');
    const auto respuesta = leerLinea(socket, plazo);
    if (!respuesta)
        return {Estado::sinRespuesta, {}};
    if (respuesta->startsWith(prefijoError))
        return {Estado::rechazada, QString::fromUtf8(respuesta->mid(prefijoError.size()))};
    if (*respuesta != acuse)
        return {Estado::sinRespuesta, {}};
    socket.write(acuse + '\n');
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, plazo.remainingTime()))) && socket.bytesToWrite() > 0)
        return {Estado::sinRespuesta, {}};
    socket.disconnectFromServer();
    return {Estado::entregada, {}};
}

QString InstanciaUnica::explicar(const Entrega& entrega)
{
    switch (entrega.estado) {
    case Entrega::Estado::entregada:
        return {};
    case Entrega::Estado::sinInstancia:
        return QStringLiteral("No se pudo hablar con Zuvi IA.");
    case Entrega::Estado::sinRespuesta:
        return QStringLiteral("Zuvi IA ya está abierto, pero no respondió en 3 s: no se le envió nada.");
    case Entrega::Estado::rechazada:
        return QStringLiteral("Zuvi IA no aceptó el pedido: %1").arg(entrega.mensaje);
    }
    return {};
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
    auto conexion = std::make_shared<Conexion>();
    // A connection that never finishes its line would be kept forever.
    conexion->limite = reloj_.despues(limiteLinea, socket, [socket] {
        Registro::anotar(QStringLiteral("Instancia: se corta una conexión que no terminó su pedido"));
        socket->abort();
        socket->deleteLater();
    });
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, conexion] { leer(socket, *conexion); });
    connect(socket, &QLocalSocket::disconnected, socket, [conexion] {
        if (conexion->pedido)
            Registro::anotar(QStringLiteral("Instancia: quien pidió se fue sin confirmar; no se hace nada"));
        conexion->limite.cancelar();
    });
}

void InstanciaUnica::leer(QLocalSocket* socket, Conexion& conexion)
{
    conexion.datos += socket->readAll();
    const qsizetype fin = conexion.datos.indexOf('\n');
    if (fin < 0) {
        if (conexion.datos.size() > largoMaximo) {
            Registro::anotar(QStringLiteral("Instancia: se corta un pedido de más de 64 KiB"));
            conexion.limite.cancelar();
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    const QByteArray linea = conexion.datos.left(fin).trimmed();
    conexion.datos.remove(0, fin + 1);
    if (conexion.pedido) {
        const QByteArray pedido = *conexion.pedido;
        conexion.pedido.reset();
        conexion.limite.cancelar();
        socket->disconnectFromServer();
        if (linea == acuse)
            despachar(pedido);
        return;
    }
    if (fin > largoMaximo) {
        Registro::anotar(QStringLiteral("Instancia: se corta un pedido de más de 64 KiB"));
        conexion.limite.cancelar();
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (const auto motivo = motivoRechazo(linea)) {
        Registro::anotar(QStringLiteral("Instancia: pedido rechazado: %1").arg(*motivo));
        conexion.limite.cancelar();
        socket->write(prefijoError + motivo->toUtf8() + '\n');
        socket->disconnectFromServer();
        return;
    }
    conexion.pedido = linea;
    socket->write(acuse + '\n');
    // Unconfirmed in time: the disconnection logs that nothing was done.
    conexion.limite = reloj_.despues(limiteLinea, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    // The confirmation may have come in the same read.
    if (conexion.datos.contains('\n'))
        leer(socket, conexion);
}

void InstanciaUnica::despachar(const QByteArray& linea)
{
    if (linea.startsWith("intento ")) {
        emit intentoRecibido(linea);
        return;
    }
    emit enlaceRecibido(QUrl::fromEncoded(linea, QUrl::StrictMode));
}
