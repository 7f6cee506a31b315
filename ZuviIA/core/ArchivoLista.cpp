#include "core/ArchivoLista.h"

#include "core/Registro.h"

#include <QCalendar>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <exception>

namespace {

using ArchivoLista::Carga;

Carga apartar(const QString& archivo, const QDateTime& ahora, const QString& motivo, QString* apartado)
{
    const QString destino = ArchivoLista::nombreApartado(archivo, ahora);
    // rename never replaces an existing file.
    if (QFile::rename(archivo, destino)) {
        if (apartado)
            *apartado = destino;
        Registro::anotar(QStringLiteral("No se pudo leer %1 (%2); se apartó como %3 y se empieza vacío")
                             .arg(archivo, motivo, destino));
        return Carga::apartada;
    }
    Registro::anotar(QStringLiteral("No se pudo leer %1 (%2) ni apartarlo como %3; se empieza vacío y no se "
                                    "guardará encima")
                         .arg(archivo, motivo, destino));
    return Carga::atascada;
}

}

namespace ArchivoLista {

QString nombreApartado(const QString& archivo, const QDateTime& ahora)
{
    const QString base = archivo + QStringLiteral(".ilegible-")
        + ahora.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"), QCalendar(QCalendar::System::Gregorian));
    QString nombre = base;
    for (int n = 2; QFileInfo(nombre).exists() || QFileInfo(nombre).isSymLink(); ++n)
        nombre = base + QLatin1Char('-') + QString::number(n);
    return nombre;
}

Carga cargar(const QString& archivo, const QDateTime& ahora, const std::function<void(const QByteArray&)>& decodificar,
             QString* apartado)
{
    const QFileInfo info(archivo);
    if (!info.exists() && !info.isSymLink())
        return Carga::ausente;
    QFile f(archivo);
    if (!info.isFile())
        return apartar(archivo, ahora, QStringLiteral("no es un archivo"), apartado);
    if (!f.open(QIODevice::ReadOnly))
        return apartar(archivo, ahora, f.errorString(), apartado);
    const QByteArray datos = f.readAll();
    f.close();
    try {
        decodificar(datos);
        return Carga::leida;
    } catch (const std::exception& e) {
        return apartar(archivo, ahora, QString::fromUtf8(e.what()), apartado);
    }
}

void anotarIlegibles(const QString& archivo, const QList<Codificacion::Ilegible>& ilegibles)
{
    for (const auto& x : ilegibles)
        Registro::anotar(QStringLiteral("Elemento %1 de %2 ilegible (%3): se conserva tal cual y se sigue con el resto")
                             .arg(QString::number(x.posicion + 1), archivo, x.motivo));
}

bool guardar(const QString& archivo, const QByteArray& datos)
{
    const auto error = escribir(archivo, datos);
    if (error)
        Registro::anotar(QStringLiteral("No se pudo guardar %1: %2").arg(archivo, *error));
    return !error;
}

std::optional<QString> escribir(const QString& archivo, const QByteArray& datos)
{
    QSaveFile f(archivo);
    if (f.open(QIODevice::WriteOnly) && f.write(datos) == datos.size() && f.commit())
        return std::nullopt;
    return f.errorString();
}

}
