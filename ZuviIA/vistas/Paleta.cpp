#include "vistas/Paleta.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace Paleta {

void colorear(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}

}
