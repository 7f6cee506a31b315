#include "app/BarraConversaciones.h"

#include <QTreeView>
#include <QVBoxLayout>

BarraConversaciones::BarraConversaciones(const Entorno& entorno, QWidget* parent)
    : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("barraConversaciones"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    lista_ = new QTreeView(this);
    lista_->setObjectName(QStringLiteral("listaConversaciones"));
    capa->addWidget(lista_);
}
