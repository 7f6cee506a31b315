#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes a zip with Unix modes and symbolic links, in memory.
namespace EscritorZip {

struct Entrada {
    enum class Tipo { archivo, carpeta, enlace };
    QString ruta;        // written as given, so tests can write hostile ones
    Tipo tipo = Tipo::archivo;
    int modo = 0644;
    QByteArray datos;    // a file's bytes or a link's target
};

// Throws std::runtime_error when libarchive refuses an entry.
QByteArray escribir(const QList<Entrada>& entradas);

}
