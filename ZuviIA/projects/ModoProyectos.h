#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Ajustes;
class Almacen;
class AsistenteVoz;
class Perfiles;

// The room's dialogue controller: its observable state for the views and
// the choice of the current project. GUI thread only.
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

    ModoProyectos(Ajustes& ajustes, Almacen& almacen, Perfiles& perfiles, AsistenteVoz& asistente,
                  QObject* parent = nullptr);
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

    // A new conversation with its own project folder becomes the
    // selection, with nobody in the room.
    void proyectoNuevo();
    // Points the agent and the people at the selected conversation.
    void aplicarProyecto();

    // Projects mode inside the window, unless it runs already.
    void escucharSiempre();
    // The full-screen room, starting projects mode when it is off.
    void iniciar();
    // Ends projects mode; harmless when it is off.
    void terminar();
    // Leaves the room: keeps listening in the window with always-on
    // listening on, else ends projects mode.
    void salir(bool despedirse);
    // Silences the room while it speaks; otherwise nothing.
    void interrumpir();

    // Asked by iniciar() when no main window is shown.
    void setAbrirVentana(std::function<void()> abrir) { abrirVentana_ = std::move(abrir); }

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

private:
    friend struct ModoProyectosPrueba;
    void setActivo(bool valor);
    void setEstado(Estado valor);
    void saludar();

    Ajustes& ajustes_;
    Almacen& almacen_;
    Perfiles& perfiles_;
    AsistenteVoz& asistente_;

    bool activo_ = false;
    bool inmersivo_ = false;
    Estado estado_ = Estado::inactivo;
    QString transcripcion_;
    QString ultimaFrase_;
    float nivel_ = 0;
    std::optional<QString> aviso_;
    bool cancelaEco_ = false;
    bool musicaDeFondo_ = false;

    // Dialogue flags the greeting and the project choice reset.
    bool esperandoNombre_ = false;
    bool esperandoModalidad_ = false;
    bool enPresentaciones_ = false;
    bool preguntaContinuar_ = false;
    std::function<void()> abrirVentana_;
};
