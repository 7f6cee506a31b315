#pragma once

#include <QWidget>

#include <functional>

// One permission the room needs: granted, or what to do about it.
class FilaPermiso : public QWidget {
    Q_OBJECT

public:
    using AbrirPanel = std::function<void(const QString& panel)>;

    struct Datos {
        QString nombre;
        bool ok = false;
        // The settings pane that grants it; none when there is nothing
        // to switch on (a missing model is installed, not granted).
        QString panel;
        // What to do, shown under the name while it is missing.
        QString ayuda;
        bool operator==(const Datos&) const = default;
    };

    FilaPermiso(const Datos& datos, AbrirPanel abrirPanel, QWidget* parent = nullptr);

    const Datos& datos() const { return datos_; }

private:
    Datos datos_;
};
