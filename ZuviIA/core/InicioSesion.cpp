#include "core/InicioSesion.h"

#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/EntradaEscritorio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace InicioSesion {

namespace {

QByteArray leido(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void escribirEntrada(const QString& ruta, const QByteArray& contenido)
{
    const auto fallo = [](const QString& causa) {
        return ErrorInicioSesion(QStringLiteral("No se pudo activar el inicio con la sesión: %1").arg(causa));
    };
    if (!QDir().mkpath(QFileInfo(ruta).path()))
        throw fallo(QStringLiteral("no se pudo crear la carpeta %1").arg(QFileInfo(ruta).path()));
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly))
        throw fallo(f.errorString());
    f.write(contenido);
    if (!f.commit())
        throw fallo(f.errorString());
}

void quitarEntrada(const QString& ruta)
{
    QFile f(ruta);
    if (!f.exists())
        return;
    if (!f.remove())
        throw ErrorInicioSesion(
            QStringLiteral("No se pudo desactivar el inicio con la sesión: %1").arg(f.errorString()));
}

}

QString archivo()
{
    return Carpetas::configuracion() + QStringLiteral("/autostart/cl.norp.ZuviIA.desktop");
}

QString ejecutable()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString entrada(const QString& ejecutable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Zuvi IA\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(EntradaEscritorio::lineaExec({ejecutable}));
}

bool activo()
{
    const auto claves = EntradaEscritorio::leerArchivo(archivo());
    return claves && claves->value(QStringLiteral("Hidden")) != QLatin1String("true")
        && claves->value(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

void activar(bool on) { activar(on, ejecutable()); }

void activar(bool on, const QString& ejecutable)
{
    const QString ruta = archivo();
    if (!on) {
        quitarEntrada(ruta);
        return;
    }
    const QByteArray contenido = entrada(ejecutable).toUtf8();
    if (leido(ruta) != contenido)
        escribirEntrada(ruta, contenido);
}

void activarPorDefecto()
{
    activarPorDefecto(Ajustes::shared(), Carpetas::desdePrefijoInstalado(), ejecutable());
}

void activarPorDefecto(Ajustes& ajustes, bool desdePrefijoInstalado, const QString& ejecutable)
{
    if (ajustes.contiene(QString::fromLatin1(clavePropuesto)) || !desdePrefijoInstalado)
        return;
    // Stored before the attempt, so a failure is not retried at every launch.
    ajustes.escribir(QString::fromLatin1(clavePropuesto), true);
    try {
        activar(true, ejecutable);
    } catch (const ErrorInicioSesion& e) {
        Registro::anotar(e.mensaje());
    }
}

}
