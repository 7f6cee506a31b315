#pragma once

#include "plataforma/Permisos.h"

#include <QObject>

#include <functional>
#include <optional>

// The microphone and speech answers of Permisos, asked off the GUI thread
// (listing devices and loading the model take a while) and kept, so views
// show the last answer at once and ask again when it may have changed.
class ComprobacionPermisos : public QObject {
    Q_OBJECT

public:
    struct Respuesta {
        bool microfono = false;
        bool voz = false;
        bool listos() const { return microfono && voz; }
        bool operator==(const Respuesta&) const = default;
    };

    explicit ComprobacionPermisos(Permisos& permisos, QObject* parent = nullptr);

    // Over the system's permissions; GUI thread.
    static ComprobacionPermisos& shared();

    // None until the first answer arrives.
    std::optional<Respuesta> ultima() const { return ultima_; }

    // Asks again; `alResponder` runs on `contexto`'s thread with the fresh
    // answer, unless `contexto` is gone. Overlapping questions share one
    // answer: only the latest question's answer is kept.
    void comprobar(QObject* contexto = nullptr, std::function<void(Respuesta)> alResponder = {});

signals:
    void respondida();

private:
    Permisos& permisos_;
    std::optional<Respuesta> ultima_;
    quint64 pregunta_ = 0;
};
