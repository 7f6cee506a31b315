#pragma once

#include "audio/ClienteVoz.h"
#include "audio/SaludoVoz.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Reloj.h"

#include <QAudioBuffer>
#include <QAudioFormat>
#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QUuid>

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class Ajustes;
class ProcesoEnMarcha;

// A failure of the voice service that the settings window shows: code 2
// (the service is not running) or 3 (the service refused the design).
class ErrorVoz : public std::runtime_error {
public:
    ErrorVoz(int codigo, const QString& descripcion);
    int codigo() const { return codigo_; }
    static constexpr const char* dominio = "ZuviIA";

private:
    int codigo_;
};

// The request never got an HTTP answer (refused, timed out, cut).
class ErrorTransporteVoz : public std::runtime_error {
public:
    explicit ErrorTransporteVoz(const QString& descripcion);
};

// The engine the service announced: the natural voice only when the
// neural model answered the handshake.
enum class MotorVoz { ninguno, basica, neural };

// What other rooms may know of the service at one moment, read under the
// client's lock; they never hold that lock themselves.
struct EstadoVoz {
    bool lista = false;
    std::optional<int> puerto;
    int reintentos = 0;
    MotorVoz motor = MotorVoz::ninguno;
    // The natural voice's first sample took longer than a user waits.
    bool lenta = false;
    bool listaParaHablar() const { return lista && puerto.has_value(); }
};

struct Identificacion {
    QUuid id;
    double puntaje = 0;
};

// Starts, watches and relaunches the local voice service and talks to it
// over HTTP on the loopback interface.
class VozNeural : public QObject {
    Q_OBJECT

public:
    static constexpr int minimoMuestrasHuella = 9600;
    static constexpr int maximoReintentos = 3;

    VozNeural(Ajustes& ajustes, Reloj& reloj, QString recursos = Carpetas::recursos(),
              QObject* parent = nullptr);
    ~VozNeural() override;

    // Built on first use on the GUI thread; stops the service on quit.
    static VozNeural& shared();

    static const QAudioFormat& formato();  // 24000 Hz, mono, 32-bit float
    static QString carpeta();              // <data>/ZuviIA/voz
    // .venv/bin/python is executable and the installer's completion
    // marker is there: the installer writes it only after the service
    // loaded the neural model and spoke in a check run, so neither a
    // half-done install nor a bare folder counts.
    static bool instalada();
    static constexpr const char* marcaInstalada = ".instalacion-completa";
    // The voice models the service loads and the installer downloads: the
    // base model clones the reference voice, the other designs new ones.
    static constexpr const char* modelo = "Qwen/Qwen3-TTS-12Hz-0.6B-Base";
    static constexpr const char* modeloDiseno = "Qwen/Qwen3-TTS-12Hz-1.7B-VoiceDesign";
    // What the installer downloads, rounded up, for the views and the
    // offline message.
    static constexpr int descargaGB = 8;
    // The engine names of the handshake's "MOTOR=" line.
    static MotorVoz motorDe(const QString& nombre);
    static bool activada(const Ajustes& ajustes);  // "vozNeural", absent = true
    // Puts the default reference voice in place: always with `forzar`,
    // otherwise only when "referencia.wav" is missing.
    static void prepararReferencia(bool forzar, const QString& recursos = Carpetas::recursos());

    const QString& token() const { return token_; }
    const QString& recursos() const { return recursos_; }
    EstadoVoz estado() const;

    // Safe from any thread: work hops to this object's thread.
    void arrancar();
    void detener();
    // At quit: stops the service and any process still ending, waiting for
    // none of them.
    void alSalir();
    void reiniciar();

    // None when the service is not ready (then no callback is ever called).
    // Callbacks run on the network thread.
    std::shared_ptr<TareaVoz> sintetizar(const QString& texto,
                                         std::function<void(const QAudioBuffer&)> alBuffer,
                                         std::function<void(bool completo, bool huboAudio)> alTerminar);
    // Fails with ErrorVoz (codes 2, 3) or ErrorTransporteVoz.
    QFuture<void> disenar(const QString& descripcion);
    QFuture<bool> registrarHuella(const QUuid& id, const std::vector<float>& audio);
    QFuture<std::optional<Identificacion>> identificar(const std::vector<float>& audio,
                                                       const QList<QUuid>& candidatos);

    // Samples as 32-bit little-endian floats in standard base64.
    static QString base64(const std::vector<float>& muestras);
    static QString textoUuid(const QUuid& id);  // uppercase 8-4-4-4-12
    // The service's answers read as the callers get them.
    static std::optional<Identificacion> identificacionDe(const QJsonObject& respuesta);
    static ErrorVoz errorDeDiseno(const QByteArray& cuerpo);

private:
    QFuture<std::optional<QJsonObject>> pedir(const QString& ruta, const QJsonObject& cuerpo);
    void lanzar();
    void leerSalida(quint64 generacion, const QString& trozo);
    void servidorTermino(quint64 generacion);
    bool enMiHilo(void (VozNeural::*metodo)());

    Ajustes& ajustes_;
    Reloj& reloj_;
    const QString recursos_;
    const QString token_;
    ClienteVoz cliente_;
    Temporizador relanzar_;

    // Every launched process until its exit, by launch number; the
    // current one is the last launched unless it was stopped. GUI thread.
    std::map<quint64, std::shared_ptr<ProcesoEnMarcha>> procesos_;
    std::map<quint64, std::shared_ptr<SaludoVoz>> saludos_;

    mutable QMutex lock_;
    // Guarded by lock_:
    quint64 proceso_ = 0;          // launch number of the current process; 0: none
    quint64 generacion_ = 0;       // number of the process launched last
    MotorVoz motor_ = MotorVoz::ninguno;
    bool lenta_ = false;
    std::optional<int> puerto_;
    bool lista_ = false;
    int reintentos_ = 0;
    bool arrancando_ = false;
};
