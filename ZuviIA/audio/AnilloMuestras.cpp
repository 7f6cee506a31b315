#include "audio/AnilloMuestras.h"

#include <algorithm>

AnilloMuestras::AnilloMuestras(size_t capacidad) : datos_(capacidad) {}

void AnilloMuestras::anadir(const float* muestras, size_t n)
{
    const size_t c = datos_.size();
    if (c == 0)
        return;
    // Only the last `c` of a long run can stay.
    if (n > c) {
        muestras += n - c;
        n = c;
    }
    size_t fin = (inicio_ + tamano_) % c;
    const size_t primero = std::min(n, c - fin);
    std::copy(muestras, muestras + primero, datos_.begin() + std::ptrdiff_t(fin));
    std::copy(muestras + primero, muestras + n, datos_.begin());
    const size_t total = tamano_ + n;
    if (total > c) {
        inicio_ = (inicio_ + total - c) % c;
        tamano_ = c;
    } else {
        tamano_ = total;
    }
}

std::vector<float> AnilloMuestras::copia() const
{
    std::vector<float> r(tamano_);
    const size_t c = datos_.size();
    const size_t primero = std::min(tamano_, c - inicio_);
    std::copy(datos_.begin() + std::ptrdiff_t(inicio_), datos_.begin() + std::ptrdiff_t(inicio_ + primero), r.begin());
    std::copy(datos_.begin(), datos_.begin() + std::ptrdiff_t(tamano_ - primero), r.begin() + std::ptrdiff_t(primero));
    return r;
}
