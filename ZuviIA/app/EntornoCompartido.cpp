// The environment's parts that reach the shell's own objects and the
// setup room, which stand above the shared views.
#include "vistas/Entorno.h"

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

Instalador& Entorno::instaladorEnUso() const { return instalador ? *instalador : Instalador::shared(); }

InstaladorReconocimiento& Entorno::reconocimientoEnUso() const
{
    return reconocimiento ? *reconocimiento : InstaladorReconocimiento::shared();
}
