#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running Zuvi IA per user: the first start listens on a local socket
// in $XDG_RUNTIME_DIR; a later start hands its link over and ends.
class InstanciaUnica : public QObject {
    Q_OBJECT

public:
    // $XDG_RUNTIME_DIR/zuviia.sock; without that folder, one of this user's
    // in the temporary folder.
    static QString rutaPorDefecto();

    explicit InstanciaUnica(QString ruta, QObject* parent = nullptr);
    ~InstanciaUnica() override;

    // Gives `enlace` to the instance listening at `ruta`; true once it
    // acknowledged. Blocks for at most `limite`: only for a start, before
    // any window exists.
    static bool entregar(const QString& ruta, const QUrl& enlace,
                         std::chrono::milliseconds limite = std::chrono::milliseconds(3000));
    // Any one line: a link, or an intent the command line asked for.
    static bool entregar(const QString& ruta, const QByteArray& linea,
                         std::chrono::milliseconds limite = std::chrono::milliseconds(3000));

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
    void atender(QLocalSocket* socket);

    QString ruta_;
    QLocalServer* servidor_ = nullptr;
};
