#include "assistant/FrasesActividad.h"

#include <QHash>

namespace FrasesActividad {

namespace {

const QString puntos = QStringLiteral("…");

QString servidor(const QString& herramienta)
{
    const QStringList piezas = herramienta.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    const QString nombre = piezas.size() >= 2 ? piezas.at(1) : QStringLiteral("servidor");
    if (nombre.toLower().contains(QLatin1String("blender")))
        return QStringLiteral("Trabajando en Blender…");
    return QStringLiteral("Usando ") + nombre + puntos;
}

QString comando(const QString& linea)
{
    if (linea.contains(QLatin1String("osascript")))
        return QStringLiteral("Controlando una app…");
    if (linea.contains(QLatin1String("screencapture")))
        return QStringLiteral("Mirando la pantalla…");
    if (linea.startsWith(QLatin1String("open ")))
        return QStringLiteral("Abriendo…");
    return QStringLiteral("Ejecutando un comando…");
}

QString archivoDe(const QJsonObject& entrada)
{
    const QJsonValue ruta = entrada.value(QLatin1String("file_path"));
    const QString nombre = ruta.isString() ? nombreArchivo(ruta.toString()) : QString();
    return nombre.isEmpty() ? QStringLiteral("un archivo") : nombre;
}

}

QString nombreArchivo(const QString& ruta)
{
    qsizetype fin = ruta.size();
    while (fin > 0 && ruta.at(fin - 1) == QLatin1Char('/'))
        --fin;
    if (fin == 0)
        return ruta.isEmpty() ? QString() : QStringLiteral("/");
    const qsizetype barra = ruta.lastIndexOf(QLatin1Char('/'), fin - 1);
    return ruta.mid(barra + 1, fin - barra - 1);
}

QString describir(const QString& herramienta, const QJsonObject& entrada)
{
    if (herramienta.startsWith(QLatin1String("mcp__")))
        return servidor(herramienta);

    static const QHash<QString, QString> fijas = {
        {QStringLiteral("Glob"), QStringLiteral("Buscando en el proyecto…")},
        {QStringLiteral("Grep"), QStringLiteral("Buscando en el proyecto…")},
        {QStringLiteral("WebSearch"), QStringLiteral("Buscando en internet…")},
        {QStringLiteral("WebFetch"), QStringLiteral("Leyendo una página web…")},
        {QStringLiteral("Task"), QStringLiteral("Delegando una tarea…")},
        {QStringLiteral("Agent"), QStringLiteral("Delegando una tarea…")},
        {QStringLiteral("TodoWrite"), QStringLiteral("Planificando…")},
    };
    static const QHash<QString, QString> conArchivo = {
        {QStringLiteral("Read"), QStringLiteral("Leyendo ")},
        {QStringLiteral("Write"), QStringLiteral("Creando ")},
        {QStringLiteral("Edit"), QStringLiteral("Editando ")},
        {QStringLiteral("MultiEdit"), QStringLiteral("Editando ")},
    };

    if (herramienta == QLatin1String("Bash"))
        return comando(entrada.value(QLatin1String("command")).toString());
    if (const auto verbo = conArchivo.constFind(herramienta); verbo != conArchivo.cend())
        return *verbo + archivoDe(entrada) + puntos;
    if (herramienta == QLatin1String("Skill"))
        return QStringLiteral("Usando la skill ") + entrada.value(QLatin1String("skill")).toString() + puntos;
    if (const auto fija = fijas.constFind(herramienta); fija != fijas.cend())
        return *fija;
    return QStringLiteral("Usando ") + herramienta + puntos;
}

}
