#include "setup/PaqueteSkills.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace PaqueteSkills {

namespace {

QDirIterator recorrer(const QString& origen)
{
    return QDirIterator(origen, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
}

bool esCarpeta(const QFileInfo& f) { return f.isDir() && !f.isSymLink(); }

bool existe(const QString& ruta)
{
    const QFileInfo f(ruta);
    return f.exists() || f.isSymLink();
}

std::optional<QByteArray> leer(const QString& ruta)
{
    QFile f(ruta);
    if (QFileInfo(ruta).isDir() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

QStringList items(const QString& carpeta, QDir::SortFlags orden)
{
    QStringList nombres;
    // QDir("") is the working folder: no folder lists nothing.
    if (carpeta.isEmpty())
        return nombres;
    for (const QString& n :
         QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, orden))
        if (!n.startsWith(QLatin1Char('.')))
            nombres << n;
    return nombres;
}

void refrescarArchivo(const QString& origen, const QString& destino)
{
    const auto bytes = leer(origen);
    if (!bytes || leer(destino) == bytes)
        return;
    QDir().mkpath(QFileInfo(destino).path());
    QSaveFile f(destino);
    if (f.open(QIODevice::WriteOnly) && f.write(*bytes) == bytes->size())
        f.commit();
}

}

Contenido listar(const QString& pack)
{
    Contenido c;
    QStringList nombres = items(pack, QDir::NoSort);
    std::sort(nombres.begin(), nombres.end());
    for (const QString& n : nombres)
        (QFileInfo(pack + QLatin1Char('/') + n + QStringLiteral("/SKILL.md")).isFile() ? c.skills : c.apoyo) << n;
    return c;
}

bool presente(const QString& destino, const QString& skill)
{
    return QFileInfo::exists(destino + QLatin1Char('/') + skill + QStringLiteral("/SKILL.md"));
}

bool estaCompleta(const QString& origen, const QString& en)
{
    for (auto it = recorrer(origen); it.hasNext();) {
        const QString ruta = it.next();
        if (esCarpeta(it.fileInfo()))
            continue;
        if (!existe(en + ruta.mid(origen.size())))
            return false;
    }
    return true;
}

std::optional<QString> completar(const QString& origen, const QString& en)
{
    if (!QFileInfo(origen).isDir())
        return std::nullopt;
    const auto noCarpeta = [](const QString& ruta) {
        return QStringLiteral("no se pudo crear la carpeta «%1»").arg(ruta);
    };
    if (!QDir().mkpath(en))
        return noCarpeta(en);
    for (auto it = recorrer(origen); it.hasNext();) {
        const QString ruta = it.next();
        const QString destino = en + ruta.mid(origen.size());
        if (esCarpeta(it.fileInfo())) {
            if (!QDir().mkpath(destino))
                return noCarpeta(destino);
            continue;
        }
        if (existe(destino))
            continue;
        if (!QFile::copy(ruta, destino))
            return QStringLiteral("no se pudo copiar «%1»").arg(destino);
    }
    return std::nullopt;
}

void actualizarPropias(const QString& pack, const QString& inicio)
{
    QStringList propias;
    for (const QString& n : items(pack, QDir::Unsorted))
        if (n.startsWith(QLatin1String("zuvi-ia-")))
            propias << n;
    for (const QString& rel : {QStringLiteral("/.claude/skills"), QStringLiteral("/.codex/skills")}) {
        const QString destino = inicio + rel;
        if (!QFileInfo(destino).isDir())
            continue;
        for (const QString& skill : propias) {
            const QString carpeta = pack + QLatin1Char('/') + skill;
            if (!QFileInfo(carpeta).isDir())
                continue;
            for (const QString& archivo : items(carpeta, QDir::Unsorted))
                refrescarArchivo(carpeta + QLatin1Char('/') + archivo,
                                 destino + QLatin1Char('/') + skill + QLatin1Char('/') + archivo);
        }
    }
}

QString lineaResultado(int skills, int fallosSkills, const QStringList& apoyo)
{
    QString linea = QStringLiteral("▸ Skills instaladas: %1 de %2").arg(skills - fallosSkills).arg(skills);
    if (!apoyo.isEmpty())
        linea += QStringLiteral(" (más %1, material de apoyo)").arg(apoyo.join(QStringLiteral(", ")));
    return linea;
}

QString textoError(int fallosSkills, int fallosApoyo)
{
    if (fallosSkills > 0 && fallosApoyo > 0)
        return QStringLiteral("%1 skills y el material de apoyo no se pudieron copiar").arg(fallosSkills);
    if (fallosSkills > 0)
        return QStringLiteral("%1 skills no se pudieron copiar").arg(fallosSkills);
    return QStringLiteral("El material de apoyo no se pudo copiar");
}

}
