#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>
#include <optional>

// A small HTTP/1.1 server on 127.0.0.1 that answers GETs from a table of
// paths, and can answer badly: another status, a body that stops halfway
// and hangs, or one cut short. Given a TLS configuration it speaks https.
class ServidorPrueba : public QObject {
public:
    struct Respuesta {
        enum class Modo { completa, estancada, truncada };
        int estado = 200;
        QByteArray cuerpo;
        Modo modo = Modo::completa;
    };

    explicit ServidorPrueba(const std::optional<QSslConfiguration>& tls = std::nullopt)
    {
        if (tls) {
            auto seguro = std::make_unique<QSslServer>();
            seguro->setSslConfiguration(*tls);
            servidor_ = std::move(seguro);
        } else {
            servidor_ = std::make_unique<QTcpServer>();
        }
        servidor_->listen(QHostAddress::LocalHost, 0);
        connect(servidor_.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* s = servidor_->nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { leer(s); });
        });
        esquema_ = tls ? QStringLiteral("https") : QStringLiteral("http");
    }

    void servir(const QString& ruta, Respuesta r) { rutas_[ruta] = std::move(r); }
    // An empty answer with `estado` and, when given, a Location header.
    void redirigir(const QString& ruta, int estado, const QByteArray& ubicacion)
    {
        servir(ruta, {estado, "movido", Respuesta::Modo::completa});
        ubicaciones_[ruta] = ubicacion;
    }
    QUrl url(const QString& ruta) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(esquema_).arg(servidor_->serverPort()).arg(ruta));
    }
    int pedidos(const QString& ruta) const { return pedidos_.value(ruta); }
    QByteArray ultimoAgente() const { return agente_; }

private:
    void leer(QTcpSocket* s)
    {
        QByteArray& b = buffers_[s];
        b += s->readAll();
        const qsizetype fin = b.indexOf("\r\n\r\n");
        if (fin < 0)
            return;
        const QList<QByteArray> lineas = b.left(fin).split('\n');
        b.remove(0, fin + 4);
        const QString ruta = QString::fromLatin1(lineas.value(0).split(' ').value(1));
        for (const QByteArray& l : lineas)
            if (l.toLower().startsWith("user-agent:"))
                agente_ = l.mid(11).trimmed();
        ++pedidos_[ruta];
        const Respuesta r = rutas_.value(ruta, Respuesta{404, "no hay", Respuesta::Modo::completa});
        QByteArray cabecera = "HTTP/1.1 " + QByteArray::number(r.estado) + " X\r\nContent-Length: "
                              + QByteArray::number(r.cuerpo.size()) + "\r\nContent-Type: application/octet-stream\r\n";
        if (const QByteArray ubicacion = ubicaciones_.value(ruta); !ubicacion.isEmpty())
            cabecera += "Location: " + ubicacion + "\r\n";
        cabecera += "\r\n";
        if (r.modo == Respuesta::Modo::completa) {
            s->write(cabecera + r.cuerpo);
            return;
        }
        s->write(cabecera + r.cuerpo.left(r.cuerpo.size() / 2));
        s->flush();
        if (r.modo == Respuesta::Modo::truncada)
            s->disconnectFromHost();
    }

    std::unique_ptr<QTcpServer> servidor_;
    QString esquema_;
    QHash<QString, Respuesta> rutas_;
    QHash<QString, QByteArray> ubicaciones_;
    QHash<QString, int> pedidos_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QByteArray agente_;
};
