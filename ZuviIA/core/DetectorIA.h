#pragma once

#include "core/HerramientaIA.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Finds the catalogued AI tools on this computer. Every operation blocks
// the calling thread while its probes run: call them off the GUI thread.
namespace DetectorIA {

// One tool; never fails (not found is a Deteccion without ruta).
Deteccion buscar(const HerramientaIA& herramienta);

// Every tool at once, one probe thread each; results in the list's order.
QList<Deteccion> buscarTodo(const QList<HerramientaIA>& herramientas);
QList<Deteccion> buscarTodo();   // the catalogue

// The fixed folders first, then the user's login shell.
std::optional<QString> localizarCLI(const QString& nombre);

// Standard output of a successful run, trimmed; none when it cannot start,
// runs past the limit, exits non-zero or writes something that is not UTF-8.
std::optional<QString> ejecutar(const QString& ruta, const QStringList& argumentos, double segundos);

// The rules behind the operations above, kept pure.
QStringList candidatosCLI(const QString& nombre, const QString& inicio);
// $SHELL when it names a POSIX shell, else the passwd shell if POSIX, else /bin/sh.
QString shellDeSesion(const QString& deEntorno, const QString& dePasswd);
// That rule applied to this process's $SHELL and the user's passwd entry.
QString shellDelUsuario();
std::optional<QString> primeraLinea(const std::optional<QString>& salida);
std::optional<QString> ultimaLinea(const std::optional<QString>& salida);

}
