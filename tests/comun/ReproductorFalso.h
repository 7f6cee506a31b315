#pragma once

#include "plataforma/Reproductor.h"

#include <map>
#include <mutex>
#include <stdexcept>

// A player that records what is scheduled and plays nothing: the test says
// when the queued end markers have been heard (sonar), as the real player's
// thread would; detener drops them with false, as the real one does.
class ReproductorFalso final : public Reproductor {
public:
    bool fallar = false;
    std::vector<std::optional<QString>> salidas;

    void preparar(const std::optional<QString>& salida) override
    {
        if (fallar)
            throw std::runtime_error("No se pudo usar la salida de audio.");
        std::lock_guard g(mutex_);
        salidas.push_back(salida);
    }

    void detener() override
    {
        std::vector<std::function<void(bool)>> marcas;
        {
            std::lock_guard g(mutex_);
            ++detenciones_;
            muestras_.clear();
            marcas.swap(marcas_);
        }
        for (auto& m : marcas)
            m(false);
    }

    void velocidad(float ritmo) override
    {
        std::lock_guard g(mutex_);
        ritmo_ = ritmo;
    }

    void programar(std::vector<float> muestras) override
    {
        std::lock_guard g(mutex_);
        muestras_.insert(muestras_.end(), muestras.begin(), muestras.end());
        total_ += muestras.size();
    }

    void programarFin(std::function<void(bool)> alSonar) override
    {
        std::lock_guard g(mutex_);
        marcas_.push_back(std::move(alSonar));
    }

    std::unique_ptr<Observacion> observarSalida(std::function<void(const float*, size_t)>) override
    {
        return std::make_unique<Observacion>();
    }

    std::unique_ptr<Observacion> observarNivel(std::function<void(float)> observador) override
    {
        std::lock_guard g(mutex_);
        const int clave = siguiente_++;
        niveles_[clave] = std::move(observador);
        return std::make_unique<Observacion>([this, clave] {
            std::lock_guard g(mutex_);
            niveles_.erase(clave);
        });
    }

    // Everything queued so far has been heard: the pending markers fire.
    void sonar()
    {
        std::vector<std::function<void(bool)>> marcas;
        {
            std::lock_guard g(mutex_);
            muestras_.clear();
            marcas.swap(marcas_);
        }
        for (auto& m : marcas)
            m(true);
    }

    // One block of that RMS has been heard.
    void nivel(float rms)
    {
        std::lock_guard g(mutex_);
        for (auto& [clave, o] : niveles_)
            o(rms);
    }

    // Samples queued and not yet heard or dropped.
    size_t pendientes() const { std::lock_guard g(mutex_); return muestras_.size(); }
    size_t total() const { std::lock_guard g(mutex_); return total_; }
    size_t marcas() const { std::lock_guard g(mutex_); return marcas_.size(); }
    int detenciones() const { std::lock_guard g(mutex_); return detenciones_; }
    float ritmo() const { std::lock_guard g(mutex_); return ritmo_; }
    size_t observadoresNivel() const { std::lock_guard g(mutex_); return niveles_.size(); }

private:
    mutable std::mutex mutex_;
    std::vector<float> muestras_;
    size_t total_ = 0;
    std::vector<std::function<void(bool)>> marcas_;
    int detenciones_ = 0;
    float ritmo_ = 1;
    int siguiente_ = 0;
    std::map<int, std::function<void(float)>> niveles_;
};
