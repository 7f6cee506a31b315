#include "app/AvisoActualizacion.h"

#include "vistas/IndicadorActividad.h"
#include "app/TarjetaAviso.h"

#include <QPushButton>
#include <QVBoxLayout>

using Caso = EstadoActualizacion::Caso;

AvisoActualizacion::Vista AvisoActualizacion::vista(const Actualizador::Estado& estado)
{
    switch (estado.caso) {
    case Caso::disponible:
    case Caso::lista:
        return Vista::tarjeta;
    case Caso::descargando:
    case Caso::instalando:
        return Vista::progreso;
    case Caso::alDia:
    case Caso::buscando:
    case Caso::error:
        break;
    }
    return Vista::nada;
}

QString AvisoActualizacion::titulo(const QString& version)
{
    return QStringLiteral("Hay una versión nueva de Zuvi IA (") + version + QLatin1Char(')');
}

QString AvisoActualizacion::detalle(const std::optional<QString>& notas)
{
    return notas.value_or(QStringLiteral("Se instala en unos segundos y la app se vuelve a abrir."));
}

QString AvisoActualizacion::progreso(const Actualizador::Estado& estado)
{
    return estado.caso == Caso::instalando ? QStringLiteral("Instalando la actualización…")
                                           : QStringLiteral("Descargando la actualización…");
}

AvisoActualizacion::AvisoActualizacion(Actualizador& act, QWidget* parent) : QWidget(parent), act_(act)
{
    setObjectName(QStringLiteral("avisoActualizacion"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);

    auto* margen = new QWidget(this);
    auto* capaMargen = new QVBoxLayout(margen);
    capaMargen->setContentsMargins(24, 12, 24, 0);
    tarjeta_ = new TarjetaAviso(QStringLiteral("arrow.down.circle.fill"), QColor(0x00, 0x7a, 0xff), 0.10, margen);
    tarjeta_->setBoton(QStringLiteral("Actualizar ahora"));
    tarjeta_->boton()->setObjectName(QStringLiteral("actualizarAhora"));
    capaMargen->addWidget(tarjeta_);
    capa->addWidget(margen);

    envolturaProgreso_ = new QWidget(this);
    auto* capaProgreso = new QHBoxLayout(envolturaProgreso_);
    capaProgreso->setContentsMargins(0, 10, 0, 0);
    progreso_ = new IndicadorActividad(envolturaProgreso_);
    progreso_->setObjectName(QStringLiteral("progresoActualizacion"));
    capaProgreso->addStretch();
    capaProgreso->addWidget(progreso_);
    capaProgreso->addStretch();
    capa->addWidget(envolturaProgreso_);

    // The updater carries the whole step, so it finishes even when this
    // banner is gone by the time the download ends.
    connect(tarjeta_, &TarjetaAviso::pulsado, &act_, [a = &act_] { a->descargarEInstalar(); });
    connect(&act_, &Actualizador::estadoCambiado, this, &AvisoActualizacion::seguir);
    connect(&act_, &Actualizador::notasCambiadas, this, &AvisoActualizacion::seguir);
    seguir();
}

void AvisoActualizacion::seguir()
{
    const Actualizador::Estado& estado = act_.estado();
    const Vista v = vista(estado);
    tarjeta_->parentWidget()->setVisible(v == Vista::tarjeta);
    envolturaProgreso_->setVisible(v == Vista::progreso);
    if (v == Vista::tarjeta) {
        tarjeta_->setTitulo(titulo(estado.texto));
        tarjeta_->setDetalle(detalle(act_.notas()));
    } else if (v == Vista::progreso) {
        progreso_->setTexto(progreso(estado));
    }
    setVisible(v != Vista::nada);
}
