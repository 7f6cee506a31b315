#pragma once

#include "app/Entorno.h"
#include "comun/ModelosPrueba.h"

// What a main window is built over, in a temporary home.
struct EntornoPrueba : ModelosPrueba {
    Entorno entorno() { return Entorno{*ajustes, reloj, *almacen, *perfiles, *estadoIA, *asistente, *modo}; }
};
