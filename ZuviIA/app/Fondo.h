#pragma once

#include "projects/ModoProyectos.h"

#include <QColor>
#include <QImage>
#include <QPointF>

// The full-screen room's background: a dark night with two slow glows,
// one in the state's colour. A pure function of the size, state and time.
namespace Fondo {

QColor colorEstado(ModoProyectos::Estado estado);
// The glows' centres as unit points of the view.
QPointF centroEstado(double t);
QPointF centroMorado(double t);

// At `escala` of the size in points: the glows are smooth, so a smaller
// picture scaled up looks the same and costs far less.
QImage pintar(QSize tamano, ModoProyectos::Estado estado, double t, double escala = 1);

}
