#pragma once

#include <memory>
#include <span>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

// Changes the speed of mono float speech without changing its pitch
// (SoundTouch). One per player; its state runs across buffers.
class Ritmo {
public:
    explicit Ritmo(int frecuencia);
    ~Ritmo();
    Ritmo(const Ritmo&) = delete;
    Ritmo& operator=(const Ritmo&) = delete;

    // 1 plays as recorded, 1.5 half as fast again.
    void setVelocidad(float velocidad);
    float velocidad() const { return velocidad_; }

    // The stretched samples ready so far; some stay inside until more come.
    std::vector<float> procesar(std::span<const float> muestras);
    // Everything still inside, at the end of an utterance.
    std::vector<float> vaciar();
    // Drops what is inside without playing it.
    void limpiar();

private:
    std::vector<float> recibir();

    std::unique_ptr<soundtouch::SoundTouch> st_;
    float velocidad_ = 1;
    // Samples put in since the last vaciar: tells how much output the
    // utterance should give, so the padding flush adds can be cut off.
    double entrada_ = 0;
    double salida_ = 0;
};
