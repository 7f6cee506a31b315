#pragma once

#include "plataforma/DispositivosSistema.h"

#include <map>

// Device records and output states set by the test; cambiar() plays a
// server notice to every observer, as the real layer does, on this thread.
class DispositivosSistemaFalso final : public DispositivosSistema {
public:
    std::vector<Registro> entradas;
    std::vector<Registro> salidas;
    std::map<uint32_t, EstadoSalida> estados;
    std::optional<uint32_t> salidaPorDefecto;
    std::optional<uint32_t> entradaPorDefecto;

    std::vector<Registro> listar(bool entrada) override { return entrada ? entradas : salidas; }

    std::optional<EstadoSalida> estadoSalida(std::optional<uint32_t> indice) override
    {
        const auto i = indice ? indice : salidaPorDefecto;
        if (!i)
            return std::nullopt;
        auto it = estados.find(*i);
        return it == estados.end() ? EstadoSalida{} : it->second;
    }

    std::optional<QString> predeterminado(bool entrada) override
    {
        const auto i = entrada ? entradaPorDefecto : salidaPorDefecto;
        for (const auto& r : entrada ? entradas : salidas)
            if (i && r.indice == *i)
                return r.nombre;
        return std::nullopt;
    }

    void observar(std::function<void()> alCambiar) override { observadores.push_back(std::move(alCambiar)); }

    void observarSalidas(std::function<void()> alCambiar) override
    {
        observadoresSalidas.push_back(std::move(alCambiar));
    }

    void cambiar()
    {
        for (auto& f : observadores)
            f();
    }
    // Plays a mute or volume change of an output.
    void cambiarSalidas()
    {
        for (auto& f : observadoresSalidas)
            f();
    }

    std::vector<std::function<void()>> observadores;
    std::vector<std::function<void()>> observadoresSalidas;
};
