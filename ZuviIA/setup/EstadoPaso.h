#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// The status of one install item, as the setup assistant shows it.
struct EstadoPaso {
    enum class Tipo { listo, error, comprobando, falta, trabajando };

    Tipo tipo = Tipo::comprobando;
    // listo: an optional detail (a version, a count); error: the message;
    // falta: an optional word on what serves meanwhile.
    std::optional<QString> texto;

    static EstadoPaso listo(std::optional<QString> detalle = std::nullopt) { return {Tipo::listo, std::move(detalle)}; }
    static EstadoPaso error(const QString& mensaje) { return {Tipo::error, mensaje}; }
    static EstadoPaso comprobando() { return {Tipo::comprobando, std::nullopt}; }
    static EstadoPaso falta() { return {Tipo::falta, std::nullopt}; }
    static EstadoPaso trabajando() { return {Tipo::trabajando, std::nullopt}; }

    bool es(Tipo t) const { return tipo == t; }
    bool operator==(const EstadoPaso&) const = default;

    // What a re-check leaves: a running job keeps `trabajando`, and a
    // failure stays shown while the check only finds the item missing.
    static EstadoPaso refrescado(const EstadoPaso& actual, const EstadoPaso& comprobado);
};

// The installable agent tools, in their order.
enum class Agente { claudeCode, codex, claudeApp };
// The connections, in their order.
enum class Conexion { mac, office, blender, impresora };

namespace Agentes {
const QList<Agente>& todos();
QString valorCrudo(Agente a);           // "claudeCode", ...
QString herramienta(Agente a);          // the catalogue id, "claude-code", ...
QString nombre(Agente a);               // the name in log lines
}

namespace Conexiones {
const QList<Conexion>& todas();
QString valorCrudo(Conexion c);         // "mac", ...
// The desktop entry files that stand for the connection's applications.
QStringList apps(Conexion c);
}

// Debug and test output: "listo(1.0)", "error(...)", "falta"...
QString describir(const EstadoPaso& e);

using EstadosAgentes = QMap<Agente, EstadoPaso>;
using EstadosConexiones = QMap<Conexion, EstadoPaso>;
using AppsConexiones = QMap<Conexion, QStringList>;
using AgentesElegidos = QList<Agente>;

Q_DECLARE_METATYPE(EstadoPaso)
