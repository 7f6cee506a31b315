#pragma once

#include "plataforma/Reloj.h"
#include "projects/MotorSala.h"

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <vector>

// The room's engine played by the test. Speech is recorded and ends when the
// test says so (or after a time per character); the user's words arrive as
// growing partial texts with voice heard while they are said.
class MotorSalaGuionado final : public MotorSala {
public:
    struct Dicho {
        QString texto;
        std::optional<QString> voz;
        float velocidad = 0;
        int turno = 0;
    };
    struct Arranque {
        std::optional<uint32_t> entrada;
        std::optional<uint32_t> salida;
        bool eco = false;
    };

    explicit MotorSalaGuionado(Reloj& reloj) : reloj_(reloj) {}

    // Moves time on (with the events delivered); set by the test.
    std::function<void(std::chrono::milliseconds)> esperar;

    // What the next starts do: "eco" fails only with echo cancellation,
    // "siempre" fails every start.
    QString fallo;
    bool ecoDelSistema = true;
    std::vector<Arranque> arranques;
    int detenciones = 0;
    std::vector<Dicho> dichos;
    int callados = 0;
    int segmentosNuevos = 0;
    std::vector<double> realimentados;
    // Each spoken character lasts this long when set; else completar().
    std::optional<std::chrono::milliseconds> porLetra;
    bool musica = false;
    float cercania = 5;
    std::vector<float> audio = std::vector<float>(16000, 0.1f);
    // Called at every hablar, for timing.
    std::function<void()> alHablar;

    QStringList textosDichos() const
    {
        QStringList t;
        for (const Dicho& d : dichos)
            t << d.texto;
        return t;
    }

    // The user says `texto`: one partial per word, `paso` apart, voice heard
    // throughout.
    void usuario(const QString& texto, std::chrono::milliseconds paso = std::chrono::milliseconds(200))
    {
        const QStringList palabras = texto.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < palabras.size(); ++i) {
            ultimaVoz_ = reloj_.ahora();
            if (avisos_.texto)
                avisos_.texto(palabras.mid(0, i + 1).join(QLatin1Char(' ')), segmento_);
            if (i + 1 < palabras.size() && esperar)
                esperar(paso);
        }
    }
    // One partial text of segment `segmento` (the current one by default).
    void parcial(const QString& texto, std::optional<int> segmento = std::nullopt)
    {
        ultimaVoz_ = reloj_.ahora();
        if (avisos_.texto)
            avisos_.texto(texto, segmento.value_or(segmento_));
    }
    // Voice goes on without new words.
    void vozDurante(std::chrono::milliseconds cuanto)
    {
        const auto paso = std::chrono::milliseconds(100);
        for (auto hecho = std::chrono::milliseconds(0); hecho < cuanto; hecho += paso) {
            ultimaVoz_ = reloj_.ahora();
            if (esperar)
                esperar(paso);
        }
    }
    void finDelReconocedor(std::optional<int> segmento = std::nullopt)
    {
        if (avisos_.finSegmento)
            avisos_.finSegmento(segmento.value_or(segmento_));
    }
    void vozEncima()
    {
        if (avisos_.vozEncima)
            avisos_.vozEncima();
    }
    void cambiaMusica(bool hay)
    {
        if (avisos_.musica)
            avisos_.musica(hay);
    }
    void nivelDe(float nivel)
    {
        if (avisos_.nivel)
            avisos_.nivel(nivel);
    }
    // Ends the speech turn in course as heard (or as cut).
    bool completar(bool oido = true)
    {
        if (!alTerminar_)
            return false;
        auto fin = std::move(alTerminar_);
        alTerminar_ = nullptr;
        hablando_ = false;
        fin(turno_, oido);
        return true;
    }

    void avisar(Avisos avisos) override { avisos_ = std::move(avisos); }
    void arrancar(std::optional<uint32_t> entrada, std::optional<uint32_t> salida, bool eco) override
    {
        arranques.push_back({entrada, salida, eco});
        if (fallo == QLatin1String("siempre") || (fallo == QLatin1String("eco") && eco))
            throw std::runtime_error("el dispositivo no responde");
        corriendo_ = true;
        cancelaEco_ = eco && ecoDelSistema;
        ++segmento_;
        inicioSegmento_ = reloj_.ahora();
    }
    void detener() override
    {
        ++detenciones;
        corriendo_ = false;
        cortar();
    }
    void nuevoSegmento() override
    {
        ++segmentosNuevos;
        ++segmento_;
        inicioSegmento_ = reloj_.ahora();
    }
    void nuevoSegmentoConLoUltimo(double segundos) override
    {
        realimentados.push_back(segundos);
        nuevoSegmento();
    }
    std::vector<float> tomarAudioSegmento() override { return audio; }
    int hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
               AlTerminarHabla alTerminar) override
    {
        cortar();
        ++turno_;
        dichos.push_back({texto, voz, velocidad, turno_});
        hablando_ = true;
        alTerminar_ = std::move(alTerminar);
        if (alHablar)
            alHablar();
        if (porLetra) {
            const int turno = turno_;
            fin_ = reloj_.despues(*porLetra * texto.size(), &contexto_, [this, turno] {
                if (turno == turno_)
                    completar(true);
            });
        }
        return turno_;
    }
    void callar() override
    {
        ++callados;
        cortar();
    }
    bool hablando() const override { return hablando_; }
    QDateTime ultimaVozDetectada() const override { return ultimaVoz_; }
    QDateTime inicioSegmento() const override { return inicioSegmento_; }
    int segmento() const override { return segmento_; }
    bool musicaDominante(const QDateTime&) const override { return musica; }
    float cercaniaDeVoz(const QDateTime&) const override { return cercania; }
    bool cancelaEco() const override { return cancelaEco_; }
    QString locale() const override { return QStringLiteral("es-CL"); }
    bool local() const override { return true; }
    std::optional<QString> mejorVoz(const std::optional<QString>& preferida) const override
    {
        return preferida ? preferida : std::optional<QString>(QStringLiteral("es-419"));
    }

    bool corriendo() const { return corriendo_; }

private:
    // Like the real engine: a cut turn reports from the call that cut it.
    void cortar() { completar(false); }

    Reloj& reloj_;
    QObject contexto_;
    Avisos avisos_;
    bool corriendo_ = false;
    bool cancelaEco_ = false;
    int segmento_ = 0;
    int turno_ = 0;
    bool hablando_ = false;
    QDateTime ultimaVoz_;
    QDateTime inicioSegmento_;
    AlTerminarHabla alTerminar_;
    Temporizador fin_;
};
