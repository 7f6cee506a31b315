#pragma once

#include "vistas/Entorno.h"
#include "plataforma/ComprobacionPermisos.h"
#include "setup/EstadoPaso.h"

#include <QFrame>

#include <optional>

class QLabel;
class QPushButton;

// The banner that asks for what listening needs (a microphone and the
// Spanish speech model), or shows projects mode's notice with a retry.
// Hidden until the first answer is known, and while nothing is missing.
class AvisoPermisos : public QFrame {
    Q_OBJECT

public:
    AvisoPermisos(const Entorno& entorno, QWidget* parent = nullptr);

    struct Contenido {
        QString titulo;
        QString detalle;
        QString boton;
        bool operator==(const Contenido&) const = default;
    };
    // None: no banner at all (the answer is not known yet, or everything
    // is ready and there is no notice). When the model alone is missing the
    // button installs it, and `modelo` (its installer's state) shows how
    // that goes.
    static std::optional<Contenido> contenido(const std::optional<ComprobacionPermisos::Respuesta>& permisos,
                                              const std::optional<QString>& aviso,
                                              const std::optional<EstadoPaso>& modelo = std::nullopt);
    // Coming back to the front restarts always-on listening only when the
    // permissions have just turned from missing to granted: a pause the
    // user chose survives a focus change.
    static bool reanudar(const std::optional<bool>& antes, bool ahora, bool escuchaSiempre, bool activo);

    QLabel* titulo() const { return titulo_; }
    QLabel* detalle() const { return detalle_; }
    QPushButton* boton() const { return boton_; }
    std::optional<bool> listos() const { return listos_; }

private:
    void recomputar(bool alVolver);
    void mostrar();

    Entorno entorno_;
    std::optional<ComprobacionPermisos::Respuesta> permisos_;
    std::optional<bool> listos_;
    QLabel* titulo_ = nullptr;
    QLabel* detalle_ = nullptr;
    QPushButton* boton_ = nullptr;
};
