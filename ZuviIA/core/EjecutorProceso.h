#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

// A child process that could not be started. what() is a Spanish sentence
// ready to be shown to the user.
class ErrorProceso : public std::runtime_error {
public:
    explicit ErrorProceso(const QString& mensaje) : std::runtime_error(mensaje.toStdString()) {}
    QString mensaje() const { return QString::fromUtf8(what()); }
};

// The handle of a launched child. Safe to use from any thread. Dropping it
// does not stop the child: it runs until it ends or someone stops it.
class ProcesoEnMarcha {
public:
    struct Estado;
    explicit ProcesoEnMarcha(std::shared_ptr<Estado> estado) : estado_(std::move(estado)) {}

    qint64 pid() const;
    // Each child leads a process group of its own (group id = pid): these
    // signal the whole group, so what the child started stops with it.
    void terminar();   // SIGTERM; onFin then reports 15
    void matar();      // SIGKILL
    // Only for children launched with Opciones::conEntrada.
    void escribir(const QByteArray& datos);
    void cerrarEntrada();

    // True once onFin has returned. esperar blocks until then or until the
    // time is up; never call it from a callback of the same child.
    bool terminado() const;
    bool esperar(std::chrono::milliseconds limite) const;
    std::optional<int> estadoFinal() const;

private:
    std::shared_ptr<Estado> estado_;
};

// Starts outside programs as child processes, streams what they write as
// text and reports how they ended. Callbacks come on the runner's own
// thread, never the GUI thread: callers that touch model state hop.
namespace EjecutorProceso {

using AlTexto = std::function<void(const QString&)>;
using AlFin = std::function<void(int estado)>;

// The agents' environment: `base` with PATH = the executable's folder,
// ~/.local/bin, /opt/homebrew/bin, /usr/local/bin, then the old PATH (or
// "/usr/bin:/bin:/usr/sbin:/sbin"), and NO_COLOR=1.
QProcessEnvironment entorno(const QString& rutaEjecutable, const QProcessEnvironment& base);
QProcessEnvironment entorno(const QString& rutaEjecutable);

struct Opciones {
    // Standard input as a pipe fed through ProcesoEnMarcha::escribir
    // instead of the null device.
    bool conEntrada = false;
    // Replaces the agents' environment.
    std::optional<QProcessEnvironment> entorno;
};

// The end status of a child whose exec failed after lanzar returned.
inline constexpr int sinIniciar = -1;

// Runs `ruta` directly (no shell) in `carpeta`, without waiting for the
// exec. Throws ErrorProceso when the folder or the program is missing or the
// file cannot be executed, and then no callback is ever called. Otherwise
// onSalida and onError get the text of each read (whole characters), and
// onFin is called once, after the last output, with the exit code or the
// signal number; an exec that fails later gives onError its Spanish
// sentence and then onFin sinIniciar.
std::shared_ptr<ProcesoEnMarcha> lanzar(const QString& ruta, const QStringList& argumentos, const QString& carpeta,
                                        AlTexto onSalida, AlTexto onError, AlFin onFin,
                                        const Opciones& opciones = {});

// Kills the process group of every child launched here that still has a
// live member, including those whose leader has ended. Called when the
// application object goes away, so nothing started here outlives it.
void terminarTodos();

}
