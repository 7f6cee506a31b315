#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The small shell script that replaces the installed folder once the
// application has quit. Its text never changes; every path reaches it as a
// positional parameter, so no name can be read as shell code.
namespace ScriptCambio {

struct Pedido {
    qint64 pid = 0;           // the running application, to wait for
    QString prefijo;          // the installed folder ".../ZuviIA"
    QString nueva;            // the verified tree to copy in
    QString version;          // what the new "zuviia --version" must print
    qint64 build = 0;
    QString registro;         // the script's log, appended to
};

QString texto();

// The arguments for "/bin/sh": "-c", texto(), the script's name, then the
// parameters in order.
QStringList argumentos(const Pedido& pedido);

// The last outcome the script wrote in its log.
struct Resultado {
    enum class Tipo {
        instalada,   // the new version stands and was started
        fallida,     // the old version was kept; the build may be tried again
        rechazada,   // the build itself is broken (seal, health check): never again
    };
    Tipo tipo = Tipo::fallida;
    qint64 build = 0;
    QString detalle;
    bool operator==(const Resultado&) const = default;
};

std::optional<Resultado> ultimoResultado(const QByteArray& registro);

}
