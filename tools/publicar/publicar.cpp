// zuvi-publicar: seals a built ZuviIA tree, zips it and writes the signed
// manifest the update server hands out.
#include "Publicacion.h"

#include "setup/Ed25519.h"
#include "setup/FirmaActualizacion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <exception>

namespace {

QTextStream& salida()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& errores()
{
    static QTextStream s(stderr);
    return s;
}

Publicacion::Pedido pedido(const QCommandLineParser& p)
{
    for (const char* opcion : {"arbol", "clave", "version", "build", "url", "salida"})
        if (!p.isSet(QString::fromLatin1(opcion)))
            throw std::runtime_error(std::string("falta --") + opcion);
    bool ok = false;
    const qint64 build = p.value(QStringLiteral("build")).toLongLong(&ok);
    if (!ok)
        throw std::runtime_error("--build debe ser un número entero");
    Publicacion::Pedido r{p.value(QStringLiteral("arbol")), Publicacion::leerSecreta(p.value(QStringLiteral("clave"))),
                          p.value(QStringLiteral("version")), build, QUrl(p.value(QStringLiteral("url"))),
                          std::nullopt, p.value(QStringLiteral("salida"))};
    if (p.isSet(QStringLiteral("notas")))
        r.notas = p.value(QStringLiteral("notas"));
    return r;
}

int publicar(const QCommandLineParser& p)
{
    const Publicacion::Pedido datos = pedido(p);
    const Publicacion::Resultado r = Publicacion::publicar(datos);
    salida() << "sello:      " << datos.arbol << "/SELLO\n"
             << "zip:        " << r.zip << "\n"
             << "manifiesto: " << r.manifiesto << "\n";
    const QString publica = QString::fromLatin1(datos.secreta.right(Ed25519::bytesClavePublica).toBase64());
    if (publica != FirmaActualizacion::clavePorDefecto())
        errores() << "aviso: la clave " << publica << " no es la que esta compilación acepta ("
                  << FirmaActualizacion::clavePorDefecto() << ")\n";
    return 0;
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Sella un árbol de ZuviIA, lo comprime y firma su manifiesto."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("nueva-clave"), QStringLiteral("Crea un par de claves; guarda la secreta en <archivo>."),
         QStringLiteral("archivo")},
        {QStringLiteral("arbol"), QStringLiteral("Carpeta de la aplicación instalada."), QStringLiteral("carpeta")},
        {QStringLiteral("clave"), QStringLiteral("Archivo de la clave secreta."), QStringLiteral("archivo")},
        {QStringLiteral("version"), QStringLiteral("Versión que verá el usuario."), QStringLiteral("texto")},
        {QStringLiteral("build"), QStringLiteral("Número de build."), QStringLiteral("número")},
        {QStringLiteral("url"), QStringLiteral("Dirección donde se servirá el zip."), QStringLiteral("url")},
        {QStringLiteral("notas"), QStringLiteral("Notas de la versión."), QStringLiteral("texto")},
        {QStringLiteral("salida"), QStringLiteral("Carpeta del zip y de ultima.json."), QStringLiteral("carpeta")},
    });
    p.process(app);
    try {
        if (p.isSet(QStringLiteral("nueva-clave"))) {
            const QString publica = Publicacion::nuevaClave(p.value(QStringLiteral("nueva-clave")));
            salida() << "clave pública: " << publica << "\n";
            return 0;
        }
        return publicar(p);
    } catch (const std::exception& e) {
        errores() << "zuvi-publicar: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
}
