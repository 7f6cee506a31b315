#pragma once

#include "vistas/Entorno.h"

#include <QSplitter>

class BarraConversaciones;

// The main view: the conversation list beside the conversation screen.
class VistaPrincipal : public QSplitter {
    Q_OBJECT

public:
    VistaPrincipal(const Entorno& entorno, QWidget* parent = nullptr);

    BarraConversaciones* barra() const { return barra_; }
    QWidget* detalle() const { return detalle_; }

private:
    // The detail column, the conversation screen (its own file).
    static QWidget* crearDetalle(const Entorno& entorno, QWidget* parent);

    BarraConversaciones* barra_ = nullptr;
    QWidget* detalle_ = nullptr;
};
