#pragma once

#include "app/Entorno.h"

#include <QMainWindow>

class QStackedWidget;
class VistaPrincipal;

// One main window: the setup assistant until setup is complete, then the
// main view; its menus and toolbar.
class VentanaPrincipal : public QMainWindow {
    Q_OBJECT

public:
    VentanaPrincipal(const Entorno& entorno, QWidget* parent = nullptr);

    VistaPrincipal* vista() const { return vista_; }

private:
    Entorno entorno_;
    QStackedWidget* pila_ = nullptr;
    VistaPrincipal* vista_ = nullptr;
};
