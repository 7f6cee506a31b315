#include "core/Modelos.h"

#include "core/CarpetasMemoria.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"

#include <QHashFunctions>

#include <array>
#include <utility>

namespace {

template <typename T, std::size_t N>
QString crudoDe(const std::array<std::pair<T, const char*>, N>& tabla, T valor)
{
    for (const auto& [caso, crudo] : tabla)
        if (caso == valor)
            return QString::fromLatin1(crudo);
    return {};
}

template <typename T, std::size_t N>
std::optional<T> casoDe(const std::array<std::pair<T, const char*>, N>& tabla, const QString& crudo)
{
    for (const auto& [caso, texto] : tabla)
        if (crudo == QLatin1String(texto))
            return caso;
    return std::nullopt;
}

template <typename T, std::size_t N>
QList<T> casos(const std::array<std::pair<T, const char*>, N>& tabla)
{
    QList<T> lista;
    for (const auto& par : tabla)
        lista << par.first;
    return lista;
}

constexpr std::array<std::pair<AgenteCLI, const char*>, 2> agentes{{
    {AgenteCLI::claude, "claude"},
    {AgenteCLI::codex, "codex"},
}};

constexpr std::array<std::pair<NivelPermiso, const char*>, 3> niveles{{
    {NivelPermiso::responder, "responder"},
    {NivelPermiso::editar, "editar"},
    {NivelPermiso::total, "total"},
}};

constexpr std::array<std::pair<ModeloClaude, const char*>, 3> modelos{{
    {ModeloClaude::rapido, "sonnet"},
    {ModeloClaude::calidad, "opus"},
    {ModeloClaude::ligero, "haiku"},
}};

constexpr std::array<std::pair<Mensaje::Rol, const char*>, 4> roles{{
    {Mensaje::Rol::usuario, "usuario"},
    {Mensaje::Rol::agente, "agente"},
    {Mensaje::Rol::error, "error"},
    {Mensaje::Rol::acta, "acta"},
}};

// An unset optional hashes apart from every set value.
template <typename T>
size_t hashOpcional(const std::optional<T>& valor, size_t semilla)
{
    return valor ? qHashMulti(semilla, true, *valor) : qHash(false, semilla);
}

const QString claveModelo = QStringLiteral("modeloClaude");

}

QString valorCrudo(AgenteCLI agente) { return crudoDe(agentes, agente); }
QString valorCrudo(NivelPermiso nivel) { return crudoDe(niveles, nivel); }
QString valorCrudo(ModeloClaude modelo) { return crudoDe(modelos, modelo); }

std::optional<AgenteCLI> agenteDesde(const QString& crudo) { return casoDe(agentes, crudo); }
std::optional<NivelPermiso> nivelDesde(const QString& crudo) { return casoDe(niveles, crudo); }
std::optional<ModeloClaude> modeloDesde(const QString& crudo) { return casoDe(modelos, crudo); }

QList<AgenteCLI> todosLosAgentes() { return casos(agentes); }
QList<NivelPermiso> todosLosNiveles() { return casos(niveles); }
QList<ModeloClaude> todosLosModelos() { return casos(modelos); }

namespace ModeloClaudeActual {

ModeloClaude leer(const Ajustes& ajustes)
{
    return modeloDesde(ajustes.texto(claveModelo)).value_or(ModeloClaude::rapido);
}

ModeloClaude leer() { return leer(Ajustes::shared()); }

void escribir(ModeloClaude modelo, Ajustes& ajustes) { ajustes.escribir(claveModelo, valorCrudo(modelo)); }

void escribir(ModeloClaude modelo) { escribir(modelo, Ajustes::shared()); }

}

QString valorCrudo(Mensaje::Rol rol) { return crudoDe(roles, rol); }
std::optional<Mensaje::Rol> rolDesde(const QString& crudo) { return casoDe(roles, crudo); }

Mensaje Mensaje::nuevo(Rol rol, QString texto, std::optional<AgenteCLI> agente, std::optional<QString> autor,
                       QDateTime fecha)
{
    return Mensaje{QUuid::createUuid(), rol, std::move(texto),
                   fecha.isValid() ? std::move(fecha) : Reloj::sistema().ahora(), agente, std::move(autor)};
}

QString Perfil::carpeta() const { return CarpetasMemoria::dePersona(*this); }

size_t qHash(const Mensaje& m, size_t semilla)
{
    semilla = qHashMulti(semilla, m.id, static_cast<int>(m.rol), m.texto, m.fecha,
                         m.agente ? static_cast<int>(*m.agente) : -1);
    return hashOpcional(m.autor, semilla);
}

size_t qHash(const Conversacion& c, size_t semilla)
{
    semilla = qHashMulti(semilla, c.id, c.titulo, c.creada, c.actualizada);
    semilla = qHashRange(c.mensajes.begin(), c.mensajes.end(), semilla);
    semilla = hashOpcional(c.sesionClaude, semilla);
    semilla = hashOpcional(c.perfilID, semilla);
    semilla = hashOpcional(c.carpeta, semilla);
    semilla = hashOpcional(c.esReunion, semilla);
    return hashOpcional(c.asistentes, semilla);
}

size_t qHash(const Perfil& p, size_t semilla)
{
    return qHashMulti(semilla, p.id, p.nombre, p.creado, p.ultimaVisita, p.visitas);
}
