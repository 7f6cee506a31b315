#pragma once

#include "assistant/ClaveSesion.h"
#include "audio/DispositivoAudio.h"
#include "core/Modelos.h"
#include "plataforma/Reloj.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Ajustes;
class Almacen;
class DispositivosSistema;
class EscuchaZuvi;
class EstadoIA;
class Microfono;
class MotorDictado;
class Permisos;
class Reconocedor;
class Reloj;
class Sonidos;
class AnfitrionAsistente;
class GestorSesion;
class SesionClaude;
class TurnoAgente;

// The voice assistant: the settings of the agent runs (agent, level,
// project folder, reading aloud, sending on silence), the microphone and the
// output the room uses, and the long-lived Claude Code session. One shared
// instance on the GUI thread.
class AsistenteVoz : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<DispositivoAudio> dispositivos READ dispositivos NOTIFY dispositivosCambiados)
    Q_PROPERTY(std::optional<QString> dispositivoUID READ dispositivoUID WRITE setDispositivoUID NOTIFY dispositivoUIDCambiado)
    Q_PROPERTY(QList<DispositivoAudio> salidas READ salidas NOTIFY salidasCambiadas)
    Q_PROPERTY(std::optional<QString> salidaUID READ salidaUID WRITE setSalidaUID NOTIFY salidaUIDCambiado)
    Q_PROPERTY(float nivelAudio READ nivelAudio WRITE setNivelAudio NOTIFY nivelAudioCambiado)
    Q_PROPERTY(bool escuchando READ escuchando WRITE setEscuchando NOTIFY escuchandoCambiado)
    Q_PROPERTY(QString texto READ texto WRITE setTexto NOTIFY textoCambiado)
    Q_PROPERTY(std::optional<QString> aviso READ aviso WRITE setAviso NOTIFY avisoCambiado)
    Q_PROPERTY(bool modoPrueba READ modoPrueba WRITE setModoPrueba NOTIFY modoPruebaCambiado)
    Q_PROPERTY(AgenteCLI agente READ agente WRITE setAgente NOTIFY agenteCambiado)
    Q_PROPERTY(QString carpeta READ carpeta WRITE setCarpeta NOTIFY carpetaCambiada)
    Q_PROPERTY(NivelPermiso nivel READ nivel WRITE setNivel NOTIFY nivelCambiado)
    Q_PROPERTY(bool leerRespuesta READ leerRespuesta WRITE setLeerRespuesta NOTIFY leerRespuestaCambiado)
    Q_PROPERTY(bool enviarAlCallar READ enviarAlCallar WRITE setEnviarAlCallar NOTIFY enviarAlCallarCambiado)
    Q_PROPERTY(bool vozPropiaSilenciada READ vozPropiaSilenciada WRITE setVozPropiaSilenciada NOTIFY vozPropiaSilenciadaCambiada)
    Q_PROPERTY(std::optional<QString> contextoPersona READ contextoPersona WRITE setContextoPersona NOTIFY contextoPersonaCambiado)
    Q_PROPERTY(bool ejecutando READ ejecutando NOTIFY ejecutandoCambiado)
    Q_PROPERTY(std::optional<QString> actividad READ actividad NOTIFY actividadCambiada)

public:
    // What dictation and reading aloud stand on; each one left empty is the
    // system's, taken when first needed.
    struct Voz {
        Reconocedor* reconocedor = nullptr;
        Microfono* microfono = nullptr;
        Permisos* permisos = nullptr;
        Sonidos* sonidos = nullptr;
        EscuchaZuvi* escucha = nullptr;
        // Speaks a text with the "vozID" voice (none: the best Spanish one)
        // on that output (none: the default one).
        std::function<void(const QString& texto, const std::optional<QString>& voz, std::optional<uint32_t> salida)>
            decir;
        // Silences whatever `decir` is saying.
        std::function<void()> callar;
    };

    // Reads the stored settings, lists the devices once and follows their
    // changes from then on. `deteccion` finds the agents' executables, and
    // its agent rule reads and writes `agente` while this object lives.
    // `comoRoot` tells whether the application runs with an effective uid
    // of 0 (Claude Code then refuses level "total").
    AsistenteVoz(Ajustes& ajustes, Reloj& reloj, Almacen& almacen, DispositivosSistema& sistema,
                 EstadoIA& deteccion, std::function<bool()> comoRoot = &AsistenteVoz::uidEfectivoCero,
                 QObject* parent = nullptr);
    AsistenteVoz(Ajustes& ajustes, Reloj& reloj, Almacen& almacen, DispositivosSistema& sistema,
                 EstadoIA& deteccion, Voz voz, std::function<bool()> comoRoot = &AsistenteVoz::uidEfectivoCero,
                 QObject* parent = nullptr);
    ~AsistenteVoz() override;

    static AsistenteVoz& shared();

    static bool uidEfectivoCero();
    bool comoRoot() const { return comoRoot_(); }

    // "Zuvi IA" in the home folder, created on every read (a failure is
    // ignored); the default project folder.
    static QString carpetaRaiz();

    const QList<DispositivoAudio>& dispositivos() const { return dispositivos_; }
    std::optional<QString> dispositivoUID() const { return dispositivoUID_; }
    // A choice from outside is stored under "micUID" when it differs; none
    // (or an empty text) removes the key.
    void setDispositivoUID(std::optional<QString> uid);
    const QList<DispositivoAudio>& salidas() const { return salidas_; }
    std::optional<QString> salidaUID() const { return salidaUID_; }
    void setSalidaUID(std::optional<QString> uid);

    float nivelAudio() const { return nivelAudio_; }
    void setNivelAudio(float nivel);
    bool escuchando() const { return escuchando_; }
    void setEscuchando(bool valor);
    QString texto() const { return texto_; }
    void setTexto(const QString& texto);
    std::optional<QString> aviso() const { return aviso_; }
    void setAviso(const std::optional<QString>& aviso);
    bool modoPrueba() const { return modoPrueba_; }
    void setModoPrueba(bool valor);

    // These five store their key on every assignment, the same value too.
    AgenteCLI agente() const { return agente_; }
    void setAgente(AgenteCLI agente);
    QString carpeta() const { return carpeta_; }
    void setCarpeta(const QString& carpeta);
    NivelPermiso nivel() const { return nivel_; }
    void setNivel(NivelPermiso nivel);
    bool leerRespuesta() const { return leerRespuesta_; }
    void setLeerRespuesta(bool valor);
    bool enviarAlCallar() const { return enviarAlCallar_; }
    void setEnviarAlCallar(bool valor);

    bool vozPropiaSilenciada() const { return vozPropiaSilenciada_; }
    void setVozPropiaSilenciada(bool valor);
    std::optional<QString> contextoPersona() const { return contextoPersona_; }
    void setContextoPersona(const std::optional<QString>& contexto);

    // The sound server's devices the lists come from; views ask it whether
    // the chosen output is silent and follow its volume changes.
    DispositivosSistema& dispositivosSistema() const { return sistema_; }

    // Lists inputs and outputs again and chooses the microphone and the
    // output; automatic choices are never stored.
    void refrescarDispositivos();

    // Asks for the project folder in a modal chooser opened at `carpeta`;
    // a confirmed folder goes to usarCarpeta, anything else changes nothing.
    void elegirCarpeta();
    // The chooser itself: the folder confirmed, or none.
    static std::optional<QString> pedirCarpeta(const QString& inicio);
    // The project folder from now on, also of the selected conversation.
    void usarCarpeta(const QString& carpeta);

    // The key of the session the current settings call for.
    ClaveSesion claveSesion(const std::optional<QString>& reanudar) const;
    // Leaves a running session whose key matches in sesionClaude(), reusing
    // the current one or starting another, for the turn's own conversation
    // (the selected one when none is given). Throws ErrorProceso.
    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar,
                                                 const std::optional<QUuid>& conversacion = std::nullopt);
    std::shared_ptr<SesionClaude> sesionClaude() const;
    // Forgets the foreground session without closing it.
    void soltarSesionClaude();

    // Starts the Claude Code session of the selected conversation ahead of
    // its first instruction; only for Claude Code with no turn running.
    // Returns at once; any failure is ignored.
    void precalentar();

    // The agent turns; the callbacks (alActividad, alFragmento, alFinBloque,
    // alTerminar, alTerminarFondo) are set on turno().
    TurnoAgente& turno() { return *turno_; }
    const TurnoAgente& turno() const { return *turno_; }
    bool ejecutando() const;
    std::optional<QString> actividad() const;
    bool enviar(const std::optional<QString>& instruccion = std::nullopt,
                const std::optional<QString>& mostrar = std::nullopt,
                const std::optional<QString>& autor = std::nullopt);
    void interrumpir();
    void cancelar();
    bool pasarASegundoPlano();
    void cancelarFondo();
    QString resumenTrabajo() const;

    // Push-to-talk dictation into the composer.
    void alternarDictado();
    // Asks for the permissions first when they were not granted yet; the
    // capture starts once they are. A press while that start is pending
    // does nothing.
    void iniciarDictado();
    void detenerDictado();
    // Reads an answer aloud in the main window, without code or marks.
    void hablar(const QString& respuesta);
    // The locale dictation recognizes; none without a speech model.
    std::optional<QString> idiomaReconocimiento();

    // A dictation that hears no audio for this long ends as unheard.
    static constexpr std::chrono::seconds sinAudio{3};

signals:
    void dispositivosCambiados();
    void dispositivoUIDCambiado();
    void salidasCambiadas();
    void salidaUIDCambiado();
    void nivelAudioCambiado();
    void escuchandoCambiado();
    void textoCambiado();
    void avisoCambiado();
    void modoPruebaCambiado();
    void agenteCambiado();
    void carpetaCambiada();
    void nivelCambiado();
    void leerRespuestaCambiado();
    void enviarAlCallarCambiado();
    void vozPropiaSilenciadaCambiada();
    void contextoPersonaCambiado();
    void ejecutandoCambiado();
    void actividadCambiada();

    // A device change chose another microphone: the wake-phrase listener,
    // when it listens, restarts on it.
    void microfonoCambiadoPorDispositivos();

    // What every session the assistant started says, already on the GUI
    // thread, in the order the session produced it.
    void lineaSesion(const QString& linea, const QUuid& sesion);
    void errorSesion(const QString& trozo);
    void sesionTermino(int codigo, const QUuid& sesion);

private:
    void alCambiarDispositivos();
    void conectarTurno();

    // Dictation (AsistenteVozDictado.cpp).
    MotorDictado& motorDictado();
    EscuchaZuvi& escucha();
    Sonidos& sonidos();
    void arrancarDictado();
    void recibir(quint64 captura, const QString& texto, bool final);
    void errorDictado(quint64 captura);
    void vigilarAudio(quint64 captura);
    void reiniciarEscuchaSiCambioMicrofono();

    Ajustes& ajustes_;
    Reloj& reloj_;
    Almacen& almacen_;
    DispositivosSistema& sistema_;
    EstadoIA& deteccion_;
    std::function<bool()> comoRoot_;

    QList<DispositivoAudio> dispositivos_;
    std::optional<QString> dispositivoUID_;
    bool asignandoAuto_ = false;
    QList<DispositivoAudio> salidas_;
    std::optional<QString> salidaUID_;
    float nivelAudio_ = 0;
    bool escuchando_ = false;
    QString texto_;
    std::optional<QString> aviso_;
    bool modoPrueba_ = false;
    AgenteCLI agente_ = AgenteCLI::claude;
    QString carpeta_;
    NivelPermiso nivel_ = NivelPermiso::total;
    bool leerRespuesta_ = true;
    bool enviarAlCallar_ = true;
    std::unique_ptr<GestorSesion> sesiones_;
    bool vozPropiaSilenciada_ = false;
    std::optional<QString> contextoPersona_;
    std::unique_ptr<AnfitrionAsistente> anfitrion_;
    std::unique_ptr<TurnoAgente> turno_;

    Voz voz_;
    std::optional<bool> permisosOK_;
    QString textoPrevio_;
    Temporizador silencio_;
    bool iniciandoDictado_ = false;
    // Stale-work number of the permission check a start waits on.
    quint64 inicioDictado_ = 0;
    // Every capture gets a number: results of an earlier one, or of one
    // whose text was already sent, are dropped.
    quint64 captura_ = 0;
    quint64 capturaEnviada_ = 0;
    std::chrono::milliseconds ultimoAudio_{0};
    Temporizador vigiaAudio_;
    // Last, so its threads end before the fields above go.
    std::unique_ptr<MotorDictado> motorDictado_;
};
