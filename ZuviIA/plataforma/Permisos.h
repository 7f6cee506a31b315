#pragma once

// What the system lets the application use. Linux has no gate for the
// microphone or speech: the microphone is granted when an input device
// exists, speech recognition when the recognizer and a Spanish model load.
class Permisos {
public:
    virtual ~Permisos() = default;
    virtual bool microfono() = 0;
    virtual bool reconocimiento() = 0;
    // Driving the desktop and reading the screen: X11 has no gate for
    // either; a Wayland session lets no application do both by itself.
    virtual bool accesibilidad() { return !sesionWayland(); }
    virtual bool grabacionPantalla() { return !sesionWayland(); }

    static bool sesionWayland();

    static Permisos& sistema();
};
