#include "vistas/Entorno.h"

#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "plataforma/ComprobacionPermisos.h"
#include "plataforma/Permisos.h"

ComprobacionPermisos& Entorno::comprobacion() const
{
    return permisos ? *permisos : ComprobacionPermisos::shared();
}

void Entorno::callar() const
{
    if (callarVoz)
        callarVoz();
}

void Entorno::abrirPanel(const QString& panel) const
{
    if (abrirPrivacidad)
        abrirPrivacidad(panel);
}

EscuchaZuvi& Entorno::escuchaEnUso() const { return escucha ? *escucha : EscuchaZuvi::shared(); }

Permisos& Entorno::permisosEnUso() const { return accesibilidad ? *accesibilidad : Permisos::sistema(); }

Locutor& Entorno::locutorEnUso() const { return locutor ? *locutor : Locutor::shared(); }
