#include "plataforma/VidaHijo.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace VidaHijo {

void atarAlPadre(pid_t padre) noexcept
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died between the fork and the line above.
    if (::getppid() != padre)
        ::raise(SIGKILL);
}

}
