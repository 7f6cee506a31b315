#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

// Ed25519 signatures over libsodium, and the strict Base64 their keys and
// signatures travel in.
namespace Ed25519 {

inline constexpr int bytesClavePublica = 32;
inline constexpr int bytesClaveSecreta = 64;
inline constexpr int bytesSemilla = 32;
inline constexpr int bytesFirma = 64;

struct Par {
    QByteArray publica;   // 32 raw bytes
    QByteArray secreta;   // 64 raw bytes (seed, then the public key)
};

Par nuevo();
// The same pair every time for the same 32-byte seed.
Par desdeSemilla(QByteArrayView semilla);

// 64 bytes. `secreta` must hold 64 bytes.
QByteArray firmar(QByteArrayView mensaje, QByteArrayView secreta);

// 32 bytes that are a point of the curve, so that some signature could
// ever verify against them.
bool claveUtilizable(QByteArrayView publica);

// False for a key of the wrong size, one that is not a point of the curve,
// or a signature of the wrong size.
bool verificar(QByteArrayView mensaje, QByteArrayView firma, QByteArrayView publica);

// Standard Base64 that is exactly the canonical encoding of `bytes` bytes:
// padding present, no whitespace or stray character. Anything else: none.
std::optional<QByteArray> base64Exacto(QStringView texto, int bytes);

}
