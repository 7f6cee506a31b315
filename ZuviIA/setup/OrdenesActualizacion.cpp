#include "setup/OrdenesActualizacion.h"

#include "Version.h"
#include "setup/FalloActualizacion.h"
#include "setup/Sello.h"

#include <QTextStream>

namespace OrdenesActualizacion {

QString textoVersion(const QString& version, qint64 build)
{
    return QStringLiteral("%1 (build %2)").arg(version).arg(build);
}

std::optional<int> atender(const QStringList& argumentos, const QString& clave, QTextStream& salida,
                           QTextStream& errores)
{
    const QString orden = argumentos.value(1);
    if (orden == QLatin1String("--version") && argumentos.size() == 2) {
        salida << textoVersion(QString::fromUtf8(Version::texto), Version::build) << '\n';
        return 0;
    }
    if (orden != QLatin1String("--verificar-sello"))
        return std::nullopt;
    bool ok = false;
    const qint64 build = argumentos.value(3).toLongLong(&ok);
    if (argumentos.size() != 4 || !ok) {
        errores << "uso: zuviia --verificar-sello <carpeta> <build>\n";
        return 2;
    }
    try {
        Sello::verificar(argumentos.at(2), clave, build, Sello::Modos::comprobar);
        return 0;
    } catch (const FalloActualizacion& e) {
        errores << e.mensaje() << '\n';
        return 1;
    }
}

}
