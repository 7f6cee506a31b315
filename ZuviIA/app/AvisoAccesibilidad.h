#pragma once

#include "plataforma/Reloj.h"

#include <QWidget>

#include <functional>

class Ajustes;
class Permisos;
class TarjetaAviso;

// Shown while the desktop does not let the agent click and type in other
// applications; asks for it, opens the right settings and goes away by
// itself within about 2 s of the permission being granted. Checks only
// while it exists. A Wayland session grants it to no application: there
// the banner says so until the user dismisses it, once for good.
class AvisoAccesibilidad : public QWidget {
    Q_OBJECT

public:
    using AbrirPanel = std::function<void(const QString& panel)>;

    // Stored once the Wayland notice was dismissed.
    static constexpr const char* claveWaylandVisto = "avisoWaylandVisto";

    // `abrirPanel` defaults to the installer's settings opener.
    AvisoAccesibilidad(Permisos& permisos, Reloj& reloj, Ajustes& ajustes, bool wayland, AbrirPanel abrirPanel = {},
                       QWidget* parent = nullptr);

    static QString titulo(bool wayland);
    static QString detalle(bool pedido);
    static QString boton(bool pedido);
    static QString detalleWayland();

    bool falta() const { return falta_; }
    bool pedido() const { return pedido_; }
    TarjetaAviso* tarjeta() const { return tarjeta_; }

private:
    void pedir();
    void revisar();
    void seguir();

    void cerrarWayland();

    Permisos& permisos_;
    Reloj& reloj_;
    Ajustes& ajustes_;
    bool wayland_;
    AbrirPanel abrirPanel_;
    bool falta_;
    bool pedido_ = false;
    TarjetaAviso* tarjeta_ = nullptr;
    // Dropped with the banner, so the check stops with it.
    Temporizador revision_;
};
