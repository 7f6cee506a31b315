#include "app/Entorno.h"

#include "app/AppRouter.h"
#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/ComprobacionPermisos.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"
#include "setup/Actualizador.h"
#include "setup/Instalador.h"
#include "setup/InstaladorReconocimiento.h"

Entorno Entorno::shared()
{
    Entorno e{Ajustes::shared(),
                   Reloj::sistema(),
                   Almacen::shared(),
                   Perfiles::shared(),
                   EstadoIA::shared(),
                   AsistenteVoz::shared(),
                   ModoProyectos::shared(),
                   &AppRouter::shared(),
                   &ComprobacionPermisos::shared(),
                   // The assistant's own voice speaks through the same speaker.
                   [] { Locutor::shared().callar(); },
                   &Instalador::abrirPrivacidad,
                   &Actualizador::shared(),
                   &Permisos::sistema()};
    // The banner shows the wake listener's notices too.
    e.escucha = &EscuchaZuvi::shared();
    return e;
}

AppRouter& Entorno::enrutador() const
{
    return router ? *router : AppRouter::shared();
}

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

Instalador& Entorno::ins() const { return instalador ? *instalador : Instalador::shared(); }

InstaladorReconocimiento& Entorno::modeloVoz() const
{
    return reconocimiento ? *reconocimiento : InstaladorReconocimiento::shared();
}

EscuchaZuvi& Entorno::oye() const { return escucha ? *escucha : EscuchaZuvi::shared(); }

Permisos& Entorno::permisosSistema() const { return accesibilidad ? *accesibilidad : Permisos::sistema(); }

Locutor& Entorno::locutorVoz() const { return locutor ? *locutor : Locutor::shared(); }
