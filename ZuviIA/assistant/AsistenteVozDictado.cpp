// Push-to-talk dictation into the composer, and reading answers aloud.
#include "assistant/AsistenteVoz.h"

#include "audio/EscuchaZuvi.h"
#include "audio/MotorDictado.h"
#include "core/Registro.h"
#include "core/TextoHablado.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Microfono.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reconocedor.h"
#include "plataforma/Sonidos.h"

#include <QFutureWatcher>

namespace {

using namespace std::chrono_literals;

constexpr auto esperaSilencio = 2s;
constexpr auto revisionAudio = 1s;

const QString avisoMicrofono = QStringLiteral(
    "Zuvi IA necesita un micrófono: conecta uno y revisa que aparezca en la configuración de sonido del sistema.");
const QString avisoVoz = QStringLiteral("Zuvi IA necesita el modelo de reconocimiento de voz en español: "
                                        "instálalo desde el asistente de configuración, en el paso de voz.");
const QString avisoNoEscuche = QStringLiteral("No te escuché. Revisa el micrófono e inténtalo de nuevo.");

} // namespace

MotorDictado& AsistenteVoz::motorDictado()
{
    if (!motorDictado_) {
        motorDictado_ = std::make_unique<MotorDictado>(voz_.reconocedor ? *voz_.reconocedor : Reconocedor::sistema(),
                                                       voz_.microfono ? *voz_.microfono : Microfono::sistema(),
                                                       sistema_);
    }
    return *motorDictado_;
}

EscuchaZuvi& AsistenteVoz::escucha()
{
    return voz_.escucha ? *voz_.escucha : EscuchaZuvi::shared();
}

Sonidos& AsistenteVoz::sonidos()
{
    return voz_.sonidos ? *voz_.sonidos : Sonidos::sistema();
}

void AsistenteVoz::alternarDictado()
{
    if (escuchando_)
        detenerDictado();
    else
        iniciarDictado();
}

void AsistenteVoz::iniciarDictado()
{
    if (escuchando_ || iniciandoDictado_)
        return;
    if (permisosOK_ == true) {
        arrancarDictado();
        return;
    }
    iniciandoDictado_ = true;
    const quint64 inicio = ++inicioDictado_;
    auto* vigia = new QFutureWatcher<MotorDictado::RespuestaPermisos>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia, inicio] {
        vigia->deleteLater();
        const auto r = vigia->result();
        permisosOK_ = r.microfono && r.voz;
        // Stopped while the check ran (the voice step left, say): start nothing.
        if (inicio != inicioDictado_)
            return;
        iniciandoDictado_ = false;
        if (!r.microfono)
            setAviso(avisoMicrofono);
        else if (!r.voz)
            setAviso(avisoVoz);
        else
            arrancarDictado();
    });
    vigia->setFuture(MotorDictado::pedirPermisos(voz_.permisos ? *voz_.permisos : Permisos::sistema()));
}

void AsistenteVoz::arrancarDictado()
{
    // An answer read aloud would play into the microphone.
    if (voz_.callar)
        voz_.callar();
    setAviso(std::nullopt);
    textoPrevio_ = texto_.isEmpty() ? QString() : texto_ + QLatin1Char(' ');
    const quint64 captura = ++captura_;
    // The engine calls from its threads; each result hops here with its
    // capture's number.
    try {
        motorDictado().iniciar(
            DispositivoAudio::idDe(dispositivos_, dispositivoUID_),
            [this, captura](const QString& texto, bool final) {
                QMetaObject::invokeMethod(this, [=, this] { recibir(captura, texto, final); }, Qt::QueuedConnection);
            },
            [this, captura](float nivel) {
                QMetaObject::invokeMethod(
                    this,
                    [=, this] {
                        if (captura != captura_ || !escuchando_)
                            return;
                        ultimoAudio_ = reloj_.monotono();
                        setNivelAudio(nivel);
                    },
                    Qt::QueuedConnection);
            },
            [this, captura](const QString&) {
                QMetaObject::invokeMethod(this, [=, this] { errorDictado(captura); }, Qt::QueuedConnection);
            });
    } catch (const std::exception& e) {
        setAviso(QString::fromUtf8(e.what()));
        return;
    }
    setEscuchando(true);
    escucha().setPausas(escucha().pausas() + 1);
    escucha().detener();
    ultimoAudio_ = reloj_.monotono();
    vigilarAudio(captura);
    sonidos().reproducir(QStringLiteral("Tink"));
}

void AsistenteVoz::recibir(quint64 captura, const QString& texto, bool final)
{
    // Once a capture's text was sent, what it still says would refill the
    // emptied composer.
    if (captura != captura_ || captura == capturaEnviada_)
        return;
    // The recognizer ended by itself with nothing heard.
    if (final && escuchando_ && texto.trimmed().isEmpty()) {
        errorDictado(captura);
        return;
    }
    setTexto(textoPrevio_ + texto);
    if (!escuchando_ || !enviarAlCallar_ || modoPrueba_)
        return;
    silencio_ = reloj_.despues(esperaSilencio, this, [this, captura] {
        if (!escuchando_)
            return;
        detenerDictado();
        if (enviar())
            capturaEnviada_ = captura;
    });
}

void AsistenteVoz::errorDictado(quint64 captura)
{
    if (!escuchando_ || captura != captura_)
        return;
    detenerDictado();
    if (texto_.isEmpty())
        setAviso(avisoNoEscuche);
}

// A microphone that stops delivering audio ends the dictation as unheard,
// instead of leaving it listening to nothing.
void AsistenteVoz::vigilarAudio(quint64 captura)
{
    vigiaAudio_ = reloj_.despues(revisionAudio, this, [this, captura] {
        if (!escuchando_ || captura != captura_)
            return;
        if (reloj_.monotono() - ultimoAudio_ >= sinAudio) {
            Registro::anotar(QStringLiteral("Dictado: el micrófono dejó de entregar audio"));
            errorDictado(captura);
            return;
        }
        vigilarAudio(captura);
    });
}

void AsistenteVoz::detenerDictado()
{
    if (iniciandoDictado_) {
        ++inicioDictado_;
        iniciandoDictado_ = false;
    }
    if (!escuchando_)
        return;
    motorDictado().terminar();
    setEscuchando(false);
    setNivelAudio(0);
    silencio_.cancelar();
    vigiaAudio_.cancelar();
    sonidos().reproducir(QStringLiteral("Pop"));
    escucha().reanudar();
}

void AsistenteVoz::reiniciarEscuchaSiCambioMicrofono()
{
    if (!escucha().escuchando())
        return;
    escucha().detener();
    escucha().iniciar();
}

std::optional<QString> AsistenteVoz::idiomaReconocimiento()
{
    const Reconocedor& reconocedor = voz_.reconocedor ? *voz_.reconocedor : Reconocedor::sistema();
    if (reconocedor.localesSoportados().isEmpty())
        return std::nullopt;
    return motorDictado().locale();
}

void AsistenteVoz::hablar(const QString& respuesta)
{
    const QString texto = TextoHablado::respuestaLeida(respuesta);
    const std::optional<QString> voz = ajustes_.textoOpcional(QStringLiteral("vozID"));
    const std::optional<uint32_t> salida = DispositivoAudio::idDe(salidas_, salidaUID_);
    if (voz_.decir)
        voz_.decir(texto, voz, salida);
}
