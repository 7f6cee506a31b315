#pragma once

#include <QColor>
#include <QFrame>

class QLabel;
class QPushButton;
class TextoCorto;

// The card every banner above the messages shares: the banner's symbol
// and colour, a headline over a two-line callout, and one prominent button,
// on the colour at low opacity with rounded corners.
class TarjetaAviso : public QFrame {
    Q_OBJECT

public:
    // `opacidad` of the background, 0…1.
    TarjetaAviso(const QString& simbolo, const QColor& color, double opacidad, QWidget* parent = nullptr);

    void setTitulo(const QString& titulo);
    void setDetalle(const QString& detalle);
    void setBoton(const QString& texto);

    QLabel* titulo() const { return titulo_; }
    TextoCorto* detalle() const { return detalle_; }
    QPushButton* boton() const { return boton_; }

signals:
    void pulsado();

private:
    QLabel* titulo_ = nullptr;
    TextoCorto* detalle_ = nullptr;
    QPushButton* boton_ = nullptr;
};
