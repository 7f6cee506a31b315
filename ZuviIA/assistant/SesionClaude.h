#pragma once

#include "assistant/ClaveSesion.h"

#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>

class ProcesoEnMarcha;

// One long-lived Claude Code child process that reads user turns as JSON
// lines on standard input and writes its events as JSON lines on standard
// output. Held through std::shared_ptr: the assistant and a background task
// may share one. The callbacks come on the process runner's thread; callers
// hop to the GUI thread themselves.
//
// When the last holder lets go while the process still runs, the process
// goes on: its output lines are dropped, but its errors and onFin still come.
class SesionClaude {
public:
    using AlLinea = std::function<void(const QString& linea)>;
    using AlError = std::function<void(const QString& trozo)>;
    using AlFin = std::function<void(int codigo)>;

    // Starts the process; throws ErrorProceso (core/EjecutorProceso.h) when
    // it cannot start, and then no callback is ever called.
    SesionClaude(const QUuid& id, ClaveSesion clave, const QString& ruta, const QStringList& argumentos,
                 const QString& carpeta, AlLinea onLinea, AlError onError, AlFin onFin);
    ~SesionClaude();
    SesionClaude(const SesionClaude&) = delete;
    SesionClaude& operator=(const SesionClaude&) = delete;

    QUuid id() const { return id_; }
    const ClaveSesion& clave() const { return clave_; }
    void setClave(ClaveSesion clave) { clave_ = std::move(clave); }

    // The process has started and its end has not been reported yet.
    bool enMarcha() const;
    qint64 pid() const;

    // One user turn. Write failures are dropped.
    void enviar(const QString& instruccion);
    // One interrupt request with a fresh request id. Failures are dropped.
    void interrumpir();
    // Closes standard input and terminates the process; its end still
    // arrives through onFin.
    void cerrar();

    // The two request lines, each with its line feed.
    static QByteArray lineaTurno(const QString& instruccion);
    static QByteArray lineaInterrupcion(const QUuid& pedido);

private:
    struct Lector;

    QUuid id_;
    ClaveSesion clave_;
    std::shared_ptr<Lector> lector_;
    std::shared_ptr<ProcesoEnMarcha> proceso_;
};
