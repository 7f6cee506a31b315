// A tray host for tests: owns org.kde.StatusNotifierWatcher on the session
// bus, says a host is registered, and prints "registrado <item>" for every
// StatusNotifierItem that registers with it. Prints "listo" once it owns
// the name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

#include <cstdio>

class Vigilante : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ anfitrion)
    Q_PROPERTY(int ProtocolVersion READ version)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ elementos)

public:
    bool anfitrion() const { return true; }
    int version() const { return 0; }
    QStringList elementos() const { return elementos_; }

public slots:
    void RegisterStatusNotifierItem(const QString& servicio, const QDBusMessage& mensaje)
    {
        const QString elemento = servicio.startsWith(QLatin1Char('/')) ? mensaje.service() + servicio : servicio;
        elementos_ << elemento;
        std::printf("registrado %s\n", qPrintable(elemento));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(elemento);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& elemento);
    void StatusNotifierItemUnregistered(const QString& elemento);
    void StatusNotifierHostRegistered();

private:
    QStringList elementos_;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Vigilante vigilante;
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &vigilante,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "no se pudo tomar org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    std::printf("listo\n");
    std::fflush(stdout);
    return app.exec();
}

#include "bandeja_falsa.moc"
