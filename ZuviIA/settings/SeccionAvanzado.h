#pragma once

#include "settings/FilaPermiso.h"
#include "settings/FormularioAjustes.h"

#include <functional>

class Ajustes;
class Permisos;

// "Permisos y avanzado": whether the room has what it needs from the
// system, read again each time the application becomes active, and the
// maintenance actions (the setup assistant again, the diagnostic log).
class SeccionAvanzado : public FormularioAjustes {
    Q_OBJECT

public:
    struct Lectura {
        bool microfono = false;
        bool reconocimiento = false;
        bool accesibilidad = false;
        bool pantalla = false;
    };

    // `mostrarPrincipal` brings a main window forward (one is opened when
    // only the settings are); `abrirPanel` defaults to the installer's
    // settings opener.
    SeccionAvanzado(Ajustes& ajustes, Permisos& permisos, std::function<void()> mostrarPrincipal,
                    FilaPermiso::AbrirPanel abrirPanel = {}, QWidget* parent = nullptr);

    // The four rows, in order, for what the system said.
    static QList<FilaPermiso::Datos> filas(const Lectura& lectura);

    // Reads the permissions again, off the GUI thread (speech may load a model).
    void refrescar();
    // Reads finished so far, stale ones included.
    int lecturas() const { return lecturas_; }

signals:
    void leidos();

private:
    void mostrar(const Lectura& lectura);

    Ajustes& ajustes_;
    Permisos& permisos_;
    std::function<void()> mostrarPrincipal_;
    FilaPermiso::AbrirPanel abrirPanel_;
    Grupo permisosGrupo_;
    int numero_ = 0;
    int lecturas_ = 0;
};
