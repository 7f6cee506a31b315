#pragma once

#include <QString>

#include <stdexcept>

// The "Modo proyectos" launcher: a desktop entry in the user's applications
// folder that opens zuviia://modo-proyectos, so the desktop's launcher and
// search start the room. Stateless; the entry file is the shortcut.
namespace AtajoSiri {

class ErrorAtajo : public std::runtime_error {
public:
    explicit ErrorAtajo(const QString& mensaje) : std::runtime_error(mensaje.toStdString()) {}
    QString mensaje() const { return QString::fromUtf8(what()); }
};

inline constexpr const char* nombre = "Modo proyectos";
inline constexpr const char* url = "zuviia://modo-proyectos";

// $XDG_DATA_HOME/applications/cl.norp.ZuviIA.modo-proyectos.desktop
QString archivo();
// The whole entry that makes `ejecutable` open the room.
QString entrada(const QString& ejecutable);

// Writes the entry atomically for the running executable (or `ejecutable`);
// an entry that is already ours is left alone. Throws ErrorAtajo with a
// Spanish message when it cannot be written.
void crear();
void crear(const QString& ejecutable);

// The entry is there, not hidden, and runs this executable with our URL.
bool instalado();
bool instalado(const QString& ejecutable);

// Opens the desktop's settings where its voices are managed, if it has one.
void abrirAjustesDeVoces();

}
