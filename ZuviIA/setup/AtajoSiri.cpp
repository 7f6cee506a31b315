#include "setup/AtajoSiri.h"

#include "core/InicioSesion.h"
#include "core/Registro.h"
#include "plataforma/Carpetas.h"
#include "plataforma/EntradaEscritorio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace AtajoSiri {

namespace {

QString exec(const QString& ejecutable)
{
    return EntradaEscritorio::lineaExec({ejecutable, QString::fromLatin1(url)});
}

}

QString archivo()
{
    return Carpetas::datos() + QStringLiteral("/applications/cl.norp.ZuviIA.modo-proyectos.desktop");
}

QString entrada(const QString& ejecutable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=Abre la sala de Zuvi IA\n"
                          "Exec=%2\n"
                          "Icon=audio-input-microphone\n"
                          "Terminal=false\n"
                          "Categories=Utility;\n")
        .arg(QString::fromUtf8(nombre), exec(ejecutable));
}

void crear() { crear(InicioSesion::ejecutable()); }

void crear(const QString& ejecutable)
{
    const QString ruta = archivo();
    const QByteArray contenido = entrada(ejecutable).toUtf8();
    QFile actual(ruta);
    if (actual.open(QIODevice::ReadOnly) && actual.readAll() == contenido)
        return;
    const auto fallo = [](const QString& causa) {
        return ErrorAtajo(QStringLiteral("No se pudo crear el lanzador «Modo proyectos»: %1.").arg(causa));
    };
    if (!QDir().mkpath(QFileInfo(ruta).path()))
        throw fallo(QStringLiteral("no se pudo crear la carpeta %1").arg(QFileInfo(ruta).path()));
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly))
        throw fallo(QStringLiteral("no se pudo escribir %1").arg(ruta));
    f.write(contenido);
    if (!f.commit())
        throw fallo(QStringLiteral("no se pudo guardar %1").arg(ruta));
}

bool instalado() { return instalado(InicioSesion::ejecutable()); }

bool instalado(const QString& ejecutable)
{
    const auto claves = EntradaEscritorio::leerArchivo(archivo());
    return claves && claves->value(QStringLiteral("Hidden")) != QLatin1String("true")
        && claves->value(QStringLiteral("Exec")) == exec(ejecutable);
}

void abrirAjustesDeVoces()
{
    const QString programa = QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
    if (programa.isEmpty() || !QProcess::startDetached(programa, {QStringLiteral("universal-access")}))
        Registro::anotar(QStringLiteral("Atajo: no hay una configuración de voces del sistema que abrir"));
}

}
