#include "plataforma/Sonda.h"

#include "plataforma/Reloj.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Owns a file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { cerrar(); }
    int fd() const { return fd_; }
    void cerrar()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// The spawn's file actions and attributes, released on every path.
struct Preparacion {
    posix_spawn_file_actions_t acciones;
    posix_spawnattr_t atributos;

    explicit Preparacion(int escritura)
    {
        posix_spawn_file_actions_init(&acciones);
        posix_spawn_file_actions_addopen(&acciones, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&acciones, escritura, 1);
        posix_spawn_file_actions_addopen(&acciones, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_init(&atributos);
        sigset_t vacio, todas;
        sigemptyset(&vacio);
        sigfillset(&todas);
        posix_spawnattr_setsigmask(&atributos, &vacio);
        posix_spawnattr_setsigdefault(&atributos, &todas);
        // A session of its own (so a group of its own, killed whole at the
        // limit) and no controlling terminal: an interactive shell started
        // from a terminal would otherwise stop itself waiting for it.
        posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    Preparacion(const Preparacion&) = delete;
    Preparacion& operator=(const Preparacion&) = delete;
    ~Preparacion()
    {
        posix_spawn_file_actions_destroy(&acciones);
        posix_spawnattr_destroy(&atributos);
    }
};

// Reads what is there now; false once the pipe reached its end.
bool leerDisponible(int fd, QByteArray& salida)
{
    char bloque[65536];
    for (;;) {
        const ssize_t n = ::read(fd, bloque, sizeof bloque);
        if (n > 0) {
            salida.append(bloque, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

std::optional<int> terminado(pid_t pid)
{
    int estado = 0;
    pid_t r;
    do
        r = ::waitpid(pid, &estado, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r != pid)
        return std::nullopt;
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -WTERMSIG(estado);
}

void matarYRecoger(pid_t pid)
{
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);   // in case it left its group
    int estado = 0;
    while (::waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
    }
}

}

namespace Sonda {

std::optional<Resultado> ejecutar(const QString& ruta, const QStringList& argumentos,
                                  std::chrono::milliseconds limite)
{
    int extremos[2];
    if (::pipe2(extremos, O_CLOEXEC) != 0)
        return std::nullopt;
    Descriptor lectura(extremos[0]), escritura(extremos[1]);

    std::vector<QByteArray> textos{ruta.toLocal8Bit()};
    for (const QString& a : argumentos)
        textos.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (auto& t : textos)
        argv.push_back(t.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    {
        Preparacion p(escritura.fd());
        if (::posix_spawn(&pid, argv[0], &p.acciones, &p.atributos, argv.data(), environ) != 0)
            return std::nullopt;
    }
    escritura.cerrar();
    ::fcntl(lectura.fd(), F_SETFL, ::fcntl(lectura.fd(), F_GETFL) | O_NONBLOCK);

    const Reloj& reloj = Reloj::sistema();
    const auto plazo = reloj.monotono() + limite;
    QByteArray salida;
    bool abierta = true;
    for (;;) {
        if (abierta)
            abierta = leerDisponible(lectura.fd(), salida);
        if (auto estado = terminado(pid)) {
            // A grandchild may hold the pipe open: take what is there, no more.
            if (abierta)
                leerDisponible(lectura.fd(), salida);
            return Resultado{*estado, salida};
        }
        const auto resta = plazo - reloj.monotono();
        if (resta <= 0ms) {
            matarYRecoger(pid);
            return std::nullopt;
        }
        pollfd espera{abierta ? lectura.fd() : -1, POLLIN, 0};
        ::poll(&espera, 1, static_cast<int>(std::min<std::chrono::milliseconds>(resta, abierta ? 50ms : 10ms).count()));
    }
}

}
