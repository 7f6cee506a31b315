#include "plataforma/ComprobacionPermisos.h"

#include "core/Futuros.h"

#include <QFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

ComprobacionPermisos::ComprobacionPermisos(Permisos& permisos, QObject* parent) : QObject(parent), permisos_(permisos) {}

ComprobacionPermisos& ComprobacionPermisos::shared()
{
    static ComprobacionPermisos* unica = new ComprobacionPermisos(Permisos::sistema());
    return *unica;
}

void ComprobacionPermisos::comprobar(QObject* contexto, std::function<void(Respuesta)> alResponder)
{
    const quint64 numero = ++pregunta_;
    QPointer<QObject> destino(contexto);
    const bool conDestino = contexto != nullptr;
    Permisos* permisos = &permisos_;
    // The pool thread only reads Permisos; the continuation runs here, and
    // not at all once this object is gone.
    QtConcurrent::run([permisos] { return Respuesta{permisos->microfono(), permisos->reconocimiento()}; })
        .then(Futuros::vigia(),
              Futuros::siVive(this, [this, numero, destino, conDestino,
                                     alResponder = std::move(alResponder)](Respuesta r) {
            if (numero == pregunta_ && ultima_ != r) {
                ultima_ = r;
                emit respondida();
            }
            if (alResponder && (!conDestino || destino))
                alResponder(r);
        }));
}
