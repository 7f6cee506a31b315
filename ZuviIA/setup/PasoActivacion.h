#pragma once

#include "setup/EstadoPaso.h"

#include <QWidget>

class EscuchaZuvi;
class InsigniaEstado;
class Permisos;
class QCheckBox;
class QLabel;
class QPushButton;

// The activation step: the wake phrase "Oye Zuvi", opening at login and
// the optional "Modo proyectos" launcher.
class PasoActivacion : public QWidget {
    Q_OBJECT

public:
    PasoActivacion(EscuchaZuvi& oye, Permisos& permisos, QWidget* parent = nullptr);

    struct EstadoOye {
        QString texto;
        QString simbolo;
        bool verde = false;
        bool operator==(const EstadoOye&) const = default;
    };
    static EstadoOye estadoOye(bool escuchando, bool reconocimiento, bool microfono);

    QCheckBox* oyeZuvi() const { return oyeZuvi_; }
    QLabel* estadoEscucha() const { return estadoEscucha_; }
    QCheckBox* alEncender() const { return alEncender_; }
    QLabel* error() const { return error_; }
    InsigniaEstado* atajo() const { return insigniaAtajo_; }
    QPushButton* anadirAtajo() const { return anadir_; }

private:
    void mostrarOye();
    void cambiarInicio(bool on);
    void comprobarAtajo();
    void crearAtajo();
    void setAtajo(const EstadoPaso& e);

    EscuchaZuvi& oye_;
    Permisos& permisos_;
    QCheckBox* oyeZuvi_ = nullptr;
    QLabel* estadoEscucha_ = nullptr;
    QWidget* filaEscucha_ = nullptr;
    QCheckBox* alEncender_ = nullptr;
    QLabel* error_ = nullptr;
    InsigniaEstado* insigniaAtajo_ = nullptr;
    QPushButton* anadir_ = nullptr;
    EstadoPaso atajo_ = EstadoPaso::comprobando();
};
