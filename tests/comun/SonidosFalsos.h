#pragma once

#include "plataforma/Sonidos.h"

#include <QStringList>

#include <mutex>

// Records the named sounds asked for, in order.
struct SonidosFalsos final : Sonidos {
    void reproducir(const QString& nombre, std::function<void(const QString&)>) override
    {
        std::lock_guard g(mutex);
        pedidos << nombre;
    }
    QStringList sonados()
    {
        std::lock_guard g(mutex);
        return pedidos;
    }

    std::mutex mutex;
    QStringList pedidos;
};
