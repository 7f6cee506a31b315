#pragma once

// What the system lets the application use. Linux has no gate for the
// microphone or speech: the microphone is granted when an input device
// exists, speech recognition when the recognizer and a Spanish model load.
class Permisos {
public:
    // An authorization status in the numbering the log lines use.
    enum class Estado : int { sinDecidir = 0, restringido = 1, denegado = 2, autorizado = 3 };

    virtual ~Permisos() = default;
    virtual bool microfono() = 0;
    virtual bool reconocimiento() = 0;
    // Linux decides at once: granted, or refused for want of a device or
    // a model.
    virtual Estado estadoMicrofono() { return microfono() ? Estado::autorizado : Estado::denegado; }
    virtual Estado estadoReconocimiento() { return reconocimiento() ? Estado::autorizado : Estado::denegado; }
    // Driving the desktop and reading the screen: X11 has no gate for
    // either; a Wayland session lets no application do both by itself.
    virtual bool accesibilidad() { return !sesionWayland(); }
    virtual bool grabacionPantalla() { return !sesionWayland(); }

    static bool sesionWayland();

    static Permisos& sistema();
};
