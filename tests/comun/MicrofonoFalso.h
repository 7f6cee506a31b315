#pragma once

#include "plataforma/Microfono.h"

#include <mutex>

// A microphone whose opening and start can be scripted to fail; the test
// pushes blocks by hand with empujar().
class MicrofonoFalso final : public Microfono {
public:
    std::optional<ErrorCaptura> errorAlAbrir;
    std::optional<ErrorCaptura> errorAlIniciar;
    int frecuencia = 16000;
    int canales = 1;
    std::vector<std::optional<QString>> abiertos;

    std::unique_ptr<CapturaAudio> abrir(const std::optional<QString>& uid) override
    {
        abiertos.push_back(uid);
        if (errorAlAbrir)
            throw *errorAlAbrir;
        return std::make_unique<Captura>(*this);
    }

    // Hands a block to the running capture, as the capture thread would.
    bool empujar(const BloqueAudio& b)
    {
        std::lock_guard g(mutex_);
        if (!alBloque_)
            return false;
        alBloque_(b);
        return true;
    }

    // Fails the running capture, as a device that went away would.
    bool fallar(const QString& texto)
    {
        std::lock_guard g(mutex_);
        if (!alError_)
            return false;
        alError_(texto);
        alBloque_ = nullptr;
        alError_ = nullptr;
        return true;
    }

private:
    class Captura final : public CapturaAudio {
    public:
        explicit Captura(MicrofonoFalso& m) : m_(m) {}
        ~Captura() override { detener(); }
        int frecuencia() const override { return m_.frecuencia; }
        int canales() const override { return m_.canales; }
        void iniciar(std::function<void(const BloqueAudio&)> alBloque,
                     std::function<void(const QString&)> alError) override
        {
            if (m_.errorAlIniciar)
                throw *m_.errorAlIniciar;
            std::lock_guard g(m_.mutex_);
            m_.alBloque_ = std::move(alBloque);
            m_.alError_ = std::move(alError);
        }
        void detener() override
        {
            std::lock_guard g(m_.mutex_);
            m_.alBloque_ = nullptr;
            m_.alError_ = nullptr;
        }

    private:
        MicrofonoFalso& m_;
    };

    std::mutex mutex_;
    std::function<void(const BloqueAudio&)> alBloque_;
    std::function<void(const QString&)> alError_;
};
