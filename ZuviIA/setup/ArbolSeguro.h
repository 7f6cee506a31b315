#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Rules that keep an unpacked or sealed tree from reaching outside itself.
namespace ArbolSeguro {

// A path relative to a tree that stays in it by its text alone: not
// empty, not absolute, no empty, "." or ".." component, no control
// character. A trailing "/" (a folder in an archive) is allowed.
bool rutaRelativa(QStringView ruta);

// The raw target of a symbolic link, or none when `ruta` is not one.
std::optional<QString> destinoEnlace(const QString& ruta);

// The link at raiz/relativa resolves inside `raiz`: its target is
// followed component by component through the links already in the tree,
// and no step may be absolute or climb above `raiz`. A target that does not
// exist (yet) is judged by its text from there on.
bool enlaceDentro(const QString& raiz, const QString& relativa);

}
