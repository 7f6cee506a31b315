#include "setup/PasoConfig.h"

namespace Pasos {

const QList<PasoConfig>& todos()
{
    static const QList<PasoConfig> lista{PasoConfig::bienvenida, PasoConfig::agentes,    PasoConfig::skills,
                                         PasoConfig::conexiones, PasoConfig::voz,        PasoConfig::activacion,
                                         PasoConfig::cuentas,    PasoConfig::listo};
    return lista;
}

std::optional<PasoConfig> desde(int valor)
{
    if (valor < 0 || valor >= todos().size())
        return std::nullopt;
    return todos().at(valor);
}

QString titulo(PasoConfig p)
{
    switch (p) {
    case PasoConfig::bienvenida: return QStringLiteral("Bienvenida");
    case PasoConfig::agentes: return QStringLiteral("Agentes");
    case PasoConfig::skills: return QStringLiteral("Skills");
    case PasoConfig::conexiones: return QStringLiteral("Conexiones");
    case PasoConfig::voz: return QStringLiteral("Voz");
    case PasoConfig::activacion: return QStringLiteral("Activación");
    case PasoConfig::cuentas: return QStringLiteral("Cuentas");
    case PasoConfig::listo: return QStringLiteral("Listo");
    }
    return {};
}

}
