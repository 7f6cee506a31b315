#include "app/BandejaZuvi.h"

#include "vistas/Iconos.h"
#include "app/MenuZuvi.h"
#include "audio/EscuchaZuvi.h"
#include "core/Registro.h"
#include "projects/ModoProyectos.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSystemTrayIcon>

namespace {

const QString vigilante = QString::fromLatin1(BandejaZuvi::servicioVigilante);
const QString rutaVigilante = QStringLiteral("/StatusNotifierWatcher");

}

BandejaZuvi::BandejaZuvi(ModoProyectos& modo, QObject* parent)
    : QObject(parent), modo_(modo), menu_(std::make_unique<MenuZuvi>(modo))
{
    connect(menu_.get(), &MenuZuvi::estadoCambiado, this, &BandejaZuvi::actualizarIcono);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Registro::anotar(QStringLiteral("Bandeja: sin bus de sesión, no hay icono en la bandeja"));
        return;
    }
    vigia_ = new QDBusServiceWatcher(vigilante, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(vigia_, &QDBusServiceWatcher::serviceRegistered, this, &BandejaZuvi::preguntarAnfitrion);
    // A watcher may be there before any host registers with it.
    bus.connect(vigilante, rutaVigilante, vigilante, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(preguntarAnfitrion()));
    preguntarAnfitrion();
}

void BandejaZuvi::seguir(EscuchaZuvi& escucha)
{
    const auto copiar = [this, &escucha] { menu_->setEsperandoOyeZuvi(escucha.escuchando()); };
    connect(&escucha, &EscuchaZuvi::escuchandoCambiado, menu_.get(), copiar);
    copiar();
}

BandejaZuvi::~BandejaZuvi()
{
    delete icono_;
}

// Asked without waiting: the answer comes back through the event loop.
void BandejaZuvi::preguntarAnfitrion()
{
    if (icono_)
        return;
    auto mensaje = QDBusMessage::createMethodCall(vigilante, rutaVigilante,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    mensaje << vigilante << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* espera = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(mensaje, 5000), this);
    connect(espera, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* e) {
        e->deleteLater();
        const QDBusPendingReply<QDBusVariant> respuesta = *e;
        if (!respuesta.isError() && respuesta.value().variant().toBool())
            crear();
    });
}

void BandejaZuvi::crear()
{
    if (icono_)
        return;
    icono_ = new QSystemTrayIcon(this);
    icono_->setObjectName(QStringLiteral("iconoBandeja"));
    icono_->setToolTip(QStringLiteral("Zuvi IA"));
    icono_->setContextMenu(menu_.get());
    actualizarIcono();
    icono_->show();
    Registro::anotar(QStringLiteral("Bandeja: icono en la bandeja del sistema"));
    emit disponibleCambiado();
}

void BandejaZuvi::actualizarIcono()
{
    if (!icono_)
        return;
    icono_->setIcon(Iconos::icono(MenuZuvi::simbolo(modo_.activo(), menu_->esperandoOyeZuvi())));
}
