#pragma once

#include "plataforma/Reconocedor.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>

// A speech backend that plays a script: each accepted chunk of audio takes
// the next step. A closed gate holds the recognition worker inside aceptar.
class MotorReconocimientoGuionado final : public MotorReconocimiento {
public:
    struct Paso {
        QString parcial;
        bool finEnunciado = false; // the backend's own endpoint
        QString enunciado;
        bool fallar = false;
    };

    struct Estado {
        std::mutex mutex;
        std::condition_variable cambio;
        bool abierta = true;
        std::vector<Paso> guion;
        QString textoFinal;
        size_t paso = 0;
        size_t muestras = 0;
        float maximo = 0;
        int vivos = 0;
        std::vector<std::chrono::steady_clock::duration> demoras;
    };

    bool esDisponible = true;
    QStringList soportados{QStringLiteral("es-ES")};
    QStringList abiertos;
    std::shared_ptr<Estado> estado = std::make_shared<Estado>();
    // One script per opened stream, in opening order; a stream beyond them
    // plays the shared estado->guion.
    std::vector<std::vector<Paso>> guionesPorFlujo;

    bool disponible() override { return esDisponible; }
    QString motivo() override { return esDisponible ? QString() : QStringLiteral("sin modelo"); }
    QStringList locales() override { return soportados; }
    std::unique_ptr<FlujoReconocimiento> abrir(const QString& locale) override
    {
        abiertos << locale;
        const size_t k = size_t(abiertos.size() - 1);
        if (k < guionesPorFlujo.size())
            return std::make_unique<Flujo>(estado, guionesPorFlujo[k]);
        return std::make_unique<Flujo>(estado);
    }

    // The phrases of every restricted stream, in opening order.
    std::vector<QStringList> restringidos;
    std::unique_ptr<FlujoReconocimiento> abrirRestringido(const QString& locale, const QStringList& frases) override
    {
        restringidos.push_back(frases);
        return abrir(locale);
    }

    void cerrar() { std::lock_guard g(estado->mutex); estado->abierta = false; }
    void abrirCompuerta()
    {
        {
            std::lock_guard g(estado->mutex);
            estado->abierta = true;
        }
        estado->cambio.notify_all();
    }
    int vivos() { std::lock_guard g(estado->mutex); return estado->vivos; }
    size_t muestras() { std::lock_guard g(estado->mutex); return estado->muestras; }

private:
    class Flujo final : public FlujoReconocimiento {
    public:
        explicit Flujo(std::shared_ptr<Estado> e, std::optional<std::vector<Paso>> propio = std::nullopt)
            : e_(std::move(e)), propio_(std::move(propio))
        {
            std::lock_guard g(e_->mutex);
            ++e_->vivos;
        }
        ~Flujo() override { std::lock_guard g(e_->mutex); --e_->vivos; }

        bool aceptar(std::span<const float> m, std::chrono::steady_clock::time_point capturado) override
        {
            std::unique_lock l(e_->mutex);
            e_->demoras.push_back(std::chrono::steady_clock::now() - capturado);
            e_->cambio.wait(l, [&] { return e_->abierta; });
            e_->muestras += m.size();
            for (float x : m)
                e_->maximo = std::max(e_->maximo, std::abs(x));
            const std::vector<Paso>& guion = propio_ ? *propio_ : e_->guion;
            size_t& paso = propio_ ? pasoPropio_ : e_->paso;
            if (paso >= guion.size())
                return false;
            actual_ = guion[paso++];
            if (actual_.fallar)
                throw std::runtime_error("El reconocedor falló.");
            return actual_.finEnunciado;
        }
        QString enunciado() override { return actual_.enunciado; }
        QString parcial() override { return actual_.parcial; }
        QString final() override { std::lock_guard g(e_->mutex); return e_->textoFinal; }

    private:
        std::shared_ptr<Estado> e_;
        std::optional<std::vector<Paso>> propio_;
        size_t pasoPropio_ = 0;
        Paso actual_;
    };
};
