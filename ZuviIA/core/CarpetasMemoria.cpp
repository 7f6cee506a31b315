#include "core/CarpetasMemoria.h"

#include "core/Modelos.h"
#include "plataforma/Carpetas.h"

#include <QCalendar>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

const QString memoria = QStringLiteral("CLAUDE.md");
const QString enlace = QStringLiteral("AGENTS.md");

// Whole and atomic; a failure leaves nothing half written and is ignored.
void escribirMemoria(const QString& ruta, const QString& texto)
{
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(texto.toUtf8());
    f.commit();
}

// The target stays the relative name, so the link survives moving the folder.
void enlazarMemoria(const QString& carpeta)
{
    const QByteArray destino = memoria.toUtf8();
    const QByteArray nombre = QFile::encodeName(carpeta + QLatin1Char('/') + enlace);
    (void)::symlink(destino.constData(), nombre.constData());
}

bool hayMemoria(const QString& carpeta) { return QFileInfo::exists(carpeta + QLatin1Char('/') + memoria); }

QString nombreDeCarpeta(const Perfil& perfil)
{
    return CarpetasMemoria::nombreSeguro(perfil.nombre) ? perfil.nombre
                                                         : perfil.id.toString(QUuid::WithoutBraces).toUpper();
}

}

namespace CarpetasMemoria {

QString raiz()
{
    const QString r = Carpetas::inicio() + QStringLiteral("/Zuvi IA");
    QDir().mkpath(r);
    return r;
}

QString nombreProyecto(const QDateTime& momento)
{
    return momento.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"), QCalendar(QCalendar::System::Gregorian));
}

QString nuevaCarpetaProyecto(const QDateTime& ahora)
{
    const QString f = raiz() + QStringLiteral("/Proyectos/") + nombreProyecto(ahora);
    QDir().mkpath(f);
    if (hayMemoria(f))
        return f;
    escribirMemoria(f + QLatin1Char('/') + memoria, plantillaProyecto());
    enlazarMemoria(f);
    return f;
}

bool nombreSeguro(const QString& nombre)
{
    return !nombre.isEmpty() && nombre != QLatin1String(".") && nombre != QLatin1String("..")
        && !nombre.contains(QLatin1Char('/')) && !nombre.contains(QChar(u'\0'))
        && nombre.toUtf8().size() <= 255;
}

QString dePersona(const Perfil& perfil)
{
    const QString r = raiz();
    const QString nombre = nombreDeCarpeta(perfil);
    const QString directa = r + QLatin1Char('/') + nombre;
    if (hayMemoria(directa))
        return directa;
    return r + QStringLiteral("/Personas/") + nombre;
}

void prepararPersona(const Perfil& perfil)
{
    const QString f = dePersona(perfil);
    QDir().mkpath(f);
    if (!hayMemoria(f))
        escribirMemoria(f + QLatin1Char('/') + memoria, plantillaPersona(perfil.nombre));
    if (!QFileInfo::exists(f + QLatin1Char('/') + enlace))
        enlazarMemoria(f);
}

QString plantillaProyecto()
{
    return QStringLiteral("# Memoria del proyecto\n"
                          "\n"
                          "Este es un proyecto de la zuvi inmersiva de IA (Zuvi IA). Todo lo que se cree para "
                          "este proyecto va en esta carpeta.\n"
                          "Anota aquí, brevemente, lo importante: de qué se trata, decisiones y qué falta.\n");
}

QString plantillaPersona(const QString& nombre)
{
    return QStringLiteral("# Memoria de %1\n"
                          "\n"
                          "Esta es la memoria personal de **%1** en la zuvi inmersiva de IA (Zuvi IA). "
                          "Llámale por su nombre.\n"
                          "Los proyectos tienen su propia carpeta; aquí va solo lo que conviene recordar de "
                          "esta persona.\n"
                          "\n"
                          "Cuando %1 te cuente algo que convenga recordar para próximas sesiones (sus proyectos,\n"
                          "preferencias, cómo le gusta trabajar), anótalo abajo de forma breve.\n"
                          "\n"
                          "## Lo que sé de %1\n")
        .arg(nombre);
}

}
