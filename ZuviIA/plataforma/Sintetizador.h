#pragma once

#include "plataforma/Microfono.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A voice the system synthesizer can speak with.
struct VozSistema {
    QString identificador;  // what "vozID" stores
    QString nombre;         // what people read
    QString idioma;         // language tag: "es", "es-419"…
    int calidad = 0;        // higher sounds better
    bool novedad = false;   // a joke voice, never chosen by itself

    friend bool operator==(const VozSistema&, const VozSistema&) = default;
};

// One request: the text, its voice (none = the default Spanish voice) and
// its rate from 0 (slowest) to 1 (fastest); 0.5 is the normal pace.
struct Enunciado {
    QString texto;
    std::optional<QString> voz;
    float velocidad = 0.5f;
};

// The system speech synthesizer, rendering text into audio blocks instead of
// playing it. Each owner has its own; they share the one engine underneath.
class Sintetizador {
public:
    virtual ~Sintetizador() = default;

    // Every voice installed that can speak by itself.
    virtual std::vector<VozSistema> voces() const = 0;
    // Renders on the synthesizer's thread: mono float blocks as they come,
    // then one empty block that ends the utterance. Returns at once.
    virtual void escribir(const Enunciado& enunciado, std::function<void(const BloqueAudio&)> alBloque) = 0;
    // Stops this owner's requests at once: no block of theirs follows, not
    // even the empty one.
    virtual void detener() = 0;

    static std::unique_ptr<Sintetizador> crear();
    // Rate 0…1 to words per minute: 0 → 80, 0.5 → 175, 1 → 450, straight
    // lines between; outside values are held at the ends.
    static int palabrasPorMinuto(float velocidad);
    // What people read for a voice: the Spanish voices by their Spanish
    // names, any other by the engine's own name.
    static QString nombreVoz(const QString& identificador, const QString& nombreMotor);
};
