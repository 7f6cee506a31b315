#include "app/Fondo.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>

namespace Fondo {

QColor colorEstado(ModoProyectos::Estado estado)
{
    switch (estado) {
    case ModoProyectos::Estado::hablando:
        return QColor(50, 173, 230);
    case ModoProyectos::Estado::trabajando:
        return QColor(255, 149, 0);
    default:
        return QColor(0, 122, 255);
    }
}

QPointF centroEstado(double t)
{
    return {0.5 + 0.15 * std::sin(t / 7), 0.45 + 0.1 * std::cos(t / 9)};
}

QPointF centroMorado(double t)
{
    return {0.2 + 0.1 * std::cos(t / 11), 0.8};
}

QImage pintar(QSize tamano, ModoProyectos::Estado estado, double t, double escala)
{
    QImage img((QSizeF(tamano) * escala).toSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    img.fill(QColor::fromRgbF(0.03f, 0.04f, 0.09f));
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.scale(escala, escala);
    auto brillo = [&](QPointF unidad, QColor color, double opacidad, double radio) {
        const QPointF centro(unidad.x() * tamano.width(), unidad.y() * tamano.height());
        QRadialGradient g(centro, radio);
        color.setAlphaF(float(opacidad));
        g.setColorAt(10 / radio, color);
        color.setAlphaF(0);
        g.setColorAt(1, color);
        p.setBrush(g);
        p.drawEllipse(centro, radio, radio);
    };
    brillo(centroEstado(t), colorEstado(estado), 0.35, 650);
    brillo(centroMorado(t), QColor(175, 82, 222), 0.18, 500);
    return img;
}

}
