#include "app/AvisoAccesibilidad.h"

#include "app/TarjetaAviso.h"
#include "plataforma/Permisos.h"
#include "setup/Instalador.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

constexpr auto entreRevisiones = 2s;

}

QString AvisoAccesibilidad::detalle(bool pedido)
{
    return pedido ? QStringLiteral("En la lista que se abrió, activa «ZuviIA». Si ya estaba activada, quítala con «−» y "
                                   "vuelve a agregarla con «+».")
                  : QStringLiteral("Sin el permiso de Accesibilidad la zuvi no puede hacer clic ni escribir en otras apps.");
}

QString AvisoAccesibilidad::boton(bool pedido)
{
    return pedido ? QStringLiteral("Abrir de nuevo") : QStringLiteral("Dar permiso");
}

AvisoAccesibilidad::AvisoAccesibilidad(Permisos& permisos, Reloj& reloj, AbrirPanel abrirPanel, QWidget* parent)
    : QWidget(parent), permisos_(permisos), reloj_(reloj),
      abrirPanel_(abrirPanel ? std::move(abrirPanel) : AbrirPanel(&Instalador::abrirPrivacidad)),
      falta_(!permisos.accesibilidad())
{
    setObjectName(QStringLiteral("avisoAccesibilidad"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(24, 12, 24, 0);
    tarjeta_ = new TarjetaAviso(QStringLiteral("hand.raised.fill"), QColor(0xff, 0x95, 0x00), 0.12, this);
    tarjeta_->setTitulo(QStringLiteral("Falta un permiso para controlar el computador"));
    tarjeta_->boton()->setObjectName(QStringLiteral("darPermiso"));
    capa->addWidget(tarjeta_);
    connect(tarjeta_, &TarjetaAviso::pulsado, this, &AvisoAccesibilidad::pedir);
    seguir();
    if (falta_)
        revision_ = reloj_.despues(entreRevisiones, this, [this] { revisar(); });
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
