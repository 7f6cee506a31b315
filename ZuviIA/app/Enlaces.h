#pragma once

#include <QStringList>
#include <QUrl>

// The "zuviia" links: what an address asks of the application. Every link
// brings a main window forward (opening one when none exists); the host
// of a "zuviia:" link decides whether it also opens the full-screen room.
namespace Enlaces {

inline constexpr const char* abrir = "zuviia://abrir";
inline constexpr const char* modoProyectos = "zuviia://modo-proyectos";

enum class Accion { soloVentana, modoProyectos };

// Only a "zuviia:" link with the host "modo-proyectos", compared exactly,
// opens the room; path and query are not read.
Accion accion(const QUrl& enlace);
// A valid "zuviia:" link.
bool esNuestro(const QUrl& enlace);

// How many arguments one of Qt's own options takes up from `argumento`
// on (QApplication reads them: one dash or two, the value after it or
// after "="); 0 when it is not one of them.
int argumentosDeQt(const QString& argumento);

// The link a start hands over: its first argument that is not an option
// (nor the value of one of Qt's),
// or "zuviia://abrir" (a plain start only brings the window forward; it
// never switches listening on).
QUrl deArgumentos(const QStringList& argumentos);

}
