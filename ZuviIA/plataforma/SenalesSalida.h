#pragma once

#include <functional>

class QObject;

// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) end the
// application the way its own quit does, so what quitting saves is saved.
namespace SenalesSalida {

// Installs the handlers once; `accion` then runs on `contexto`'s thread,
// from the event loop, for each signal that arrives.
void seguir(QObject* contexto, std::function<void(int senal)> accion);

}
