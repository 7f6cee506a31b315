#pragma once

#include "assistant/EventosFlujo.h"
#include "core/Modelos.h"
#include "core/Receptor.h"
#include "plataforma/Reloj.h"

#include <QObject>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Ajustes;
class Almacen;
class ProcesoEnMarcha;
class SesionClaude;

// A Claude turn moved to the background: it keeps its own session and
// keeps writing into its own agent message. Told apart by identity.
struct TareaFondo {
    std::shared_ptr<SesionClaude> sesion;
    QUuid conversacion;
    QUuid mensaje;
    QString titulo;
    std::optional<QString> actividad;
    bool huboDeltas = false;
};

// The agent turns of the assistant: one foreground turn at a time over
// Claude Code (through the assistant's session) or Codex (one process per
// turn), the watchdog, interruption, and the turns moved to the background.
// GUI thread only; process and session callbacks reach it already hopped.
class TurnoAgente : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ejecutando READ ejecutando NOTIFY ejecutandoCambiado)
    Q_PROPERTY(std::optional<QString> actividad READ actividad NOTIFY actividadCambiada)
    Q_PROPERTY(QString ultimaRespuesta READ ultimaRespuesta NOTIFY ultimaRespuestaCambiada)
    Q_PROPERTY(bool interrumpido READ interrumpido NOTIFY interrumpidoCambiado)
    Q_PROPERTY(QString resumenTrabajo READ resumenTrabajo)

public:
    // What the turn takes from the assistant that owns it: the settings of
    // the next turn, the composer, the Claude Code session and the tools.
    class Anfitrion {
    public:
        virtual ~Anfitrion() = default;

        virtual AgenteCLI agente() const = 0;
        virtual void setAgente(AgenteCLI agente) = 0;
        virtual NivelPermiso nivel() const = 0;
        virtual QString carpeta() const = 0;
        virtual std::optional<QString> contextoPersona() const = 0;
        virtual bool leerRespuesta() const = 0;
        virtual bool vozPropiaSilenciada() const = 0;
        // The application runs with an effective uid of 0.
        virtual bool comoRoot() const = 0;

        // The composer's pending text, and push-to-talk dictation.
        virtual QString texto() const = 0;
        virtual void setTexto(const QString& texto) = 0;
        virtual void detenerDictado() = 0;
        // Reading a finished answer aloud, and the end-of-answer sound.
        virtual void hablar(const QString& texto) = 0;
        virtual void sonarFin() = 0;

        // Detection said there is no Codex command-line tool (false when
        // it has not looked yet).
        virtual bool faltaCodex() const = 0;
        // The agent's executable, from detection or a fresh search; may
        // answer later, always on the GUI thread.
        virtual void buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo) = 0;

        // The foreground Claude Code session.
        virtual std::shared_ptr<SesionClaude> sesionClaude() const = 0;
        virtual void soltarSesionClaude() = 0;
        // Reuses or starts the session for the current key and the turn's
        // own conversation; throws a std::exception whose what() is a
        // Spanish sentence.
        virtual std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta,
                                                             const std::optional<QString>& reanudar,
                                                             const QUuid& conversacion) = 0;
    };

    struct EnCurso {
        QUuid conversacion;
        QUuid mensaje;
    };

    // A silent turn is closed after this long without a line of its agent.
    static constexpr std::chrono::seconds limiteSilencio{180};
    static constexpr std::chrono::seconds revision{10};
    // Longer Codex prompts (UTF-8 bytes) go on standard input.
    static constexpr qsizetype maxArgumento = 100 * 1024;

    // `ajustes` shapes the Codex command line.
    TurnoAgente(Anfitrion& anfitrion, Almacen& almacen, Ajustes& ajustes, Reloj& reloj, QObject* parent = nullptr);
    ~TurnoAgente() override;

    bool ejecutando() const { return ejecutando_; }
    std::optional<QString> actividad() const { return actividad_; }
    QString ultimaRespuesta() const { return ultimaRespuesta_; }
    bool interrumpido() const { return interrumpido_; }
    QString ultimoPedido() const { return ultimoPedido_; }
    std::optional<EnCurso> enCurso() const { return enCurso_; }
    const std::vector<std::shared_ptr<TareaFondo>>& enFondo() const { return enFondo_; }
    QString resumenTrabajo() const;
    // A background task writes into this conversation (the fork rule of a
    // resumed session).
    bool fondoEn(const QUuid& conversacion) const;

    // Starts a turn; false (and nothing changes) for an empty text or while
    // a turn runs. No instruction means the composer's text.
    bool enviar(const std::optional<QString>& instruccion = std::nullopt,
                const std::optional<QString>& mostrar = std::nullopt,
                const std::optional<QString>& autor = std::nullopt);
    void interrumpir();
    void cancelar();

    bool pasarASegundoPlano();
    void cancelarFondo();

    // Entry points of every Claude Code session the assistant starts.
    void lineaSesion(const QString& linea, const QUuid& sesion);
    void errorSesion(const QString& trozo);
    void sesionTermino(int codigo, const QUuid& sesion);

    // The listener's callbacks; each may be empty.
    std::function<void(const QString&)> alActividad;
    std::function<void(const QString&)> alFragmento;
    std::function<void()> alFinBloque;
    std::function<void(const QString&, bool)> alTerminar;
    std::function<void(const QString&, const QString&)> alTerminarFondo;

signals:
    void ejecutandoCambiado();
    void actividadCambiada();
    void ultimaRespuestaCambiada();
    void interrumpidoCambiado();
    void enFondoCambiado();

private:
    void ejecutar(const QString& instruccion, quint64 numero);
    void conEjecutable(const QString& instruccion, quint64 numero, const QUuid& conversacion,
                       const std::optional<QString>& ruta);
    // Appends the empty reply and starts watching the turn.
    void abrirRespuesta(const QUuid& conversacion);
    void turnoClaude(const QString& instruccion, const QString& ruta);
    // Claude Code lost the stored session (the project folder moved): the
    // turn forgets it and runs once more on a new session. False when the
    // turn already did, or cannot.
    bool reintentarSinSesion();
    void turnoCodex(const QString& instruccion, const QString& ruta, quint64 numero);
    void salidaCodex(const QString& trozo);
    void terminado(int codigo, const std::optional<QString>& error);
    void vigilarTurno();
    void revisarSilencio();
    void procesarEvento(const QString& linea);
    void aplicarResultado(const EventosFlujo::Resultado& resultado);
    void anexar(const QUuid& conversacion, const QUuid& mensaje, const QString& texto, bool guardar);
    static Mensaje* mensajeDe(Conversacion& conversacion, const QUuid& id);

    void eventoFondo(const QString& linea, const std::shared_ptr<TareaFondo>& tarea);
    void terminarFondo(const std::shared_ptr<TareaFondo>& tarea, const std::optional<EventosFlujo::Resultado>& fin);
    std::shared_ptr<TareaFondo> tareaDe(const QUuid& sesion) const;

    void setEjecutando(bool valor);
    void setActividad(const std::optional<QString>& valor);
    void setInterrumpido(bool valor);
    void setUltimaRespuesta(const QString& valor);

    Anfitrion& anfitrion_;
    Almacen& almacen_;
    Ajustes& ajustes_;
    Reloj& reloj_;

    bool ejecutando_ = false;
    std::optional<QString> actividad_;
    QString ultimoPedido_;
    std::optional<QString> textoAMostrar_;
    std::optional<QString> autorSiguiente_;
    bool interrumpido_ = false;
    EventosFlujo::Estado flujo_;
    std::optional<EnCurso> enCurso_;
    AgenteCLI agenteTurno_ = AgenteCLI::claude;
    std::shared_ptr<ProcesoEnMarcha> proceso_;
    QString errores_;
    std::chrono::milliseconds ultimoEvento_{0};
    QString ultimaRespuesta_;
    Temporizador vigilancia_;
    std::vector<std::shared_ptr<TareaFondo>> enFondo_;
    // Every turn gets a number; Codex output and ends of an older turn are
    // dropped, so they never land in the turn that runs next.
    quint64 numero_ = 0;
    // The Claude Code executable of the running turn, and whether it
    // already started over on a new session.
    QString rutaClaude_;
    bool reintentado_ = false;
    // "Para" came before the reply existed: the agent never gets the turn.
    bool detenerAlEmpezar_ = false;
    // Codex callbacks reach the turn only through it.
    std::shared_ptr<Receptor<TurnoAgente>> receptor_;
};
