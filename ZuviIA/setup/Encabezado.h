#pragma once

#include <QWidget>

class QLabel;

// The header that opens every setup step: a large symbol, the title and
// an explanation.
class Encabezado : public QWidget {
    Q_OBJECT

public:
    Encabezado(const QString& simbolo, const QString& titulo, const QString& texto, QWidget* parent = nullptr);

    QLabel* titulo() const { return titulo_; }
    QLabel* texto() const { return texto_; }
    void setTexto(const QString& texto);

private:
    QLabel* titulo_ = nullptr;
    QLabel* texto_ = nullptr;
};
