#include "vistas/IndicadorActividad.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVariantAnimation>

namespace {

// A small arc turning once a second.
class Rueda : public QWidget {
public:
    explicit Rueda(QWidget* parent) : QWidget(parent), giro_(new QVariantAnimation(this))
    {
        setFixedSize(14, 14);
        giro_->setStartValue(0);
        giro_->setEndValue(360);
        giro_->setDuration(1000);
        giro_->setLoopCount(-1);
        connect(giro_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    }

    bool girando() const { return giro_->state() == QAbstractAnimation::Running; }

protected:
    // Turns only while on screen: a hidden spinner would wake the window
    // every frame for nothing.
    void showEvent(QShowEvent*) override { giro_->start(); }
    void hideEvent(QHideEvent*) override { giro_->stop(); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pluma(palette().color(QPalette::PlaceholderText), 2);
        pluma.setCapStyle(Qt::RoundCap);
        p.setPen(pluma);
        p.drawArc(QRectF(rect()).adjusted(2, 2, -2, -2), -giro_->currentValue().toInt() * 16, 270 * 16);
    }

private:
    QVariantAnimation* giro_;
};

}

IndicadorActividad::IndicadorActividad(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("indicadorActividad"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(8);
    rueda_ = new Rueda(this);
    fila->addWidget(rueda_);
    texto_ = new QLabel(this);
    texto_->setObjectName(QStringLiteral("textoActividad"));
    texto_->setTextFormat(Qt::PlainText);
    QPalette p = texto_->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
    texto_->setPalette(p);
    fila->addWidget(texto_);
    fila->addStretch(1);

    auto* opacidad = new QGraphicsOpacityEffect(texto_);
    opacidad->setOpacity(1);
    texto_->setGraphicsEffect(opacidad);
    fundido_ = new QVariantAnimation(this);
    fundido_->setStartValue(0.0);
    fundido_->setEndValue(1.0);
    fundido_->setDuration(500);
    connect(fundido_, &QVariantAnimation::valueChanged, opacidad,
            [opacidad](const QVariant& v) { opacidad->setOpacity(v.toDouble()); });
}

void IndicadorActividad::setTexto(const QString& texto)
{
    if (texto_->text() == texto)
        return;
    texto_->setText(texto);
    fundido_->stop();
    fundido_->start();
}

bool IndicadorActividad::girando() const
{
    return static_cast<const Rueda*>(rueda_)->girando();
}

QString IndicadorActividad::texto() const
{
    return texto_->text();
}
