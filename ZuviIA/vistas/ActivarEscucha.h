#pragma once

#include "vistas/Entorno.h"
#include "plataforma/ComprobacionPermisos.h"

#include <optional>

class QWidget;

// The one way the main window switches always-on listening on: with the
// microphone and the Spanish speech model present, "escuchaSiempre" is
// stored true and projects mode starts in the window; otherwise the
// settings pane of what is missing opens. Returns at once; `ventana` is
// brought forward first.
void activarEscucha(const Entorno& entorno, QWidget* ventana = nullptr);

namespace ActivacionEscucha {

// The pane to open for an answer, none when both are present. The
// microphone comes first.
std::optional<QString> panelQueFalta(const ComprobacionPermisos::Respuesta& r);

}
