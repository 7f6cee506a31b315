// The updater's shared instance lives with the shell: the idle rule reads
// the assistant, projects mode and the store, which the setup room must
// not depend on.
#include "setup/Actualizador.h"

#include "Version.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"
#include "setup/FirmaActualizacion.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace {

Actualizador::Instalacion instalacion()
{
    const QString prefijo = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).canonicalPath();
    return {prefijo,
            QString::fromUtf8(Version::texto),
            Version::build,
            FirmaActualizacion::clavePorDefecto(),
            Actualizador::urlManifiesto(qEnvironmentVariable("ZUVIIA_URL_ACTUALIZACIONES")),
            Carpetas::estadoApp() + QStringLiteral("/actualizacion.log"),
            QCoreApplication::applicationPid()};
}

bool lanzar(const QString& programa, const QStringList& argumentos, QString& error)
{
    // startDetached forks twice and starts a new session, so the script
    // outlives this process and its terminal.
    QProcess p;
    p.setProgram(programa);
    p.setArguments(argumentos);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    if (p.startDetached())
        return true;
    Registro::anotar(QStringLiteral("Actualizaciones: no arrancó %1 (%2)").arg(programa, p.errorString()));
    error = QStringLiteral("el sistema no dejó iniciar el cambio de versión");
    return false;
}

void salir()
{
    ModoProyectos& modo = ModoProyectos::shared();
    modo.setInmersivo(false);
    // The room lets go of the microphone and the listener before the swap.
    if (modo.activo())
        modo.terminar();
    // The shell's quit path stops the turns and saves the store.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

Actualizador::Ocupacion ocupacion()
{
    const AsistenteVoz& asistente = AsistenteVoz::shared();
    const ModoProyectos& modo = ModoProyectos::shared();
    Actualizador::Ocupacion o{asistente.ejecutando(), int(asistente.turno().enFondo().size()), modo.activo(),
                              modo.inmersivo(), std::nullopt};
    for (const Conversacion& c : Almacen::shared().conversaciones())
        if (!o.ultimaConversacion || c.actualizada > *o.ultimaConversacion)
            o.ultimaConversacion = c.actualizada;
    return o;
}

}

Actualizador& Actualizador::shared()
{
    static Actualizador actualizador(Reloj::sistema(), Ajustes::shared(), instalacion(), Cambio{lanzar, salir},
                                     ocupacion);
    return actualizador;
}
