#pragma once

#include "settings/EntornoAjustes.h"
#include "settings/FormularioAjustes.h"

class QCheckBox;
class QLabel;
class QPushButton;

// When the zuvi listens and what wakes it: always-on listening, "Oye
// Zuvi", group mode, opening at login and the "Modo proyectos" launcher.
// The switches show what was stored when the section was shown and act
// only on the user's hand.
class SeccionEscucha : public FormularioAjustes {
    Q_OBJECT

public:
    static constexpr const char* atajoListo = "Listo: búscalo como «Modo proyectos» entre tus aplicaciones.";

    SeccionEscucha(const EntornoAjustes& entorno, QWidget* parent = nullptr);

    // What the user reads when the login item could not be changed.
    static QString mensajeInicio(bool on);

    QCheckBox* siempre() const { return siempre_; }
    QCheckBox* oye() const { return oye_; }
    QCheckBox* grupo() const { return grupo_; }
    QCheckBox* alEncender() const { return alEncender_; }
    QLabel* errorInicio() const { return errorInicio_; }
    QLabel* atajo() const { return atajo_; }
    QPushButton* crearAtajo() const { return crearAtajo_; }

private:
    void cambiarSiempre(bool on);
    void cambiarInicio(bool on);
    void crear();

    EntornoAjustes entorno_;
    QCheckBox* siempre_ = nullptr;
    QCheckBox* oye_ = nullptr;
    QCheckBox* grupo_ = nullptr;
    QCheckBox* alEncender_ = nullptr;
    QLabel* errorInicio_ = nullptr;
    QLabel* atajo_ = nullptr;
    QPushButton* crearAtajo_ = nullptr;
};
