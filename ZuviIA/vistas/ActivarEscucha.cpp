#include "vistas/ActivarEscucha.h"

#include "plataforma/Ajustes.h"
#include "projects/ModoProyectos.h"

#include <QWidget>

namespace ActivacionEscucha {

std::optional<QString> panelQueFalta(const ComprobacionPermisos::Respuesta& r)
{
    if (!r.microfono)
        return QStringLiteral("Privacy_Microphone");
    if (!r.voz)
        return QStringLiteral("Privacy_SpeechRecognition");
    return std::nullopt;
}

}

void activarEscucha(const Entorno& entorno, QWidget* ventana)
{
    if (ventana) {
        QWidget* w = ventana->window();
        w->show();
        w->raise();
        w->activateWindow();
    }
    entorno.comprobacion().comprobar(&entorno.modo, [entorno](ComprobacionPermisos::Respuesta r) {
        if (const auto panel = ActivacionEscucha::panelQueFalta(r)) {
            entorno.abrirPanel(*panel);
            return;
        }
        entorno.ajustes.escribir(QStringLiteral("escuchaSiempre"), true);
        entorno.modo.escucharSiempre();
    });
}
