#include "app/Entorno.h"

#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"
#include "setup/Instalador.h"

Entorno Entorno::shared()
{
    return Entorno{Ajustes::shared(), Reloj::sistema(),    Almacen::shared(),      Perfiles::shared(),
                   EstadoIA::shared(), AsistenteVoz::shared(), ModoProyectos::shared()};
}

Instalador& Entorno::ins() const { return instalador ? *instalador : Instalador::shared(); }

EscuchaZuvi& Entorno::oye() const { return escucha ? *escucha : EscuchaZuvi::shared(); }

Permisos& Entorno::permisosSistema() const { return permisos ? *permisos : Permisos::sistema(); }

Locutor& Entorno::locutorVoz() const { return locutor ? *locutor : Locutor::shared(); }
