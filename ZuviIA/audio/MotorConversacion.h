#pragma once

#include "audio/AnilloMuestras.h"
#include "audio/DetectorVozEncima.h"
#include "audio/RetiroTareas.h"
#include "audio/SalidaVoz.h"
#include "plataforma/Ajustes.h"
#include "plataforma/CancelacionEco.h"
#include "plataforma/ClasificadorSonido.h"
#include "plataforma/DispositivosSistema.h"
#include "plataforma/Microfono.h"
#include "plataforma/Reconocedor.h"
#include "plataforma/Reloj.h"
#include "plataforma/Remuestreador.h"
#include "plataforma/Reproductor.h"
#include "plataforma/Sintetizador.h"
#include "plataforma/TerminosReconocimiento.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class VozNeural;

// The conversation audio engine: captures one microphone, recognises Spanish
// speech in numbered segments, tracks voice against a running noise floor,
// keeps the newest audio to re-feed a segment and records 16 kHz audio for
// voice prints. It decides nothing: it reports through its callbacks, which
// run on its own threads (capture, recognition, classification) after its
// lock is released, and its owner hops to the GUI thread. One per owner.
class MotorConversacion final {
public:
    // Text and end callbacks carry their segment's number: after the hop the
    // owner compares it with segmento() and drops what is stale.
    using OnTexto = std::function<void(const QString& texto, int segmento)>;
    using OnFinSegmento = std::function<void(int segmento)>;
    using OnNivel = std::function<void(float nivel)>;
    using OnVozEncima = std::function<void()>;
    using OnMusica = std::function<void(bool musica)>;
    // A Spanish notice for the user: the model did not load, recognition
    // fails again and again, or the microphone stopped delivering. At most
    // one per run.
    using OnAviso = std::function<void(const QString& aviso)>;

    // Ends a speech turn: oido is the specified true, anything else false.
    using AlTerminarHabla = SalidaVoz::AlTerminar;

    // The layers the engine stands on. The player, the sound classifier and
    // echo cancellation may be missing: no playback is prepared (a speech
    // turn ends at once as failed), nothing is classified, and asking for
    // echo cancellation fails the start. Without a synthesizer there is no
    // system voice; without the voice service no neural one.
    struct Capas {
        Reloj& reloj = Reloj::sistema();
        Microfono& microfono = Microfono::sistema();
        Reconocedor& reconocedor = Reconocedor::sistema();
        Ajustes& ajustes = Ajustes::shared();
        DispositivosSistema& dispositivos = DispositivosSistema::sistema();
        std::shared_ptr<Reproductor> reproductor = nullptr;
        std::shared_ptr<ClasificadorSonido> clasificador = nullptr;
        std::shared_ptr<CancelacionEco> eco = nullptr;
        std::shared_ptr<Sintetizador> sintetizador = nullptr;
        VozNeural* voz = nullptr;
    };
    // The real layers with speech: a player of its own, espeak-ng, the
    // music/speech classifier, echo cancellation fed from that player and
    // the shared voice service. On the GUI thread.
    static Capas capasSistema();

    static constexpr size_t maxMuestrasHuella = 480000; // 30 s at 16 kHz
    static constexpr double segundosRecientes = 1.2;

    // Chooses the recognizer's locale and watches device changes; starts
    // nothing. Create it on the thread its owner lives on (timers run there).
    explicit MotorConversacion(Capas capas, const QString& localeActual = QLocale::system().name());
    MotorConversacion() : MotorConversacion(Capas{}) {}
    ~MotorConversacion();
    MotorConversacion(const MotorConversacion&) = delete;
    MotorConversacion& operator=(const MotorConversacion&) = delete;

    // Stops any previous run, then opens the input with that device id (none
    // = the system default), prepares playback on that output and starts the
    // first segment. Throws ErrorDictado (sinReconocedor, dispositivo,
    // formato), ErrorCaptura when the microphone refuses to start, and the
    // player's or echo cancellation's std::runtime_error; always stopped after
    // a failure.
    void arrancar(std::optional<uint32_t> dispositivo, std::optional<uint32_t> salida, bool cancelacionEco);
    // Safe when not running.
    void detener();
    void nuevoSegmento();
    // A new segment fed first with the newest kept audio covering at least
    // `segundos`.
    void nuevoSegmentoConLoUltimo(double segundos);
    // The voice-print audio (16 kHz mono) of the current segment; empties it.
    std::vector<float> tomarAudioSegmento();
    // One speech turn (see SalidaVoz::hablar): `voz` and `velocidad` serve
    // the system voice. While it speaks, hablando() is true.
    void hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
                AlTerminarHabla alTerminar);
    // Stops speaking; every earlier speech turn becomes stale.
    void callar();
    // The output level: RMS peak of the blocks heard, falling by a tenth a block.
    float nivelSalida() const;
    static float nivelSalidaSiguiente(float rms, float nivel) { return std::max(rms, 0.9f * nivel); }

    // The best Spanish voice: the preferred one when it is Spanish, else the
    // best candidate by quality, then region. None without Spanish voices.
    static std::optional<VozSistema> mejorVoz(const std::optional<QString>& preferida,
                                              const std::vector<VozSistema>& voces);
    static std::optional<VozSistema> mejorVoz(const std::optional<QString>& preferida = std::nullopt);
    // The Spanish candidates by quality, the system's order kept on ties.
    static std::vector<VozSistema> vocesEspanol(const std::vector<VozSistema>& voces);
    static std::vector<VozSistema> vocesEspanol();
    // Lower first on equal quality: es-CL, es-MX (espeak-ng's Latin American
    // "es-419"), es-US, es-ES (its "es"), then the rest.
    static int rangoRegion(const QString& idioma);

    // Music heard in the last classification (under 2.5 s old).
    bool hayMusicaAhora() const;
    // At least half of the classifications since then heard music.
    bool musicaDominante(const QDateTime& desde) const;
    // How far the loud levels since then stand above the quiet ones; 0 with
    // fewer than five.
    float cercaniaDeVoz(const QDateTime& desde) const;
    static bool musicaDominante(const std::vector<double>& musicas);
    static float cercaniaDeVoz(std::vector<float> niveles);

    bool hablando() const;
    QDateTime ultimaVozDetectada() const;
    QDateTime inicioSegmento() const;
    int segmento() const;
    bool cancelaEco() const { return cancelaEco_; }
    std::atomic<bool> escucharMientrasHabla = true;
    // The recognizer's locale, chosen at creation; all recognition runs on
    // this computer.
    QString locale() const { return locale_; }

    void onTexto(OnTexto f);
    void onFinSegmento(OnFinSegmento f);
    void onNivel(OnNivel f);
    void onVozEncima(OnVozEncima f);
    void onMusica(OnMusica f);
    void onAviso(OnAviso f);
    // Recognition may hear only these phrases from the next segment on (the
    // wake listener's); empty hears everything.
    void restringirA(const QStringList& frases);

    // Candidates in order (current locale, es-CL, es-ES, es-MX, es-US), the
    // first Spanish one supported; else "es-ES".
    static QString elegirLocale(const QString& actual, const QStringList& soportados);
    // The contextual strings of every segment: the fixed terms, then the
    // people's names stored under "terminosPerfiles".
    static QStringList terminos(const Ajustes& ajustes);
    // The running noise floor after a block of that RMS.
    static float pisoSiguiente(float rms, float piso);
    // Voice when the RMS stands above 2.5 times the floor and above 0.006.
    static bool esVoz(float rms, float piso);
    // How many of the newest blocks (durations in seconds, oldest first) to
    // re-feed so that they cover `segundos`: blocks are taken from the newest
    // until the sum reaches it.
    static size_t cuantosRecientes(const std::vector<double>& duraciones, double segundos);
    // The box average to 16 kHz of the first channel, for inputs at or
    // above 16 kHz.
    static std::vector<float> promediar16k(const BloqueAudio& bloque);

private:
    struct Avisos {
        OnTexto texto;
        OnFinSegmento finSegmento;
        OnNivel nivel;
        OnVozEncima vozEncima;
        OnMusica musica;
        OnAviso aviso;
    };
    // Stamped with the monotonic clock: one cheap read a block.
    struct Nivel {
        qint64 ms;
        float rms;
    };
    struct Clasificacion {
        qint64 ms;
        double musica;
        double habla;
    };

    std::shared_ptr<const Avisos> avisos() const;
    void cambiarAvisos(const std::function<void(Avisos&)>& cambio);

    // Playback side (MotorConversacionHabla.cpp).
    void prepararVoz(std::optional<uint32_t> salida);

    // Capture side (MotorConversacion.cpp).
    std::optional<QString> uidSalida(std::optional<uint32_t> salida);
    void abrirCaptura();
    void iniciarCaptura();
    void avisar(const QString& texto);
    void avisarMicrofono(const QString& texto);
    void cambioDeDispositivos();
    void alBloque(const BloqueAudio& entrada);
    void guardarReciente(const BloqueAudio& bloque);
    void registrarNivel(float x);
    void detectarVoz(float x);
    void acumularAudio(const BloqueAudio& bloque, int numero);
    void registrarClasificacion(double musica, double habla);

    // Barge-in (MotorConversacionInterrupcion.cpp).
    void detectarVozEncima(float mic, const Avisos& avisos);
    bool hayMusicaAhoraBloqueado() const;
    // `desde` on the monotonic clock of the stamps.
    qint64 msMonotonos(const QDateTime& desde) const;

    // Recognition side (MotorConversacionSegmentos.cpp).
    void empezarSegmento(std::optional<double> segundos);
    void abrirSegmento(std::optional<double> segundos);
    void retirarTareaBloqueado();
    void alTextoSegmento(int numero, const QString& texto, bool final);
    void alErrorSegmento(int numero, const QString& descripcion);
    static BloqueAudio primerCanal(const BloqueAudio& bloque);

    Reloj& reloj_;
    Microfono& microfono_;
    Reconocedor& reconocedor_;
    Ajustes& ajustes_;
    DispositivosSistema& dispositivos_;
    std::shared_ptr<Reproductor> reproductor_;
    std::shared_ptr<ClasificadorSonido> clasificador_;
    std::shared_ptr<CancelacionEco> eco_;
    QString locale_;
    // Timers and device notices run on the owner's thread through it.
    std::unique_ptr<QObject> contexto_;
    // Device notices hold it weakly: none arrives once the engine is gone.
    std::shared_ptr<MotorConversacion*> vida_;

    // Owner's thread only.
    std::unique_ptr<CapturaAudio> captura_;
    std::optional<QString> uidCaptura_;
    std::atomic<bool> cancelaEco_ = false;

    mutable std::mutex lock_;
    // Guarded by lock_.
    std::shared_ptr<const Avisos> avisos_ = std::make_shared<Avisos>();
    bool corriendo_ = false;
    std::shared_ptr<TareaReconocimiento> tarea_;
    int segmento_ = 0;
    int turnoVoz_ = 0;
    bool hablando_ = false;
    float nivelSalida_ = 0;
    float pisoRuido_ = 0.01f;
    QDateTime ultimaVozDetectada_;
    QDateTime inicioSegmento_;
    AnilloMuestras audioSegmento_{maxMuestrasHuella};
    std::unique_ptr<Remuestreador> remuestreadorHuella_;
    std::deque<std::shared_ptr<const BloqueAudio>> recientes_;
    double duracionRecientes_ = 0;
    std::deque<Nivel> nivelesRecientes_;
    std::deque<Clasificacion> clasificaciones_;
    bool musicaAnunciada_ = false;
    int erroresSeguidos_ = 0;
    bool avisado_ = false;
    QStringList frases_;
    Temporizador espera_;

    // Capture thread only.
    long bufferesRecibidos_ = 0;
    float nivelMax_ = 0;
    DetectorVozEncima vozEncima_;
    int64_t posicionAnalisis_ = 0;

    // Speech and the output-level tap; both let go in the destructor.
    std::unique_ptr<SalidaVoz> salida_;
    std::unique_ptr<Reproductor::Observacion> tapSalida_;

    // Last, so it is destroyed first: the tasks it still holds call back
    // into the fields above until it has joined them.
    RetiroTareas retiro_;
};
