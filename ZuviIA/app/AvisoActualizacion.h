#pragma once

#include "setup/Actualizador.h"

#include <QWidget>

class IndicadorActividad;
class TarjetaAviso;

// The update banner above the messages: the card while a newer version is
// offered or waiting, a progress line while it downloads or installs,
// nothing otherwise. Follows the updater's state as it changes.
class AvisoActualizacion : public QWidget {
    Q_OBJECT

public:
    enum class Vista { nada, tarjeta, progreso };

    explicit AvisoActualizacion(Actualizador& act, QWidget* parent = nullptr);

    static Vista vista(const Actualizador::Estado& estado);
    static QString titulo(const QString& version);
    // The release notes are not signed: the caller shows them as plain text.
    static QString detalle(const std::optional<QString>& notas);
    static QString progreso(const Actualizador::Estado& estado);

    TarjetaAviso* tarjeta() const { return tarjeta_; }
    IndicadorActividad* lineaProgreso() const { return progreso_; }

private:
    void seguir();

    Actualizador& act_;
    TarjetaAviso* tarjeta_ = nullptr;
    QWidget* envolturaProgreso_ = nullptr;
    IndicadorActividad* progreso_ = nullptr;
};
