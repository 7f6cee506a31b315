#pragma once

#include <QString>

// The installed application in the desktop: its entry in
// $XDG_DATA_HOME/applications, which opens "zuviia" links, and that entry
// as the links' default handler in $XDG_CONFIG_HOME/mimeapps.list.
namespace RegistroEscritorio {

inline constexpr const char* nombreEntrada = "cl.norp.ZuviIA.desktop";
inline constexpr const char* tipoEnlaces = "x-scheme-handler/zuviia";
// The option `cmake --install` starts the installed executable with.
inline constexpr const char* opcion = "--registrar-escritorio";

QString archivoEntrada();
QString archivoAsociaciones();

// The whole entry file for this executable.
QString entrada(const QString& ejecutable);

// mimeapps.list with our entry as the default handler of "zuviia" links;
// every other line is kept as it was.
QString conManejador(const QString& asociaciones);

// Writes both files; false (after a Spanish line on standard error) when
// one cannot be written.
bool registrar(const QString& ejecutable);

}
