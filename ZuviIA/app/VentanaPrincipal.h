#pragma once

#include "vistas/Entorno.h"

#include <QMainWindow>

class ModoProyectosView;
class OnboardingView;
class QAction;
class QStackedWidget;
class QToolBar;
class VistaPrincipal;

// One main window: the setup assistant until setup is complete, then the
// main view; its menus and toolbar. Every window has its own commands.
class VentanaPrincipal : public QMainWindow {
    Q_OBJECT

public:
    VentanaPrincipal(const Entorno& entorno, QWidget* parent = nullptr);

    VistaPrincipal* vista() const { return vista_; }
    // The setup assistant while it is shown, else none.
    OnboardingView* configuracion() const { return configuracion_; }
    QToolBar* barraHerramientas() const { return barraHerramientas_; }
    // "Nuevo proyecto": one action for the menu and the toolbar, so one
    // Ctrl+N makes one conversation.
    QAction* nuevoProyecto() const { return nuevoProyecto_; }
    // "Ajustes…" (Ctrl+,), also pressed by the toolbar's "Configuración".
    QAction* ajustes() const { return ajustes_; }
    bool mostrandoConfiguracion() const;
    // The full-screen room, made the first time it is shown.
    ModoProyectosView* sala() const { return sala_; }

signals:
    // "Buscar actualizaciones…": a visible check, run by the updater.
    void buscarActualizacionesPedido();
    // "Ajustes…": the settings window, opened by the application.
    void ajustesPedido();

protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void construirMenus();
    void seguirConfiguracion();
    void seguirSala();
    bool configuracionCompleta() const;

    Entorno entorno_;
    QStackedWidget* pila_ = nullptr;
    OnboardingView* configuracion_ = nullptr;
    VistaPrincipal* vista_ = nullptr;
    QToolBar* barraHerramientas_ = nullptr;
    QAction* nuevoProyecto_ = nullptr;
    QAction* ajustes_ = nullptr;
    ModoProyectosView* sala_ = nullptr;
};
