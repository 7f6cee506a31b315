#pragma once

#include "vistas/Entorno.h"

#include <QToolButton>

// The toolbar's "Escuchando / En pausa": shows whether projects mode
// listens, whoever started it, and pauses it or switches it on.
class BotonEscucha : public QToolButton {
    Q_OBJECT

public:
    explicit BotonEscucha(const Entorno& entorno, QWidget* parent = nullptr);

    struct Aspecto {
        QString titulo;
        QString simbolo;
        QString ayuda;
    };
    static Aspecto aspecto(bool activo);

    enum class Accion { pausar, activar };
    static Accion decision(bool activo) { return activo ? Accion::pausar : Accion::activar; }

private:
    void pulsar();
    void seguir();

    Entorno entorno_;
};
