#include "app/AppRouter.h"

AppRouter& AppRouter::shared()
{
    static AppRouter* unico = new AppRouter;
    return *unico;
}

void AppRouter::setDictadoPendiente(bool valor)
{
    if (valor == dictadoPendiente_)
        return;
    dictadoPendiente_ = valor;
    emit dictadoPendienteCambiado();
}

bool AppRouter::tomarDictado()
{
    if (!dictadoPendiente_)
        return false;
    setDictadoPendiente(false);
    return true;
}
