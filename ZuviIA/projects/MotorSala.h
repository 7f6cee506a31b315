#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MotorConversacion;

// Exactly what the room asks of its conversation engine, so tests can put a
// scripted engine in its place. The callbacks may come on any thread; the
// room hops to the GUI thread itself. Texts and segment ends carry their
// segment's number, speech completions their turn's.
class MotorSala {
public:
    struct Avisos {
        std::function<void(const QString& texto, int segmento)> texto;
        std::function<void(int segmento)> finSegmento;
        std::function<void(float nivel)> nivel;
        std::function<void()> vozEncima;
        std::function<void(bool musica)> musica;
        // A Spanish notice: the room has gone deaf (no model, failing
        // recognition, a microphone that stopped).
        std::function<void(const QString& aviso)> aviso;
    };
    // `oido`: the text ended as the engine's current turn, all of it heard.
    using AlTerminarHabla = std::function<void(int turno, bool oido)>;

    virtual ~MotorSala() = default;

    // Set once, before the first start.
    virtual void avisar(Avisos avisos) = 0;
    // Throws a std::exception whose what() is a Spanish sentence.
    virtual void arrancar(std::optional<uint32_t> entrada, std::optional<uint32_t> salida, bool cancelacionEco) = 0;
    virtual void detener() = 0;
    virtual void nuevoSegmento() = 0;
    virtual void nuevoSegmentoConLoUltimo(double segundos) = 0;
    virtual std::vector<float> tomarAudioSegmento() = 0;
    // Returns the turn's number; a newer turn or callar() cuts the older.
    virtual int hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
                       AlTerminarHabla alTerminar) = 0;
    virtual void callar() = 0;

    virtual bool hablando() const = 0;
    virtual QDateTime ultimaVozDetectada() const = 0;
    virtual QDateTime inicioSegmento() const = 0;
    virtual int segmento() const = 0;
    virtual bool musicaDominante(const QDateTime& desde) const = 0;
    virtual float cercaniaDeVoz(const QDateTime& desde) const = 0;
    virtual bool cancelaEco() const = 0;
    virtual QString locale() const = 0;
    // Recognition runs on this computer.
    virtual bool local() const = 0;
    // The identifier of the voice to speak with ("vozID" when it is a
    // Spanish voice), none without one.
    virtual std::optional<QString> mejorVoz(const std::optional<QString>& preferida) const = 0;

    // The real engine over the system's layers.
    static std::unique_ptr<MotorSala> sistema();
};

// The adapter over MotorConversacion.
class MotorSalaReal final : public MotorSala {
public:
    explicit MotorSalaReal(std::unique_ptr<MotorConversacion> motor);
    ~MotorSalaReal() override;

    void avisar(Avisos avisos) override;
    void arrancar(std::optional<uint32_t> entrada, std::optional<uint32_t> salida, bool cancelacionEco) override;
    void detener() override;
    void nuevoSegmento() override;
    void nuevoSegmentoConLoUltimo(double segundos) override;
    std::vector<float> tomarAudioSegmento() override;
    int hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
               AlTerminarHabla alTerminar) override;
    void callar() override;
    bool hablando() const override;
    QDateTime ultimaVozDetectada() const override;
    QDateTime inicioSegmento() const override;
    int segmento() const override;
    bool musicaDominante(const QDateTime& desde) const override;
    float cercaniaDeVoz(const QDateTime& desde) const override;
    bool cancelaEco() const override;
    QString locale() const override;
    bool local() const override { return true; }
    std::optional<QString> mejorVoz(const std::optional<QString>& preferida) const override;

private:
    std::unique_ptr<MotorConversacion> motor_;
    std::shared_ptr<int> turnos_ = std::make_shared<int>(0);
};
