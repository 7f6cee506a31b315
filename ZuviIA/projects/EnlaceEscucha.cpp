#include "projects/EnlaceEscucha.h"

#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "projects/ModoProyectos.h"

namespace EnlaceEscucha {

void conectar(EscuchaZuvi& escucha, AsistenteVoz& asistente, ModoProyectos& modo, Ajustes& ajustes)
{
    EscuchaZuvi::Vecinos vecinos;
    vecinos.escuchaSiempre = [&ajustes] { return ModoProyectos::escuchaSiempre(ajustes); };
    vecinos.modoProyectosActivo = [&modo] { return modo.activo(); };
    vecinos.dictando = [&asistente] { return asistente.escuchando(); };
    vecinos.microfono = [&asistente] {
        return DispositivoAudio::idDe(asistente.dispositivos(), asistente.dispositivoUID());
    };
    escucha.setVecinos(std::move(vecinos));
    QObject::connect(&modo, &ModoProyectos::activoCambiado, &escucha, &EscuchaZuvi::modoProyectosCambiado);
}

}
