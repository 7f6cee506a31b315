#pragma once

#include <cstddef>
#include <vector>

// The newest `capacidad` samples of a stream: appending past it overwrites
// the oldest, with no copy of what stays.
class AnilloMuestras {
public:
    explicit AnilloMuestras(size_t capacidad);

    void anadir(const float* muestras, size_t n);
    // Oldest first.
    std::vector<float> copia() const;
    void vaciar() { inicio_ = tamano_ = 0; }
    size_t tamano() const { return tamano_; }

private:
    std::vector<float> datos_;
    size_t inicio_ = 0;
    size_t tamano_ = 0;
};
