#pragma once

#include <QByteArray>
#include <QString>

struct Manifiesto;

// From downloaded bytes to a verified new application tree, ready to take
// the place of the installed one. Pure file work with no shared state, so
// it may run off the GUI thread.
namespace PaqueteActualizacion {

// A fresh folder only this user can enter, "ZuviIA-act-<build>-XXXXXX"
// beside `prefijo`, so the new tree can be moved into place without a copy.
// Throws FalloActualizacion.
QString crearCarpeta(const QString& prefijo, qint64 build);

// Proves with `clave` (Base64) that the manifest is signed and that
// `archivo` is the archive it names, unpacks those same bytes into a new
// folder (crearCarpeta), restores the sealed modes and checks the seal of
// its "ZuviIA" tree with the same key and the manifest's build. Returns
// the verified tree. On failure the folder is removed and
// FalloActualizacion carries the sentence for the user.
QString preparar(const QByteArray& archivo, const Manifiesto& manifiesto, const QString& prefijo,
                 const QString& clave);

}
