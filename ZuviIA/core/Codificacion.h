#pragma once

#include "core/Modelos.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QUuid>

#include <stdexcept>

// The JSON of the store files: compact, dates as seconds since
// 2001-01-01 00:00:00 UTC, upper-case UUIDs, unset optionals left out.
// Reading is strict: one element that does not decode fails the whole file.
namespace Codificacion {

class ErrorDecodificacion : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double segundosDesde2001(const QDateTime& fecha);
QDateTime fechaDesde2001(double segundos);

QString textoUuid(const QUuid& id);
// Only the canonical 8-4-4-4-12 hexadecimal form (either case).
std::optional<QUuid> uuidDesde(const QString& texto);

QByteArray codificar(const QList<Conversacion>& conversaciones);
QByteArray codificar(const QList<Perfil>& perfiles);

// Throw ErrorDecodificacion with a Spanish message.
QList<Conversacion> decodificarConversaciones(const QByteArray& datos);
QList<Perfil> decodificarPerfiles(const QByteArray& datos);

}
