#pragma once

#include "plataforma/Reloj.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running Zuvi IA per user: the first start listens on a local socket
// in $XDG_RUNTIME_DIR; a later start hands its link over and ends.
//
// The exchange, one line each: the start sends its request; the instance
// checks it and answers "ok" (or "error " and a sentence, and closes);
// the start confirms with "ok", and only then does the instance act. A
// start that gave up waiting never confirms, so an instance that was
// frozen meanwhile drops the request instead of running it late.
class InstanciaUnica : public QObject {
    Q_OBJECT

public:
    // A request a connection has this long to send, and then to confirm.
    static constexpr std::chrono::seconds limiteLinea{2};
    static constexpr qsizetype largoMaximo = 64 * 1024;

    struct Entrega {
        enum class Estado { entregada, sinInstancia, sinRespuesta, rechazada };
        Estado estado = Estado::sinInstancia;
        QString mensaje; // the instance's sentence when it refused
        explicit operator bool() const { return estado == Estado::entregada; }
    };

    // $XDG_RUNTIME_DIR/zuviia.sock; without that folder, one of this user's
    // in the temporary folder.
    static QString rutaPorDefecto();

    explicit InstanciaUnica(QString ruta, QObject* parent = nullptr, Reloj& reloj = Reloj::sistema());
    ~InstanciaUnica() override;

    // Gives `enlace` to the instance listening at `ruta`. Blocks for at
    // most `limite`: only for a start, before any window exists.
    static Entrega entregar(const QString& ruta, const QUrl& enlace,
                            std::chrono::milliseconds limite = std::chrono::milliseconds(3000));
    // Any one line: a link, or an intent the command line asked for.
    static Entrega entregar(const QString& ruta, const QByteArray& linea,
                            std::chrono::milliseconds limite = std::chrono::milliseconds(3000));
    // What a start tells the user when the delivery failed.
    static QString explicar(const Entrega& entrega);

    // Listens at the socket. A socket file left by an instance that ended
    // is removed first; false when a live instance holds it.
    bool escuchar();

    QString ruta() const { return ruta_; }

signals:
    void enlaceRecibido(const QUrl& enlace);
    // A line that begins with "intento ": never a link, so no "zuviia"
    // address a web page opens can reach an intent.
    void intentoRecibido(const QByteArray& linea);

private:
    struct Conexion;
    void atender(QLocalSocket* socket);
    void leer(QLocalSocket* socket, Conexion& conexion);
    void despachar(const QByteArray& linea);

    QString ruta_;
    Reloj& reloj_;
    QLocalServer* servidor_ = nullptr;
};
