#include "setup/Instalador.h"

#include "audio/VozNeural.h"
#include "core/DetectorIA.h"
#include "core/EjecutorProceso.h"
#include "core/EstadoIA.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "core/Futuros.h"
#include "setup/ScriptsInstalador.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <signal.h>

namespace {

// Queued chunks of a finished script land before its result.
constexpr std::chrono::milliseconds asentar{80};

template <typename T>
bool cambiar(T& campo, const T& valor)
{
    if (campo == valor)
        return false;
    campo = valor;
    return true;
}

}

Instalador::Instalador(Ajustes& ajustes, Reloj& reloj, VozNeural& voz, Permisos& permisos, QString recursos,
                       QString home, Bordes bordes, QObject* parent)
    : QObject(parent), ajustes_(ajustes), reloj_(reloj), voz_(voz), permisos_(permisos),
      recursos_(std::move(recursos)), home_(std::move(home)), bordes_(std::move(bordes))
{
    if (!bordes_.detectar)
        bordes_.detectar = DetectorIA::buscar;
    if (!bordes_.refrescarDeteccion)
        bordes_.refrescarDeteccion = [] {};
}

struct Instalador::Ejecucion {
    QPromise<ResultadoShell> promesa;
    QString texto;
    bool agotado = false;
    Temporizador limite;
    std::shared_ptr<ProcesoEnMarcha> proceso;
    pid_t grupo = 0;
    std::unique_ptr<QTemporaryDir> temporal;
};

Instalador::~Instalador()
{
    for (const auto& ej : ejecuciones_) {
        ej->limite.cancelar();
        if (ej->grupo > 0)
            ::kill(-ej->grupo, SIGKILL);
        ej->temporal.reset();
    }
}

// A script's end: what it left in its group goes, and so does its folder.
void Instalador::cerrarEjecucion(const std::shared_ptr<Ejecucion>& ej)
{
    ej->limite.cancelar();
    ej->proceso.reset();
    if (ej->grupo > 0)
        ::kill(-ej->grupo, SIGKILL);
    ej->grupo = 0;
    ej->temporal.reset();
    std::erase(ejecuciones_, ej);
}

Instalador& Instalador::shared()
{
    static Instalador* instancia = [] {
        Bordes bordes;
        bordes.refrescarDeteccion = [] { EstadoIA::shared().buscar(); };
        return new Instalador(Ajustes::shared(), Reloj::sistema(), VozNeural::shared(), Permisos::sistema(),
                              Carpetas::recursos(), Carpetas::inicio(), std::move(bordes), qApp);
    }();
    return *instancia;
}

void Instalador::setAgentesElegidos(const AgentesElegidos& valor)
{
    if (cambiar(agentesElegidos_, valor))
        emit agentesElegidosChanged();
}

void Instalador::setEstadoVoz(const EstadoPaso& valor)
{
    if (cambiar(estadoVoz_, valor))
        emit estadoVozChanged();
}

void Instalador::fijarAgente(Agente a, const EstadoPaso& e)
{
    if (agentes_.contains(a) && agentes_.value(a) == e)
        return;
    agentes_.insert(a, e);
    emit agentesChanged();
}

void Instalador::fijarSesion(Agente a, const EstadoPaso& e)
{
    if (sesion_.contains(a) && sesion_.value(a) == e)
        return;
    sesion_.insert(a, e);
    emit sesionChanged();
}

void Instalador::fijarConexion(Conexion c, const EstadoPaso& e)
{
    if (conexiones_.contains(c) && conexiones_.value(c) == e)
        return;
    conexiones_.insert(c, e);
    emit conexionesChanged();
}

void Instalador::fijarEstadoSkills(const EstadoPaso& e)
{
    if (cambiar(estadoSkills_, e))
        emit estadoSkillsChanged();
}

void Instalador::fijarProgreso(double p)
{
    if (cambiar(progresoSkills_, p))
        emit progresoSkillsChanged();
}

void Instalador::anotar(const QString& linea) { agregarRegistro(linea + QLatin1Char('\n')); }

void Instalador::agregarRegistro(const QString& texto)
{
    if (texto.isEmpty())
        return;
    registro_ += texto;
    emit registroChanged();
}

void Instalador::empezarTrabajo()
{
    if (++trabajos_ == 1)
        emit trabajandoChanged();
}

void Instalador::terminarTrabajo()
{
    if (trabajos_ > 0 && --trabajos_ == 0)
        emit trabajandoChanged();
}

QFuture<ResultadoShell> Instalador::shellConSalida(const QString& comando, bool registrar, const QStringList& parametros,
                                                   ms limite, std::function<void(qint64)> alLanzar)
{
    auto ej = std::make_shared<Ejecucion>();
    ej->promesa.start();
    QFuture<ResultadoShell> futuro = ej->promesa.future();
    const auto entregar = [ej](bool ok) {
        ej->promesa.addResult(ResultadoShell{ok, ej->texto, ej->agotado});
        ej->promesa.finish();
    };

    // The hops check the installer on the GUI thread: a script may outlive
    // it, and its handle is dropped either way.
    const QPointer<Instalador> yo(this);
    const auto alTexto = [yo, ej, registrar](const QString& trozo) {
        QMetaObject::invokeMethod(
            qApp,
            [yo, ej, registrar, trozo] {
                if (!yo)
                    return;
                ej->texto += trozo;
                if (registrar)
                    yo->agregarRegistro(trozo);
            },
            Qt::QueuedConnection);
    };
    const auto alFin = [yo, ej, entregar, registrar, limite, alLanzar](int estado) {
        QMetaObject::invokeMethod(
            qApp,
            [yo, ej, entregar, estado, registrar, limite, alLanzar] {
                if (!yo)
                    return;
                yo->cerrarEjecucion(ej);
                if (alLanzar)
                    alLanzar(0);
                if (ej->agotado && registrar)
                    yo->anotar(QStringLiteral("  ✗ ") + ScriptsInstalador::agotado(limite));
                yo->reloj_.despues(asentar, yo, [ej, entregar, estado] { entregar(estado == 0 && !ej->agotado); })
                    .soltar();
            },
            Qt::QueuedConnection);
    };

    // mktemp and the tools' own temporary files land here, so they go on
    // every path, a killed script's too.
    ej->temporal = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zuviia-instalador-XXXXXX"));
    EjecutorProceso::Opciones opciones;
    opciones.entorno = EjecutorProceso::entorno(DetectorIA::shellDelUsuario());
    if (ej->temporal->isValid())
        opciones.entorno->insert(QStringLiteral("TMPDIR"), ej->temporal->path());
    const QStringList argumentos = QStringList{QStringLiteral("-l"), QStringLiteral("-c"),
                                               ScriptsInstalador::completo(comando), QStringLiteral("zuviia")}
        + parametros;
    try {
        ej->proceso = EjecutorProceso::lanzar(DetectorIA::shellDelUsuario(), argumentos, home_, alTexto, alTexto, alFin,
                                              opciones);
    } catch (const ErrorProceso& e) {
        Registro::anotar(QStringLiteral("Instalador: ") + e.mensaje());
        entregar(false);
        return futuro;
    }
    // The group id is the shell's pid: curl, npm or an agent it started go too.
    const qint64 grupo = ej->proceso->pid();
    ej->grupo = pid_t(grupo);
    ejecuciones_.push_back(ej);
    if (alLanzar)
        alLanzar(grupo);
    ej->limite = reloj_.despues(limite, this, [debil = std::weak_ptr<Ejecucion>(ej), grupo] {
        const auto viva = debil.lock();
        if (!viva)
            return;
        viva->agotado = true;
        if (grupo > 0)
            ::kill(-pid_t(grupo), SIGKILL);
    });
    return futuro;
}

void Instalador::comprobarVoz()
{
    const EstadoPaso visto = estadoVozVisto();
    setEstadoVoz(EstadoPaso::refrescado(estadoVoz_, visto));
}

QFuture<void> Instalador::comprobarTodo()
{
    comprobarVoz();
    return Futuros::luego(comprobarAgentes(), this, [this] {
               comprobarSkills();
               return comprobarConexiones();
           })
        .unwrap();
}

namespace {

// The settings tool of the desktop, with the panel nearest to each pane.
struct PanelAjustes {
    const char* panel;
    const char* gnome;
};
constexpr PanelAjustes paneles[] = {
    {"Privacy_Microphone", "sound"},
    {"Privacy_SpeechRecognition", "sound"},
    {"Privacy_Accessibility", "universal-access"},
    {"Privacy_ScreenCapture", "privacy"},
};

}

void Instalador::abrirPrivacidad(const QString& panel)
{
    for (const auto& p : paneles) {
        if (panel != QLatin1String(p.panel))
            continue;
        const QString programa = QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
        if (!programa.isEmpty() && QProcess::startDetached(programa, {QString::fromLatin1(p.gnome)}))
            return;
        break;
    }
    Registro::anotar(QStringLiteral("Instalador: no hay una configuración del sistema que abrir para ") + panel);
}

void Instalador::reabrirApp()
{
    const QString exe = QCoreApplication::applicationFilePath();
    QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 1; exec \"$0\""), exe});
    QCoreApplication::quit();
}
