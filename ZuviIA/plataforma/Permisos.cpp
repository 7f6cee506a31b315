#include "plataforma/Permisos.h"

#include "plataforma/DispositivosSistema.h"
#include "plataforma/Reconocedor.h"

#include <QtGlobal>

#include <algorithm>

namespace {

class PermisosLinux final : public Permisos {
public:
    bool microfono() override
    {
        const auto entradas = DispositivosSistema::sistema().listar(true);
        return std::any_of(entradas.begin(), entradas.end(), [](const auto& r) { return r.canales > 0; });
    }

    bool reconocimiento() override { return Reconocedor::sistema().disponible(); }
};

} // namespace

bool Permisos::sesionWayland()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
        || !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty();
}

Permisos& Permisos::sistema()
{
    static PermisosLinux unico;
    return unico;
}
