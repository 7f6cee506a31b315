#pragma once

#include <QByteArray>
#include <QString>

struct Manifiesto;

// Who may publish updates: the release key and the team named in a seal.
namespace FirmaActualizacion {

inline constexpr const char* equipo = "Q7XW2M4K9T";

// The release public key this build trusts, in Base64 (a build setting).
QString clavePorDefecto();

// The 32 raw bytes of a Base64 public key, or empty when it is not
// exactly 32 bytes in canonical Base64.
QByteArray clavePublica(const QString& base64);

// The manifest's "firma" is the canonical Base64 of 64 bytes and the key
// (Base64) accepts it over the manifest's signed message. A key that is
// not a point of the curve accepts nothing.
bool firmaValida(const Manifiesto& manifiesto, const QString& clave);

// The "firma" value for a manifest, with a 64-byte secret key.
QString firmar(const Manifiesto& manifiesto, const QByteArray& secreta);

}
