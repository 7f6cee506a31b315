#include "setup/Encabezado.h"

#include "setup/Rotulos.h"

#include <QLabel>
#include <QVBoxLayout>

Encabezado::Encabezado(const QString& simbolo, const QString& titulo, const QString& texto, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("encabezado"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 12);
    capa->setSpacing(8);
    capa->addWidget(Rotulos::simbolo(simbolo, 40, this));
    titulo_ = Rotulos::texto(titulo, this);
    titulo_->setObjectName(QStringLiteral("tituloPaso"));
    Rotulos::fuente(titulo_, 1.6, QFont::Bold);
    capa->addWidget(titulo_);
    texto_ = Rotulos::texto(texto, this, Rotulos::Estilo::secundario);
    texto_->setObjectName(QStringLiteral("textoPaso"));
    capa->addWidget(texto_);
}

void Encabezado::setTexto(const QString& texto) { texto_->setText(texto); }
