#include "setup/Desempaquetador.h"

#include "setup/ArbolSeguro.h"
#include "setup/FalloActualizacion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <utility>

namespace {

struct LiberarLectura {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct LiberarEscritura {
    void operator()(archive* a) const { archive_write_free(a); }
};
using Lectura = std::unique_ptr<archive, LiberarLectura>;
using Escritura = std::unique_ptr<archive, LiberarEscritura>;

// libarchive's own guards stay on beneath ours: no writing through a link
// and no replacing what an earlier entry wrote. Its refusal of absolute
// names cannot: every entry is written at the destination's absolute path
// (no chdir, which is the whole process's), once ours has refused them.
constexpr int opciones = ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT
                         | ARCHIVE_EXTRACT_NO_OVERWRITE;

[[noreturn]] void rechazar(const QString& detalle)
{
    throw FalloActualizacion(QStringLiteral("la actualización no se pudo descomprimir (%1)").arg(detalle));
}

QString rutaDe(archive_entry* entrada)
{
    if (const char* utf8 = archive_entry_pathname_utf8(entrada))
        return QString::fromUtf8(utf8);
    rechazar(QStringLiteral("un nombre ilegible"));
}

void comprobarEntrada(archive_entry* entrada, const QString& ruta)
{
    if (!ArbolSeguro::rutaRelativa(ruta))
        rechazar(QStringLiteral("«%1» sale de la carpeta").arg(ruta));
    if (archive_entry_hardlink(entrada))
        rechazar(QStringLiteral("«%1» es un enlace duro").arg(ruta));
    const auto tipo = archive_entry_filetype(entrada);
    if (tipo != AE_IFREG && tipo != AE_IFDIR && tipo != AE_IFLNK)
        rechazar(QStringLiteral("«%1» no es un archivo, una carpeta ni un enlace").arg(ruta));
}

void copiarDatos(archive* lectura, archive* escritura, const QString& ruta)
{
    const void* bloque = nullptr;
    size_t tamano = 0;
    la_int64_t desplazamiento = 0;
    for (;;) {
        const int r = archive_read_data_block(lectura, &bloque, &tamano, &desplazamiento);
        if (r == ARCHIVE_EOF)
            return;
        if (r != ARCHIVE_OK)
            rechazar(QStringLiteral("«%1» está dañado").arg(ruta));
        if (archive_write_data_block(escritura, bloque, tamano, desplazamiento) < ARCHIVE_WARN)
            rechazar(QStringLiteral("no se pudo escribir «%1»").arg(ruta));
    }
}

// A link is judged against the top folder it lies in (the tree that gets
// installed), or against `destino` when it lies at the top itself.
void comprobarEnlace(const QString& destino, const QString& ruta)
{
    const qsizetype barra = ruta.indexOf(QLatin1Char('/'));
    const bool arriba = barra < 0;
    const QString raiz = arriba ? destino : destino + QLatin1Char('/') + ruta.left(barra);
    if (!ArbolSeguro::enlaceDentro(raiz, arriba ? ruta : ruta.mid(barra + 1)))
        rechazar(QStringLiteral("el enlace «%1» sale de la carpeta").arg(ruta));
}

QStringList extraer(const QByteArray& zip, const QString& destino)
{
    Lectura lectura(archive_read_new());
    Escritura escritura(archive_write_disk_new());
    archive_read_support_format_zip(lectura.get());
    archive_write_disk_set_options(escritura.get(), opciones);
    if (archive_read_open_memory(lectura.get(), zip.constData(), size_t(zip.size())) != ARCHIVE_OK)
        rechazar(QStringLiteral("no es un zip"));
    QStringList enlaces;
    QHash<QString, bool> vistas;
    archive_entry* entrada = nullptr;
    for (;;) {
        const int r = archive_read_next_header(lectura.get(), &entrada);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK)
            rechazar(QStringLiteral("el zip está dañado"));
        QString ruta = rutaDe(entrada);
        comprobarEntrada(entrada, ruta);
        if (ruta.endsWith(QLatin1Char('/')))
            ruta.chop(1);
        // Tools disagree on which copy of a repeated name wins.
        if (std::exchange(vistas[ruta], true))
            rechazar(QStringLiteral("«%1» está repetido").arg(ruta));
        archive_entry_copy_pathname(entrada, QFile::encodeName(destino + QLatin1Char('/') + ruta).constData());
        if (archive_write_header(escritura.get(), entrada) < ARCHIVE_WARN)
            rechazar(QStringLiteral("no se pudo escribir «%1»").arg(ruta));
        if (archive_entry_filetype(entrada) == AE_IFLNK) {
            comprobarEnlace(destino, ruta);
            enlaces.append(ruta);
        } else
            copiarDatos(lectura.get(), escritura.get(), ruta);
        if (archive_write_finish_entry(escritura.get()) < ARCHIVE_WARN)
            rechazar(QStringLiteral("no se pudo escribir «%1»").arg(ruta));
    }
    if (archive_write_close(escritura.get()) != ARCHIVE_OK)
        rechazar(QStringLiteral("no se pudieron terminar de escribir los archivos"));
    return enlaces;
}

void vaciar(const QString& carpeta)
{
    const auto filtro = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& info : QDir(carpeta).entryInfoList(filtro)) {
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
}

}

namespace Desempaquetador {

void desempaquetar(const QByteArray& zip, const QString& carpeta)
{
    // libarchive refuses to write through any link on the way, including
    // one above the destination (a home reached through a link).
    const QString destino = QFileInfo(carpeta).canonicalFilePath();
    if (destino.isEmpty())
        rechazar(QStringLiteral("no existe la carpeta «%1»").arg(carpeta));
    try {
        // Links are judged once every entry is out, since a later entry
        // can change where an earlier link leads.
        for (const QString& enlace : extraer(zip, destino))
            comprobarEnlace(destino, enlace);
    } catch (...) {
        vaciar(destino);
        throw;
    }
}

}
