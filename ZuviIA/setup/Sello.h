#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The seal of an application tree, the file "SELLO" at its top: the team,
// version and build, then one line per file, folder and link (sorted by
// path) with its mode and SHA-256 or target, signed with the update key.
// A tree is sound when the signature holds, team and build are right, and
// the tree holds exactly the sealed entries.
struct Sello {
    struct Entrada {
        enum class Tipo { archivo, carpeta, enlace };
        Tipo tipo = Tipo::archivo;
        QString ruta;      // relative to the tree, "/" between folders
        int modo = 0;      // permission bits (files and folders)
        QString sha256;    // files
        QString destino;   // links, as written in the link
        bool operator==(const Entrada&) const = default;
    };

    enum class Modos {
        comprobar,   // an installed tree: a changed mode is a fault
        restaurar,   // a freshly unpacked tree: the archive may have lost them
    };

    QString equipo;
    QString version;
    qint64 build = 0;
    QList<Entrada> entradas;

    static QString nombreArchivo() { return QStringLiteral("SELLO"); }

    // The tree at `carpeta` as a seal lists it, its own SELLO left out.
    // Throws FalloActualizacion for what no seal may hold: another kind of
    // file, a name with a control character, a link that leaves the tree.
    static QList<Entrada> describir(const QString& carpeta);

    QByteArray texto() const;
    // texto() followed by the line "firma <Base64>".
    QByteArray firmado(QByteArrayView secreta) const;

    // A signed seal whose signature the key (Base64) accepts, parsed
    // strictly. Throws FalloActualizacion.
    static Sello leer(const QByteArray& firmado, const QString& clave);

    // The whole check of the tree at `carpeta` against its SELLO. With
    // Modos::restaurar, sealed files and folders get their modes first.
    // Throws FalloActualizacion with the sentence the user sees.
    static Sello verificar(const QString& carpeta, const QString& clave, qint64 build, Modos modos);
};
