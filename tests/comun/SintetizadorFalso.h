#pragma once

#include "plataforma/Sintetizador.h"

#include <cmath>
#include <mutex>

// A system voice that renders every text as `bloques` blocks of a 300 Hz
// tone at 22050 Hz (none for a text starting "mudo"), then the empty block,
// right inside escribir, or, with `retener`, when the test calls entregar.
// detener drops what is held, as the real one does.
class SintetizadorFalso final : public Sintetizador {
public:
    static constexpr int frecuencia = 22050;
    int bloques = 4;
    bool retener = false;

    std::vector<VozSistema> voces() const override { return {}; }

    void escribir(const Enunciado& e, std::function<void(const BloqueAudio&)> alBloque) override
    {
        {
            std::lock_guard g(mutex_);
            pedidos_.push_back(e);
            retenido_ = std::move(alBloque);
        }
        if (!retener)
            entregar();
    }

    void detener() override
    {
        std::lock_guard g(mutex_);
        retenido_ = nullptr;
    }

    void entregar()
    {
        std::function<void(const BloqueAudio&)> f;
        QString texto;
        {
            std::lock_guard g(mutex_);
            f = std::move(retenido_);
            retenido_ = nullptr;
            if (!f)
                return;
            texto = pedidos_.back().texto;
        }
        if (!texto.startsWith(QStringLiteral("mudo"))) {
            for (int i = 0; i < bloques; ++i)
                f(tono(2205, i * 2205));
        }
        f(BloqueAudio{{}, 1, frecuencia, {}});
    }

    std::vector<Enunciado> pedidos() const
    {
        std::lock_guard g(mutex_);
        return pedidos_;
    }

    static BloqueAudio tono(int n, int desde)
    {
        BloqueAudio b;
        b.frecuencia = frecuencia;
        for (int i = 0; i < n; ++i)
            b.muestras.push_back(0.3f * float(std::sin(2 * M_PI * 300 * (desde + i) / frecuencia)));
        return b;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Enunciado> pedidos_;
    std::function<void(const BloqueAudio&)> retenido_;
};
