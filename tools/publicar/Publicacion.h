#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// What a maintainer publishes for one release: the tree's seal, the zip
// whose top folder is "ZuviIA/", and the signed manifest that names it.
namespace Publicacion {

struct Pedido {
    QString arbol;        // the built application tree (an installed prefix)
    QByteArray secreta;   // 64-byte Ed25519 secret key
    QString version;
    qint64 build = 0;
    QUrl url;             // where the zip will be served
    std::optional<QString> notas;
    QString salida;       // folder for the zip and "ultima.json"
};

struct Resultado {
    QString zip;
    QString manifiesto;
};

// Writes <arbol>/SELLO, <salida>/ZuviIA-<version>.zip and
// <salida>/ultima.json. Throws std::runtime_error with a Spanish message.
Resultado publicar(const Pedido& pedido);

// A secret key file: the Base64 of the 64 secret bytes on one line.
QByteArray leerSecreta(const QString& archivo);
// Writes a new pair's secret key file (owner only, never over an existing
// file) and returns the public key in Base64.
QString nuevaClave(const QString& archivo);

}
