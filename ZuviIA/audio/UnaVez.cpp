#include "audio/UnaVez.h"

bool UnaVez::reclamar(const QString& clave)
{
    std::lock_guard g(lock_);
    if (hechos_.contains(clave))
        return false;
    hechos_.insert(clave);
    return true;
}
