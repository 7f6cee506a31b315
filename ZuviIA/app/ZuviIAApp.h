#pragma once

#include "app/InstanciaUnica.h"
#include "vistas/Entorno.h"
#include "app/Intents.h"
#include "app/TareasInicio.h"
#include "settings/EntornoAjustes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

#include <memory>
#include <optional>

class AjustesView;
class BandejaZuvi;
class InstanciaUnica;
class QApplication;
class ServicioIntents;
class VentanaPrincipal;

// The application: its main windows, the tray, the single instance and
// the "zuviia" links, and what quitting must not leave behind.
class ZuviIAApp : public QObject {
    Q_OBJECT

public:
    struct Opciones {
        QString socket;
        TareasInicio::Servicios servicios;
        // The updater: its schedule, once per process, and a visible check.
        std::function<void()> programarActualizaciones;
        std::function<void()> buscarActualizaciones;
        // What the settings window is built over, asked for when it first
        // opens; without it "Ajustes…" opens nothing.
        std::function<EntornoAjustes()> ajustes;
        // The bus name the intents are offered under; empty: not offered.
        QString servicioIntents;
        // The wake-phrase listener, when always-on listening is off.
        std::function<void()> iniciarEscucha;
    };

    // The process's application. When another instance already runs, the
    // link of this start is handed to it and ejecutar() returns 0 at once.
    ZuviIAApp(int& argc, char** argv);
    // Over objects of a test's own, on the QApplication that exists.
    ZuviIAApp(const Entorno& entorno, Opciones opciones);
    ~ZuviIAApp() override;

    // Runs until the application quits; the process's exit status.
    int ejecutar();

    // Listens for later starts and watches for a tray; false when another
    // instance holds the socket.
    bool arrancar();
    // Every link brings a main window forward; "modo-proyectos" also asks
    // for the full-screen room.
    void abrirEnlace(const QUrl& enlace);
    // The first main window, restored and raised, or a new one when none
    // is open.
    VentanaPrincipal* mostrarVentana();
    QList<VentanaPrincipal*> ventanas() const;
    // The one settings window, raised, or a new one opened with no
    // section chosen.
    AjustesView* mostrarAjustes();
    BandejaZuvi* bandeja() const { return bandeja_; }
    InstanciaUnica* instancia() const { return instancia_; }
    Intents* intents() const { return intents_; }

    // Run once when the application quits: the store is saved and no agent
    // goes on working unseen.
    void alSalir();
    // Wires the process's wake-phrase listener to the room, the links and
    // the tray; after arrancar().
    void escucharFrase();

private:
    void prepararAplicacion();
    InstanciaUnica::Entrega entregarPrimero() const;
    void alCerrarVentana();
    void escucharAlAbrir(VentanaPrincipal* ventana);
    void recibirIntento(const QByteArray& linea);
    void ejecutarAlCargar(const Intents::Pedido& pedido);

    std::unique_ptr<QApplication> qapp_;
    std::optional<Entorno> entorno_;
    Opciones opciones_;
    QUrl primerEnlace_;
    std::optional<Intents::Pedido> primerPedido_;
    // Nothing more to run: the link went to the running instance, or the
    // start only registered the desktop entry.
    bool entregado_ = false;
    int estadoSalida_ = 0;
    bool saliendo_ = false;
    InstanciaUnica* instancia_ = nullptr;
    BandejaZuvi* bandeja_ = nullptr;
    Intents* intents_ = nullptr;
    ServicioIntents* servicio_ = nullptr;
    QList<QPointer<VentanaPrincipal>> ventanas_;
    QPointer<AjustesView> ajustes_;
};
