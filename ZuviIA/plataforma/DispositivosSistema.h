#pragma once

#include <QString>

#include <cstdint>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The computer's sound devices as the sound server describes them. The real
// one talks to PulseAudio (PipeWire serves the same protocol); tests use a
// fake with records of their own.
class DispositivosSistema {
public:
    // One device in one direction, with what the server could tell.
    struct Registro {
        uint32_t indice = 0;
        std::optional<QString> nombre;      // persistent server name
        std::optional<QString> descripcion; // the name people read
        std::optional<QString> fabricante;
        uint32_t transporte = 0;            // four-character code, 0 = unknown
        int canales = 0;
    };

    // What the server says of an output's volume; either read may fail.
    struct EstadoSalida {
        std::optional<bool> silenciada;
        std::optional<float> volumen; // 1.0 = full scale
    };

    // The device properties the transport is derived from.
    struct Propiedades {
        QString nombre;      // server name
        QString driver;      // module or driver that made the device
        QString bus;         // device.bus
        QString formaFisica; // device.form_factor
        QString api;         // device.api
        QString clase;       // device.class
    };

    virtual ~DispositivosSistema() = default;

    // Inputs (monitors of outputs excluded) or outputs, in server order.
    // Empty when the server cannot be reached.
    virtual std::vector<Registro> listar(bool entrada) = 0;
    // The given output, or the default one for none; none when there is no
    // default output. Answers from a cache: it is asked while drawing.
    virtual std::optional<EstadoSalida> estadoSalida(std::optional<uint32_t> indice) = 0;
    // The server name of the default input or output; none when the
    // server cannot tell.
    virtual std::optional<QString> predeterminado(bool entrada) = 0;
    // Registers `alCambiar` to run on the GUI thread whenever a device comes
    // or goes or the default input or output changes.
    virtual void observar(std::function<void()> alCambiar) = 0;
    // Registers `alCambiar` to run on the GUI thread whenever an output's
    // mute or volume changes, once the cache answers with the new state.
    virtual void observarSalidas(std::function<void()> alCambiar) = 0;

    static DispositivosSistema& sistema();
    // The same over the sound server at `servidor` (a libpulse server
    // string), for tests.
    static std::unique_ptr<DispositivosSistema> conServidor(const QString& servidor);

    // No call waits longer than this on the sound server: a server that
    // stalls is answered from the last known lists, and asked again only
    // after `pausaTrasAtasco`.
    static constexpr std::chrono::milliseconds limiteEspera{1000};
    static constexpr std::chrono::seconds pausaTrasAtasco{5};
    // While the server is gone and anyone observes, it is looked for again
    // this often; the observers hear when it comes back.
    static constexpr std::chrono::seconds pausaReconexion{2};
    // Where a stalled server is reported (the log, once the core is up).
    static void setAnotador(std::function<void(const QString&)> anotar);

    // The transport code for a device, so the labels keyed by the Mac's
    // transport types apply unchanged.
    static uint32_t transporte(const Propiedades& p);
};

// A four-character code as an unsigned 32-bit number ('bltn').
constexpr uint32_t codigoCuatro(const char (&c)[5])
{
    return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8)
        | uint32_t(uint8_t(c[3]));
}
