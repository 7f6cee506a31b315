#pragma once

#include <QFrame>

class QHBoxLayout;
class QLabel;

// One installable item of the setup assistant (an agent, the skills, a
// connection, the voice, an account): symbol, title, text and, on the
// trailing side, the accessory the step hands in.
class Tarjeta : public QFrame {
    Q_OBJECT

public:
    Tarjeta(const QString& simbolo, const QString& titulo, const QString& texto, QWidget* accesorio,
            QWidget* parent = nullptr);

    QLabel* titulo() const { return titulo_; }
    QLabel* texto() const { return texto_; }
    void setTitulo(const QString& titulo);
    void setTexto(const QString& texto);

private:
    QLabel* titulo_ = nullptr;
    QLabel* texto_ = nullptr;
};
