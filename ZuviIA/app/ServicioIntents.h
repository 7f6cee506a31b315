#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

#include <optional>

class Intents;

// The intents on the session bus: service "cl.norp.ZuviIA", object
// "/cl/norp/ZuviIA", interface "cl.norp.ZuviIA.Intents", one method each.
class ServicioIntents : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "cl.norp.ZuviIA.Intents")

public:
    static constexpr const char* servicio = "cl.norp.ZuviIA";
    static constexpr const char* ruta = "/cl/norp/ZuviIA";
    static constexpr const char* interfaz = "cl.norp.ZuviIA.Intents";

    explicit ServicioIntents(Intents& intents, QObject* parent = nullptr);
    ~ServicioIntents() override;

    // Exports the object and takes the name; false (logged) when the bus
    // is missing or another process holds the name.
    bool registrar(QDBusConnection bus, const QString& nombre = QString::fromLatin1(servicio));

public slots:
    Q_SCRIPTABLE void AbrirZuviIA();
    Q_SCRIPTABLE void ModoProyectos();
    Q_SCRIPTABLE void DictarInstruccion();
    Q_SCRIPTABLE void NuevoProyecto();
    // An unknown agent is refused with org.freedesktop.DBus.Error.InvalidArgs.
    Q_SCRIPTABLE void EnviarInstruccion(const QString& instruccion, const QString& agente);

private:
    Intents& intents_;
    std::optional<QDBusConnection> bus_;
    QString nombre_;
};
