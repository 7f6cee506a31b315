#pragma once

#include "plataforma/Reloj.h"

#include <QPointer>

#include <optional>
#include <vector>

// A clock that only moves when the test says so. Due timers fire inside
// avanzar(), in deadline order, on the caller's thread.
class RelojFalso final : public Reloj {
public:
    explicit RelojFalso(QDateTime inicio = QDateTime(QDate(2026, 3, 9), QTime(9, 5, 3, 7)))
        : pared_(std::move(inicio)) {}

    QDateTime ahora() const override { return pared_.addMSecs(monotono_.count()); }
    std::chrono::milliseconds monotono() const override { return monotono_; }

    Temporizador despues(std::chrono::milliseconds espera, QObject* contexto,
                         std::function<void()> accion) override
    {
        auto pendiente = std::make_shared<std::atomic<bool>>(true);
        pendientes_.push_back({monotono_ + std::max(espera, std::chrono::milliseconds(0)), secuencia_++,
                               contexto, contexto != nullptr, pendiente, std::move(accion)});
        return Temporizador(pendiente);
    }

    void avanzar(std::chrono::milliseconds cuanto)
    {
        const auto destino = monotono_ + cuanto;
        while (auto siguiente = proximo(destino)) {
            auto t = std::move(*siguiente);
            monotono_ = t.vence;
            const bool contextoVivo = !t.conContexto || !t.contexto.isNull();
            if (contextoVivo && t.pendiente->exchange(false))
                t.accion();
        }
        monotono_ = destino;
    }

    // Timers not yet fired nor cancelled.
    int pendientes() const
    {
        int n = 0;
        for (const auto& t : pendientes_)
            n += t.pendiente->load() ? 1 : 0;
        return n;
    }

private:
    struct Pendiente {
        std::chrono::milliseconds vence;
        quint64 orden;
        QPointer<QObject> contexto;
        bool conContexto;
        std::shared_ptr<std::atomic<bool>> pendiente;
        std::function<void()> accion;
    };

    std::optional<Pendiente> proximo(std::chrono::milliseconds hasta)
    {
        auto mejor = pendientes_.end();
        for (auto it = pendientes_.begin(); it != pendientes_.end(); ++it) {
            if (it->vence > hasta)
                continue;
            if (mejor == pendientes_.end() || it->vence < mejor->vence
                || (it->vence == mejor->vence && it->orden < mejor->orden))
                mejor = it;
        }
        if (mejor == pendientes_.end())
            return std::nullopt;
        Pendiente t = std::move(*mejor);
        pendientes_.erase(mejor);
        return t;
    }

    QDateTime pared_;
    std::chrono::milliseconds monotono_{0};
    quint64 secuencia_ = 0;
    std::vector<Pendiente> pendientes_;
};
