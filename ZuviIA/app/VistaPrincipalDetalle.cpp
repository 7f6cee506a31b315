#include "app/ConversacionView.h"
#include "app/VistaPrincipal.h"

QWidget* VistaPrincipal::crearDetalle(const Entorno& entorno, QWidget* parent)
{
    auto* detalle = new ConversacionView(entorno, parent);
    detalle->setObjectName(QStringLiteral("detalle"));
    return detalle;
}
