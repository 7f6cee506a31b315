#include "setup/Ed25519.h"

#include <sodium.h>

#include <stdexcept>

namespace {

// sodium_init is idempotent and thread-safe; a failure means no usable
// random source, where no key could be made anyway.
void iniciar()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium no se pudo iniciar");
}

const unsigned char* u(QByteArrayView v) { return reinterpret_cast<const unsigned char*>(v.data()); }
unsigned char* u(QByteArray& v) { return reinterpret_cast<unsigned char*>(v.data()); }

}

namespace Ed25519 {

Par nuevo()
{
    iniciar();
    Par par{QByteArray(bytesClavePublica, '\0'), QByteArray(bytesClaveSecreta, '\0')};
    crypto_sign_keypair(u(par.publica), u(par.secreta));
    return par;
}

Par desdeSemilla(QByteArrayView semilla)
{
    iniciar();
    if (semilla.size() != bytesSemilla)
        throw std::invalid_argument("la semilla Ed25519 debe tener 32 bytes");
    Par par{QByteArray(bytesClavePublica, '\0'), QByteArray(bytesClaveSecreta, '\0')};
    crypto_sign_seed_keypair(u(par.publica), u(par.secreta), u(semilla));
    return par;
}

QByteArray firmar(QByteArrayView mensaje, QByteArrayView secreta)
{
    iniciar();
    if (secreta.size() != bytesClaveSecreta)
        throw std::invalid_argument("la clave secreta Ed25519 debe tener 64 bytes");
    QByteArray firma(bytesFirma, '\0');
    crypto_sign_detached(u(firma), nullptr, u(mensaje), static_cast<unsigned long long>(mensaje.size()),
                         u(secreta));
    return firma;
}

bool claveUtilizable(QByteArrayView publica)
{
    iniciar();
    return publica.size() == bytesClavePublica && crypto_core_ed25519_is_valid_point(u(publica)) == 1;
}

bool verificar(QByteArrayView mensaje, QByteArrayView firma, QByteArrayView publica)
{
    iniciar();
    if (firma.size() != bytesFirma || publica.size() != bytesClavePublica)
        return false;
    return crypto_sign_verify_detached(u(firma), u(mensaje), static_cast<unsigned long long>(mensaje.size()),
                                       u(publica)) == 0;
}

std::optional<QByteArray> base64Exacto(QStringView texto, int bytes)
{
    // Qt's decoder forgives missing padding and non-zero trailing bits, so
    // only the one canonical spelling is accepted.
    const QByteArray entrada = texto.toLatin1();
    const auto resultado = QByteArray::fromBase64Encoding(entrada, QByteArray::AbortOnBase64DecodingErrors);
    if (!resultado || resultado.decoded.size() != bytes || resultado.decoded.toBase64() != entrada)
        return std::nullopt;
    return resultado.decoded;
}

}
