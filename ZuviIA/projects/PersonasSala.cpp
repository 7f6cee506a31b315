#include "projects/PersonasSala.h"

namespace PersonasSala {

std::optional<Conversacion> ultimaDe(const QList<Conversacion>& conversaciones,
                                     const std::optional<QUuid>& seleccion, const Perfil& perfil)
{
    const Conversacion* mejor = nullptr;
    for (const Conversacion& c : conversaciones) {
        if (c.id == seleccion || c.mensajes.isEmpty())
            continue;
        const bool suya = c.perfilID == perfil.id || c.asistentes.value_or(QStringList()).contains(perfil.nombre);
        if (suya && (!mejor || c.actualizada > mejor->actualizada))
            mejor = &c;
    }
    return mejor ? std::optional<Conversacion>(*mejor) : std::nullopt;
}

QString saludo(const QString& nombre, bool nuevo, const std::optional<QString>& enCurso,
               const std::optional<QString>& anterior)
{
    if (enCurso)
        return QStringLiteral("Hola, ") + nombre + QStringLiteral(". Estamos con ") + *enCurso + QLatin1Char('.');
    if (nuevo)
        return QStringLiteral("Mucho gusto, ") + nombre + QStringLiteral(". ¿Qué construimos hoy?");
    if (!anterior)
        return QStringLiteral("¡Hola de nuevo, ") + nombre + QStringLiteral("! ¿Qué construimos hoy?");
    return QStringLiteral("¡Hola de nuevo, ") + nombre + QStringLiteral("! La última vez trabajamos en: ") + *anterior
           + QStringLiteral(". ¿Seguimos con eso o empezamos algo nuevo?");
}

}
