#pragma once

#include <QObject>

#include <memory>

class EscuchaZuvi;
class MenuZuvi;
class ModoProyectos;
class QDBusServiceWatcher;
class QSystemTrayIcon;

// The tray icon with MenuZuvi. Qt decides once, on the first tray icon,
// whether the desktop has a StatusNotifierItem host, and keeps that
// answer: so the icon is only made once a host is on the session bus, and
// the bus is watched for one that comes later.
class BandejaZuvi : public QObject {
    Q_OBJECT

public:
    static constexpr const char* servicioVigilante = "org.kde.StatusNotifierWatcher";

    explicit BandejaZuvi(ModoProyectos& modo, QObject* parent = nullptr);
    ~BandejaZuvi() override;

    // A tray icon exists: closing the last window keeps the application.
    bool disponible() const { return icono_ != nullptr; }
    QSystemTrayIcon* icono() const { return icono_; }
    MenuZuvi* menu() const { return menu_.get(); }
    // The menu's status line and the symbol follow the listener from now on.
    void seguir(EscuchaZuvi& escucha);

signals:
    void disponibleCambiado();

private slots:
    void preguntarAnfitrion();

private:
    void crear();
    void actualizarIcono();

    ModoProyectos& modo_;
    std::unique_ptr<MenuZuvi> menu_;
    QDBusServiceWatcher* vigia_ = nullptr;
    QSystemTrayIcon* icono_ = nullptr;
};
