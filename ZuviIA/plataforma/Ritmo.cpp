#include "plataforma/Ritmo.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>

Ritmo::Ritmo(int frecuencia)
    : st_(std::make_unique<soundtouch::SoundTouch>())
{
    st_->setSampleRate(uint(frecuencia));
    st_->setChannels(1);
    // Short sequences keep the start of a sentence close to its request.
    st_->setSetting(SETTING_SEQUENCE_MS, 40);
    st_->setSetting(SETTING_SEEKWINDOW_MS, 15);
    st_->setSetting(SETTING_OVERLAP_MS, 8);
}

Ritmo::~Ritmo() = default;

void Ritmo::setVelocidad(float velocidad)
{
    if (velocidad <= 0 || velocidad == velocidad_)
        return;
    velocidad_ = velocidad;
    st_->setTempo(velocidad);
}

std::vector<float> Ritmo::recibir()
{
    std::vector<float> salida(st_->numSamples());
    if (!salida.empty())
        salida.resize(st_->receiveSamples(salida.data(), uint(salida.size())));
    salida_ += double(salida.size());
    return salida;
}

std::vector<float> Ritmo::procesar(std::span<const float> muestras)
{
    if (muestras.empty())
        return {};
    entrada_ += double(muestras.size()) / velocidad_;
    st_->putSamples(muestras.data(), uint(muestras.size()));
    return recibir();
}

std::vector<float> Ritmo::vaciar()
{
    st_->flush();
    std::vector<float> resto = recibir();
    // flush pads with silence to push the tail out; keep only what the
    // utterance itself is worth.
    const double sobra = salida_ - std::ceil(entrada_);
    if (sobra > 0)
        resto.resize(resto.size() - std::min(resto.size(), size_t(sobra)));
    entrada_ = 0;
    salida_ = 0;
    st_->clear();
    return resto;
}

void Ritmo::limpiar()
{
    st_->clear();
    entrada_ = 0;
    salida_ = 0;
}
