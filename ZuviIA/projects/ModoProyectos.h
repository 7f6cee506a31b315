#pragma once

#include "audio/FiltroEco.h"
#include "core/Modelos.h"
#include "projects/ComandosVoz.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

class Ajustes;
class Almacen;
class AsistenteVoz;
class Perfiles;
class Reloj;
class VozNeural;
namespace RutaFrase {
struct Situacion;
}

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
                  Reloj& reloj, VozNeural& voz, QObject* parent = nullptr);
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

    // One closed utterance: the text as recognised and its voice-print
    // samples; `inicio` is when it began (now when not given).
    void procesar(const QString& texto, const std::vector<float>& audio, const QDateTime& inicio = {});
    // The spoken command table over the folded text; true when it acted.
    bool comando(const QString& texto, const QString& original, bool llamada);
    // What was said for after the running turn, when anything.
    const std::optional<QString>& pendiente() const { return pendiente_; }
    static bool pareceInstruccion(const QString& normalizado);
    static std::optional<QString> cambioDeNombre(const QString& normalizado);

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

    // Speech and dispatch.
    void decir(const QString& texto, std::function<void(bool)> alTerminar = {});
    void callarTodo();
    void enviarAlAgente(const QString& texto, const std::optional<QString>& mostrar);
    void iniciar();
    void salir(bool despedirse);

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
    void setActivo(bool valor);
    void setEstado(Estado valor);
    void saludar();
    void setUltimaFrase(const QString& texto);
    RutaFrase::Situacion situacion(const QString& texto, const QDateTime& inicio);
    void ejecutar(ComandosVoz::Comando comando, const QString& original);
    void tomarNombre(const QString& texto, const std::vector<float>& audio);
    void seguirProyecto();

    Ajustes& ajustes_;
    Almacen& almacen_;
    Perfiles& perfiles_;
    AsistenteVoz& asistente_;
    Reloj& reloj_;
    VozNeural& voz_;
    FiltroEco filtroEco_{25};

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
    bool ultimaFueRespuestaPendiente_ = false;
    bool anunciarFondo_ = false;
    QDateTime ultimaVezHablo_;
    // End of the window the assistant's name alone opens; invalid when closed.
    QDateTime llamadaHasta_;
    std::optional<QString> pendiente_;
    std::optional<Perfil> hablante_;
    std::optional<QUuid> proyectoParaSeguir_;
};
