#pragma once

#include "plataforma/Reloj.h"

#include <QByteArrayView>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkRequest;

// One GET that must answer 200, stays quiet no longer than `inactividad`
// and sends no more than `limite` bytes. Up to `maxRedirecciones`
// redirects are followed, over http and https only and never from https
// down to http; the final answer is the one that must be 200. The body
// goes to `recibir` as it arrives (false stops the download); `alTerminar`
// is called once, then the object deletes itself.
class DescargaHttp : public QObject {
    Q_OBJECT

public:
    struct Fin {
        bool ok = false;
        QString mensaje;   // for the user, Spanish
        QString detalle;   // for the log: the library's own text
    };
    struct Limites {
        std::chrono::milliseconds inactividad;
        qint64 limite;
    };

    static void iniciar(QNetworkAccessManager& red, Reloj& reloj, const QNetworkRequest& pedido, Limites limites,
                        std::function<bool(QByteArrayView)> recibir, std::function<void(const Fin&)> alTerminar);

    static constexpr int maxRedirecciones = 5;

    // A short Spanish sentence for what Qt reports in English.
    static QString mensajeRed(QNetworkReply::NetworkError error);

private:
    DescargaHttp(QNetworkReply* respuesta, Reloj& reloj, Limites limites, std::function<bool(QByteArrayView)> recibir,
                 std::function<void(const Fin&)> alTerminar);

    void leer();
    void vigilar();
    void cortar(const QString& mensaje, const QString& detalle);
    void terminar();

    QPointer<QNetworkReply> respuesta_;
    Reloj& reloj_;
    Limites limites_;
    std::function<bool(QByteArrayView)> recibir_;
    std::function<void(const Fin&)> alTerminar_;
    Temporizador silencio_;
    qint64 recibidos_ = 0;
    bool cortada_ = false;
    Fin fin_;
};
