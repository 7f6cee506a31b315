#pragma once

#include <QWidget>

class Ajustes;
class QPushButton;

// The setup assistant's closing page, with the button that completes
// setup ("configuracionCompleta"). The steps before it come with the
// setup assistant.
class PasoListo : public QWidget {
    Q_OBJECT

public:
    explicit PasoListo(Ajustes& ajustes, QWidget* parent = nullptr);

    QPushButton* empezar() const { return empezar_; }

private:
    QPushButton* empezar_ = nullptr;
};
