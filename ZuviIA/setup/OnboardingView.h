#pragma once

#include "vistas/Entorno.h"
#include "vistas/IndicadorActividad.h"
#include "setup/PasoConfig.h"
#include "setup/RegistroView.h"

#include <QPointer>
#include <QWidget>

class QPushButton;
class QScrollArea;
class QVBoxLayout;
class Stepper;

// The eight-step setup assistant: the step indicator, the step's content
// (built on entering, destroyed on leaving) and the bar that moves one
// step back or forward. Each time it is built it starts at the welcome
// step and checks everything again.
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    // What the bar offers on a step.
    struct Barra {
        bool atras = false;          // shown
        bool omitir = false;         // shown
        QString primario;            // "Comenzar", "Continuar"; empty on the last step
        bool empezar = false;        // "Empezar a usar Zuvi IA"
        bool navegable = true;       // "Atrás", "Omitir" and the primary button enabled
        bool trabajando = false;     // "Trabajando…"
        bool operator==(const Barra&) const = default;
    };
    static Barra barra(PasoConfig paso, bool trabajando);

    explicit OnboardingView(const Entorno& entorno, QWidget* parent = nullptr);

    PasoConfig paso() const { return paso_; }
    QWidget* contenido() const { return contenido_; }
    Stepper* stepper() const { return stepper_; }
    QPushButton* atras() const { return atras_; }
    QPushButton* registro() const { return registro_; }
    QPushButton* omitir() const { return omitir_; }
    QPushButton* primario() const { return primario_; }
    QPushButton* empezar() const { return empezar_; }
    QWidget* trabajando() const { return trabajando_; }
    RegistroView* registroAbierto() const { return hoja_; }

    // Return: the visible primary button, when it is enabled.
    void pulsarPrincipal();

private:
    void irA(int numero);
    QWidget* crear(PasoConfig p);
    void mostrarBarra();
    void abrirRegistro();

    Entorno entorno_;
    PasoConfig paso_ = PasoConfig::bienvenida;
    Stepper* stepper_ = nullptr;
    QScrollArea* desplazable_ = nullptr;
    QVBoxLayout* capaContenido_ = nullptr;
    QWidget* contenido_ = nullptr;
    QPushButton* atras_ = nullptr;
    QPushButton* registro_ = nullptr;
    IndicadorActividad* trabajando_ = nullptr;
    QPushButton* omitir_ = nullptr;
    QPushButton* primario_ = nullptr;
    QPushButton* empezar_ = nullptr;
    // Cleared when the dialog closes (it deletes itself).
    QPointer<RegistroView> hoja_;
};
