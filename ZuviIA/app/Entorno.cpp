#include "app/Entorno.h"

#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"
#include "setup/Actualizador.h"

Entorno Entorno::shared()
{
    return Entorno{Ajustes::shared(), Reloj::sistema(),    Almacen::shared(),      Perfiles::shared(),
                   EstadoIA::shared(), AsistenteVoz::shared(), ModoProyectos::shared(),
                   &Actualizador::shared(), &Permisos::sistema()};
}
