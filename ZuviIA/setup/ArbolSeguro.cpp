#include "setup/ArbolSeguro.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// As the kernel's own limit on links followed in one lookup.
constexpr int saltosMaximos = 40;

bool esEnlace(const QString& ruta)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(ruta).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Moves `posicion` (components below the root) along `destino`.
bool seguir(const QString& raiz, QStringList& posicion, const QString& destino, int& saltos)
{
    if (destino.isEmpty() || destino.startsWith(QLatin1Char('/')))
        return false;
    for (const QString& parte : destino.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (parte == u".")
            continue;
        if (parte == u"..") {
            if (posicion.isEmpty())
                return false;
            posicion.removeLast();
            continue;
        }
        const QString actual = raiz + QLatin1Char('/') + (QStringList(posicion) << parte).join(QLatin1Char('/'));
        const auto siguiente = ArbolSeguro::destinoEnlace(actual);
        if (!siguiente) {
            posicion.append(parte);
            continue;
        }
        if (++saltos > saltosMaximos || !seguir(raiz, posicion, *siguiente, saltos))
            return false;
    }
    return true;
}

}

namespace ArbolSeguro {

bool rutaRelativa(QStringView ruta)
{
    if (ruta.endsWith(u'/'))
        ruta.chop(1);
    if (ruta.isEmpty() || ruta.startsWith(u'/'))
        return false;
    for (const QChar c : ruta)
        if (c.category() == QChar::Other_Control)
            return false;
    for (const QStringView parte : ruta.split(u'/'))
        if (parte.isEmpty() || parte == u"." || parte == u"..")
            return false;
    return true;
}

std::optional<QString> destinoEnlace(const QString& ruta)
{
    if (!esEnlace(ruta))
        return std::nullopt;
    QByteArray destino(PATH_MAX, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(ruta).constData(), destino.data(), destino.size());
    if (n < 0)
        return std::nullopt;
    destino.truncate(n);
    return QFile::decodeName(destino);
}

bool enlaceDentro(const QString& raiz, const QString& relativa)
{
    const auto destino = destinoEnlace(raiz + QLatin1Char('/') + relativa);
    if (!destino)
        return false;
    QStringList posicion = relativa.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    posicion.removeLast();
    int saltos = 0;
    return seguir(raiz, posicion, *destino, saltos);
}

}
