#pragma once

#include <QWidget>

#include <functional>

class Almacen;
class TarjetaAviso;
class QToolButton;

// Shown when the conversations file of this start could not be read and
// was moved aside: says where its copy is, shows it in the file manager,
// and goes away for good when dismissed.
class AvisoAlmacen : public QWidget {
    Q_OBJECT

public:
    using Mostrar = std::function<void(const QString& ruta)>;

    // `mostrar` defaults to the desktop's file manager.
    AvisoAlmacen(Almacen& almacen, Mostrar mostrar = {}, QWidget* parent = nullptr);

    // The copy's path as the banner says it, the home folder as "~".
    static QString titulo(const QString& apartado, const QString& casa);

    TarjetaAviso* tarjeta() const { return tarjeta_; }
    QToolButton* descartar() const { return descartar_; }

private:
    void seguir();

    Almacen& almacen_;
    Mostrar mostrar_;
    TarjetaAviso* tarjeta_ = nullptr;
    QToolButton* descartar_ = nullptr;
};
