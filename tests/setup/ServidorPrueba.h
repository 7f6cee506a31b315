#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A small HTTP/1.1 server on 127.0.0.1 that answers GETs from a table of
// paths, and can answer badly: another status, a body that stops halfway
// and hangs, or one cut short.
class ServidorPrueba : public QObject {
public:
    struct Respuesta {
        enum class Modo { completa, estancada, truncada };
        int estado = 200;
        QByteArray cuerpo;
        Modo modo = Modo::completa;
    };

    ServidorPrueba()
    {
        servidor_.listen(QHostAddress::LocalHost, 0);
        connect(&servidor_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = servidor_.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { leer(s); });
        });
    }

    void servir(const QString& ruta, Respuesta r) { rutas_[ruta] = std::move(r); }
    QUrl url(const QString& ruta) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(servidor_.serverPort()).arg(ruta));
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
                              + QByteArray::number(r.cuerpo.size()) + "\r\nContent-Type: application/octet-stream\r\n\r\n";
        if (r.modo == Respuesta::Modo::completa) {
            s->write(cabecera + r.cuerpo);
            return;
        }
        s->write(cabecera + r.cuerpo.left(r.cuerpo.size() / 2));
        s->flush();
        if (r.modo == Respuesta::Modo::truncada)
            s->disconnectFromHost();
    }

    QTcpServer servidor_;
    QHash<QString, Respuesta> rutas_;
    QHash<QString, int> pedidos_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QByteArray agente_;
};
