#pragma once

#include "core/Modelos.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The texts of a meeting: its title, the attendees, the closing of the
// introductions and the instruction that has the agent write the minutes.
namespace Minuta {

// "Reunión yyyy-MM-dd HH.mm" in local time.
QString titulo(const QDateTime& ahora);
// "Ana", "Ana y Luis", "Ana, Luis y Eva".
QString enumerar(const QStringList& nombres);
// What the room says when the introductions end.
QString cierrePresentaciones(const QStringList& nombres);
// The list with the name appended unless it holds exactly that name.
QStringList conAsistente(QStringList asistentes, const QString& nombre);
// The stored attendees, else the authors of the messages in order of
// first appearance.
QStringList asistentes(const Conversacion& conversacion);
// One "[HH:mm] who: text" line per message.
QString transcripcion(const QList<Mensaje>& mensajes);
// The whole instruction for the agent.
QString instruccion(const Conversacion& conversacion);

}
