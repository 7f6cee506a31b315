#pragma once

#include <QList>
#include <QString>

#include <optional>

// The steps of the setup assistant, in their navigation order.
enum class PasoConfig { bienvenida, agentes, skills, conexiones, voz, activacion, cuentas, listo };

namespace Pasos {

const QList<PasoConfig>& todos();
// The step with that number; none outside 0 to 7.
std::optional<PasoConfig> desde(int valor);
QString titulo(PasoConfig p);
inline int numero(PasoConfig p) { return int(p); }

}
