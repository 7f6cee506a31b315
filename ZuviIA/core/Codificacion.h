#pragma once

#include "core/Modelos.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QUuid>

#include <stdexcept>
#include <vector>

// The JSON of the store files: compact, dates as seconds since
// 2001-01-01 00:00:00 UTC, upper-case UUIDs, unset optionals left out.
// Keys a newer version wrote are kept and written back; an element that
// does not decode is kept as read, in its place, and the rest still load.
namespace Codificacion {

class ErrorDecodificacion : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double segundosDesde2001(const QDateTime& fecha);
// None when the seconds do not fit a 64-bit millisecond count (or a date).
std::optional<QDateTime> fechaDesde2001(double segundos);

QString textoUuid(const QUuid& id);
// Only the canonical 8-4-4-4-12 hexadecimal form (either case).
std::optional<QUuid> uuidDesde(const QString& texto);

// One element of a stored list that this version cannot decode.
struct Ilegible {
    qsizetype posicion;   // its index in the file's list
    QJsonValue valor;     // as read, written back unchanged
    QString motivo;       // why, in Spanish, for the log

    bool operator==(const Ilegible&) const = default;
};

template <typename T>
struct Lectura {
    QList<T> elementos;        // in file order
    QList<Ilegible> ilegibles; // by position
};

// One conversation's object, as it stands inside the list.
QByteArray codificar(const Conversacion& conversacion);
// The list of encoded elements, unreadable ones written back at their
// positions.
QByteArray unir(std::vector<QByteArray> partes, const QList<Ilegible>& ilegibles = {});

// Unreadable elements are written back at their positions.
QByteArray codificar(const QList<Conversacion>& conversaciones, const QList<Ilegible>& ilegibles = {});
QByteArray codificar(const QList<Perfil>& perfiles, const QList<Ilegible>& ilegibles = {});

// Throw ErrorDecodificacion with a Spanish message only when the content is
// not a JSON list at all.
Lectura<Conversacion> decodificarConversaciones(const QByteArray& datos);
Lectura<Perfil> decodificarPerfiles(const QByteArray& datos);

}
