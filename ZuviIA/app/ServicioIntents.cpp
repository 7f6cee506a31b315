#include "app/ServicioIntents.h"

#include "app/Intents.h"
#include "core/Registro.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

ServicioIntents::ServicioIntents(Intents& intents, QObject* parent) : QObject(parent), intents_(intents) {}

ServicioIntents::~ServicioIntents()
{
    if (!bus_)
        return;
    bus_->unregisterObject(QString::fromLatin1(ruta));
    if (!nombre_.isEmpty())
        bus_->unregisterService(nombre_);
}

bool ServicioIntents::registrar(QDBusConnection bus, const QString& nombre)
{
    if (!bus.isConnected()) {
        Registro::anotar(QStringLiteral("Intentos: no hay bus de sesión"));
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(ruta), this, QDBusConnection::ExportScriptableSlots)) {
        Registro::anotar(QStringLiteral("Intentos: no se pudo publicar %1").arg(QString::fromLatin1(ruta)));
        return false;
    }
    bus_ = bus;
    if (!bus.registerService(nombre)) {
        Registro::anotar(QStringLiteral("Intentos: el nombre %1 ya está tomado: %2").arg(nombre, bus.lastError().message()));
        return false;
    }
    nombre_ = nombre;
    return true;
}

void ServicioIntents::AbrirZuviIA()
{
    intents_.abrirZuviIA();
}

void ServicioIntents::ModoProyectos()
{
    intents_.modoProyectos();
}

void ServicioIntents::DictarInstruccion()
{
    intents_.dictar();
}

void ServicioIntents::NuevoProyecto()
{
    intents_.nuevoProyecto();
}

void ServicioIntents::EnviarInstruccion(const QString& instruccion, const QString& agente)
{
    if (const auto error = intents_.enviarInstruccion(instruccion, agente); error && calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, *error);
}
