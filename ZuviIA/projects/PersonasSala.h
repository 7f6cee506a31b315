#pragma once

#include "core/Modelos.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// Who the room greets and how: a person's earlier conversations and the
// reply to a name. Changes nothing.
namespace PersonasSala {

// The person's latest earlier conversation: not the selected one, with
// messages, naming them among its attendees or as its owner. The greatest
// `actualizada` wins; among equals the first in store order.
std::optional<Conversacion> ultimaDe(const QList<Conversacion>& conversaciones,
                                     const std::optional<QUuid>& seleccion, const Perfil& perfil);

// The reply to a name just taken: `enCurso` is the title of the
// conversation under way, `anterior` the one offered to continue.
QString saludo(const QString& nombre, bool nuevo, const std::optional<QString>& enCurso,
               const std::optional<QString>& anterior);

}
