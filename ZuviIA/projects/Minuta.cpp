#include "projects/Minuta.h"

#include "core/Texto.h"

namespace Minuta {

QString titulo(const QDateTime& ahora)
{
    return QStringLiteral("Reunión ") + ahora.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH.mm"));
}

QString enumerar(const QStringList& nombres)
{
    if (nombres.size() <= 1)
        return nombres.value(0);
    return nombres.mid(0, nombres.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") + nombres.last();
}

QString cierrePresentaciones(const QStringList& nombres)
{
    if (nombres.isEmpty())
        return QStringLiteral("Listo. ¿Qué vamos a trabajar?");
    return QStringLiteral("Gracias. Hoy estamos ") + enumerar(nombres)
           + QStringLiteral(". Voy tomando nota de la reunión. Cuando me necesiten, díganme «Zuvi»; al final, "
                            "pídanme la minuta.");
}

QStringList conAsistente(QStringList asistentes, const QString& nombre)
{
    if (!asistentes.contains(nombre))
        asistentes << nombre;
    return asistentes;
}

QStringList asistentes(const Conversacion& conversacion)
{
    if (conversacion.asistentes)
        return *conversacion.asistentes;
    QStringList autores;
    for (const Mensaje& m : conversacion.mensajes) {
        if (m.autor)
            autores = conAsistente(autores, *m.autor);
    }
    return autores;
}

QString transcripcion(const QList<Mensaje>& mensajes)
{
    QStringList lineas;
    lineas.reserve(mensajes.size());
    for (const Mensaje& m : mensajes) {
        const bool agente = m.rol == Mensaje::Rol::agente;
        const QString quien = agente ? QStringLiteral("Zuvi") : m.autor.value_or(QStringLiteral("Participante"));
        const QString sufijo = m.rol == Mensaje::Rol::usuario ? QStringLiteral(" (a Zuvi)") : QString();
        lineas << QLatin1Char('[') + m.fecha.toLocalTime().toString(QStringLiteral("HH:mm")) + QStringLiteral("] ")
                      + quien + sufijo + QStringLiteral(": ") + Texto::primeros(m.texto, agente ? 400 : 2000);
    }
    return lineas.join(QLatin1Char('\n'));
}

QString instruccion(const Conversacion& c)
{
    return QStringLiteral("Haz la minuta de esta reunión y guárdala como documento Word en la carpeta de trabajo "
                          "con el nombre «Minuta ")
           + c.creada.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"))
           + QStringLiteral(".docx» (usa la skill zuvi-ia-office) y ábrela. Estructura: título, fecha y hora, "
                            "asistentes (")
           + asistentes(c).join(QStringLiteral(", "))
           + QStringLiteral("), objetivo, temas tratados (quién propuso qué), decisiones, tareas (qué, responsable, "
                            "plazo si se dijo) y próximos pasos. Escribe en español claro y formal, sin inventar nada "
                            "que no esté en la transcripción. Al terminar, responde en una frase dónde quedó.\n\n"
                            "Transcripción de la reunión:\n")
           + transcripcion(c.mensajes);
}

}
