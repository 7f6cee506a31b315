#include "plataforma/EntradaEscritorio.h"

#include "plataforma/Carpetas.h"

#include <QFile>
#include <QFileInfo>

namespace EntradaEscritorio {

QHash<QString, QString> leer(const QString& contenido)
{
    QHash<QString, QString> claves;
    bool enGrupo = false;
    for (const QString& bruta : contenido.split(QLatin1Char('\n'))) {
        const QString linea = bruta.trimmed();
        if (linea.isEmpty() || linea.startsWith(QLatin1Char('#')))
            continue;
        if (linea.startsWith(QLatin1Char('['))) {
            enGrupo = linea == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype igual = linea.indexOf(QLatin1Char('='));
        if (enGrupo && igual > 0) {
            const QString clave = linea.left(igual).trimmed();
            if (!claves.contains(clave))
                claves.insert(clave, linea.mid(igual + 1).trimmed());
        }
    }
    return claves;
}

std::optional<QHash<QString, QString>> leerArchivo(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return leer(QString::fromUtf8(f.readAll()));
}

QStringList carpetasDeAplicaciones()
{
    QStringList carpetas{Carpetas::datos() + QStringLiteral("/applications")};
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (d.startsWith(QLatin1Char('/')))
            carpetas << d + QStringLiteral("/applications");
    return carpetas;
}

std::optional<QString> buscar(const QString& nombreArchivo)
{
    for (const QString& carpeta : carpetasDeAplicaciones()) {
        const QString ruta = carpeta + QLatin1Char('/') + nombreArchivo;
        if (!QFileInfo(ruta).isFile())
            continue;
        const auto claves = leerArchivo(ruta);
        if (!claves || claves->value(QStringLiteral("Hidden")) == QLatin1String("true"))
            return std::nullopt;
        return ruta;
    }
    return std::nullopt;
}

namespace {

bool necesitaComillas(const QString& argumento)
{
    static const QString reservados = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argumento.isEmpty())
        return true;
    for (QChar c : argumento)
        if (reservados.contains(c))
            return true;
    return false;
}

QString citar(const QString& argumento)
{
    if (!necesitaComillas(argumento))
        return argumento;
    QString r = QStringLiteral("\"");
    for (QChar c : argumento) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            r += QLatin1Char('\\');
        r += c;
    }
    return r + QLatin1Char('"');
}

// The string-value escapes of the file format, applied over the quoting.
QString escaparValor(const QString& texto)
{
    QString r;
    for (QChar c : texto) {
        if (c == QLatin1Char('\\'))
            r += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            r += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            r += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            r += QStringLiteral("\\r");
        else if (c == QLatin1Char('%'))
            r += QStringLiteral("%%");
        else
            r += c;
    }
    return r;
}

}

QString lineaExec(const QStringList& argumentos)
{
    QStringList citados;
    for (const QString& a : argumentos)
        citados << citar(a);
    return escaparValor(citados.join(QLatin1Char(' ')));
}

}
