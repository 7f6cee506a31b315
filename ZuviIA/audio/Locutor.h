#pragma once

#include "audio/SalidaVoz.h"
#include "core/Receptor.h"
#include "plataforma/Sintetizador.h"

#include <QObject>

#include <memory>
#include <optional>

class Ajustes;
class DispositivosSistema;
class VozNeural;

// Speaks aloud outside projects mode (answers, test phrases, read-aloud):
// the neural voice when the voice service is ready and switched on, the
// system voice otherwise, through a player of its own at the user's speech
// rate. Reports no completion; `hablando` says whether it is speaking. One
// shared instance on the GUI thread.
class Locutor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hablando READ hablando NOTIFY hablandoCambiado)

public:
    struct Capas {
        Ajustes& ajustes;
        DispositivosSistema& dispositivos;
        std::shared_ptr<Reproductor> reproductor;
        std::shared_ptr<Sintetizador> sintetizador;
        VozNeural* voz = nullptr;  // none: the system voice only
    };

    explicit Locutor(Capas capas, QObject* parent = nullptr);
    ~Locutor() override;

    static Locutor& shared();

    // Silences what it was saying and speaks `texto`: `vozApple` is the
    // system voice of the fallback (none: the best Spanish one), `salida`
    // the output device id (none: where it already plays). Returns at once.
    void decir(const QString& texto, const std::optional<VozSistema>& vozApple = std::nullopt,
               std::optional<uint32_t> salida = std::nullopt);
    // Stops all speech now.
    void callar();

    // From decir until its audio has been heard, or callar.
    bool hablando() const { return hablando_; }

signals:
    void hablandoCambiado();

private:
    void preparar(std::optional<uint32_t> salida);
    void setHablando(bool valor);

    DispositivosSistema& dispositivos_;
    std::shared_ptr<Reproductor> reproductor_;
    std::shared_ptr<Sintetizador> sintetizador_;
    std::unique_ptr<SalidaVoz> salida_;
    std::shared_ptr<Receptor<Locutor>> receptor_;
    bool preparado_ = false;
    std::optional<QString> salidaActual_;  // the output last asked for
    int numero_ = 0;                       // of the last decir or callar
    bool hablando_ = false;
};
