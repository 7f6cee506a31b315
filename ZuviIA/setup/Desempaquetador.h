#pragma once

#include <QByteArray>
#include <QString>

// Unpacks a zip held in memory (the very bytes that were checked) into a
// folder, refusing every entry that could reach outside it: absolute
// paths, "..", hard links, devices and other special files, entries that
// repeat a path, and symbolic links that resolve outside their top folder.
namespace Desempaquetador {

// `destino` is an existing folder. Throws FalloActualizacion with a
// Spanish sentence; `destino` is then left empty, so nothing half unpacked
// stays behind.
void desempaquetar(const QByteArray& zip, const QString& destino);

}
