#pragma once

#include <QStringList>
#include <QUrl>

// The "zuviia" links: what an address asks of the application. Every link
// brings a main window forward (opening one when none exists); the host
// alone decides whether it also opens the full-screen room.
namespace Enlaces {

inline constexpr const char* abrir = "zuviia://abrir";
inline constexpr const char* modoProyectos = "zuviia://modo-proyectos";

enum class Accion { soloVentana, modoProyectos };

// Only the host is compared, exactly; scheme, path and query are not read.
Accion accion(const QUrl& enlace);

// The link a start hands over: its first argument that is not an option,
// or "zuviia://abrir" (a plain start only brings the window forward; it
// never switches listening on).
QUrl deArgumentos(const QStringList& argumentos);

}
