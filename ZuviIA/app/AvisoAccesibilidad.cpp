#include "app/AvisoAccesibilidad.h"

#include "app/TarjetaAviso.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Permisos.h"
#include "setup/Instalador.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

constexpr auto entreRevisiones = 2s;

}

QString AvisoAccesibilidad::titulo(bool wayland)
{
    return wayland ? QStringLiteral("En Wayland la zuvi no puede controlar otras apps")
                   : QStringLiteral("Falta un permiso para controlar el computador");
}

QString AvisoAccesibilidad::detalle(bool pedido)
{
    return pedido ? QStringLiteral("En la configuración que se abrió, permite que «ZuviIA» controle el computador. "
                                   "Si ya lo tenía, quítale el permiso y vuelve a dárselo.")
                  : QStringLiteral("Sin el permiso de Accesibilidad la zuvi no puede hacer clic ni escribir en otras apps.");
}

QString AvisoAccesibilidad::detalleWayland()
{
    return QStringLiteral("Wayland no deja que una app haga clic ni escriba en otras ventanas, y ningún ajuste lo "
                          "cambia. Para eso, elige una sesión X11 al iniciar sesión.");
}

QString AvisoAccesibilidad::boton(bool pedido)
{
    return pedido ? QStringLiteral("Abrir de nuevo") : QStringLiteral("Dar permiso");
}

AvisoAccesibilidad::AvisoAccesibilidad(Permisos& permisos, Reloj& reloj, Ajustes& ajustes, bool wayland,
                                       AbrirPanel abrirPanel, QWidget* parent)
    : QWidget(parent), permisos_(permisos), reloj_(reloj), ajustes_(ajustes), wayland_(wayland),
      abrirPanel_(abrirPanel ? std::move(abrirPanel) : AbrirPanel(&Instalador::abrirPrivacidad)),
      falta_(!permisos.accesibilidad())
{
    setObjectName(QStringLiteral("avisoAccesibilidad"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(24, 12, 24, 0);
    tarjeta_ = new TarjetaAviso(QStringLiteral("hand.raised.fill"), QColor(0xff, 0x95, 0x00), 0.12, this);
    tarjeta_->setTitulo(titulo(wayland_));
    capa->addWidget(tarjeta_);
    if (wayland_) {
        // Nothing the user grants changes it: no settings to open, no check.
        falta_ = falta_ && !ajustes_.booleano(QString::fromLatin1(claveWaylandVisto), false);
        tarjeta_->setDetalle(detalleWayland());
        tarjeta_->setBoton(QStringLiteral("Entendido"));
        tarjeta_->boton()->setObjectName(QStringLiteral("entendido"));
        connect(tarjeta_, &TarjetaAviso::pulsado, this, &AvisoAccesibilidad::cerrarWayland);
        setVisible(falta_);
        return;
    }
    tarjeta_->boton()->setObjectName(QStringLiteral("darPermiso"));
    connect(tarjeta_, &TarjetaAviso::pulsado, this, &AvisoAccesibilidad::pedir);
    seguir();
    if (falta_)
        revision_ = reloj_.despues(entreRevisiones, this, [this] { revisar(); });
}

void AvisoAccesibilidad::cerrarWayland()
{
    ajustes_.escribir(QString::fromLatin1(claveWaylandVisto), true);
    falta_ = false;
    hide();
}

void AvisoAccesibilidad::pedir()
{
    // Linux has no prompt to show first: the settings are the whole request.
    abrirPanel_(QStringLiteral("Privacy_Accessibility"));
    pedido_ = true;
    seguir();
}

void AvisoAccesibilidad::revisar()
{
    falta_ = !permisos_.accesibilidad();
    seguir();
    if (falta_)
        revision_ = reloj_.despues(entreRevisiones, this, [this] { revisar(); });
}

void AvisoAccesibilidad::seguir()
{
    tarjeta_->setDetalle(detalle(pedido_));
    tarjeta_->setBoton(boton(pedido_));
    setVisible(falta_);
}
