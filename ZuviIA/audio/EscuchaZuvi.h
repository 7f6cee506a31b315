#pragma once

#include "audio/MotorConversacion.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "plataforma/Sonidos.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// The wake-phrase listener: while the room is closed and does not listen
// always, it listens for "oye zuvi" and its sisters, then plays "Hero" and
// opens the room through "zuviia://modo-proyectos". Other microphone users
// pause it by raising `pausas` and calling detener(), and release it with
// reanudar(). GUI thread only; its engine's callbacks hop here.
class EscuchaZuvi : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool activada READ activada WRITE setActivada NOTIFY activadaCambiada)
    Q_PROPERTY(bool escuchando READ escuchando NOTIFY escuchandoCambiado)
    Q_PROPERTY(std::optional<QString> aviso READ aviso NOTIFY avisoCambiado)
    Q_PROPERTY(int pausas READ pausas WRITE setPausas NOTIFY pausasCambiadas)

public:
    // What the listener reads of the assistant and the room, which stand
    // above it and hand these in. Unset, the room counts as listening
    // always, so nothing starts.
    struct Vecinos {
        std::function<bool()> escuchaSiempre;
        std::function<bool()> modoProyectosActivo;
        std::function<bool()> dictando;
        // The chosen microphone's id; none = the system default input.
        std::function<std::optional<uint32_t>()> microfono;
    };
    // Opens one of the application's own links. By default the desktop's
    // opener, which reaches the handler the shell installs for "zuviia".
    using Despacho = std::function<void(const QUrl&)>;

    struct Capas {
        MotorConversacion::Capas motor{};
        Permisos& permisos = Permisos::sistema();
        Sonidos& sonidos = Sonidos::sistema();
    };

    static constexpr std::chrono::seconds rotacion{40};
    static constexpr std::chrono::milliseconds esperaReanudar{600};
    static constexpr double segundosRealimentados = 1.0;
    static constexpr int palabrasParaRenovar = 15;

    explicit EscuchaZuvi(Capas capas, QObject* parent = nullptr);
    ~EscuchaZuvi() override;

    static EscuchaZuvi& shared();

    bool activada() const { return activada_; }
    // Stores "oyeZuvi" on every assignment; true resumes, false stops.
    void setActivada(bool valor);
    bool escuchando() const { return escuchando_; }
    std::optional<QString> aviso() const { return aviso_; }
    int pausas() const { return pausas_; }
    void setPausas(int valor);

    void setVecinos(Vecinos vecinos);
    void setDespacho(Despacho despacho);

    // Starts listening when every condition allows it. The permissions are
    // read off the GUI thread, so the start itself comes a moment later.
    void iniciar();
    void detener();
    void reanudar();
    // The room started or ended: after a wake phrase that the room did not
    // take up, the listener starts again.
    void modoProyectosCambiado();

    // The text of a recognition result, as heard.
    void oir(const QString& texto);

    // Which wake phrase the text holds, if any (folded, letters and
    // spaces, whole words).
    static std::optional<QString> frase(const QString& texto);
    // Words of the folded text, for the segment restart.
    static int palabras(const QString& texto);

    static const QUrl& enlaceModoProyectos();

signals:
    void activadaCambiada();
    void escuchandoCambiado();
    void avisoCambiado();
    void pausasCambiadas();

private:
    struct Estados {
        Permisos::Estado voz = Permisos::Estado::sinDecidir;
        Permisos::Estado mic = Permisos::Estado::sinDecidir;
    };

    void continuarInicio(Estados estados);
    bool puedeEmpezar(const Estados& estados) const;
    void arrancar();
    void programarRotacion();
    void finSegmento(int segmento);
    void retomarTrasFrase();
    void setEscuchando(bool valor);
    void setAviso(const std::optional<QString>& valor);

    Ajustes& ajustes_;
    Reloj& reloj_;
    Permisos& permisos_;
    Sonidos& sonidos_;
    Vecinos vecinos_;
    Despacho despacho_;

    bool activada_ = true;
    bool escuchando_ = false;
    std::optional<QString> aviso_;
    int pausas_ = 0;
    Temporizador rotacion_;
    Temporizador reanudacion_;
    // A wake phrase stopped the listener and no one has taken the
    // microphone since: if the room does not start, the listener does.
    bool trasFrase_ = false;
    Temporizador retomar_;
    std::unique_ptr<MotorConversacion> motor_;
};
