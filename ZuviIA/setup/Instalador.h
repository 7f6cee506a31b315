#pragma once

#include "audio/TextosVoz.h"
#include "core/HerramientaIA.h"
#include "setup/EstadoPaso.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class Ajustes;
class Permisos;
class Reloj;
class VozNeural;

// What one script run in the login shell gave.
struct ResultadoShell {
    bool ok = false;        // exit status 0
    QString salida;         // standard output and error, as they arrived
    bool agotado = false;   // stopped at its time limit
};

// Checks, installs and connects the outside tools the assistant relies on:
// the agents, the skills pack, the connections and the neural voice. The
// setup assistant and the settings window show its state and call its
// operations. Every install script runs in the user's login shell.
class Instalador : public QObject {
    Q_OBJECT
    Q_PROPERTY(EstadosAgentes agentes READ agentes NOTIFY agentesChanged)
    Q_PROPERTY(AgentesElegidos agentesElegidos READ agentesElegidos WRITE setAgentesElegidos NOTIFY agentesElegidosChanged)
    Q_PROPERTY(EstadosConexiones conexiones READ conexiones NOTIFY conexionesChanged)
    Q_PROPERTY(AppsConexiones appsConexion READ appsConexion NOTIFY appsConexionChanged)
    Q_PROPERTY(QStringList faltaMac READ faltaMac NOTIFY faltaMacChanged)
    Q_PROPERTY(QStringList skillsPack READ skillsPack NOTIFY skillsPackChanged)
    Q_PROPERTY(QStringList skillsFaltantes READ skillsFaltantes NOTIFY skillsFaltantesChanged)
    Q_PROPERTY(EstadoPaso estadoSkills READ estadoSkills NOTIFY estadoSkillsChanged)
    Q_PROPERTY(double progresoSkills READ progresoSkills NOTIFY progresoSkillsChanged)
    Q_PROPERTY(EstadosAgentes sesion READ sesion NOTIFY sesionChanged)
    Q_PROPERTY(EstadoPaso estadoVoz READ estadoVoz WRITE setEstadoVoz NOTIFY estadoVozChanged)
    Q_PROPERTY(bool instalandoVoz READ instalandoVoz NOTIFY instalandoVozChanged)
    Q_PROPERTY(QString registro READ registro NOTIFY registroChanged)
    Q_PROPERTY(bool trabajando READ trabajando NOTIFY trabajandoChanged)
    Q_PROPERTY(QStringList carpetasApoyo READ carpetasApoyo NOTIFY carpetasApoyoChanged)
    Q_PROPERTY(bool apoyoFaltante READ apoyoFaltante NOTIFY apoyoFaltanteChanged)

public:
    using ms = std::chrono::milliseconds;

    // Time limits: at the limit the script's whole process group is killed.
    struct Limites {
        ms agente = std::chrono::minutes(15);
        ms prueba = std::chrono::minutes(2);
        ms sonda = std::chrono::seconds(30);
        ms blender = std::chrono::minutes(30);
        ms voz = std::chrono::minutes(120);
    };

    // The edges tests replace.
    struct Bordes {
        // Looks for one tool; blocks, so it runs off the GUI thread.
        std::function<Deteccion(const HerramientaIA&)> detectar;
        // Refreshes the application-wide detection list.
        std::function<void()> refrescarDeteccion;
        Limites limites;
    };

    Instalador(Ajustes& ajustes, Reloj& reloj, VozNeural& voz, Permisos& permisos, QString recursos, QString home,
               Bordes bordes, QObject* parent = nullptr);
    // Stops every script still running, with all it started, and removes
    // their temporary folders.
    ~Instalador() override;
    static Instalador& shared();

    const EstadosAgentes& agentes() const { return agentes_; }
    const AgentesElegidos& agentesElegidos() const { return agentesElegidos_; }
    void setAgentesElegidos(const AgentesElegidos& valor);
    const EstadosConexiones& conexiones() const { return conexiones_; }
    const AppsConexiones& appsConexion() const { return appsConexion_; }
    const QStringList& faltaMac() const { return faltaMac_; }
    const QStringList& skillsPack() const { return skillsPack_; }
    const QStringList& skillsFaltantes() const { return skillsFaltantes_; }
    const EstadoPaso& estadoSkills() const { return estadoSkills_; }
    double progresoSkills() const { return progresoSkills_; }
    const EstadosAgentes& sesion() const { return sesion_; }
    const EstadoPaso& estadoVoz() const { return estadoVoz_; }
    void setEstadoVoz(const EstadoPaso& valor);
    const QString& registro() const { return registro_; }
    bool trabajando() const { return trabajos_ > 0; }
    // The neural voice installs in the background: it holds neither the
    // setup's navigation nor `trabajando`.
    bool instalandoVoz() const { return instalandoVoz_; }
    const QString& home() const { return home_; }
    const QStringList& carpetasApoyo() const { return carpetasApoyo_; }
    bool apoyoFaltante() const { return apoyoFaltante_; }

    // Runs one script in the login shell ("-l", "-c"), in the home folder,
    // after the PATH line; `parametros` become $1, $2... With `registrar`
    // its output also streams into `registro`. The script's TMPDIR is a
    // folder of its own, removed when it ends; so is anything the script
    // left running in its process group. `alLanzar` hears the process
    // group of the running script (0 once it ended).
    QFuture<ResultadoShell> shellConSalida(const QString& comando, bool registrar, const QStringList& parametros = {},
                                           ms limite = std::chrono::minutes(5),
                                           std::function<void(qint64 grupo)> alLanzar = {});

    // Re-checks the voice, the agents, the skills and the connections.
    QFuture<void> comprobarTodo();

    // Agents.
    QFuture<void> comprobarAgentes();
    QFuture<void> instalarAgentes();
    QFuture<void> probar(Agente agente);
    // Opens a terminal that signs the agent in; false (logged) when none
    // starts. The sentence that says so.
    bool iniciarSesion(Agente agente);
    static QString sinTerminal(Agente agente);

    // Skills pack.
    void comprobarSkills();
    QFuture<void> instalarSkills();
    // At launch: refreshes the application's own skills in the agents'
    // skill folders that already exist.
    static void actualizarSkillsPropias();

    // Connections.
    QFuture<void> comprobarConexiones();
    QFuture<void> configurar(Conexion conexion);

    // The local neural voice.
    QFuture<void> instalarVozNeural();
    // Stops a running voice install with everything it started; the voice
    // is then missing again (or stays as an earlier install left it).
    void cancelarVozNeural();
    // The service has announced its port and "vozNeural" is on.
    bool vozNeuralLista() const;
    // The voice's texts for its card, from what the service announced.
    TextosVoz::Vista vistaVoz() const;
    // Re-reads the voice for its card: installed (ready or loading) or
    // missing. A running install keeps its status.
    void refrescarVozNeural();

    // Opens the desktop's settings closest to a privacy pane
    // ("Privacy_Microphone", "Privacy_Accessibility"...).
    static void abrirPrivacidad(const QString& panel);
    // Starts this executable again one second later and quits.
    static void reabrirApp();

signals:
    void agentesChanged();
    void agentesElegidosChanged();
    void conexionesChanged();
    void appsConexionChanged();
    void faltaMacChanged();
    void skillsPackChanged();
    void skillsFaltantesChanged();
    void estadoSkillsChanged();
    void progresoSkillsChanged();
    void sesionChanged();
    void estadoVozChanged();
    void instalandoVozChanged();
    void registroChanged();
    void trabajandoChanged();
    void carpetasApoyoChanged();
    void apoyoFaltanteChanged();

private:
    struct Copia;
    struct Ejecucion;
    void cerrarEjecucion(const std::shared_ptr<Ejecucion>& ej);

    void anotar(const QString& linea);
    void agregarRegistro(const QString& texto);
    // `trabajando` counts running jobs, so one ending never clears another.
    void empezarTrabajo();
    void terminarTrabajo();

    void fijarAgente(Agente a, const EstadoPaso& e);
    void fijarSesion(Agente a, const EstadoPaso& e);
    void fijarConexion(Conexion c, const EstadoPaso& e);
    void fijarEstadoSkills(const EstadoPaso& e);
    void fijarProgreso(double p);
    void comprobarVoz();
    // Installed (ready or loading) or missing, worded by the voice speaking.
    EstadoPaso estadoVozVisto() const;

    QFuture<Deteccion> detectar(Agente a);
    QFuture<void> instalarAgente(Agente a);
    QString packURL() const;
    QStringList destinosSkills() const;
    void copiarSiguiente(std::shared_ptr<Copia> copia);
    void terminarCopia(std::shared_ptr<Copia> copia);

    QStringList buscarApps(Conexion c) const;
    QFuture<EstadoPaso> estadoConexion(Conexion c);
    bool skillInstalada(const QString& skill) const;
    QFuture<std::optional<QString>> accionConexion(Conexion c);
    void esperarVoz(std::shared_ptr<QPromise<void>> promesa, int vueltas);
    void setInstalandoVoz(bool valor);
    void terminarVoz(std::shared_ptr<QPromise<void>> promesa, const EstadoPaso& estado);

    Ajustes& ajustes_;
    Reloj& reloj_;
    VozNeural& voz_;
    Permisos& permisos_;
    const QString recursos_;
    const QString home_;
    Bordes bordes_;

    EstadosAgentes agentes_;
    AgentesElegidos agentesElegidos_{Agente::claudeCode, Agente::codex};
    EstadosConexiones conexiones_;
    AppsConexiones appsConexion_;
    QStringList faltaMac_;
    QStringList skillsPack_;
    QStringList skillsFaltantes_;
    EstadoPaso estadoSkills_ = EstadoPaso::comprobando();
    double progresoSkills_ = 0;
    EstadosAgentes sesion_;
    EstadoPaso estadoVoz_ = EstadoPaso::comprobando();
    bool instalandoVoz_ = false;
    qint64 grupoVoz_ = 0;          // the running voice script's process group
    bool vozCancelada_ = false;
    QString registro_;
    int trabajos_ = 0;
    std::vector<std::shared_ptr<Ejecucion>> ejecuciones_;
    QStringList carpetasApoyo_;
    bool apoyoFaltante_ = false;
};
