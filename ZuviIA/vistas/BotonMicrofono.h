#pragma once

#include "vistas/Entorno.h"
#include "projects/ModoProyectos.h"

#include <QAbstractButton>
#include <QColor>

#include <optional>

// The round microphone button. Continuous: starts, interrupts and pauses
// projects mode in the window. Dictation: push-to-talk of the assistant.
// While listening, a soft ring swells with the microphone level.
class BotonMicrofono : public QAbstractButton {
    Q_OBJECT

public:
    BotonMicrofono(const Entorno& entorno, int tamano, bool continuo, QWidget* parent = nullptr);

    enum class Accion { interrumpir, pausar, activar, detenerDictado, iniciarDictado };
    // What a press does.
    static Accion decision(bool continuo, bool activo, ModoProyectos::Estado estado, bool dictando);
    // The listening flag: the room in continuous mode, dictation otherwise.
    static bool escuchando(bool continuo, bool activo, bool dictando) { return continuo ? activo : dictando; }
    static QString simbolo(bool continuo, bool escuchando);
    static QString ayuda(bool continuo, bool escuchando);
    static QString etiqueta(bool escuchando);
    static QColor color(bool continuo, bool escuchando);
    // The ring's diameter over the button's; none while not listening.
    static std::optional<double> escalaAnillo(bool escuchando, float nivel);

    int tamano() const { return tamano_; }
    bool continuo() const { return continuo_; }
    bool escuchandoAhora() const;
    float nivel() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void pulsar();
    void seguir();

    Entorno entorno_;
    int tamano_;
    bool continuo_;
};
