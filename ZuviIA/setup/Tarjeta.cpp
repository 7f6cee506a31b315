#include "setup/Tarjeta.h"

#include "vistas/Iconos.h"
#include "setup/Rotulos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tarjeta::Tarjeta(const QString& simbolo, const QString& titulo, const QString& texto, QWidget* accesorio,
                 QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("tarjeta"));
    // By class, not name: steps name their cards to find them again.
    setStyleSheet(QStringLiteral("Tarjeta { background: palette(alternate-base); border-radius: 12px; }"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(14, 14, 14, 14);
    fila->setSpacing(14);

    auto* icono = new QLabel(this);
    icono->setObjectName(QStringLiteral("iconoTarjeta"));
    icono->setPixmap(Iconos::icono(simbolo).pixmap(22, 22));
    icono->setAlignment(Qt::AlignCenter);
    icono->setFixedSize(40, 40);
    QColor fondo = Rotulos::acento(this);
    fondo.setAlphaF(0.1f);
    icono->setStyleSheet(QStringLiteral("background: %1; border-radius: 10px;").arg(fondo.name(QColor::HexArgb)));
    fila->addWidget(icono);

    auto* textos = new QVBoxLayout;
    textos->setSpacing(2);
    titulo_ = Rotulos::texto(titulo, this);
    titulo_->setObjectName(QStringLiteral("tituloTarjeta"));
    Rotulos::fuente(titulo_, 1.05, QFont::DemiBold);
    texto_ = Rotulos::texto(texto, this, Rotulos::Estilo::secundario);
    texto_->setObjectName(QStringLiteral("textoTarjeta"));
    textos->addWidget(titulo_);
    textos->addWidget(texto_);
    fila->addLayout(textos, 1);
    fila->addSpacing(12);
    if (accesorio) {
        accesorio->setParent(this);
        fila->addWidget(accesorio, 0, Qt::AlignVCenter | Qt::AlignRight);
    }
}

void Tarjeta::setTitulo(const QString& titulo) { titulo_->setText(titulo); }

void Tarjeta::setTexto(const QString& texto) { texto_->setText(texto); }
