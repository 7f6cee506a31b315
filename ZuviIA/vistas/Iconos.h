#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QList>
#include <QString>
#include <utility>

// The symbols the views name ("ear.fill", "folder"…) drawn with icons of
// the freedesktop theme; Adwaita is the fallback theme, so they look the
// same without a desktop session.
namespace Iconos {

// Every symbol with its freedesktop icon name.
const QList<std::pair<QString, QString>>& tabla();

// The freedesktop name of a symbol; the empty text for an unknown one.
QString nombre(const QString& simbolo);

// The symbol's icon from the theme; a null icon for an unknown symbol.
QIcon icono(const QString& simbolo);

// The symbol at `tamano`, every drawn pixel in `color` (its alpha kept);
// `escala` is the device pixel ratio, 0 for the application's. Null for
// an unknown symbol.
QPixmap pintado(const QString& simbolo, const QSize& tamano, const QColor& color, qreal escala = 0);

// Once, before the first icon: Adwaita behind whatever the desktop uses.
void prepararTema();

}
