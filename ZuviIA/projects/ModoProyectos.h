#pragma once

#include "audio/VozNeural.h"
#include "core/Modelos.h"
#include "plataforma/Reloj.h"
#include "audio/FiltroEco.h"
#include "projects/ComandosVoz.h"
#include "projects/MotorSala.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUuid>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Ajustes;
class Almacen;
class AsistenteVoz;
class Perfiles;
namespace RutaFrase {
struct Situacion;
}

// The room's dialogue controller: its observable state for the views, the
// listening session, the speech queue, utterance closing and the hand-off to
// the agent. GUI thread only; engine callbacks hop here and are dropped when
// their session, segment or speech turn is no longer the current one.
class ModoProyectos : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool activo READ activo NOTIFY activoCambiado)
    Q_PROPERTY(bool inmersivo READ inmersivo WRITE setInmersivo NOTIFY inmersivoCambiado)
    Q_PROPERTY(Estado estado READ estado NOTIFY estadoCambiado)
    Q_PROPERTY(QString transcripcion READ transcripcion NOTIFY transcripcionCambiada)
    Q_PROPERTY(QString ultimaFrase READ ultimaFrase NOTIFY ultimaFraseCambiada)
    Q_PROPERTY(float nivel READ nivel NOTIFY nivelCambiado)
    Q_PROPERTY(std::optional<QString> aviso READ aviso NOTIFY avisoCambiado)
    Q_PROPERTY(bool cancelaEco READ cancelaEco NOTIFY cancelaEcoCambiado)
    Q_PROPERTY(bool musicaDeFondo READ musicaDeFondo NOTIFY musicaDeFondoCambiada)

public:
    enum class Estado { inactivo, iniciando, preguntandoNombre, escuchando, trabajando, hablando };
    Q_ENUM(Estado)

    using AlPermisos = std::function<void(bool microfono, bool voz)>;
    using AlIdentificar = std::function<void(std::optional<Identificacion>)>;

    // The edges tests replace. Empty functions do nothing (permissions are
    // then granted, identification answers none, the chooser takes the
    // first phrase).
    struct Bordes {
        Reloj& reloj;
        Ajustes& ajustes;
        Almacen& almacen;
        Perfiles& perfiles;
        AsistenteVoz& asistente;
        std::unique_ptr<MotorSala> motor;
        // The wake-phrase listener: one pause raised (and the listener
        // stopped), one pause given back.
        std::function<void()> pausarEscucha;
        std::function<void()> reanudarEscucha;
        // Answers later, on the GUI thread.
        std::function<void(AlPermisos)> pedirPermisos;
        std::function<void(const std::vector<float>& audio, const QList<QUuid>& candidatos, AlIdentificar)> identificar;
        // An index in [0, n) for the random phrases.
        std::function<int(int n)> elegir;
        // Enrols a person's voice print; the answer is not used.
        std::function<void(const QUuid& persona, const std::vector<float>& audio)> registrarHuella;
    };

    explicit ModoProyectos(Bordes bordes, QObject* parent = nullptr);
    // Only the models and an engine; the other edges do nothing.
    ModoProyectos(Reloj& reloj, Ajustes& ajustes, Almacen& almacen, Perfiles& perfiles, AsistenteVoz& asistente,
                  std::unique_ptr<MotorSala> motor, QObject* parent = nullptr);
    ~ModoProyectos() override;

    static ModoProyectos& shared();

    bool activo() const { return activo_; }
    bool inmersivo() const { return inmersivo_; }
    void setInmersivo(bool valor);
    Estado estado() const { return estado_; }
    QString transcripcion() const { return transcripcion_; }
    QString ultimaFrase() const { return ultimaFrase_; }
    float nivel() const { return nivel_; }
    std::optional<QString> aviso() const { return aviso_; }
    bool cancelaEco() const { return cancelaEco_; }
    bool musicaDeFondo() const { return musicaDeFondo_; }

    // "escuchaSiempre": true when absent, else the stored Bool.
    static bool escuchaSiempre(const Ajustes& ajustes);
    static bool escuchaSiempre();
    // "ignorarMusica": true unless a stored Bool says otherwise.
    static bool ignorarMusica(const Ajustes& ajustes);
    static bool ignorarMusica();
    // A finished answer as speakable text (TextoHablado::paraHablar).
    static QString paraHablar(const QString& respuesta);

    // Windowed always-on listening; nothing while a session runs.
    void escucharSiempre();
    // The full-screen room, starting a session when none runs.
    void iniciar();
    // Ends the session (callers that close the room clear inmersivo first).
    void terminar();
    // Leaves the full-screen room, with a farewell when asked.
    void salir(bool despedirse);
    // Silences the room now.
    void interrumpir();

    // A new conversation with its own project folder becomes the
    // selection, with nobody in the room.
    void proyectoNuevo();
    // Points the agent and the people at the selected conversation.
    void aplicarProyecto();
    // The paragraph for the agent about the project and the people.
    QString contextoProyecto() const;

    // Speaks one text now; `alTerminar` gets the engine's flag.
    void decir(const QString& texto, std::function<void(bool)> alTerminar = {});
    // Queues a text and starts the queue when idle.
    void encolar(const QString& texto);
    // Cuts complete sentences out of the agent's text; `final` flushes.
    void extraerOraciones(bool final);
    // Silences everything now.
    void callarTodo();

    // Hands an instruction to the agent, or notes it while a turn runs.
    void enviarAlAgente(const QString& texto, const std::optional<QString>& mostrar = std::nullopt);
    // An instruction said while the agent was busy, sent when its turn ends.
    void anotarPendiente(const QString& texto, const std::optional<QString>& mostrar = std::nullopt);

    // One closed utterance: the text as recognised and its voice-print
    // samples; `inicio` is when it began (now when not given).
    void procesar(const QString& texto, const std::vector<float>& audio, const QDateTime& inicio = {});
    // The spoken command table over the folded text; true when it acted.
    bool comando(const QString& texto, const QString& original, bool llamada);
    static bool pareceInstruccion(const QString& normalizado);
    static std::optional<QString> cambioDeNombre(const QString& normalizado);
    // The instructions said for after the running turn, in order.
    QStringList pendientes() const;

    // People: the name in an utterance becomes the person served; false
    // when no name was understood.
    bool identificar(const QString& texto);
    void registrarHuellaActiva(const std::vector<float>& audio);

    // Meetings.
    void iniciarReunion();
    void presentar(const QString& texto, const std::vector<float>& audio);
    void terminarPresentaciones();
    void agregarParticipante(const Perfil& persona);
    void anotarActa(const QString& texto, const std::optional<QString>& autor);
    void hacerMinuta();

    // The wait before an utterance closes, in milliseconds.
    static int esperaFinDeFrase(const QString& texto);
    struct Llamada {
        bool llamada = false;
        QString resto;
    };
    // Splits the assistant's name off the front of a normalised text.
    static Llamada separarLlamada(const QString& normalizado);
    // Folded for case and diacritics, letters and spaces only, trimmed.
    static QString normalizar(const QString& texto);
    static QStringList palabras(const QString& normalizado);
    // Whole-word containment of a phrase in a normalised text.
    static bool contiene(const QString& normalizado, const QString& frase);

    // One sentence cleaned for speech (empty when nothing is to be said).
    static QString limpiarOracion(const QString& oracion);
    // Where the next sentence of the buffer ends (exclusive), or -1.
    static qsizetype corte(const QString& buffer, bool primera);

    // Limits of one spoken answer.
    static constexpr int maxOraciones = 4;
    static constexpr int maxLetras = 519;

signals:
    void activoCambiado();
    void inmersivoCambiado();
    void estadoCambiado();
    void transcripcionCambiada();
    void ultimaFraseCambiada();
    void nivelCambiado();
    void avisoCambiado();
    void cancelaEcoCambiado();
    void musicaDeFondoCambiada();
    // The full-screen room wants a main window in front (the shell opens
    // one when none is shown).
    void ventanaPedida();

private:
    friend struct ModoProyectosPrueba;
    struct Cerrada {
        quint64 numero = 0;
        QString texto;
        std::vector<float> audio;
        std::optional<Perfil> hablante;
        bool lista = false;
        QDateTime inicio;
    };
    struct Pendiente {
        QString texto;
        std::optional<QString> mostrar;
        std::optional<Perfil> hablante;
    };

    void setActivo(bool valor);
    void setEstado(Estado valor);
    void setTranscripcion(const QString& valor);
    void setUltimaFrase(const QString& valor);
    void setNivel(float valor);
    void setAviso(const std::optional<QString>& valor);
    void setCancelaEco(bool valor);
    void setMusicaDeFondo(bool valor);

    // Runs `accion` on the GUI thread, only while `sesion` is current.
    void enSesion(quint64 sesion, std::function<void()> accion);
    // The state after speech ends or is silenced.
    Estado estadoEnReposo() const;
    bool agenteOcupado() const;
    bool salaHabla() const;
    bool esReunion() const;

    // Lifecycle (ModoProyectos.cpp).
    void avisarMotor();
    void entrar();
    void continuarEntrada(quint64 sesion, bool microfono, bool voz);
    void saludar();
    void recibirEnZuvi();
    void segmentoTerminado();
    void vozEncima();
    void conectarAsistente();
    void soltarAsistente();

    // Speech queue (ModoProyectosHabla.cpp).
    void finDecir(int turno, bool oido, const std::function<void(bool)>& alTerminar);
    void siguienteEnCola();
    void decirOracion(const QString& oracion);
    void vaciarCola();

    // Utterance closing (ModoProyectosCierre.cpp).
    void parcial(const QString& texto);
    void programarSilencio(int espera);
    void revisarSilencio(quint64 sesion);
    void cerrarFrase();
    void identificarYProcesar(Cerrada cerrada);
    void procesarCerradas();
    void revisarIgnorado();

    // Routing and commands (ModoProyectosRuta.cpp).
    RutaFrase::Situacion situacion(const QString& texto, const QDateTime& inicio);
    void ejecutar(ComandosVoz::Comando comando, const QString& original);
    void tomarNombre(const QString& texto, const std::vector<float>& audio);
    void seguirProyecto();

    // Dispatch (ModoProyectosDespacho.cpp).
    void programarAsentir(const QString& texto);
    void actividad(const QString& texto);
    void fragmento(const QString& texto);
    void agenteTermino(const QString& texto, bool ok);
    void fondoTermino(const QString& titulo, const QString& texto);
    void enviarPendiente();
    void acusar(quint64 sesion, const QStringList& frases);
    // Someone is talking: a phrase of the room now would cut them off.
    bool alguienHabla() const;
    QStringList acuses() const;
    QString construirInstruccion(const QString& texto, std::optional<QString>& autor) const;

    int elegir(int n) const;

    Reloj& reloj_;
    Ajustes& ajustes_;
    Almacen& almacen_;
    Perfiles& perfiles_;
    AsistenteVoz& asistente_;
    std::unique_ptr<MotorSala> motor_;
    std::function<void()> pausarEscucha_;
    std::function<void()> reanudarEscucha_;
    std::function<void(AlPermisos)> pedirPermisos_;
    std::function<void(const std::vector<float>&, const QList<QUuid>&, AlIdentificar)> identificar_;
    std::function<int(int)> elegir_;
    std::function<void(const QUuid&, const std::vector<float>&)> registrarHuella_;

    bool activo_ = false;
    bool inmersivo_ = false;
    Estado estado_ = Estado::inactivo;
    QString transcripcion_;
    QString ultimaFrase_;
    float nivel_ = 0;
    std::optional<QString> aviso_;
    bool cancelaEco_ = false;
    bool musicaDeFondo_ = false;

    // Every session gets a number: work of an ended one is dropped.
    quint64 sesion_ = 0;
    // The listener's pause is taken once and given back once.
    bool pausaTomada_ = false;
    // Bumped by iniciar: a farewell acts only when none came after it.
    quint64 aperturas_ = 0;

    Temporizador silencio_;
    std::chrono::milliseconds inicioRevision_{0};
    int esperaSilencio_ = 0;
    Temporizador acuseTarea_;
    Temporizador asentirTarea_;
    Temporizador revisionIgnorado_;
    std::optional<QString> ignorado_;

    QDateTime ultimaActividadDicha_;
    QDateTime ultimoAsentir_;
    QDateTime ignorarHasta_;
    QDateTime ultimaVezHablo_;
    QDateTime llamadaHasta_;

    // Dialogue flags; routing, people and meetings use the rest.
    bool preguntaContinuar_ = false;
    bool esperandoNombre_ = false;
    bool esperandoModalidad_ = false;
    bool enPresentaciones_ = false;
    bool anunciarFondo_ = false;
    bool llamadaEnSegmento_ = false;
    bool ultimaFueRespuestaPendiente_ = false;
    // When the first words of the utterance in course were heard.
    QDateTime inicioFrase_;

    // Speech queue. Every decir is a numbered turn and every run of the
    // queue a numbered run: only the newest may change the state or move
    // the queue on.
    QStringList colaHabla_;
    bool hablandoCola_ = false;
    std::function<void()> alVaciarCola_;
    QString bufferHabla_;
    bool enCodigo_ = false;
    int oracionesDichas_ = 0;
    int letrasDichas_ = 0;
    bool avisoDetalle_ = false;
    bool recibioFragmento_ = false;
    int turnoHabla_ = 0;
    int turnoCola_ = -1;
    quint64 corridaCola_ = 0;

    // Dispatch.
    std::deque<Pendiente> pendientes_;
    std::optional<QString> acusePendiente_;

    // People.
    std::optional<Perfil> hablante_;
    std::optional<QUuid> proyectoParaSeguir_;

    // Closed utterances, handled in the order they closed.
    std::deque<Cerrada> cerradas_;
    quint64 numeroCerrada_ = 0;

    FiltroEco filtroEco_{25.0};
};
