#pragma once

#include "core/Codificacion.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The file of a stored list. A missing file is an empty list; a file that
// exists but cannot be read or decoded is moved aside under a new name in
// the same folder and logged before the store starts empty, so no later
// save can overwrite it.
namespace ArchivoLista {

// "<archivo>.ilegible-yyyyMMdd-HHmmss", with "-2", "-3"... when taken.
QString nombreApartado(const QString& archivo, const QDateTime& ahora);

enum class Carga {
    ausente,   // no file: an empty list, nothing logged
    leida,     // decodificar accepted the bytes
    apartada,  // unreadable, moved aside and logged
    atascada,  // unreadable and could not be moved: saving must not replace it
};

// Reads `archivo` and hands its bytes to `decodificar`, which throws
// std::exception on bad content. `apartado` gets where an unreadable file
// was moved.
Carga cargar(const QString& archivo, const QDateTime& ahora, const std::function<void(const QByteArray&)>& decodificar,
             QString* apartado = nullptr);

// Logs each element kept as read because it could not be decoded.
void anotarIlegibles(const QString& archivo, const QList<Codificacion::Ilegible>& ilegibles);

// Atomic: a new file replaces the old one whole. A failure is logged and
// leaves the old file as it was.
bool guardar(const QString& archivo, const QByteArray& datos);
// As guardar, but the failure is returned, not logged; none on success.
std::optional<QString> escribir(const QString& archivo, const QByteArray& datos);

}
