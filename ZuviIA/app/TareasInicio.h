#pragma once

#include <QString>

#include <functional>

class EstadoIA;
class Permisos;
class QObject;
class Reloj;

// What every new main window starts once it is shown: each task is queued
// on its own on the window, so none waits for another and a window closed
// first cancels what had not run yet.
namespace TareasInicio {

// The services the tasks call; tests hand in their own.
struct Servicios {
    // The local voice service (it starts only when installed and enabled).
    std::function<void()> vozNeural;
    // The login item, proposed once per installation.
    std::function<void()> inicioSesion;
    // The application's own skills refreshed in the agents' skill folders.
    std::function<void()> actualizarSkills;
    Permisos* permisos = nullptr;
    // Always-on listening in the window, or else the wake-phrase listener.
    std::function<void()> escuchar;
    Reloj* reloj = nullptr;
    // The folder the application runs from, for the permissions line.
    QString firma;

    static Servicios sistema();
};

// "Permisos al abrir: accesibilidad=… pantalla=… firma=…"
QString lineaPermisos(bool accesibilidad, bool pantalla, const QString& firma);

// The folder of an installed prefix, else the executable's own folder.
QString carpetaAplicacion();

void lanzar(QObject* ventana, EstadoIA& estadoIA, const Servicios& servicios);

}
