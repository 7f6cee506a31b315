#include "plataforma/Carpetas.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// XDG says a relative value is invalid and must be ignored.
QString xdg(const char* variable, const QString& relativoAlInicio)
{
    const QString valor = qEnvironmentVariable(variable);
    if (!valor.isEmpty() && QDir::isAbsolutePath(valor))
        return QDir::cleanPath(valor);
    return QDir::cleanPath(Carpetas::inicio() + QLatin1Char('/') + relativoAlInicio);
}

QString carpetaEjecutable()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

QString recursosInstalados()
{
    return QDir::cleanPath(carpetaEjecutable() + QStringLiteral("/../share/zuviia"));
}

}

namespace Carpetas {

QString inicio()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : QDir::cleanPath(home);
}

QString configuracion() { return xdg("XDG_CONFIG_HOME", QStringLiteral(".config")); }
QString datos() { return xdg("XDG_DATA_HOME", QStringLiteral(".local/share")); }
QString estado() { return xdg("XDG_STATE_HOME", QStringLiteral(".local/state")); }

QString datosApp() { return datos() + QStringLiteral("/ZuviIA"); }
QString estadoApp() { return estado() + QStringLiteral("/ZuviIA"); }

QString recursos()
{
    const QString instalados = recursosInstalados();
    if (QFileInfo(instalados).isDir())
        return instalados;
    return QString::fromUtf8(Version::carpetaFuente) + QStringLiteral("/ZuviIA/resources");
}

bool desdePrefijoInstalado()
{
    const QString exe = carpetaEjecutable();
    return QFileInfo(recursosInstalados()).isDir() && exe.endsWith(QStringLiteral("/bin"));
}

}
