#include "Publicacion.h"

#include "EscritorZip.h"

#include "setup/Ed25519.h"
#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"
#include "setup/Manifiesto.h"
#include "setup/Sello.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace {

[[noreturn]] void fallo(const QString& texto) { throw std::runtime_error(texto.toStdString()); }

void guardar(const QString& ruta, const QByteArray& datos)
{
    QSaveFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(datos) != datos.size() || !archivo.commit())
        fallo(QStringLiteral("no se pudo escribir «%1»").arg(ruta));
}

QByteArray leer(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        fallo(QStringLiteral("no se pudo leer «%1»").arg(ruta));
    return archivo.readAll();
}

// The manifest goes through the application's own decoder, so nothing is
// published that the application would refuse.
Manifiesto manifiesto(const Publicacion::Pedido& p, const QByteArray& zip)
{
    Manifiesto m;
    m.version = p.version;
    m.build = p.build;
    m.url = p.url;
    m.sha256 = QString::fromLatin1(QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex());
    m.notas = p.notas;
    m.firma = FirmaActualizacion::firmar(m, p.secreta);
    try {
        if (Manifiesto::decodificar(m.codificar()) != m)
            fallo(QStringLiteral("el manifiesto no se lee igual que se escribió"));
    } catch (const Manifiesto::ErrorDecodificacion& e) {
        fallo(e.mensaje());
    }
    return m;
}

QList<EscritorZip::Entrada> entradasZip(const QString& arbol, const QList<Sello::Entrada>& selladas)
{
    using Tipo = EscritorZip::Entrada::Tipo;
    const QString top = QStringLiteral("ZuviIA/");
    QList<EscritorZip::Entrada> entradas{{top, Tipo::carpeta, 0755, {}}};
    for (const Sello::Entrada& s : selladas) {
        const QString ruta = arbol + QLatin1Char('/') + s.ruta;
        switch (s.tipo) {
        case Sello::Entrada::Tipo::carpeta:
            entradas.append({top + s.ruta + QLatin1Char('/'), Tipo::carpeta, s.modo, {}});
            break;
        case Sello::Entrada::Tipo::enlace:
            entradas.append({top + s.ruta, Tipo::enlace, 0777, s.destino.toUtf8()});
            break;
        case Sello::Entrada::Tipo::archivo:
            entradas.append({top + s.ruta, Tipo::archivo, s.modo, leer(ruta)});
            break;
        }
    }
    entradas.append({top + Sello::nombreArchivo(), Tipo::archivo, 0644, leer(arbol + QLatin1Char('/') + Sello::nombreArchivo())});
    return entradas;
}

}

namespace Publicacion {

Resultado publicar(const Pedido& p)
{
    if (p.secreta.size() != Ed25519::bytesClaveSecreta)
        fallo(QStringLiteral("la clave secreta no tiene 64 bytes"));
    if (!QFileInfo(p.arbol).isDir())
        fallo(QStringLiteral("«%1» no es una carpeta").arg(p.arbol));
    // Refused before anything is written: the version names the zip, and
    // a manifest the application would not read must not leave a seal.
    if (p.version.contains(QLatin1Char('/')))
        fallo(QStringLiteral("la versión «%1» no puede llevar «/», porque da nombre al zip").arg(p.version));
    manifiesto(p, QByteArray());
    Sello sello{QString::fromLatin1(FirmaActualizacion::equipo), p.version, p.build, {}};
    try {
        sello.entradas = Sello::describir(p.arbol);
    } catch (const FalloActualizacion& e) {
        fallo(e.mensaje());
    }
    guardar(p.arbol + QLatin1Char('/') + Sello::nombreArchivo(), sello.firmado(p.secreta));
    const QByteArray zip = EscritorZip::escribir(entradasZip(p.arbol, sello.entradas));
    const Manifiesto m = manifiesto(p, zip);
    if (!QDir().mkpath(p.salida))
        fallo(QStringLiteral("no se pudo crear «%1»").arg(p.salida));
    const Resultado r{p.salida + QStringLiteral("/ZuviIA-%1.zip").arg(p.version), p.salida + QStringLiteral("/ultima.json")};
    guardar(r.zip, zip);
    guardar(r.manifiesto, m.codificar() + '\n');
    return r;
}

QByteArray leerSecreta(const QString& archivo)
{
    const auto secreta = Ed25519::base64Exacto(QString::fromLatin1(leer(archivo).trimmed()), Ed25519::bytesClaveSecreta);
    if (!secreta || Ed25519::desdeSemilla(secreta->left(Ed25519::bytesSemilla)).secreta != *secreta)
        fallo(QStringLiteral("«%1» no es una clave secreta de actualizaciones").arg(archivo));
    return *secreta;
}

QString nuevaClave(const QString& archivo)
{
    const Ed25519::Par par = Ed25519::nuevo();
    QFile salida(archivo);
    if (!salida.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || salida.write(par.secreta.toBase64() + '\n') < 0 || !salida.flush())
        fallo(QStringLiteral("no se pudo crear «%1» (¿ya existe?)").arg(archivo));
    return QString::fromLatin1(par.publica.toBase64());
}

}
