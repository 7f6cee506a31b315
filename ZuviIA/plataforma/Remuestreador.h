#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

struct soxr;

// The converter could not be made for those rates. Passing the audio on
// unconverted would feed the recognizer at the wrong speed.
class ErrorRemuestreo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Streaming conversion of mono float audio from one sample rate to another
// (libsoxr), one state per recognition segment.
class Remuestreador {
public:
    // Throws ErrorRemuestreo when the rates cannot be converted.
    Remuestreador(double entrada, double salida);
    ~Remuestreador();
    Remuestreador(const Remuestreador&) = delete;
    Remuestreador& operator=(const Remuestreador&) = delete;

    // The output samples available so far.
    std::vector<float> procesar(std::span<const float> muestras);
    // What is still held inside the filter, at the end of the stream.
    std::vector<float> vaciar();

private:
    std::vector<float> correr(const float* datos, size_t n);

    double razon_;
    struct Liberar {
        void operator()(soxr* s) const;
    };
    std::unique_ptr<soxr, Liberar> estado_;
};
