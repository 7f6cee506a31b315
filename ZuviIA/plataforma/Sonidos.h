#pragma once

#include <QString>

#include <functional>
#include <optional>

// The named system sounds ("Glass", "Hero", "Tink", "Pop"), played from the
// desktop's sound theme. Playing never waits and never fails the caller.
class Sonidos {
public:
    virtual ~Sonidos() = default;
    // Starts the sound; `alFallar` gets the reason when it cannot play (no
    // sound server, an unknown name), on another thread.
    virtual void reproducir(const QString& nombre, std::function<void(const QString& motivo)> alFallar = {}) = 0;

    static Sonidos& sistema();
    // The theme's event for a named sound; none for a name we do not know.
    static std::optional<QString> evento(const QString& nombre);
};
