#pragma once

#include <QString>

#include <optional>

// What a Claude Code session was started with. A session is reused only
// while every part is the same; the parts are compared one by one, so a "|"
// inside a folder or a context can never make two settings look alike.
struct ClaveSesion {
    QString carpeta;
    QString nivel;                         // raw value of the permission level
    QString modelo;                        // raw value of the Claude model
    QString contexto;                      // the person context; none is empty
    QString instrucciones;                 // "instruccionesExtra" as stored
    std::optional<QString> reanudar;       // the agent session id resumed
    bool copia = false;                    // branches off the resumed session

    bool operator==(const ClaveSesion&) const = default;

    // The six parts joined with "|" (plus "|copia"), for log lines only.
    QString texto() const;
};
