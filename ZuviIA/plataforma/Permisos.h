#pragma once

// What the system lets the application use. Linux has no gate for the
// microphone or speech: the microphone is granted when an input device
// exists, speech recognition when the recognizer and a Spanish model load.
class Permisos {
public:
    virtual ~Permisos() = default;
    virtual bool microfono() = 0;
    virtual bool reconocimiento() = 0;

    static Permisos& sistema();
};
