#include "app/VistaPrincipal.h"

#include <QWidget>

// The conversation screen goes here; until it exists the column is empty.
QWidget* VistaPrincipal::crearDetalle(const Entorno&, QWidget* parent)
{
    auto* detalle = new QWidget(parent);
    detalle->setObjectName(QStringLiteral("detalle"));
    return detalle;
}
