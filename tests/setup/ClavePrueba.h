#pragma once

#include "setup/Ed25519.h"

#include <QString>

// The tests' update key, made from a fixed seed so fixtures are repeatable.
namespace ClavePrueba {

inline const Ed25519::Par& par()
{
    static const Ed25519::Par p = Ed25519::desdeSemilla(QByteArray(Ed25519::bytesSemilla, '\x24'));
    return p;
}

inline QString publica() { return QString::fromLatin1(par().publica.toBase64()); }
inline QByteArray secreta() { return par().secreta; }

inline QString otra()
{
    return QString::fromLatin1(Ed25519::desdeSemilla(QByteArray(Ed25519::bytesSemilla, '\x25')).publica.toBase64());
}

// 32 bytes that are no point of the curve: no signature verifies with it.
inline const QString inutilizable = QStringLiteral("Zq3Lw8RtY2nB5vKp0sXc7HdJ4mGf1aUe9iOyTr6WbE0=");

}
