#pragma once

#include "app/AppRouter.h"
#include "vistas/Entorno.h"
#include "comun/ModelosPrueba.h"
#include "comun/PermisosVozFalsos.h"
#include "plataforma/ComprobacionPermisos.h"
#include "setup/InstaladorReconocimiento.h"

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

    // The model's installer downloads from a loopback port nobody serves.
    InstaladorReconocimiento modelo{{.destino = hogar.en(".local/share/ZuviIA/reconocimiento"),
                                     .modelo = {QUrl("http://127.0.0.1:9/modelo.zip"), "vosk-model-small-es-0.42", 39LL * 1024 * 1024},
                                     .espacioLibre = {},
                                     .alInstalar = {}}};

    Entorno entorno()
    {
        Entorno e{*ajustes, reloj, *almacen, *perfiles, *estadoIA, *asistente, *modo, &router, &comprobacion,
                  [this] { ++callados; }, [this](const QString& panel) { paneles << panel; }};
        e.reconocimiento = &modelo;
        return e;
    }
};
