#include "app/Enlaces.h"

namespace Enlaces {

Accion accion(const QUrl& enlace)
{
    return enlace.host() == QLatin1String("modo-proyectos") ? Accion::modoProyectos : Accion::soloVentana;
}

QUrl deArgumentos(const QStringList& argumentos)
{
    for (qsizetype i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        if (a.startsWith(QLatin1Char('-')))
            continue;
        const QUrl enlace(a, QUrl::StrictMode);
        if (enlace.isValid() && !enlace.isEmpty())
            return enlace;
    }
    return QUrl(QString::fromLatin1(abrir));
}

}
