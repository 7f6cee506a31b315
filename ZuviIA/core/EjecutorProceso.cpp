#include "core/EjecutorProceso.h"

#include "core/DecodificadorUtf8.h"
#include "plataforma/VidaHijo.h"

#include <QDir>
#include <QFileInfo>
#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <vector>

class Hijo;

struct ProcesoEnMarcha::Estado {
    mutable std::mutex mutex;
    mutable std::condition_variable fin;
    Hijo* hijo = nullptr;   // cleared by the child object's destructor
    qint64 pid = 0;
    std::optional<int> estado;
};

namespace {

// The process groups of the children launched here. A group may outlive
// its leader (a script's background job); it is forgotten once empty.
class Grupos {
public:
    // Never destroyed: the runner's thread may still use it at exit.
    static Grupos& shared()
    {
        static Grupos* grupos = new Grupos;
        return *grupos;
    }

    void agregar(pid_t grupo)
    {
        std::lock_guard cerrojo(mutex_);
        olvidarVacios();
        ids_.push_back(grupo);
    }

    void revisar()
    {
        std::lock_guard cerrojo(mutex_);
        olvidarVacios();
    }

    void matarTodos()
    {
        std::lock_guard cerrojo(mutex_);
        for (pid_t grupo : ids_)
            ::kill(-grupo, SIGKILL);
        ids_.clear();
    }

private:
    void olvidarVacios()
    {
        std::erase_if(ids_, [](pid_t grupo) { return ::kill(-grupo, 0) != 0 && errno == ESRCH; });
    }

    std::mutex mutex_;
    std::vector<pid_t> ids_;
};

// One thread with an event loop owns every QProcess, so children can be
// launched from any thread (pool threads have no event loop) and their
// pipes are read off the GUI thread.
class HiloProcesos {
public:
    HiloProcesos()
    {
        hilo_.setObjectName(QStringLiteral("cl.norp.ZuviIA.procesos"));
        raiz_ = new QObject;
        raiz_->moveToThread(&hilo_);
        unico_ = this;
    }

    // Children still running at exit are left running: their QProcess
    // objects are never destroyed, since that would kill them.
    ~HiloProcesos()
    {
        detener();
        unico_ = nullptr;
    }

    // The thread stops before the application object goes: events it still
    // delivered after that (a finished child's deleteLater) crash inside Qt.
    // A later application object starts it again.
    static void detener()
    {
        EjecutorProceso::terminarTodos();
        if (unico_) {
            unico_->hilo_.quit();
            unico_->hilo_.wait();
        }
    }

    QObject* raiz() const { return raiz_; }
    QThread* hilo() { return &hilo_; }
    bool esEste() const { return QThread::currentThread() == &hilo_; }

    static HiloProcesos& shared()
    {
        static HiloProcesos hilo;
        static std::mutex arranque;
        std::lock_guard cerrojo(arranque);
        if (!hilo.hilo_.isRunning()) {
            hilo.hilo_.start();
            qAddPostRoutine(&HiloProcesos::detener);
        }
        return hilo;
    }

private:
    static inline HiloProcesos* unico_ = nullptr;
    QThread hilo_;
    QObject* raiz_;
};

std::optional<QString> motivoPrevio(const QString& ruta, const QString& carpeta)
{
    if (!QFileInfo(carpeta).isDir())
        return QStringLiteral("la carpeta «%1» no existe").arg(carpeta);
    const QFileInfo programa(ruta);
    if (!programa.exists())
        return QStringLiteral("el programa no existe");
    if (programa.isDir() || !programa.isExecutable())
        return QStringLiteral("el archivo no se puede ejecutar");
    return std::nullopt;
}

QString mensajeDeFallo(const QString& ruta, const QString& motivo)
{
    return QStringLiteral("No se pudo iniciar «%1»: %2.").arg(ruta, motivo);
}

}

// Lives on the runner's thread from launch until the child has ended.
class Hijo : public QObject {
public:
    Hijo(std::shared_ptr<ProcesoEnMarcha::Estado> estado, EjecutorProceso::AlTexto onSalida,
         EjecutorProceso::AlTexto onError, EjecutorProceso::AlFin onFin)
        : estado_(std::move(estado)), onSalida_(std::move(onSalida)), onError_(std::move(onError)),
          onFin_(std::move(onFin))
    {
    }

    ~Hijo() override
    {
        std::lock_guard cerrojo(estado_->mutex);
        estado_->hijo = nullptr;
    }

    QProcess& proceso() { return proceso_; }

    void arrancar(const QString& ruta, const QStringList& argumentos, const QString& carpeta,
                  const EjecutorProceso::Opciones& opciones)
    {
        proceso_.setProgram(ruta);
        proceso_.setArguments(argumentos);
        proceso_.setWorkingDirectory(carpeta);
        proceso_.setProcessEnvironment(opciones.entorno ? *opciones.entorno : EjecutorProceso::entorno(ruta));
        if (!opciones.conEntrada)
            proceso_.setStandardInputFile(QProcess::nullDevice());
        proceso_.setProcessChannelMode(QProcess::SeparateChannels);
        proceso_.setChildProcessModifier([padre = ::getpid()] {
            ::setpgid(0, 0);
            VidaHijo::atarAlPadre(padre);
        });
        connect(&proceso_, &QProcess::readyReadStandardOutput, this, [this] { leer(QProcess::StandardOutput); });
        connect(&proceso_, &QProcess::readyReadStandardError, this, [this] { leer(QProcess::StandardError); });
        connect(&proceso_, &QProcess::finished, this, [this](int codigo, QProcess::ExitStatus) { alTerminar(codigo); });

        // What can be told before starting is thrown at once; the exec itself
        // is not waited for: its failure comes later through fallo().
        if (const auto motivo = motivoPrevio(ruta, carpeta))
            throw ErrorProceso(mensajeDeFallo(ruta, *motivo));
        proceso_.start();
        if (proceso_.state() == QProcess::NotRunning)
            throw ErrorProceso(mensajeDeFallo(ruta, proceso_.errorString()));
        connect(&proceso_, &QProcess::errorOccurred, this, [this, ruta](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fallo(mensajeDeFallo(ruta, proceso_.errorString()));
        });
        const qint64 pid = proceso_.processId();
        if (pid > 0) {
            // Also from here, so the group exists before any signal to it,
            // whichever side runs first (fails harmlessly after the exec).
            ::setpgid(pid_t(pid), pid_t(pid));
            Grupos::shared().agregar(pid_t(pid));
        }
        std::lock_guard cerrojo(estado_->mutex);
        estado_->hijo = this;
        estado_->pid = pid;
    }

    // While the leader runs its pid is the group's id and cannot be reused.
    void senalAlGrupo(int senal)
    {
        const qint64 pid = proceso_.processId();
        if (proceso_.state() != QProcess::NotRunning && pid > 0)
            ::kill(-pid_t(pid), senal);
    }

private:
    void leer(QProcess::ProcessChannel canal)
    {
        proceso_.setReadChannel(canal);
        const QByteArray bytes = proceso_.readAll();
        if (bytes.isEmpty())
            return;
        entregar(canal, decodificador(canal).decodificar(bytes));
    }

    // On Linux QProcess's exit code of a child killed by a signal is the
    // signal number, which is what onFin reports.
    void alTerminar(int codigo)
    {
        disconnect(&proceso_, &QProcess::readyReadStandardOutput, this, nullptr);
        disconnect(&proceso_, &QProcess::readyReadStandardError, this, nullptr);
        for (auto canal : {QProcess::StandardOutput, QProcess::StandardError}) {
            proceso_.setReadChannel(canal);
            auto& d = decodificador(canal);
            entregar(canal, d.decodificar(proceso_.readAll()) + d.terminar());
        }
        cerrar(codigo);
    }

    // The exec failed after lanzar returned: the caller hears it as an
    // error text and an end with EjecutorProceso::sinIniciar.
    void fallo(const QString& mensaje)
    {
        if (onError_)
            onError_(mensaje);
        cerrar(EjecutorProceso::sinIniciar);
    }

    void cerrar(int codigo)
    {
        Grupos::shared().revisar();
        if (onFin_)
            onFin_(codigo);
        {
            std::lock_guard cerrojo(estado_->mutex);
            estado_->estado = codigo;
        }
        estado_->fin.notify_all();
        deleteLater();
    }

    void entregar(QProcess::ProcessChannel canal, const QString& texto)
    {
        const auto& destino = canal == QProcess::StandardOutput ? onSalida_ : onError_;
        if (!texto.isEmpty() && destino)
            destino(texto);
    }

    DecodificadorUtf8& decodificador(QProcess::ProcessChannel canal)
    {
        return canal == QProcess::StandardOutput ? salida_ : error_;
    }

    QProcess proceso_{this};
    std::shared_ptr<ProcesoEnMarcha::Estado> estado_;
    EjecutorProceso::AlTexto onSalida_, onError_;
    EjecutorProceso::AlFin onFin_;
    DecodificadorUtf8 salida_, error_;
};

namespace {

// Runs `accion` on the child's thread while the caller's thread holds
// the state lock, so the child object cannot go away in between.
template <typename F>
void enElHijo(const std::shared_ptr<ProcesoEnMarcha::Estado>& estado, F accion)
{
    std::lock_guard cerrojo(estado->mutex);
    if (Hijo* hijo = estado->hijo)
        QMetaObject::invokeMethod(hijo, [hijo, accion] { accion(*hijo); }, Qt::QueuedConnection);
}

}

qint64 ProcesoEnMarcha::pid() const
{
    std::lock_guard cerrojo(estado_->mutex);
    return estado_->pid;
}

void ProcesoEnMarcha::terminar() { enElHijo(estado_, [](Hijo& h) { h.senalAlGrupo(SIGTERM); }); }
void ProcesoEnMarcha::matar() { enElHijo(estado_, [](Hijo& h) { h.senalAlGrupo(SIGKILL); }); }

void ProcesoEnMarcha::escribir(const QByteArray& datos)
{
    enElHijo(estado_, [datos](Hijo& h) { h.proceso().write(datos); });
}

void ProcesoEnMarcha::cerrarEntrada() { enElHijo(estado_, [](Hijo& h) { h.proceso().closeWriteChannel(); }); }

bool ProcesoEnMarcha::terminado() const
{
    std::lock_guard cerrojo(estado_->mutex);
    return estado_->estado.has_value();
}

bool ProcesoEnMarcha::esperar(std::chrono::milliseconds limite) const
{
    std::unique_lock cerrojo(estado_->mutex);
    return estado_->fin.wait_for(cerrojo, limite, [this] { return estado_->estado.has_value(); });
}

std::optional<int> ProcesoEnMarcha::estadoFinal() const
{
    std::lock_guard cerrojo(estado_->mutex);
    return estado_->estado;
}

namespace EjecutorProceso {

QProcessEnvironment entorno(const QString& rutaEjecutable, const QProcessEnvironment& base)
{
    QString inicio = base.value(QStringLiteral("HOME"));
    if (inicio.isEmpty())
        inicio = QDir::homePath();
    const QString antes = base.contains(QStringLiteral("PATH")) ? base.value(QStringLiteral("PATH"))
                                                                : QStringLiteral("/usr/bin:/bin:/usr/sbin:/sbin");
    const QStringList partes{QFileInfo(rutaEjecutable).path(), inicio + QStringLiteral("/.local/bin"),
                             QStringLiteral("/opt/homebrew/bin"), QStringLiteral("/usr/local/bin"), antes};
    QProcessEnvironment resultado = base;
    resultado.insert(QStringLiteral("PATH"), partes.join(QLatin1Char(':')));
    resultado.insert(QStringLiteral("NO_COLOR"), QStringLiteral("1"));
    return resultado;
}

QProcessEnvironment entorno(const QString& rutaEjecutable)
{
    return entorno(rutaEjecutable, QProcessEnvironment::systemEnvironment());
}

void terminarTodos() { Grupos::shared().matarTodos(); }

std::shared_ptr<ProcesoEnMarcha> lanzar(const QString& ruta, const QStringList& argumentos, const QString& carpeta,
                                        AlTexto onSalida, AlTexto onError, AlFin onFin, const Opciones& opciones)
{
    auto estado = std::make_shared<ProcesoEnMarcha::Estado>();
    auto& hilo = HiloProcesos::shared();
    std::exception_ptr fallo;
    auto arrancar = [&] {
        auto hijo = std::make_unique<Hijo>(estado, std::move(onSalida), std::move(onError), std::move(onFin));
        try {
            hijo->arrancar(ruta, argumentos, carpeta, opciones);
        } catch (...) {
            fallo = std::current_exception();
            return;
        }
        Hijo* suelto = hijo.release();
        // Once moved, a child whose exec fails at once can be gone before
        // the next line here: only the guard, taken before the move, may
        // be used after it.
        QPointer<Hijo> vigia(suelto);
        if (!hilo.esEste())
            suelto->moveToThread(hilo.hilo());
        QMetaObject::invokeMethod(
            hilo.raiz(), [vigia, raiz = hilo.raiz()] {
                if (vigia)
                    vigia->setParent(raiz);
            },
            Qt::QueuedConnection);
    };
    // A thread with an event loop (the GUI thread) starts the child itself,
    // forks without waiting for the exec, and hands the pipes to the
    // runner's thread; a pool thread without a loop asks the runner.
    if (hilo.esEste() || QThread::currentThread()->eventDispatcher())
        arrancar();
    else
        QMetaObject::invokeMethod(hilo.raiz(), arrancar, Qt::BlockingQueuedConnection);
    if (fallo)
        std::rethrow_exception(fallo);
    return std::make_shared<ProcesoEnMarcha>(estado);
}

}
