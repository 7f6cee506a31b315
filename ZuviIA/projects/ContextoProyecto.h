#pragma once

#include "core/Modelos.h"

#include <QList>
#include <QString>

#include <optional>

class Almacen;
class Perfiles;

// The paragraph that tells the agent which project it works on, where its
// folder is and who is in the room. Changes nothing.
namespace ContextoProyecto {

// `carpeta` is the conversation's working folder; each present person's
// memory folder is Perfil::carpeta().
QString texto(const std::optional<Conversacion>& actual, const QString& carpeta, const QList<Perfil>& presentes,
              const std::optional<Perfil>& activo);

// The same over the live stores.
QString texto(const Almacen& almacen, const Perfiles& perfiles);

}
