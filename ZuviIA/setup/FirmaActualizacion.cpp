#include "setup/FirmaActualizacion.h"

#include "Version.h"

#include "setup/Ed25519.h"
#include "setup/Manifiesto.h"

namespace FirmaActualizacion {

QString clavePorDefecto() { return QString::fromLatin1(Version::claveActualizacion); }

QByteArray clavePublica(const QString& base64)
{
    return Ed25519::base64Exacto(base64, Ed25519::bytesClavePublica).value_or(QByteArray());
}

bool firmaValida(const Manifiesto& manifiesto, const QString& clave)
{
    const auto firma = Ed25519::base64Exacto(manifiesto.firma, Ed25519::bytesFirma);
    return firma && Ed25519::verificar(manifiesto.mensajeFirmado(), *firma, clavePublica(clave));
}

QString firmar(const Manifiesto& manifiesto, const QByteArray& secreta)
{
    return QString::fromLatin1(Ed25519::firmar(manifiesto.mensajeFirmado(), secreta).toBase64());
}

}
