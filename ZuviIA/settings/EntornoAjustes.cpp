#include "settings/EntornoAjustes.h"

#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "audio/VozNeural.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"
#include "settings/DisenoVoz.h"

EntornoAjustes EntornoAjustes::shared()
{
    return EntornoAjustes{Ajustes::shared(),       Reloj::sistema(),    AsistenteVoz::shared(), EscuchaZuvi::shared(),
                          ModoProyectos::shared(), EstadoIA::shared(),  Perfiles::shared(),     Almacen::shared(),
                          VozNeural::shared(),     Locutor::shared(),   DisenoVoz::shared(),
                          &Permisos::sistema()};
}
