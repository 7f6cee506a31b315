#pragma once

#include <QAbstractButton>

#include <functional>

class QLabel;

// A selectable option row: a check mark or an empty circle, the option's
// name and one sentence under it. A risky option's sentence turns orange
// while it is the chosen one. The whole row takes the click.
class FilaOpcion : public QAbstractButton {
    Q_OBJECT

public:
    FilaOpcion(const QString& titulo, const QString& detalle, bool elegida, bool aviso,
               std::function<void()> accion, QWidget* parent = nullptr);

    bool elegida() const { return elegida_; }
    void setElegida(bool valor);
    // The sentence is drawn orange.
    bool enNaranja() const { return aviso_ && elegida_; }
    QString detalle() const;

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    void pintar();

    bool elegida_;
    bool aviso_;
    QLabel* marca_ = nullptr;
    QLabel* titulo_ = nullptr;
    QLabel* detalle_ = nullptr;
};
