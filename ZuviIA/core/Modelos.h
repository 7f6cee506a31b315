#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class Ajustes;

// The agent tool of a turn.
enum class AgenteCLI { claude, codex };

// How much the agent may do without asking.
enum class NivelPermiso { responder, editar, total };

// The Claude model of a long-lived session.
enum class ModeloClaude { rapido, calidad, ligero };

QString valorCrudo(AgenteCLI agente);
QString valorCrudo(NivelPermiso nivel);
QString valorCrudo(ModeloClaude modelo);

// Exact raw-value matches; anything else gives no value.
std::optional<AgenteCLI> agenteDesde(const QString& crudo);
std::optional<NivelPermiso> nivelDesde(const QString& crudo);
std::optional<ModeloClaude> modeloDesde(const QString& crudo);

QList<AgenteCLI> todosLosAgentes();
QList<NivelPermiso> todosLosNiveles();
QList<ModeloClaude> todosLosModelos();

// The "modeloClaude" setting, read anew on every call: anything but the
// three raw values reads as rapido.
namespace ModeloClaudeActual {
ModeloClaude leer(const Ajustes& ajustes);
ModeloClaude leer();
void escribir(ModeloClaude modelo, Ajustes& ajustes);
void escribir(ModeloClaude modelo);
}

// One message of a conversation.
struct Mensaje {
    // The raw value is what the store file holds.
    enum class Rol { usuario, agente, error, acta };

    QUuid id;
    Rol rol = Rol::usuario;
    QString texto;
    QDateTime fecha;
    std::optional<AgenteCLI> agente;
    std::optional<QString> autor;
    // Keys a newer version wrote, kept to be written back as they were.
    QJsonObject otras{};

    // A new message with a fresh random id, made now unless `fecha` is given.
    static Mensaje nuevo(Rol rol, QString texto, std::optional<AgenteCLI> agente = std::nullopt,
                         std::optional<QString> autor = std::nullopt, QDateTime fecha = {});

    bool operator==(const Mensaje&) const = default;
};

QString valorCrudo(Mensaje::Rol rol);
std::optional<Mensaje::Rol> rolDesde(const QString& crudo);

// One conversation with the agent, or one meeting.
struct Conversacion {
    QUuid id;
    QString titulo;
    QList<Mensaje> mensajes;
    QDateTime creada;
    QDateTime actualizada;
    std::optional<QString> sesionClaude;
    std::optional<QUuid> perfilID;
    std::optional<QString> carpeta;
    std::optional<bool> esReunion;
    std::optional<QStringList> asistentes;
    // Keys a newer version wrote, kept to be written back as they were.
    QJsonObject otras{};

    bool operator==(const Conversacion&) const = default;
};

// One known person.
struct Perfil {
    QUuid id;
    QString nombre;
    QDateTime creado;
    QDateTime ultimaVisita;
    qint64 visitas = 1;
    // Keys a newer version wrote, kept to be written back as they were.
    QJsonObject otras{};

    // The person's memory folder, where it is or will be; creates nothing
    // but the projects root.
    QString carpeta() const;

    bool operator==(const Perfil&) const = default;
};

size_t qHash(const Mensaje& mensaje, size_t semilla = 0);
size_t qHash(const Conversacion& conversacion, size_t semilla = 0);
size_t qHash(const Perfil& perfil, size_t semilla = 0);
