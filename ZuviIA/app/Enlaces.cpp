#include "app/Enlaces.h"

namespace Enlaces {

namespace {

constexpr const char* qtConValor[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                      "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display",
                                      "geometry"};
constexpr const char* qtSolas[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

}

int argumentosDeQt(const QString& argumento)
{
    if (!argumento.startsWith(QLatin1Char('-')))
        return 0;
    const QString resto = argumento.mid(argumento.startsWith(QLatin1String("--")) ? 2 : 1);
    const bool conIgual = resto.contains(QLatin1Char('='));
    const QString nombre = resto.section(QLatin1Char('='), 0, 0);
    for (const char* o : qtConValor)
        if (nombre == QLatin1String(o))
            return conIgual ? 1 : 2;
    for (const char* o : qtSolas)
        if (nombre == QLatin1String(o) && !conIgual)
            return 1;
    return 0;
}

Accion accion(const QUrl& enlace)
{
    return esNuestro(enlace) && enlace.host() == QLatin1String("modo-proyectos") ? Accion::modoProyectos
                                                                                 : Accion::soloVentana;
}

bool esNuestro(const QUrl& enlace)
{
    return enlace.isValid() && enlace.scheme() == QLatin1String("zuviia");
}

QUrl deArgumentos(const QStringList& argumentos)
{
    for (qsizetype i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        if (const int n = argumentosDeQt(a)) {
            i += n - 1;
            continue;
        }
        if (a.startsWith(QLatin1Char('-')))
            continue;
        const QUrl enlace(a, QUrl::StrictMode);
        if (enlace.isValid() && !enlace.isEmpty())
            return enlace;
    }
    return QUrl(QString::fromLatin1(abrir));
}

}
