#include "app/TareasInicio.h"

#include "audio/EscuchaZuvi.h"
#include "audio/MotorDictado.h"
#include "audio/VozNeural.h"
#include "core/EstadoIA.h"
#include "core/InicioSesion.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"
#include "setup/Instalador.h"

#include <QCoreApplication>
#include <QDir>
#include <QFutureWatcher>
#include <QObject>

namespace TareasInicio {

Servicios Servicios::sistema()
{
    Servicios s;
    s.vozNeural = [] { VozNeural::shared().arrancar(); };
    s.inicioSesion = [] { InicioSesion::activarPorDefecto(); };
    s.actualizarSkills = [] { Instalador::actualizarSkillsPropias(); };
    s.permisos = &Permisos::sistema();
    s.firma = carpetaAplicacion();
    s.reloj = &Reloj::sistema();
    return s;
}

QString lineaPermisos(bool accesibilidad, bool pantalla, const QString& firma)
{
    auto texto = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    return QStringLiteral("Permisos al abrir: accesibilidad=") + texto(accesibilidad) + QStringLiteral(" pantalla=")
           + texto(pantalla) + QStringLiteral(" firma=") + firma;
}

QString carpetaAplicacion()
{
    const QString exe = QCoreApplication::applicationDirPath();
    return Carpetas::desdePrefijoInstalado() ? QDir::cleanPath(exe + QStringLiteral("/..")) : exe;
}

void lanzar(QObject* ventana, EstadoIA& estadoIA, const Servicios& servicios)
{
    auto tarea = [ventana](std::function<void()> accion) {
        if (accion)
            QMetaObject::invokeMethod(ventana, std::move(accion), Qt::QueuedConnection);
    };
    // 1. The AI tools are detected again.
    tarea([&estadoIA] { estadoIA.buscar(); });
    // 2. The local voice service.
    tarea(servicios.vozNeural);
    // 3. The login item.
    tarea(servicios.inicioSesion);
    // 4. The application's own skills.
    tarea(servicios.actualizarSkills);
    // 5. The update schedule exists once per process: the application makes
    //    it, not each window.
    // 6. The permissions line.
    tarea([permisos = servicios.permisos, firma = servicios.firma] {
        const bool accesibilidad = permisos && permisos->accesibilidad();
        const bool pantalla = permisos && permisos->grabacionPantalla();
        Registro::anotar(lineaPermisos(accesibilidad, pantalla, firma));
    });
    // 7. Listening, a second later.
    if (servicios.escuchar && servicios.reloj)
        servicios.reloj->despues(std::chrono::seconds(1), ventana, servicios.escuchar).soltar();
}

}
