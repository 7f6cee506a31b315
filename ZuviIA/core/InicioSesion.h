#pragma once

#include <QString>

#include <stdexcept>

class Ajustes;

// Opens the application when the user logs in, through an XDG autostart
// entry ($XDG_CONFIG_HOME/autostart/cl.norp.ZuviIA.desktop). No state of
// its own: the entry file is the login item.
namespace InicioSesion {

class ErrorInicioSesion : public std::runtime_error {
public:
    explicit ErrorInicioSesion(const QString& mensaje) : std::runtime_error(mensaje.toStdString()) {}
    QString mensaje() const { return QString::fromUtf8(what()); }
};

inline constexpr const char* clavePropuesto = "inicioSesionPropuesto";

QString archivo();

// The running executable, the program the entry starts.
QString ejecutable();

// The whole entry file that starts this executable at login.
QString entrada(const QString& ejecutable);

// The switch's state: an entry is there and the desktop would start it
// (not Hidden, not disabled).
bool activo();

// On: writes the entry unless it already holds exactly ours (then nothing
// is touched). Off: removes the entry; an absent one is already off.
// Throws ErrorInicioSesion with a Spanish message when the file cannot be
// written or removed.
void activar(bool on);
void activar(bool on, const QString& ejecutable);

// Once per launch: the first run from an installed prefix stores true
// under "inicioSesionPropuesto" and turns the login item on; a failure is
// only logged. Never throws.
void activarPorDefecto();
void activarPorDefecto(Ajustes& ajustes, bool desdePrefijoInstalado, const QString& ejecutable);

}
