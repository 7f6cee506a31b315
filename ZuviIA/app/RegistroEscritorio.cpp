#include "app/RegistroEscritorio.h"

#include "plataforma/Carpetas.h"
#include "plataforma/EntradaEscritorio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace RegistroEscritorio {

namespace {

const QString grupo = QStringLiteral("[Default Applications]");

bool escribir(const QString& ruta, const QString& contenido)
{
    QDir().mkpath(QFileInfo(ruta).path());
    QSaveFile f(ruta);
    if (f.open(QIODevice::WriteOnly) && f.write(contenido.toUtf8()) >= 0 && f.commit())
        return true;
    std::fprintf(stderr, "No se pudo escribir %s: %s\n", qPrintable(ruta), qPrintable(f.errorString()));
    return false;
}

}

QString archivoEntrada()
{
    return Carpetas::datos() + QStringLiteral("/applications/") + QString::fromLatin1(nombreEntrada);
}

QString archivoAsociaciones()
{
    return Carpetas::configuracion() + QStringLiteral("/mimeapps.list");
}

QString entrada(const QString& ejecutable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Zuvi IA\n"
                          "Comment=Sala de voz con un agente de programación\n"
                          "Exec=%1 %u\n"
                          "Icon=audio-input-microphone\n"
                          "Terminal=false\n"
                          "Categories=Utility;\n"
                          "MimeType=%2;\n"
                          "StartupWMClass=zuviia\n"
                          "Actions=modo-proyectos;dictar;nuevo-proyecto;\n"
                          "\n[Desktop Action modo-proyectos]\nName=Modo proyectos\nExec=%3\n"
                          "\n[Desktop Action dictar]\nName=Dictar instrucción\nExec=%4\n"
                          "\n[Desktop Action nuevo-proyecto]\nName=Nuevo proyecto\nExec=%5\n")
        .arg(EntradaEscritorio::lineaExec({ejecutable}), QString::fromLatin1(tipoEnlaces),
             EntradaEscritorio::lineaExec({ejecutable, QStringLiteral("--modo-proyectos")}),
             EntradaEscritorio::lineaExec({ejecutable, QStringLiteral("--dictar")}),
             EntradaEscritorio::lineaExec({ejecutable, QStringLiteral("--nuevo-proyecto")}));
}

QString conManejador(const QString& asociaciones)
{
    const QString clave = QString::fromLatin1(tipoEnlaces) + QLatin1Char('=');
    const QString linea = clave + QString::fromLatin1(nombreEntrada);
    QStringList lineas = asociaciones.split(QLatin1Char('\n'));
    if (!lineas.isEmpty() && lineas.last().isEmpty())
        lineas.removeLast();
    const qsizetype inicio = lineas.indexOf(grupo);
    if (inicio < 0) {
        if (!lineas.isEmpty() && !lineas.last().trimmed().isEmpty())
            lineas << QString();
        lineas << grupo << linea;
        return lineas.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    qsizetype fin = inicio + 1;
    while (fin < lineas.size() && !lineas[fin].startsWith(QLatin1Char('[')))
        ++fin;
    for (qsizetype i = inicio + 1; i < fin; ++i) {
        if (lineas[i].startsWith(clave)) {
            lineas[i] = linea;
            return lineas.join(QLatin1Char('\n')) + QLatin1Char('\n');
        }
    }
    // After the group's last entry, before the blank lines that close it.
    qsizetype donde = fin;
    while (donde > inicio + 1 && lineas[donde - 1].trimmed().isEmpty())
        --donde;
    lineas.insert(donde, linea);
    return lineas.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool registrar(const QString& ejecutable)
{
    QFile actual(archivoAsociaciones());
    const QString asociaciones =
        actual.open(QIODevice::ReadOnly) ? QString::fromUtf8(actual.readAll()) : QString();
    actual.close();
    if (!escribir(archivoEntrada(), entrada(ejecutable)) || !escribir(archivoAsociaciones(), conManejador(asociaciones)))
        return false;
    // The desktop's cache of handlers, where the tool exists.
    const QString cache = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!cache.isEmpty())
        QProcess::execute(cache, {QFileInfo(archivoEntrada()).path()});
    std::printf("Registrado %s como manejador de los enlaces zuviia://\n", qPrintable(archivoEntrada()));
    return true;
}

}
