#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// The two command-line options the swap script asks of an installed build,
// answered before any window or service starts.
namespace OrdenesActualizacion {

// What "zuviia --version" prints: "<version> (build <build>)".
QString textoVersion(const QString& version, qint64 build);

// "--version" prints this build's textoVersion; "--verificar-sello
// <carpeta> <build>" checks that tree's seal with `clave` (exit 0, or 1
// with the reason on `errores`). Any other command line gives none, and
// the application starts as usual.
std::optional<int> atender(const QStringList& argumentos, const QString& clave, QTextStream& salida,
                           QTextStream& errores);

}
