#pragma once

#include "core/Modelos.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// How the sidebar groups the conversations: by how recently each changed,
// in the time zone of `ahora`.
namespace AgrupacionConversaciones {

enum Seccion { hoy = 0, ayer = 1, ultimos7 = 2, anteriores = 3 };

struct Grupo {
    Seccion seccion;
    // Positions in the store's list, newest change first, ties in store order.
    QList<qsizetype> filas;

    bool operator==(const Grupo&) const = default;
};

QString titulo(Seccion seccion);

// The section of a conversation changed at `actualizada`. A date after
// `ahora` (the clock moved back) counts as today.
Seccion seccion(const QDateTime& actualizada, const QDateTime& ahora);

// Conversations with messages, and an empty one only while it is the
// selection; empty sections are left out.
QList<Grupo> agrupar(const QList<Conversacion>& conversaciones, const std::optional<QUuid>& seleccion,
                     const QDateTime& ahora);

// Whether the sidebar lists this conversation at all.
bool listada(const Conversacion& conversacion, const std::optional<QUuid>& seleccion);

// A row's caption: the participants, else the newest agent answer on one
// line, else nothing; at most `largo` characters of the answer when given
// (a caption line never shows more, and an answer may be long).
QString subtitulo(const Conversacion& conversacion, qsizetype largo = -1);

// Whether the row has a caption line, without building it.
bool tieneSubtitulo(const Conversacion& conversacion);

// The row's symbol: "person.3.fill" for a meeting, else "folder".
QString simbolo(const Conversacion& conversacion);

}
