#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Desktop Entry files (freedesktop.org): the Linux stand-in for looking up
// an installed application, and the form of the autostart login item.
namespace EntradaEscritorio {

// Keys and raw values of the "[Desktop Entry]" group; other groups,
// comments and blank lines are left out. Values are not unescaped.
QHash<QString, QString> leer(const QString& contenido);
std::optional<QHash<QString, QString>> leerArchivo(const QString& ruta);

// The folders searched for applications, most important first:
// $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS
// (default /usr/local/share:/usr/share) + "/applications".
QStringList carpetasDeAplicaciones();

// The entry file with this name in the first folder that has one; an entry
// marked Hidden=true there hides the application.
std::optional<QString> buscar(const QString& nombreArchivo);

// The value of an Exec key that runs exactly these arguments: each one that
// needs it is quoted, with \ " ` $ escaped inside the quotes, then the
// string escapes apply (\ doubled) and % becomes %%.
QString lineaExec(const QStringList& argumentos);

}
