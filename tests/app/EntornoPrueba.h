#pragma once

#include "app/AppRouter.h"
#include "vistas/Entorno.h"
#include "comun/ModelosPrueba.h"
#include "comun/PermisosVozFalsos.h"
#include "plataforma/ComprobacionPermisos.h"

#include <QStringList>

// What a main window is built over, in a temporary home; the microphone
// and speech answers are the test's, and the settings panes and the
// silencing of voices are recorded.
struct EntornoPrueba : ModelosPrueba {
    PermisosVozFalsos permisosFalsos;
    ComprobacionPermisos comprobacion{permisosFalsos};
    AppRouter router;
    QStringList paneles;
    int callados = 0;

    Entorno entorno()
    {
        return Entorno{*ajustes, reloj, *almacen, *perfiles, *estadoIA, *asistente, *modo, &router, &comprobacion,
                       [this] { ++callados; }, [this](const QString& panel) { paneles << panel; }};
    }
};
