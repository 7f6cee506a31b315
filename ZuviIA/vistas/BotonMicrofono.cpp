#include "vistas/BotonMicrofono.h"

#include "vistas/ActivarEscucha.h"
#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr double opacidadAnillo = 0.18;
constexpr double crecimientoAnillo = 0.55;
constexpr double opacidadSombra = 0.35;
constexpr double radioSombra = 0.125;
constexpr double caidaSombra = 20;
constexpr double tamanoSimbolo = 0.4;
// Room around the disc for the ring and the shadow, which the widget
// would otherwise clip.
constexpr double margen = 0.3;

const QColor rojo(255, 59, 48);
const QColor verde(52, 199, 89);
const QColor acento(10, 132, 255);

}

BotonMicrofono::Accion BotonMicrofono::decision(bool continuo, bool activo, ModoProyectos::Estado estado, bool dictando)
{
    if (!continuo)
        return dictando ? Accion::detenerDictado : Accion::iniciarDictado;
    if (estado == ModoProyectos::Estado::hablando)
        return Accion::interrumpir;
    return activo ? Accion::pausar : Accion::activar;
}

QString BotonMicrofono::simbolo(bool continuo, bool escuchando)
{
    if (!escuchando)
        return QStringLiteral("mic.fill");
    return continuo ? QStringLiteral("ear.fill") : QStringLiteral("stop.fill");
}

QString BotonMicrofono::ayuda(bool continuo, bool escuchando)
{
    if (!escuchando)
        return QStringLiteral("Escuchar");
    return continuo ? QStringLiteral("Te estoy escuchando. Pulsa para pausar.") : QStringLiteral("Dejar de escuchar");
}

QString BotonMicrofono::etiqueta(bool escuchando)
{
    return escuchando ? QStringLiteral("Pausar la escucha") : QStringLiteral("Escuchar");
}

QColor BotonMicrofono::color(bool continuo, bool escuchando)
{
    if (!escuchando)
        return acento;
    return continuo ? verde : rojo;
}

std::optional<double> BotonMicrofono::escalaAnillo(bool escuchando, float nivel)
{
    if (!escuchando)
        return std::nullopt;
    return 1.0 + std::clamp(double(nivel), 0.0, 1.0) * crecimientoAnillo;
}

BotonMicrofono::BotonMicrofono(const Entorno& entorno, int tamano, bool continuo, QWidget* parent)
    : QAbstractButton(parent), entorno_(entorno), tamano_(tamano), continuo_(continuo)
{
    setObjectName(QStringLiteral("botonMicrofono"));
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, &BotonMicrofono::pulsar);
    ModoProyectos& modo = entorno_.modo;
    AsistenteVoz& voz = entorno_.asistente;
    for (auto senal : {&ModoProyectos::activoCambiado, &ModoProyectos::estadoCambiado, &ModoProyectos::nivelCambiado})
        connect(&modo, senal, this, &BotonMicrofono::seguir);
    for (auto senal : {&AsistenteVoz::escuchandoCambiado, &AsistenteVoz::nivelAudioCambiado})
        connect(&voz, senal, this, &BotonMicrofono::seguir);
    seguir();
}

bool BotonMicrofono::escuchandoAhora() const
{
    return escuchando(continuo_, entorno_.modo.activo(), entorno_.asistente.escuchando());
}

float BotonMicrofono::nivel() const
{
    return continuo_ ? entorno_.modo.nivel() : entorno_.asistente.nivelAudio();
}

QSize BotonMicrofono::sizeHint() const
{
    const int lado = int(std::ceil(tamano_ * (1 + 2 * margen)));
    return {lado, lado};
}

bool BotonMicrofono::hitButton(const QPoint& pos) const
{
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= tamano_ * tamano_ / 4.0;
}

void BotonMicrofono::pulsar()
{
    ModoProyectos& modo = entorno_.modo;
    AsistenteVoz& voz = entorno_.asistente;
    switch (decision(continuo_, modo.activo(), modo.estado(), voz.escuchando())) {
    case Accion::interrumpir:
        modo.interrumpir();
        break;
    case Accion::pausar:
        modo.setInmersivo(false);
        modo.terminar();
        break;
    case Accion::activar:
        activarEscucha(entorno_, this);
        break;
    case Accion::detenerDictado:
        voz.detenerDictado();
        break;
    case Accion::iniciarDictado:
        voz.iniciarDictado();
        break;
    }
}

void BotonMicrofono::seguir()
{
    const bool si = escuchandoAhora();
    setToolTip(ayuda(continuo_, si));
    setAccessibleName(etiqueta(si));
    setProperty("simbolo", simbolo(continuo_, si));
    update();
}

void BotonMicrofono::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centro = QRectF(rect()).center();
    const double radio = tamano_ / 2.0;
    const bool si = escuchandoAhora();
    const QColor principal = color(continuo_, si);

    if (const auto escala = escalaAnillo(si, nivel())) {
        QColor anillo = continuo_ ? verde : rojo;
        anillo.setAlphaF(opacidadAnillo);
        p.setBrush(anillo);
        p.drawEllipse(centro, radio * *escala, radio * *escala);
    }

    // The shadow: a soft disc of the main colour, dropped a little.
    const double difuso = tamano_ * radioSombra;
    const QPointF centroSombra = centro + QPointF(0, tamano_ / caidaSombra);
    QRadialGradient sombra(centroSombra, radio + difuso);
    QColor s = principal;
    s.setAlphaF(opacidadSombra);
    sombra.setColorAt(radio / (radio + difuso), s);
    s.setAlphaF(0);
    sombra.setColorAt(1, s);
    p.setBrush(sombra);
    p.drawEllipse(centroSombra, radio + difuso, radio + difuso);

    // The disc, lighter at the top as the system gradient is.
    QLinearGradient disco(centro - QPointF(0, radio), centro + QPointF(0, radio));
    disco.setColorAt(0, principal.lighter(115));
    disco.setColorAt(1, principal);
    p.setBrush(disco);
    p.drawEllipse(centro, radio, radio);

    // The symbol, white.
    const int lado = int(std::round(tamano_ * tamanoSimbolo));
    const QPixmap icono = Iconos::pintado(simbolo(continuo_, si), QSize(lado, lado), Qt::white, devicePixelRatioF());
    const QSizeF medida = QSizeF(icono.size()) / icono.devicePixelRatio();
    p.drawPixmap(QRectF(centro - QPointF(medida.width() / 2, medida.height() / 2), medida), icono, icono.rect());
}
