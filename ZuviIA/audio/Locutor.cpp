#include "audio/Locutor.h"

#include "audio/AudioDispositivos.h"
#include "audio/MotorConversacion.h"
#include "audio/VozNeural.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"

Locutor::Locutor(Capas capas, QObject* parent)
    : QObject(parent), dispositivos_(capas.dispositivos), reproductor_(capas.reproductor),
      sintetizador_(capas.sintetizador),
      salida_(std::make_unique<SalidaVoz>(
          SalidaVoz::Capas{capas.ajustes, std::move(capas.reproductor), std::move(capas.sintetizador), capas.voz})),
      receptor_(Receptor<Locutor>::para(*this))
{
}

Locutor::~Locutor()
{
    receptor_->cerrar();
    salida_.reset();
}

Locutor& Locutor::shared()
{
    // Kept until the process ends, like the voice service it speaks with.
    static Locutor* unico = new Locutor({Ajustes::shared(), DispositivosSistema::sistema(),
                                         Reproductor::crear([](const QString& l) { Registro::anotar(l); }),
                                         Sintetizador::crear(), &VozNeural::shared()});
    return *unico;
}

void Locutor::decir(const QString& texto, const std::optional<VozSistema>& vozApple, std::optional<uint32_t> salida)
{
    preparar(salida);
    std::optional<QString> voz;
    if (vozApple)
        voz = vozApple->identificador;
    else if (sintetizador_) {
        if (const auto mejor = MotorConversacion::mejorVoz(std::nullopt, sintetizador_->voces()))
            voz = mejor->identificador;
    }
    const int numero = ++numero_;
    setHablando(true);
    // The system voice keeps its own pace: the user's rate comes from the player.
    salida_->hablar(texto, voz, 0.5f, [receptor = receptor_, numero](FinHabla) {
        Receptor<Locutor>::enviar(receptor, [numero](Locutor& l) {
            if (l.numero_ == numero)
                l.setHablando(false);
        });
    });
}

void Locutor::callar()
{
    ++numero_;
    salida_->callar();
    setHablando(false);
}

// The player is opened again only for another output; none keeps the one
// it plays on.
void Locutor::preparar(std::optional<uint32_t> salida)
{
    if (!reproductor_)
        return;
    std::optional<QString> uid = salidaActual_;
    if (salida) {
        uid.reset();
        for (const DispositivoAudio& d : AudioDispositivos::dispositivos(false, dispositivos_)) {
            if (d.id == *salida)
                uid = d.uid;
        }
    }
    if (preparado_ && uid == salidaActual_)
        return;
    preparado_ = true;
    salidaActual_ = uid;
    try {
        reproductor_->preparar(uid);
    } catch (const std::exception& e) {
        // Nothing will be heard; the next sentence tries the output again.
        preparado_ = false;
        Registro::anotar(QStringLiteral("Locutor: %1").arg(QString::fromUtf8(e.what())));
    }
}

void Locutor::setHablando(bool valor)
{
    if (hablando_ == valor)
        return;
    hablando_ = valor;
    emit hablandoCambiado();
}
