#include "app/Orbe.h"

#include <QConicalGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

using E = ModoProyectos::Estado;

const QColor cian(50, 173, 230);
const QColor azul(0, 122, 255);
const QColor menta(0, 199, 190);
const QColor naranja(255, 149, 0);
const QColor rosa(255, 45, 85);
const QColor amarillo(255, 204, 0);
const QColor indigo(88, 86, 214);

// The halos grow to about 1.6 times the orb and are soft at the edge.
constexpr double alcance = 1.7;
// The halos are soft all over: they are composed at half resolution, a
// quarter of the pixels to turn and blend each frame, then blown up to
// the nearest pixel, which on such soft pictures looks the same as a
// filtered scale and costs far less.
constexpr double resolucion = 0.5;
constexpr double opacidadHalo = 0.55;
// Qt's raster engine shares a transformed draw of more than about a
// hundred rows among its worker threads; the orb is drawn in bands below
// that, so each frame stays a short job on this thread.
constexpr int filasPorBanda = 64;

QColor conAlfa(QColor c, double a)
{
    c.setAlphaF(float(a));
    return c;
}

}

QList<QColor> Orbe::colores(E estado)
{
    switch (estado) {
    case E::hablando:
        return {cian, azul, menta};
    case E::trabajando:
        return {naranja, rosa, amarillo};
    default:
        return {azul, indigo, cian};
    }
}

double Orbe::pulso(E estado, double t)
{
    return estado == E::hablando ? 0.06 + 0.05 * std::abs(std::sin(9 * t)) * std::abs(std::cos(3.3 * t)) : 0;
}

double Orbe::impulso(E estado, float nivel)
{
    return estado == E::preguntandoNombre || estado == E::escuchando ? double(nivel) * 0.35 : 0;
}

double Orbe::respiro(double t)
{
    return 1 + 0.03 * std::sin(1.6 * t);
}

double Orbe::giroHalo(int i, double t)
{
    const double grados = std::fmod(t * (20 + 15 * i), 360.0);
    return i % 2 == 0 ? grados : -grados;
}

Orbe::Orbe(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("orbe"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Toca para interrumpir"));
    setAccessibleName(QStringLiteral("Estado de la zuvi"));
}

QSize Orbe::sizeHint() const
{
    const int l = int(lado * alcance);
    return {l, l};
}

double Orbe::radioVisible(E estado, float nivel, double t)
{
    const double pu = pulso(estado, t);
    const double im = impulso(estado, nivel);
    double r = radioNucleo * escalaNucleo(respiro(t), im, pu);
    for (int i = 0; i < 3; ++i)
        r = std::max(r, (lado / 2.0 + difusoHalo(i)) * escalaHalo(i, pu, im));
    return r;
}

void Orbe::fijar(E estado, float nivel, double t)
{
    estado_ = estado;
    nivel_ = nivel;
    t_ = t;
    // Only the square the halos reach now, and the one they reached last,
    // is drawn again: the corners stay clear most of the time.
    const double r = radioVisible(estado, nivel, t) + 2;
    const QPointF c = QRectF(rect()).center();
    const QRect ahora = QRectF(c - QPointF(r, r), QSizeF(2 * r, 2 * r)).toAlignedRect() & rect();
    update(ahora | pintado_);
    pintado_ = ahora;
}

void Orbe::mouseReleaseEvent(QMouseEvent* e)
{
    // The hit area is the 260-point circle.
    const QPointF d = e->position() - QRectF(rect()).center();
    if (e->button() == Qt::LeftButton && std::hypot(d.x(), d.y()) <= lado / 2.0)
        emit tocado();
}

// A halo is a closed ring of the three colours around the centre, its
// edge blurred by 18 + 8·i points; drawn once, then turned and scaled.
void Orbe::prepararImagenes()
{
    const QList<QColor> c = colores(estado_);
    // Pixels per point of the half-resolution pictures (their own ratio
    // stays 1: Qt does not draw into pictures of a ratio under 1).
    const qreal dpr = devicePixelRatioF() * resolucion;
    if (c == hechasCon_ && dpr == hechasA_ && !halos_.isEmpty())
        return;
    hechasCon_ = c;
    hechasA_ = dpr;
    halos_.clear();
    for (int i = 0; i < 3; ++i) {
        const double difuso = difusoHalo(i);
        const double radio = lado / 2.0;
        const int l = int(std::ceil((radio + difuso) * 2 * dpr));
        QImage img(l, l, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        const QPointF centro(l / dpr / 2, l / dpr / 2);
        QConicalGradient anillo(centro, 90);
        anillo.setColorAt(0, c[0]);
        anillo.setColorAt(1.0 / 3, c[1]);
        anillo.setColorAt(2.0 / 3, c[2]);
        anillo.setColorAt(1, c[0]);
        p.setPen(Qt::NoPen);
        p.setBrush(anillo);
        p.drawEllipse(centro, radio + difuso, radio + difuso);
        // The blur's falloff, kept in the alpha.
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QRadialGradient borde(centro, radio + difuso);
        borde.setColorAt(0, Qt::black);
        borde.setColorAt(std::max(0.0, (radio - difuso) / (radio + difuso)), Qt::black);
        borde.setColorAt(1, Qt::transparent);
        p.setBrush(borde);
        p.drawEllipse(centro, radio + difuso, radio + difuso);
        // The halos' opacity, baked in.
        p.fillRect(QRectF(QPointF(0, 0), QSizeF(img.size()) / dpr), QColor::fromRgbF(0, 0, 0, float(opacidadHalo)));
        p.end();
        halos_ << QPixmap::fromImage(img);
    }
    // The core's white heart would show the half pixels: it is kept whole.
    const qreal dprNucleo = devicePixelRatioF();
    const int l = int(std::ceil(radioNucleo * 2 * dprNucleo));
    QImage img(l, l, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(dprNucleo, dprNucleo);
    const QPointF centro(l / dprNucleo / 2, l / dprNucleo / 2);
    QRadialGradient nucleo(centro, 120);
    nucleo.setColorAt(2.0 / 120, conAlfa(Qt::white, 0.95));
    nucleo.setColorAt(0.5, conAlfa(c[0], 0.8));
    nucleo.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(nucleo);
    p.drawEllipse(centro, 122, 122);
    p.end();
    nucleo_ = QPixmap::fromImage(img);
}

void Orbe::paintEvent(QPaintEvent* e)
{
    prepararImagenes();
    const qreal dpr = devicePixelRatioF() * resolucion;
    const QSize lado = (QSizeF(size()) * dpr).toSize();
    if (cuadro_.size() != lado)
        cuadro_ = QImage(lado, QImage::Format_ARGB32_Premultiplied);
    cuadro_.fill(Qt::transparent);
    {
        QPainter p(&cuadro_);
        p.scale(dpr, dpr);
        const QPointF centro = QRectF(rect()).center();
        const double pu = pulso(estado_, t_);
        const double im = impulso(estado_, nivel_);
        auto dibujar = [&](const QPixmap& img, double escala, double giro) {
            p.save();
            p.translate(centro);
            p.rotate(giro);
            p.scale(escala, escala);
            const QSizeF m = QSizeF(img.size()) / dpr;
            p.drawPixmap(QRectF(QPointF(-m.width() / 2, -m.height() / 2), m), img, QRectF(img.rect()));
            p.restore();
        };
        const double banda = filasPorBanda / dpr;
        const QRectF zona(e->rect());
        for (double y = zona.top(); y < zona.bottom(); y += banda) {
            p.setClipRect(QRectF(zona.left(), y, zona.width(), banda) & zona);
            for (int i = 0; i < halos_.size(); ++i)
                dibujar(halos_[i], escalaHalo(i, pu, im), giroHalo(i, t_));
        }
    }
    QPainter p(this);
    p.drawImage(QRectF(rect()), cuadro_);
    // Only scaled, never turned: Qt blits it straight, on this thread.
    const double escala = escalaNucleo(respiro(t_), impulso(estado_, nivel_), pulso(estado_, t_));
    const QSizeF m = QSizeF(nucleo_.size()) / devicePixelRatioF() * escala;
    p.drawPixmap(QRectF(QRectF(rect()).center() - QPointF(m.width() / 2, m.height() / 2), m), nucleo_,
                 QRectF(nucleo_.rect()));
    if (conArco(estado_)) {
        // The arc stays sharp: drawn at full resolution.
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(QRectF(rect()).center());
        p.rotate(std::fmod(t_ * 220, 360.0));
        QPen trazo(conAlfa(Qt::white, 0.7), 3, Qt::SolidLine, Qt::RoundCap);
        trazo.setMiterLimit(10);
        p.setPen(trazo);
        p.setBrush(Qt::NoBrush);
        // A quarter of the outline, from the top clockwise.
        p.drawArc(QRectF(-115, -115, 230, 230), 90 * 16, -90 * 16);
    }
}
