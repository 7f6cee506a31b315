#include "setup/PaqueteActualizacion.h"

#include "setup/ArbolSeguro.h"
#include "setup/Desempaquetador.h"
#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"
#include "setup/Manifiesto.h"
#include "setup/Sello.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace PaqueteActualizacion {

QString crearCarpeta(const QString& prefijo, qint64 build)
{
    const QString padre = QFileInfo(QDir::cleanPath(prefijo)).absolutePath();
    QByteArray plantilla = QFile::encodeName(padre + QStringLiteral("/ZuviIA-act-%1-XXXXXX").arg(build));
    if (!QDir().mkpath(padre) || !::mkdtemp(plantilla.data()))
        throw FalloActualizacion(QStringLiteral("no se pudo crear la carpeta de la actualización en «%1» (%2)")
                                     .arg(padre, QString::fromLocal8Bit(std::strerror(errno))));
    return QFile::decodeName(plantilla);
}

QString preparar(const QByteArray& archivo, const Manifiesto& manifiesto, const QString& prefijo,
                 const QString& clave)
{
    if (!FirmaActualizacion::firmaValida(manifiesto, clave))
        throw FalloActualizacion(QStringLiteral("la firma de la actualización no es válida"));
    if (!manifiesto.describe(archivo))
        throw FalloActualizacion(QStringLiteral("el archivo descargado no coincide"));
    const QString carpeta = crearCarpeta(prefijo, manifiesto.build);
    const QString app = carpeta + QStringLiteral("/ZuviIA");
    try {
        Desempaquetador::desempaquetar(archivo, carpeta);
        if (ArbolSeguro::destinoEnlace(app))
            throw FalloActualizacion(QStringLiteral("el sello de la app nueva no es válido (ZuviIA es un enlace)"));
        Sello::verificar(app, clave, manifiesto.build, Sello::Modos::restaurar);
    } catch (...) {
        QDir(carpeta).removeRecursively();
        throw;
    }
    return app;
}

}
