#pragma once

#include <sys/types.h>

// Children of the application end with it: an agent working at level
// "total" must never go on unseen after a crash or a kill.
namespace VidaHijo {

// Call in the forked child before its exec (async-signal-safe): the child
// is killed when the thread that forked it ends, and at once when `padre`
// is already gone. Children are forked on the GUI thread or the process
// runner's thread, which both live as long as the process.
void atarAlPadre(pid_t padre) noexcept;

}
