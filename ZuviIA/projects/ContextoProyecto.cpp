#include "projects/ContextoProyecto.h"

#include "core/Almacen.h"
#include "core/Perfiles.h"

#include <QStringList>

namespace ContextoProyecto {

QString texto(const std::optional<Conversacion>& actual, const QString& carpeta, const QList<Perfil>& presentes,
              const std::optional<Perfil>& activo)
{
    if (!actual)
        return {};
    QString t = QStringLiteral("Proyecto actual: «") + actual->titulo + QStringLiteral("». Su carpeta es ") + carpeta
        + QStringLiteral(": todo lo del proyecto va ahí.");
    if (!presentes.isEmpty()) {
        QStringList nombres;
        QStringList memorias;
        for (const Perfil& p : presentes) {
            nombres << p.nombre;
            memorias << p.nombre + QStringLiteral(": ") + p.carpeta() + QStringLiteral("/CLAUDE.md");
        }
        t += QStringLiteral(" Participan: ") + nombres.join(QStringLiteral(", ")) + QLatin1Char('.');
        t += QStringLiteral(" La memoria personal de cada uno está en su carpeta: ") + memorias.join(QStringLiteral("; "))
            + QLatin1Char('.');
    }
    if (actual->esReunion.value_or(false))
        t += QStringLiteral(" Es una reunión de grupo: cada mensaje empieza con quién habla («Ana dice: …»). "
                            "Al final te pueden pedir la minuta.");
    else if (activo)
        t += QStringLiteral(" Te habla ") + activo->nombre + QLatin1Char('.');
    return t;
}

QString texto(const Almacen& almacen, const Perfiles& perfiles)
{
    const auto actual = almacen.actual();
    return texto(actual, actual ? almacen.carpeta(*actual) : QString(), perfiles.presentes(), perfiles.activo());
}

}
