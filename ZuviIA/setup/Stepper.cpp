#include "setup/Stepper.h"

#include "setup/Rotulos.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int anchoNodo = 70;
constexpr int circulo = 28;
constexpr int separacion = 6;

}

Stepper::Stepper(PasoConfig paso, QWidget* parent) : QWidget(parent), paso_(paso)
{
    setObjectName(QStringLiteral("stepper"));
    setAccessibleName(etiqueta(paso_));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Stepper::setPaso(PasoConfig paso)
{
    if (paso == paso_)
        return;
    paso_ = paso;
    setAccessibleName(etiqueta(paso_));
    update();
}

Stepper::Nodo Stepper::nodo(PasoConfig p, PasoConfig paso)
{
    if (int(p) < int(paso))
        return Nodo::hecho;
    return p == paso ? Nodo::actual : Nodo::pendiente;
}

QString Stepper::etiqueta(PasoConfig paso)
{
    return QStringLiteral("Paso %1 de %2: %3").arg(Pasos::numero(paso) + 1).arg(Pasos::todos().size()).arg(Pasos::titulo(paso));
}

QSize Stepper::sizeHint() const
{
    return {anchoNodo * int(Pasos::todos().size()), circulo + separacion + fontMetrics().height() + 2};
}

QSize Stepper::minimumSizeHint() const { return sizeHint(); }

void Stepper::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor acento = Rotulos::acento(this);
    const QColor gris = Rotulos::secundario(this);
    const auto conAlfa = [](QColor c, double a) {
        c.setAlphaF(float(a));
        return c;
    };
    const int n = int(Pasos::todos().size());
    // Nodes at both ends, the width left shared by the connectors.
    const double hueco = n > 1 ? double(width() - anchoNodo * n) / (n - 1) : 0;
    const auto centro = [&](int i) { return anchoNodo / 2.0 + i * (anchoNodo + hueco); };

    for (int i = 0; i + 1 < n; ++i) {
        const bool hecho = nodo(Pasos::todos().at(i), paso_) == Nodo::hecho;
        const QRectF linea(centro(i) + anchoNodo / 2.0, circulo / 2.0 - 1, hueco, 2);
        p.fillRect(linea, hecho ? acento : conAlfa(gris, 0.2));
    }
    for (int i = 0; i < n; ++i) {
        const PasoConfig paso = Pasos::todos().at(i);
        const Nodo estado = nodo(paso, paso_);
        const QRectF disco(centro(i) - circulo / 2.0, 0, circulo, circulo);
        p.setPen(Qt::NoPen);
        p.setBrush(estado == Nodo::hecho ? acento : estado == Nodo::actual ? conAlfa(acento, 0.15) : conAlfa(gris, 0.12));
        p.drawEllipse(disco);
        if (estado == Nodo::actual) {
            p.setPen(QPen(acento, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(disco.adjusted(0.75, 0.75, -0.75, -0.75));
        }
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * 0.85);
        f.setWeight(QFont::DemiBold);
        if (estado == Nodo::hecho) {
            // A check mark drawn as two strokes.
            QPainterPath marca;
            marca.moveTo(disco.center() + QPointF(-5.5, 0.5));
            marca.lineTo(disco.center() + QPointF(-1.5, 4.5));
            marca.lineTo(disco.center() + QPointF(6, -4));
            p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(marca);
        } else {
            p.setFont(f);
            p.setPen(estado == Nodo::actual ? acento : gris);
            p.drawText(disco, Qt::AlignCenter, QString::number(i + 1));
        }
        f.setWeight(estado == Nodo::actual ? QFont::DemiBold : QFont::Normal);
        p.setFont(f);
        p.setPen(estado == Nodo::actual ? palette().color(QPalette::WindowText) : gris);
        const QRectF titulo(centro(i) - anchoNodo / 2.0, circulo + separacion, anchoNodo, height() - circulo - separacion);
        p.drawText(titulo, Qt::AlignHCenter | Qt::AlignTop, Pasos::titulo(paso));
    }
}
