#include "app/BotonEscucha.h"

#include "vistas/ActivarEscucha.h"
#include "vistas/Iconos.h"
#include "projects/ModoProyectos.h"

BotonEscucha::Aspecto BotonEscucha::aspecto(bool activo)
{
    if (activo)
        return {QStringLiteral("Escuchando"), QStringLiteral("ear.fill"),
                QStringLiteral("La zuvi te está escuchando. Pulsa para pausar.")};
    return {QStringLiteral("En pausa"), QStringLiteral("ear.slash"),
            QStringLiteral("Pulsa para que la zuvi te escuche siempre.")};
}

BotonEscucha::BotonEscucha(const Entorno& entorno, QWidget* parent) : QToolButton(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("escucha"));
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(this, &QToolButton::clicked, this, &BotonEscucha::pulsar);
    connect(&entorno_.modo, &ModoProyectos::activoCambiado, this, &BotonEscucha::seguir);
    seguir();
}

void BotonEscucha::pulsar()
{
    ModoProyectos& modo = entorno_.modo;
    if (decision(modo.activo()) == Accion::pausar) {
        // Out of the full-screen room first, then projects mode ends.
        modo.setInmersivo(false);
        modo.terminar();
        return;
    }
    activarEscucha(entorno_, this);
}

void BotonEscucha::seguir()
{
    const bool activo = entorno_.modo.activo();
    const Aspecto a = aspecto(activo);
    setText(a.titulo);
    setIcon(Iconos::icono(a.simbolo));
    setProperty("simbolo", a.simbolo);
    setToolTip(a.ayuda);
    // Green while listening; the secondary style while paused.
    setStyleSheet(activo ? QStringLiteral("QToolButton { color: rgb(52,199,89); }") : QString());
}
