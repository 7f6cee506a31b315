#pragma once

#include <QString>

#include <stdexcept>

// The updater's own failure. what() is the Spanish sentence the user sees,
// unchanged.
class FalloActualizacion : public std::runtime_error {
public:
    explicit FalloActualizacion(const QString& mensaje) : std::runtime_error(mensaje.toStdString()) {}
    QString mensaje() const { return QString::fromUtf8(what()); }
};
