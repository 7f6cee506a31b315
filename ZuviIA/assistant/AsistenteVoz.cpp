#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"

#include "assistant/AnfitrionAsistente.h"
#include "assistant/GestorSesion.h"
#include "assistant/TurnoAgente.h"

#include "assistant/EleccionDispositivos.h"
#include "audio/Locutor.h"
#include "audio/MotorConversacion.h"
#include "audio/MotorDictado.h"
#include "audio/AudioDispositivos.h"
#include "core/Almacen.h"
#include "core/CarpetasMemoria.h"
#include "core/EstadoIA.h"
#include "plataforma/Ajustes.h"
#include "plataforma/DispositivosSistema.h"
#include "plataforma/Reloj.h"
#include "plataforma/Sonidos.h"

#include <QFileDialog>
#include <QPointer>
#include <QUrl>

#include <unistd.h>

namespace {

const QString claveAgente = QStringLiteral("agente");
const QString claveCarpeta = QStringLiteral("carpeta");
const QString claveNivel = QStringLiteral("nivel");
const QString claveLeer = QStringLiteral("leerRespuesta");
const QString claveEnviar = QStringLiteral("enviarAlCallar");
const QString claveMic = QStringLiteral("micUID");
const QString claveSalida = QStringLiteral("salidaUID");

// Assigns and tells whether the value changed.
template <typename T>
bool cambiar(T& campo, const T& valor)
{
    if (campo == valor)
        return false;
    campo = valor;
    return true;
}

// An empty UID means the system default, the same as none.
std::optional<QString> uidONada(std::optional<QString> uid)
{
    if (uid && uid->isEmpty())
        return std::nullopt;
    return uid;
}

// A stored folder: a path, or a file URL as other versions wrote it.
QString carpetaGuardada(const Ajustes& ajustes)
{
    const QString guardada = ajustes.texto(claveCarpeta);
    if (guardada.startsWith(QLatin1String("file:")))
        return QUrl(guardada).toLocalFile();
    return guardada;
}

}

AsistenteVoz::AsistenteVoz(Ajustes& ajustes, Reloj& reloj, Almacen& almacen, DispositivosSistema& sistema,
                           EstadoIA& deteccion, std::function<bool()> comoRoot, QObject* parent)
    : AsistenteVoz(ajustes, reloj, almacen, sistema, deteccion, Voz{}, std::move(comoRoot), parent)
{
}

AsistenteVoz::AsistenteVoz(Ajustes& ajustes, Reloj& reloj, Almacen& almacen, DispositivosSistema& sistema,
                           EstadoIA& deteccion, Voz voz, std::function<bool()> comoRoot, QObject* parent)
    : QObject(parent), ajustes_(ajustes), reloj_(reloj), almacen_(almacen), sistema_(sistema), deteccion_(deteccion),
      comoRoot_(std::move(comoRoot)), voz_(std::move(voz))
{
    agente_ = ajustes_.textoOpcional(claveAgente) == QLatin1String("codex") ? AgenteCLI::codex : AgenteCLI::claude;
    carpeta_ = carpetaGuardada(ajustes_);
    if (carpeta_.isEmpty())
        carpeta_ = carpetaRaiz();
    nivel_ = nivelDesde(ajustes_.texto(claveNivel)).value_or(NivelPermiso::total);
    leerRespuesta_ = ajustes_.booleano(claveLeer, true);
    enviarAlCallar_ = ajustes_.booleano(claveEnviar, true);
    conectarTurno();
    refrescarDispositivos();
    // The registration outlives a test's assistant; the guard drops late notices.
    AudioDispositivos::observarCambios(
        [yo = QPointer<AsistenteVoz>(this)] {
            if (yo)
                yo->alCambiarDispositivos();
        },
        sistema_);
    connect(this, &AsistenteVoz::microfonoCambiadoPorDispositivos, this,
            &AsistenteVoz::reiniciarEscuchaSiCambioMicrofono);
}

AsistenteVoz::~AsistenteVoz()
{
    motorDictado_.reset();
    // Detection may outlive a test's assistant: its agent rule then rests.
    deteccion_.fijarAgente({});
}

bool AsistenteVoz::uidEfectivoCero()
{
    return ::geteuid() == 0;
}

AsistenteVoz& AsistenteVoz::shared()
{
    // Kept until the process ends, past the application object.
    Voz voz;
    voz.decir = [](const QString& texto, const std::optional<QString>& vozID, std::optional<uint32_t> salida) {
        Locutor::shared().decir(texto, MotorConversacion::mejorVoz(vozID), salida);
    };
    voz.callar = [] { Locutor::shared().callar(); };
    static AsistenteVoz* unico = new AsistenteVoz(Ajustes::shared(), Reloj::sistema(), Almacen::shared(),
                                                  DispositivosSistema::sistema(), EstadoIA::shared(), std::move(voz));
    return *unico;
}

void AsistenteVoz::conectarTurno()
{
    sesiones_ = std::make_unique<GestorSesion>(ajustes_, reloj_);
    anfitrion_ = std::make_unique<AnfitrionAsistente>(*this, deteccion_, Sonidos::sistema());
    turno_ = std::make_unique<TurnoAgente>(*anfitrion_, almacen_, ajustes_, reloj_);
    connect(sesiones_.get(), &GestorSesion::lineaSesion, this, &AsistenteVoz::lineaSesion);
    connect(sesiones_.get(), &GestorSesion::errorSesion, this, &AsistenteVoz::errorSesion);
    connect(sesiones_.get(), &GestorSesion::sesionTermino, this, &AsistenteVoz::sesionTermino);
    connect(this, &AsistenteVoz::lineaSesion, turno_.get(), &TurnoAgente::lineaSesion);
    connect(this, &AsistenteVoz::errorSesion, turno_.get(), &TurnoAgente::errorSesion);
    connect(this, &AsistenteVoz::sesionTermino, turno_.get(), &TurnoAgente::sesionTermino);
    connect(turno_.get(), &TurnoAgente::ejecutandoCambiado, this, &AsistenteVoz::ejecutandoCambiado);
    connect(turno_.get(), &TurnoAgente::actividadCambiada, this, &AsistenteVoz::actividadCambiada);
    // Detection's agent rule (Codex without its command-line tool falls
    // back to Claude Code) works on the assistant's own choice.
    deteccion_.fijarAgente({[this] { return agente(); }, [this](AgenteCLI a) { setAgente(a); }});
}

bool AsistenteVoz::ejecutando() const { return turno_->ejecutando(); }
std::optional<QString> AsistenteVoz::actividad() const { return turno_->actividad(); }

bool AsistenteVoz::enviar(const std::optional<QString>& instruccion, const std::optional<QString>& mostrar,
                          const std::optional<QString>& autor)
{
    return turno_->enviar(instruccion, mostrar, autor);
}

void AsistenteVoz::interrumpir() { turno_->interrumpir(); }
void AsistenteVoz::cancelar() { turno_->cancelar(); }
bool AsistenteVoz::pasarASegundoPlano() { return turno_->pasarASegundoPlano(); }
void AsistenteVoz::cancelarFondo() { turno_->cancelarFondo(); }
QString AsistenteVoz::resumenTrabajo() const { return turno_->resumenTrabajo(); }

QString AsistenteVoz::carpetaRaiz()
{
    return CarpetasMemoria::raiz();
}

void AsistenteVoz::setDispositivoUID(std::optional<QString> uid)
{
    uid = uidONada(std::move(uid));
    if (!cambiar(dispositivoUID_, uid))
        return;
    if (!asignandoAuto_) {
        if (uid)
            ajustes_.escribir(claveMic, *uid);
        else
            ajustes_.quitar(claveMic);
    }
    emit dispositivoUIDCambiado();
}

void AsistenteVoz::setSalidaUID(std::optional<QString> uid)
{
    uid = uidONada(std::move(uid));
    if (!cambiar(salidaUID_, uid))
        return;
    if (!asignandoAuto_) {
        if (uid)
            ajustes_.escribir(claveSalida, *uid);
        else
            ajustes_.quitar(claveSalida);
    }
    emit salidaUIDCambiado();
}

void AsistenteVoz::setNivelAudio(float nivel)
{
    if (cambiar(nivelAudio_, nivel))
        emit nivelAudioCambiado();
}

void AsistenteVoz::setEscuchando(bool valor)
{
    if (cambiar(escuchando_, valor))
        emit escuchandoCambiado();
}

void AsistenteVoz::setTexto(const QString& texto)
{
    if (cambiar(texto_, texto))
        emit textoCambiado();
}

void AsistenteVoz::setAviso(const std::optional<QString>& aviso)
{
    if (cambiar(aviso_, aviso))
        emit avisoCambiado();
}

void AsistenteVoz::setModoPrueba(bool valor)
{
    if (cambiar(modoPrueba_, valor))
        emit modoPruebaCambiado();
}

void AsistenteVoz::setAgente(AgenteCLI agente)
{
    ajustes_.escribir(claveAgente, valorCrudo(agente));
    if (cambiar(agente_, agente))
        emit agenteCambiado();
}

void AsistenteVoz::setCarpeta(const QString& carpeta)
{
    ajustes_.escribir(claveCarpeta, carpeta);
    if (!cambiar(carpeta_, carpeta))
        return;
    // A warm session works in the old folder: no later turn can use it.
    if (const auto sesion = sesiones_->actual(); sesion && !turno_->ejecutando()) {
        sesiones_->soltar();
        sesion->cerrar();
    }
    emit carpetaCambiada();
}

void AsistenteVoz::setNivel(NivelPermiso nivel)
{
    ajustes_.escribir(claveNivel, valorCrudo(nivel));
    if (cambiar(nivel_, nivel))
        emit nivelCambiado();
}

void AsistenteVoz::setLeerRespuesta(bool valor)
{
    ajustes_.escribir(claveLeer, valor);
    if (cambiar(leerRespuesta_, valor))
        emit leerRespuestaCambiado();
}

void AsistenteVoz::setEnviarAlCallar(bool valor)
{
    ajustes_.escribir(claveEnviar, valor);
    if (cambiar(enviarAlCallar_, valor))
        emit enviarAlCallarCambiado();
}

void AsistenteVoz::setVozPropiaSilenciada(bool valor)
{
    if (cambiar(vozPropiaSilenciada_, valor))
        emit vozPropiaSilenciadaCambiada();
}

void AsistenteVoz::setContextoPersona(const std::optional<QString>& contexto)
{
    if (cambiar(contextoPersona_, contexto))
        emit contextoPersonaCambiado();
}

void AsistenteVoz::refrescarDispositivos()
{
    if (cambiar(dispositivos_, AudioDispositivos::dispositivos(true, sistema_)))
        emit dispositivosCambiados();
    if (cambiar(salidas_, AudioDispositivos::dispositivos(false, sistema_)))
        emit salidasCambiadas();
    asignandoAuto_ = true;
    setSalidaUID(EleccionDispositivos::salida(salidas_, ajustes_.textoOpcional(claveSalida),
                                              AudioDispositivos::predeterminado(false, sistema_)));
    setDispositivoUID(EleccionDispositivos::entrada(dispositivos_, ajustes_.textoOpcional(claveMic),
                                                    AudioDispositivos::predeterminado(true, sistema_)));
    asignandoAuto_ = false;
}

void AsistenteVoz::alCambiarDispositivos()
{
    const auto antes = dispositivoUID_;
    refrescarDispositivos();
    if (dispositivoUID_ != antes)
        emit microfonoCambiadoPorDispositivos();
}

void AsistenteVoz::elegirCarpeta()
{
    if (const auto elegida = pedirCarpeta(carpeta_))
        usarCarpeta(*elegida);
}

std::optional<QString> AsistenteVoz::pedirCarpeta(const QString& inicio)
{
    // Qt's own dialog, so the message and the button label show.
    QFileDialog dialogo(nullptr, QStringLiteral("Elige la carpeta del proyecto donde trabajará el agente."), inicio);
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setOption(QFileDialog::ShowDirsOnly);
    dialogo.setFileMode(QFileDialog::Directory);
    dialogo.setAcceptMode(QFileDialog::AcceptOpen);
    dialogo.setLabelText(QFileDialog::Accept, QStringLiteral("Usar esta carpeta"));
    dialogo.setWindowModality(Qt::ApplicationModal);
    if (dialogo.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList elegidas = dialogo.selectedFiles();
    if (elegidas.isEmpty() || elegidas.first().isEmpty())
        return std::nullopt;
    return elegidas.first();
}

void AsistenteVoz::usarCarpeta(const QString& carpeta)
{
    setCarpeta(carpeta);
    if (const auto actual = almacen_.actual())
        almacen_.cambiar(actual->id, true, [&](Conversacion& c) { c.carpeta = carpeta; });
}
