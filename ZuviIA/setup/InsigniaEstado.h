#pragma once

#include "setup/EstadoPaso.h"

#include <QWidget>

#include <optional>

class IndicadorActividad;
class QLabel;

// The status badge of an install item: a spinner while it is checked or
// worked on, otherwise a symbol with a short text.
class InsigniaEstado : public QWidget {
    Q_OBJECT

public:
    // What a status shows.
    struct Vista {
        bool rueda = false;
        QString texto;
        QString simbolo;
        enum class Tono { secundario, verde, naranja } tono = Tono::secundario;
        int lineas = 1;
        bool operator==(const Vista&) const = default;
    };
    static Vista vista(const std::optional<EstadoPaso>& estado);

    explicit InsigniaEstado(const std::optional<EstadoPaso>& estado = std::nullopt, QWidget* parent = nullptr);

    void setEstado(const std::optional<EstadoPaso>& estado);
    const Vista& actual() const { return vista_; }
    QLabel* texto() const { return texto_; }
    bool muestraRueda() const;

private:
    std::optional<EstadoPaso> estado_;
    Vista vista_;
    IndicadorActividad* rueda_ = nullptr;
    QLabel* icono_ = nullptr;
    QLabel* texto_ = nullptr;
    void mostrar();
    // Fits the text to the width its column leaves it.
    void ajustarTexto();
};
