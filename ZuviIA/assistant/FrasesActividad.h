#pragma once

#include <QJsonObject>
#include <QString>

// The Spanish status phrase shown while the agent uses a tool.
namespace FrasesActividad {

// Pure: the tool's name as the agent writes it and its input object.
QString describir(const QString& herramienta, const QJsonObject& entrada);

// The last component of a file path, as the file name of a phrase
// ("/a/b/" gives "b", "/" gives "/"); empty for an empty path.
QString nombreArchivo(const QString& ruta);

}
