#pragma once

#include "ClavePrueba.h"

#include "setup/FirmaActualizacion.h"
#include "setup/Sello.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

// A small application tree as an install holds it: an executable, a
// library with its versioned link, a resource with a non-ASCII name.
namespace ArbolPrueba {

inline void escribir(const QString& ruta, const QByteArray& datos, QFile::Permissions permisos)
{
    QDir().mkpath(ruta.section(QLatin1Char('/'), 0, -2));
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(datos) != datos.size())
        qFatal("no se pudo escribir %s", qPrintable(ruta));
    f.close();
    f.setPermissions(permisos);
}

inline constexpr QFile::Permissions lectura = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
inline constexpr QFile::Permissions ejecutable = lectura | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

inline QByteArray leer(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Permission bits as the file system holds them.
inline int modo(const QString& ruta)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(ruta).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

inline void crear(const QString& raiz)
{
    escribir(raiz + "/bin/zuviia", "#!/bin/sh\necho zuvi\n", ejecutable);
    escribir(raiz + "/lib/libzuvi.so.1.2", QByteArray(3000, '\x7f'), lectura);
    QFile::link(QStringLiteral("libzuvi.so.1.2"), raiz + "/lib/libzuvi.so.1");
    escribir(raiz + QStringLiteral("/share/zuviia/canción.txt"), "la la\n", lectura);
}

// Writes raiz/SELLO over the tree as it stands.
inline void sellar(const QString& raiz, qint64 build = 12,
                   const QString& equipo = QString::fromLatin1(FirmaActualizacion::equipo))
{
    const Sello sello{equipo, QStringLiteral("1.2"), build, Sello::describir(raiz)};
    escribir(raiz + '/' + Sello::nombreArchivo(), sello.firmado(ClavePrueba::secreta()), lectura);
}

}
