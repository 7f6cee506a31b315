#include "EscritorZip.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

struct LiberarEscritura {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct LiberarEntrada {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// The first moment a zip can date (1980-01-01), so one tree always gives
// the same bytes.
constexpr time_t inicioZip = 315532800;

la_ssize_t anadir(archive*, void* destino, const void* bloque, size_t tamano)
{
    static_cast<QByteArray*>(destino)->append(static_cast<const char*>(bloque), qsizetype(tamano));
    return la_ssize_t(tamano);
}

void comprobar(archive* a, int resultado)
{
    if (resultado < ARCHIVE_WARN)
        throw std::runtime_error(std::string("zip: ") + (archive_error_string(a) ? archive_error_string(a) : "?"));
}

unsigned tipoArchivo(EscritorZip::Entrada::Tipo tipo)
{
    switch (tipo) {
    case EscritorZip::Entrada::Tipo::carpeta:
        return AE_IFDIR;
    case EscritorZip::Entrada::Tipo::enlace:
        return AE_IFLNK;
    case EscritorZip::Entrada::Tipo::archivo:
        break;
    }
    return AE_IFREG;
}

}

namespace EscritorZip {

QByteArray escribir(const QList<Entrada>& entradas)
{
    QByteArray zip;
    std::unique_ptr<archive, LiberarEscritura> a(archive_write_new());
    comprobar(a.get(), archive_write_set_format_zip(a.get()));
    // Flushed as written: the default pads the last block with zeros.
    archive_write_set_bytes_in_last_block(a.get(), 1);
    comprobar(a.get(), archive_write_open(a.get(), &zip, nullptr, anadir, nullptr));
    for (const Entrada& e : entradas) {
        std::unique_ptr<archive_entry, LiberarEntrada> entrada(archive_entry_new());
        archive_entry_set_pathname_utf8(entrada.get(), e.ruta.toUtf8().constData());
        archive_entry_set_filetype(entrada.get(), tipoArchivo(e.tipo));
        archive_entry_set_perm(entrada.get(), mode_t(e.modo));
        archive_entry_set_mtime(entrada.get(), inicioZip, 0);
        if (e.tipo == Entrada::Tipo::enlace)
            archive_entry_set_symlink_utf8(entrada.get(), e.datos.constData());
        if (e.tipo == Entrada::Tipo::archivo)
            archive_entry_set_size(entrada.get(), e.datos.size());
        comprobar(a.get(), archive_write_header(a.get(), entrada.get()));
        if (e.tipo == Entrada::Tipo::archivo && !e.datos.isEmpty()
            && archive_write_data(a.get(), e.datos.constData(), size_t(e.datos.size())) != e.datos.size())
            comprobar(a.get(), ARCHIVE_FATAL);
    }
    comprobar(a.get(), archive_write_close(a.get()));
    return zip;
}

}
