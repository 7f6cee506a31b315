#include "app/AgrupacionConversaciones.h"

#include <QTimeZone>

#include <algorithm>
#include <array>

namespace AgrupacionConversaciones {

QString titulo(Seccion seccion)
{
    switch (seccion) {
    case hoy:
        return QStringLiteral("Hoy");
    case ayer:
        return QStringLiteral("Ayer");
    case ultimos7:
        return QStringLiteral("Últimos 7 días");
    case anteriores:
        break;
    }
    return QStringLiteral("Anteriores");
}

Seccion seccion(const QDateTime& actualizada, const QDateTime& ahora)
{
    if (!actualizada.isValid() || !ahora.isValid())
        return anteriores;
    const QDateTime local = actualizada.toTimeZone(ahora.timeZone());
    const QDate dia = local.date();
    const QDate hoyDia = ahora.date();
    if (dia == hoyDia || local > ahora)
        return hoy;
    if (dia == hoyDia.addDays(-1))
        return ayer;
    // Whole calendar days: adding them keeps the wall-clock time, so a
    // daylight-saving change does not count as an hour of a day.
    qint64 dias = dia.daysTo(hoyDia);
    if (local.addDays(dias) > ahora)
        --dias;
    return dias <= 6 ? ultimos7 : anteriores;
}

bool listada(const Conversacion& conversacion, const std::optional<QUuid>& seleccion)
{
    return !conversacion.mensajes.isEmpty() || (seleccion && *seleccion == conversacion.id);
}

QList<Grupo> agrupar(const QList<Conversacion>& conversaciones, const std::optional<QUuid>& seleccion,
                     const QDateTime& ahora)
{
    std::array<QList<qsizetype>, 4> porSeccion;
    for (qsizetype i = 0; i < conversaciones.size(); ++i) {
        const Conversacion& c = conversaciones[i];
        if (listada(c, seleccion))
            porSeccion[seccion(c.actualizada, ahora)] << i;
    }
    QList<Grupo> grupos;
    for (int s = hoy; s <= anteriores; ++s) {
        auto& filas = porSeccion[s];
        if (filas.isEmpty())
            continue;
        std::stable_sort(filas.begin(), filas.end(), [&](qsizetype a, qsizetype b) {
            return conversaciones[a].actualizada > conversaciones[b].actualizada;
        });
        grupos << Grupo{static_cast<Seccion>(s), filas};
    }
    return grupos;
}

QString subtitulo(const Conversacion& conversacion, qsizetype largo)
{
    if (conversacion.asistentes && !conversacion.asistentes->isEmpty())
        return conversacion.asistentes->join(QStringLiteral(", "));
    for (auto m = conversacion.mensajes.crbegin(); m != conversacion.mensajes.crend(); ++m)
        if (m->rol == Mensaje::Rol::agente)
            return m->texto.left(largo < 0 ? m->texto.size() : largo).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return {};
}

bool tieneSubtitulo(const Conversacion& conversacion)
{
    if (conversacion.asistentes && !conversacion.asistentes->isEmpty())
        return true;
    for (auto m = conversacion.mensajes.crbegin(); m != conversacion.mensajes.crend(); ++m)
        if (m->rol == Mensaje::Rol::agente)
            return !m->texto.isEmpty();
    return false;
}

QString simbolo(const Conversacion& conversacion)
{
    return conversacion.esReunion.value_or(false) ? QStringLiteral("person.3.fill") : QStringLiteral("folder");
}

}
