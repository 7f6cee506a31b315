#pragma once

#include <QDateTime>
#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// A pending single-shot timer. Destroying or reassigning the handle cancels
// it, so a field that holds one is replaced by assigning the next timer.
class Temporizador {
public:
    Temporizador() = default;
    explicit Temporizador(std::shared_ptr<std::atomic<bool>> pendiente) : pendiente_(std::move(pendiente)) {}
    Temporizador(Temporizador&&) noexcept = default;
    Temporizador& operator=(Temporizador&& otro) noexcept;
    Temporizador(const Temporizador&) = delete;
    Temporizador& operator=(const Temporizador&) = delete;
    ~Temporizador() { cancelar(); }

    void cancelar();
    bool pendiente() const { return pendiente_ && pendiente_->load(); }
    // Lets the timer fire after the handle is gone.
    void soltar() { pendiente_.reset(); }

private:
    std::shared_ptr<std::atomic<bool>> pendiente_;
};

// The one clock of the application: wall time, monotonic time and timers.
// Tests hand a RelojFalso to the objects they build and drive it by hand.
class Reloj {
public:
    virtual ~Reloj() = default;

    virtual QDateTime ahora() const = 0;
    // Monotonic time since an arbitrary origin; never goes back.
    virtual std::chrono::milliseconds monotono() const = 0;
    // Calls `accion` once on `contexto`'s thread after `espera`, unless the
    // handle is cancelled first or `contexto` is destroyed.
    virtual Temporizador despues(std::chrono::milliseconds espera, QObject* contexto,
                                 std::function<void()> accion) = 0;

    static Reloj& sistema();
};
