#include "plataforma/SenalesSalida.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace SenalesSalida {

namespace {

int tuberia[2] = {-1, -1};

// Only what is async-signal-safe: the number goes through the socket.
void alRecibir(int senal)
{
    const unsigned char n = static_cast<unsigned char>(senal);
    [[maybe_unused]] const auto escrito = ::write(tuberia[1], &n, 1);
}

}

void seguir(QObject* contexto, std::function<void(int)> accion)
{
    if (tuberia[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tuberia) != 0)
        return;
    auto* aviso = new QSocketNotifier(tuberia[0], QSocketNotifier::Read, contexto);
    QObject::connect(aviso, &QSocketNotifier::activated, contexto, [accion = std::move(accion)] {
        unsigned char n = 0;
        if (::read(tuberia[0], &n, 1) == 1)
            accion(n);
    });
    struct sigaction sa {};
    sa.sa_handler = alRecibir;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int senal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(senal, &sa, nullptr);
}

}
