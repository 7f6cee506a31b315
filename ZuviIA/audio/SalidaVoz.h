#pragma once

#include "plataforma/Reproductor.h"
#include "plataforma/Sintetizador.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class Ajustes;
class TareaVoz;
class UnaVez;
class VozNeural;

// How a speech turn ended.
enum class FinHabla {
    oido,     // all of it was heard (or there was nothing to hear)
    cortado,  // callar or a newer turn stopped it
    fallo,    // the voice service or the output broke off; what came was heard
};

// Speaks texts through one player: with the local voice service when it is
// ready and switched on, otherwise (or when the service yields no audio at
// all) with the system voice. Each hablar is a numbered turn; a newer turn
// or callar makes the older ones stale, their audio dropped. Shared by the
// conversation engine and the main window's speaker.
class SalidaVoz {
public:
    using AlTerminar = std::function<void(FinHabla fin)>;

    struct Capas {
        Ajustes& ajustes;
        std::shared_ptr<Reproductor> reproductor;
        std::shared_ptr<Sintetizador> sintetizador;
        VozNeural* voz = nullptr;  // none: the system voice only
    };

    // 0.1 s of silence after a system-voice utterance.
    static constexpr size_t muestrasPausa = Reproductor::frecuencia / 10;

    explicit SalidaVoz(Capas capas);
    // Silences; once it returns no callback of any turn runs.
    ~SalidaVoz();
    SalidaVoz(const SalidaVoz&) = delete;
    SalidaVoz& operator=(const SalidaVoz&) = delete;

    // Silences the previous turn, then speaks `texto`; `voz` and `velocidad`
    // (0…1, 0.5 the normal pace) serve the system voice. Returns at once;
    // `alTerminar` runs exactly once, on whichever thread ends the turn (a
    // turn cut by callar or by the next hablar reports from that call).
    void hablar(const QString& texto, const std::optional<QString>& voz, float velocidad, AlTerminar alTerminar);
    // Stops at once: the player always, whatever was scheduled.
    void callar();

    // "velocidadVoz" when above 0; 1.15 when absent or not positive.
    static float velocidadVoz(const Ajustes& ajustes);

private:
    struct Nucleo;
    struct Turno;
    using PNucleo = std::shared_ptr<Nucleo>;
    using PTurno = std::shared_ptr<Turno>;

    static std::shared_ptr<TareaVoz> hablarNeural(const PNucleo& n, const PTurno& t);
    static void hablarSistema(const PNucleo& n, const PTurno& t);
    static void programarFin(const PNucleo& n, const PTurno& t, FinHabla siSuena);
    static void terminar(const PNucleo& n, const PTurno& t, FinHabla fin);
    template <typename F>
    static auto guardado(const PNucleo& n, F f);

    PNucleo n_;
};
