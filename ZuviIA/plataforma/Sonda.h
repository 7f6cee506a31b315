#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// A blocking run of a short program, for probes off the GUI thread. The
// child starts in a session (and process group) of its own, without a
// controlling terminal, with standard input and error on the null device
// and this process's environment and folder. Its output is read while it
// runs, so a talkative child cannot block on a full pipe.
// At the time limit the whole group is killed and the child reaped.
namespace Sonda {

struct Resultado {
    int estado;          // exit code; -signal when a signal ended it
    QByteArray salida;   // standard output
};

// No value when the program cannot start or is still running at the limit.
std::optional<Resultado> ejecutar(const QString& ruta, const QStringList& argumentos,
                                  std::chrono::milliseconds limite);

}
