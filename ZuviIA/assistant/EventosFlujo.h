#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What one JSON output line of a Claude Code session means for the turn it
// belongs to. Pure: the assistant applies the effects to the store and to
// its callbacks, so every rule of the stream is pinned by a table of lines.
namespace EventosFlujo {

// The final "result" line of a turn.
struct Resultado {
    std::optional<QString> sesion; // "session_id" when it is a text
    QString texto;                 // "result", empty when missing
    bool esError = false;          // "is_error", false unless a Bool true
    // Claude Code found no session under the id it was told to resume:
    // it keeps sessions per working folder, so a moved project loses them.
    bool sesionPerdida = false;
};

// What Claude Code says, on a result line or on standard error, when the
// session to resume does not exist in its working folder.
bool esSesionPerdida(const QString& texto);

// What the foreground turn knows between lines.
struct Estado {
    bool huboDeltas = false;     // streamed text arrived in this turn
    bool respuestaVacia = true;  // the reply's text is still empty
};

struct Efectos {
    QString anexo;        // text appended to the reply
    bool guardar = false; // that append is written to the store file
    QStringList fragmentos;                    // alFragmento, in order
    bool finBloque = false;                    // alFinBloque
    QList<std::optional<QString>> actividades; // assignments of actividad, in order
    std::optional<Resultado> resultado;
};

// A line of the running foreground turn; updates `estado`.
Efectos interpretar(const QString& linea, Estado& estado);

struct EfectosFondo {
    bool huboDelta = false;           // a text delta arrived
    QString anexo;                    // its text for the task's message, not saved
    std::optional<QString> actividad; // the task's latest tool phrase
    // Set by "result", which ends the task.
    std::optional<Resultado> fin;
};

// A line of a session that was moved to the background.
EfectosFondo interpretarFondo(const QString& linea);

}
