#include "plataforma/Remuestreador.h"

#include <soxr.h>

#include <cmath>

namespace {

// Reaches the user as the recognizer's error.
constexpr const char* mensaje = "No se pudo convertir el audio del micrófono para el reconocimiento de voz.";

} // namespace

void Remuestreador::Liberar::operator()(soxr* s) const
{
    soxr_delete(s);
}

Remuestreador::Remuestreador(double entrada, double salida)
    : razon_(salida / entrada)
{
    // libsoxr never returns for a rate that is not a finite number.
    if (!std::isfinite(entrada) || !std::isfinite(salida) || entrada <= 0 || salida <= 0)
        throw ErrorRemuestreo(mensaje);
    if (entrada == salida)
        return;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // Medium quality is plenty for speech and keeps the filter short.
    const soxr_quality_spec_t calidad = soxr_quality_spec(SOXR_MQ, 0);
    estado_.reset(soxr_create(entrada, salida, 1, &error, &io, &calidad, nullptr));
    if (!estado_ || error)
        throw ErrorRemuestreo(mensaje);
}

Remuestreador::~Remuestreador() = default;

std::vector<float> Remuestreador::correr(const float* datos, size_t n)
{
    std::vector<float> salida(size_t(std::ceil(double(n) * razon_)) + 64);
    std::vector<float> todo;
    for (;;) {
        size_t usadas = 0;
        size_t hechas = 0;
        soxr_process(estado_.get(), datos, n, &usadas, salida.data(), salida.size(), &hechas);
        todo.insert(todo.end(), salida.begin(), salida.begin() + std::ptrdiff_t(hechas));
        if (datos) {
            datos += usadas;
            n -= usadas;
            if (n == 0 && hechas < salida.size())
                break;
        } else if (hechas < salida.size()) {
            break;
        }
    }
    return todo;
}

std::vector<float> Remuestreador::procesar(std::span<const float> muestras)
{
    if (!estado_)
        return {muestras.begin(), muestras.end()};
    if (muestras.empty())
        return {};
    return correr(muestras.data(), muestras.size());
}

std::vector<float> Remuestreador::vaciar()
{
    if (!estado_)
        return {};
    return correr(nullptr, 0);
}
