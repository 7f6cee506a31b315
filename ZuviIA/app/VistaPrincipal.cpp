#include "app/VistaPrincipal.h"

#include "app/BarraConversaciones.h"

VistaPrincipal::VistaPrincipal(const Entorno& entorno, QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("vistaPrincipal"));
    setChildrenCollapsible(false);
    barra_ = new BarraConversaciones(entorno, this);
    barra_->setMinimumWidth(200);
    detalle_ = crearDetalle(entorno, this);
    addWidget(barra_);
    addWidget(detalle_);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setSizes({240, 760});
}
