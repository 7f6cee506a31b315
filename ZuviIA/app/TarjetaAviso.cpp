#include "app/TarjetaAviso.h"

#include "vistas/Iconos.h"
#include "vistas/TextoCorto.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString rgba(const QColor& c, double opacidad)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(qRound(opacidad * 255));
}

}

TarjetaAviso::TarjetaAviso(const QString& simbolo, const QColor& color, double opacidad, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("tarjeta"));
    setStyleSheet(QStringLiteral("QFrame#tarjeta { background: %1; border-radius: 12px; }").arg(rgba(color, opacidad)));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(14, 14, 14, 14);
    fila->setSpacing(12);

    auto* icono = new QLabel(this);
    icono->setObjectName(QStringLiteral("simbolo"));
    const QIcon i = Iconos::icono(simbolo);
    // The theme's symbolic icons are drawn in the banner's colour.
    QPixmap mapa = i.pixmap(24, 24);
    if (!mapa.isNull()) {
        QPixmap tenido(mapa.size());
        tenido.setDevicePixelRatio(mapa.devicePixelRatio());
        tenido.fill(color);
        tenido.setMask(mapa.createMaskFromColor(Qt::transparent));
        icono->setPixmap(tenido);
    }
    fila->addWidget(icono, 0, Qt::AlignVCenter);

    auto* columna = new QVBoxLayout;
    columna->setSpacing(2);
    titulo_ = new QLabel(this);
    titulo_->setObjectName(QStringLiteral("titulo"));
    titulo_->setTextFormat(Qt::PlainText);
    QFont negrita = titulo_->font();
    negrita.setBold(true);
    titulo_->setFont(negrita);
    detalle_ = new TextoCorto(2, this);
    detalle_->setObjectName(QStringLiteral("detalle"));
    QPalette p = detalle_->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
    detalle_->setPalette(p);
    columna->addWidget(titulo_);
    columna->addWidget(detalle_);
    fila->addLayout(columna, 1);

    boton_ = new QPushButton(this);
    boton_->setObjectName(QStringLiteral("boton"));
    boton_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px; "
                                         "padding: 5px 12px; } QPushButton:pressed { background: %2; }")
                              .arg(color.name(), color.darker(120).name()));
    fila->addWidget(boton_, 0, Qt::AlignVCenter);
    connect(boton_, &QPushButton::clicked, this, &TarjetaAviso::pulsado);
}

void TarjetaAviso::setTitulo(const QString& titulo) { titulo_->setText(titulo); }
void TarjetaAviso::setDetalle(const QString& detalle) { detalle_->setCompleto(detalle); }
void TarjetaAviso::setBoton(const QString& texto) { boton_->setText(texto); }
