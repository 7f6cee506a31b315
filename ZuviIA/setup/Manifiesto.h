#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <stdexcept>

// The update server's signed description of the newest release.
struct Manifiesto {
    QString version;
    qint64 build = 0;
    QUrl url;
    QString sha256;   // of the archive, 64 lowercase hexadecimal digits
    QString firma;    // Base64 of the Ed25519 signature of mensajeFirmado()
    std::optional<QString> notas;

    class ErrorDecodificacion : public std::runtime_error {
    public:
        explicit ErrorDecodificacion(const QString& mensaje) : std::runtime_error(mensaje.toStdString()) {}
        QString mensaje() const { return QString::fromUtf8(what()); }
    };

    // Strict, so that no two different manifests share one signed message:
    // a version without "|" or control characters, a whole build from 0 to
    // 2^53, an absolute http(s) URL and a digest in the exact form above.
    // "firma" must be a string; its form is the signature test's concern.
    // Other keys are ignored. Throws ErrorDecodificacion with a Spanish text.
    static Manifiesto decodificar(const QByteArray& json);
    // Compact JSON; "notas" only when set.
    QByteArray codificar() const;

    // "version|build|sha256", the bytes the signature covers.
    QByteArray mensajeFirmado() const;

    // The archive's SHA-256 in lowercase hexadecimal equals "sha256".
    bool describe(const QByteArray& archivo) const;

    bool operator==(const Manifiesto&) const = default;
};
