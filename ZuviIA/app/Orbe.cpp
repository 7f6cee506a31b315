#include "app/Orbe.h"

#include <QConicalGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// The halos are soft all over: they are worked out once per square of
// two by two pixels, a quarter of the work, which on such soft pictures
// looks the same.
constexpr int celda = 2;
constexpr double opacidadHalo = 0.55;
// Steps of the ring of colours around the circle (a power of two).
constexpr int pasosAnillo = 1024;
// The room's night, when it has handed the orb no background yet.
const QColor noche = QColor::fromRgbF(0.03f, 0.04f, 0.09f);

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
    // Whole squares over the background the room hands it: Qt need not
    // draw what lies beneath at every frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
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

void Orbe::fijarFondo(const QImage& fondo)
{
    fondo_ = fondo;
    fondoCuadro_ = QImage();
}

// The halos' ring of colours, read from Qt's own conical gradient around a
// wide circle, and the core; once per colour set and pixel ratio.
void Orbe::prepararImagenes()
{
    const QList<QColor> c = colores(estado_);
    const qreal dpr = devicePixelRatioF();
    if (c == hechasCon_ && dpr == hechoA_ && !anillo_.empty())
        return;
    hechasCon_ = c;
    hechoA_ = dpr;
    {
        constexpr int radio = 500;
        QImage img(2 * radio + 8, 2 * radio + 8, QImage::Format_RGB32);
        img.fill(Qt::black);
        const QPointF centro(radio + 4, radio + 4);
        QConicalGradient anillo(centro, 90);
        anillo.setColorAt(0, c[0]);
        anillo.setColorAt(1.0 / 3, c[1]);
        anillo.setColorAt(2.0 / 3, c[2]);
        anillo.setColorAt(1, c[0]);
        QPainter p(&img);
        p.setPen(QPen(QBrush(anillo), 4));
        p.drawEllipse(centro, radio, radio);
        p.end();
        anillo_.resize(pasosAnillo);
        for (int k = 0; k < pasosAnillo; ++k) {
            const double a = 2 * M_PI * k / pasosAnillo;
            anillo_[size_t(k)] = img.pixel(QPointF(centro.x() + radio * std::cos(a), centro.y() + radio * std::sin(a)).toPoint());
        }
    }
    // The core's white heart would show the half pixels: it is kept whole.
    const int l = int(std::ceil(radioNucleo * 2 * dpr));
    QImage img(l, l, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(dpr, dpr);
    const QPointF centro(l / dpr / 2, l / dpr / 2);
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

// The frame at `dpr` pixels per point, with each of its squares' distance
// from the centre (in points) and angle (in steps of the ring), and the
// background brought to one pixel per square.
void Orbe::prepararCuadro(qreal dpr)
{
    const QSize l = (QSizeF(size()) * dpr).toSize();
    const QSize c((l.width() + celda - 1) / celda, (l.height() + celda - 1) / celda);
    if (cuadro_.size() != l || cuadro_.devicePixelRatio() != dpr) {
        cuadro_ = QImage(l, QImage::Format_RGB32);
        cuadro_.setDevicePixelRatio(dpr);
        radios_.resize(size_t(c.width()) * size_t(c.height()));
        angulos_.resize(radios_.size());
        const QPointF centro = QRectF(rect()).center();
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) {
                const double dx = (x + 0.5) * celda / dpr - centro.x();
                const double dy = (y + 0.5) * celda / dpr - centro.y();
                const size_t i = size_t(y) * size_t(c.width()) + size_t(x);
                radios_[i] = float(std::hypot(dx, dy));
                const double vuelta = std::atan2(dy, dx) / (2 * M_PI);
                angulos_[i] = quint16(int(std::lround((vuelta + 1) * pasosAnillo)) & (pasosAnillo - 1));
            }
        fondoCuadro_ = QImage();
    }
    if (fondoCuadro_.size() != c) {
        fondoCuadro_ = fondo_.isNull() ? QImage(c, QImage::Format_RGB32)
                                       : fondo_.scaled(c, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                             .convertToFormat(QImage::Format_RGB32);
        if (fondo_.isNull())
            fondoCuadro_.fill(noche);
    }
}

namespace {

struct Halo {
    int giro;    // in steps of the ring
    float a, b;  // opacity = a − b·distance, kept within 0 and 1
    float hasta; // no opacity left from this distance on
};

constexpr float opacidad = float(opacidadHalo * 256);

// One square: the halos laid over its background, back to front.
QRgb componerUno(float r, quint16 angulo, QRgb v, const Halo* halos, const QRgb* anillo)
{
    for (int i = 0; i < 3; ++i) {
        const Halo& h = halos[i];
        if (r >= h.hasta)
            continue;
        const quint32 a = quint32(std::clamp(h.a - h.b * r, 0.0f, 1.0f) * opacidad);
        const QRgb c = anillo[(angulo + h.giro) & (pasosAnillo - 1)];
        // Red and blue, then green, each blend in one multiply.
        const quint32 rb = (((c & 0xff00ff) * a + (v & 0xff00ff) * (256 - a)) >> 8) & 0xff00ff;
        const quint32 g = (((c & 0xff00) * a + (v & 0xff00) * (256 - a)) >> 8) & 0xff00;
        v = 0xff000000 | rb | g;
    }
    return v;
}

#if defined(__SSE2__)
// Four squares at once, the same sums as `componerUno` in 16-bit lanes;
// each result pixel comes out twice, for its square's two columns, on
// both its rows.
void componerCuatro(const float* r, const quint16* angulos, const QRgb* fondo, const Halo* halos, const QRgb* anillo,
                    QRgb* fila, QRgb* siguiente)
{
    const __m128i cero = _mm_setzero_si128();
    const __m128i entero = _mm_set1_epi16(256);
    const __m128 radios = _mm_loadu_ps(r);
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fondo));
    __m128i bajo = _mm_unpacklo_epi8(f, cero);
    __m128i alto = _mm_unpackhi_epi8(f, cero);
    for (int i = 0; i < 3; ++i) {
        const Halo& h = halos[i];
        __m128 a = _mm_sub_ps(_mm_set1_ps(h.a), _mm_mul_ps(_mm_set1_ps(h.b), radios));
        a = _mm_min_ps(_mm_max_ps(a, _mm_setzero_ps()), _mm_set1_ps(1.0f));
        const __m128i a32 = _mm_cvttps_epi32(_mm_mul_ps(a, _mm_set1_ps(opacidad)));
        const __m128i a16 = _mm_unpacklo_epi16(_mm_packs_epi32(a32, a32), _mm_packs_epi32(a32, a32));
        const __m128i aBajo = _mm_unpacklo_epi32(a16, a16);
        const __m128i aAlto = _mm_unpackhi_epi32(a16, a16);
        const auto color = [&](int k) { return int(anillo[(angulos[k] + h.giro) & (pasosAnillo - 1)]); };
        const __m128i c = _mm_setr_epi32(color(0), color(1), color(2), color(3));
        bajo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(c, cero), aBajo),
                                            _mm_mullo_epi16(bajo, _mm_sub_epi16(entero, aBajo))), 8);
        alto = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(c, cero), aAlto),
                                            _mm_mullo_epi16(alto, _mm_sub_epi16(entero, aAlto))), 8);
    }
    const __m128i v = _mm_packus_epi16(bajo, alto);
    for (QRgb* destino : {fila, siguiente}) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destino), _mm_unpacklo_epi32(v, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + 4), _mm_unpackhi_epi32(v, v));
    }
}
#endif

}

// A halo is a closed ring of the three colours around the centre, its edge
// blurred by 18 + 8·i points, turned and scaled; the three are laid over
// the background square by square, back to front, within `zona` (in
// squares), and each square fills its pixels of the frame.
void Orbe::componerHalos(const QRect& zona)
{
    const double pu = pulso(estado_, t_);
    const double im = impulso(estado_, nivel_);
    Halo halos[3];
    float alcanzado = 0;
    for (int i = 0; i < 3; ++i) {
        const double escala = escalaHalo(i, pu, im);
        const double radio = lado / 2.0;
        const double difuso = difusoHalo(i);
        // Turned by `giro` degrees, a halo shows at angle φ what it holds at φ − giro.
        const int giro = int(std::lround(-giroHalo(i, t_) / 360.0 * pasosAnillo));
        halos[i] = {giro & (pasosAnillo - 1), float((radio + difuso) / (2 * difuso)),
                    float(1 / (2 * difuso * escala)), float((radio + difuso) * escala)};
        alcanzado = std::max(alcanzado, halos[i].hasta);
    }
    // Each square fills two columns of two rows.
    static_assert(celda == 2);
    const int ancho = fondoCuadro_.width();
    const int anchoCuadro = cuadro_.width();
    for (int y = zona.top(); y <= zona.bottom(); ++y) {
        const QRgb* fondo = reinterpret_cast<const QRgb*>(fondoCuadro_.constScanLine(y));
        QRgb* fila = reinterpret_cast<QRgb*>(cuadro_.scanLine(y * celda));
        const float* radios = radios_.data() + size_t(y) * size_t(ancho);
        const quint16* angulos = angulos_.data() + size_t(y) * size_t(ancho);
        // A square's second row, or the first again at an odd bottom edge.
        QRgb* siguiente = y * celda + 1 < cuadro_.height() ? reinterpret_cast<QRgb*>(cuadro_.scanLine(y * celda + 1)) : fila;
        int x = zona.left();
#if defined(__SSE2__)
        for (; x + 3 <= zona.right() && (x + 4) * celda <= anchoCuadro; x += 4)
            componerCuatro(radios + x, angulos + x, fondo + x, halos, anillo_.data(), fila + x * celda,
                           siguiente + x * celda);
#endif
        for (; x <= zona.right(); ++x) {
            const float r = radios[x];
            const QRgb v = r < alcanzado ? componerUno(r, angulos[x], fondo[x], halos, anillo_.data()) : fondo[x];
            for (int k = x * celda; k < std::min((x + 1) * celda, anchoCuadro); ++k)
                fila[k] = siguiente[k] = v;
        }
    }
}

void Orbe::paintEvent(QPaintEvent* e)
{
    prepararImagenes();
    const qreal dpr = devicePixelRatioF();
    prepararCuadro(dpr);
    const QRectF puntos(e->rect());
    const QRect pixeles = QRectF(puntos.topLeft() * dpr, puntos.size() * dpr).toAlignedRect() & cuadro_.rect();
    if (pixeles.isEmpty())
        return;
    const QRect cuadros(QPoint(pixeles.left() / celda, pixeles.top() / celda),
                        QPoint(pixeles.right() / celda, pixeles.bottom() / celda));
    componerHalos(cuadros);
    const QRect hecho = QRect(cuadros.topLeft() * celda, cuadros.size() * celda) & cuadro_.rect();
    QPainter p(this);
    // Opaque and pixel for pixel: Qt copies it straight.
    p.drawImage(QPointF(hecho.topLeft()) / dpr, cuadro_, hecho);
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
