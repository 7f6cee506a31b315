#pragma once

#include "vistas/Entorno.h"
#include "core/Modelos.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

// The five actions the desktop offers outside the window (the session
// bus, the command line, the launcher's actions). Each acts on the shared
// objects, or leaves a request on the router for the conversation screen.
class Intents : public QObject {
    Q_OBJECT

public:
    enum class Tipo { abrirZuviIA, modoProyectos, dictar, nuevoProyecto, enviarInstruccion };
    struct Pedido {
        Tipo tipo = Tipo::abrirZuviIA;
        QString instruccion;
        QString agente;
        bool operator==(const Pedido&) const = default;
    };

    // `activar` brings a main window forward, opening one when none is open.
    Intents(const Entorno& entorno, std::function<void()> activar, QObject* parent = nullptr);

    void abrirZuviIA();
    void modoProyectos();
    void dictar();
    void nuevoProyecto();
    // A Spanish sentence when the agent is unknown; then nothing changes.
    std::optional<QString> enviarInstruccion(const QString& instruccion, const QString& agente);
    std::optional<QString> ejecutar(const Pedido& pedido);

    // "claude" or "codex", their shown names and synonyms, any case and
    // accents; the empty text (or blanks) is Claude Code, the default.
    static std::optional<AgenteCLI> agenteDe(const QString& texto);
    static QString errorAgente(const QString& texto);

    // The options of `zuviia`: --abrir, --modo-proyectos, --dictar,
    // --nuevo-proyecto, --enviar INSTRUCCIÓN [--agente AGENTE]. None when no
    // intent is asked; `error` says what is wrong with the options, one of
    // them unknown included (Qt's own options pass).
    static std::optional<Pedido> deArgumentos(const QStringList& argumentos, QString* error);
    // "--help" or "-h" is among the arguments; the text it prints.
    static bool pideAyuda(const QStringList& argumentos);
    static QString ayuda();
    // What is wrong with an intent line received from another start, as
    // the sentence sent back to it; none when it can be run.
    static std::optional<QString> validarLinea(const QByteArray& linea);
    // One line for the running instance's socket, and back.
    static QByteArray codificar(const Pedido& pedido);
    static std::optional<Pedido> decodificar(const QByteArray& linea);

private:
    Entorno entorno_;
    std::function<void()> activar_;
};
