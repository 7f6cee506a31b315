#pragma once

#include "setup/PasoConfig.h"

#include <QWidget>

// The step indicator on top of the setup assistant: a numbered circle per
// step (a check mark once done), its title, and connectors between them.
class Stepper : public QWidget {
    Q_OBJECT

public:
    enum class Nodo { hecho, actual, pendiente };

    explicit Stepper(PasoConfig paso, QWidget* parent = nullptr);

    PasoConfig paso() const { return paso_; }
    void setPaso(PasoConfig paso);

    static Nodo nodo(PasoConfig p, PasoConfig paso);
    // "Paso 3 de 8: Skills"
    static QString etiqueta(PasoConfig paso);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* evento) override;

private:
    PasoConfig paso_;
};
