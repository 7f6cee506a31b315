#pragma once

#include "plataforma/Reloj.h"
#include "setup/Manifiesto.h"

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class Ajustes;
class QNetworkAccessManager;

// Where the updater stands: a case, with the version (disponible, lista) or
// the message (error) it carries.
struct EstadoActualizacion {
    enum class Caso { alDia, buscando, descargando, instalando, disponible, lista, error };
    Caso caso = Caso::alDia;
    QString texto;
    bool operator==(const EstadoActualizacion&) const = default;
};
Q_DECLARE_METATYPE(EstadoActualizacion)

// Keeps the installed application current from the signed manifest:
// scheduled and asked-for checks, one download at a time verified off the
// GUI thread, and the swap of the installed folder once the room is idle.
class Actualizador : public QObject {
    Q_OBJECT
    Q_PROPERTY(EstadoActualizacion estado READ estado NOTIFY estadoCambiado)
    Q_PROPERTY(std::optional<QString> notas READ notas NOTIFY notasCambiadas)

public:
    using Estado = EstadoActualizacion;

    // The running build and where it lives.
    struct Instalacion {
        QString prefijo;          // the installed folder ".../ZuviIA"
        QString version;
        qint64 build = 0;
        QString clave;            // release public key, Base64
        QUrl manifiesto;
        QString registroCambio;   // the swap script's log
        qint64 pid = 0;
    };

    // What the room is doing, read when the idle rule is asked.
    struct Ocupacion {
        bool turno = false;        // an agent turn runs
        int tareasFondo = 0;       // agent tasks running in the background
        bool activo = false;       // projects mode
        bool inmersivo = false;
        std::optional<QDateTime> ultimaConversacion;   // newest "actualizada"
    };

    struct Cambio {
        // Starts `programa` detached in a session of its own; false with
        // the reason when it cannot start.
        std::function<bool(const QString& programa, const QStringList& argumentos, QString& error)> lanzar;
        // Leaves through the application's quit path.
        std::function<void()> salir;
    };

    Actualizador(Reloj& reloj, Ajustes& ajustes, Instalacion instalacion, Cambio cambio,
                 std::function<Ocupacion()> ocupacion, QObject* parent = nullptr);
    ~Actualizador() override;
    static Actualizador& shared();

    const Estado& estado() const { return estado_; }
    const std::optional<QString>& notas() const { return notas_; }

    // "actualizarSola": a stored Bool, true otherwise.
    bool automatica() const;
    // The environment's address when it parses as an absolute URL, else
    // the update server's.
    static QUrl urlManifiesto(const QString& variable);
    // Idle: no turn, no background task, not in the immersive room, and the
    // newest conversation changed more than 300 s ago (a date ahead of the
    // clock counts as now).
    static bool desocupada(const Ocupacion& ocupacion, const QDateTime& ahora);
    // Why this folder must not be swapped, or none: only a folder named
    // "ZuviIA" sealed for this build, in a writable parent, is ours alone.
    static std::optional<QString> noActualizable(const QString& prefijo, const QString& clave, qint64 build);

    // One schedule per process: 15 s, then 6 h after each check ends. Also
    // logs the previous swap's outcome and clears leftover staging folders.
    void programar();
    void buscar(bool silencioso);
    void descargar();
    void instalar();
    // "Actualizar ahora": a verified build waiting in `lista` installs at
    // once; an offered one installs only when this very download ends
    // verified, whatever the idle rule says. A failed download installs
    // nothing, not even an earlier verified copy.
    void descargarEInstalar();

    const Instalacion& instalacionActual() const { return instalacion_; }

signals:
    void estadoCambiado();
    void notasCambiadas();

private:
    using Fin = std::function<void()>;

    void revisar(bool silencioso, Fin fin);
    void alResponder(bool silencioso, const QByteArray& cuerpo, Fin fin);
    void fallaRevision(bool silencioso, const QString& mensaje, const QString& detalle, Fin fin);
    void guardarManifiesto(const Manifiesto& manifiesto);
    void revisionProgramada();
    void leerCambioAnterior();
    void limpiarRestos();

    void bajar(Fin fin);
    void alBajar(int numero, const QString& carpeta, const QString& error, const QString& detalle, Fin fin);
    void alVerificar(int numero, const QString& app, const QString& error, Fin fin);
    void fallaDescarga(const QString& mensaje, const QString& detalle, Fin fin);
    void esperarYInstalar();
    void pasoEspera();
    void revisarCambio();
    void cambioFallido(const QString& motivo);
    bool desocupada() const;
    bool listaVigente() const;
    void olvidarVerificada();

    void setEstado(const Estado& estado);
    void setNotas(const std::optional<QString>& notas);

    Reloj& reloj_;
    Ajustes& ajustes_;
    Instalacion instalacion_;
    Cambio cambio_;
    std::function<Ocupacion()> ocupacion_;
    std::unique_ptr<QNetworkAccessManager> red_;

    Estado estado_;
    std::optional<QString> notas_;
    std::optional<Manifiesto> manifiesto_;
    QString appVerificada_;
    qint64 buildVerificada_ = -1;
    bool esperando_ = false;
    bool programado_ = false;
    int descarga_ = 0;
    Temporizador revision_;
    Temporizador espera_;
    // The running swap: where its log stood at the start, and when.
    Temporizador vigia_;
    qint64 inicioRegistroCambio_ = 0;
    std::chrono::milliseconds inicioCambio_{0};
};
