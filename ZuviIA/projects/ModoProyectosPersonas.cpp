#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "core/ExtraccionNombre.h"
#include "core/Perfiles.h"
#include "projects/ContextoProyecto.h"
#include "projects/PersonasSala.h"

bool ModoProyectos::identificar(const QString& texto)
{
    const auto nombre = ExtraccionNombre::extraer(texto, ComandosVoz::palabrasDeComando());
    if (!nombre) {
        decir(QStringLiteral("Perdón, no te entendí. ¿Me dices tu nombre?"));
        return false;
    }
    auto actual = almacen_.actual();
    const std::optional<QString> enCurso =
        actual && !actual->mensajes.isEmpty() ? std::optional<QString>(actual->titulo) : std::nullopt;
    if (!actual) {
        almacen_.nueva();
        actual = almacen_.actual();
    }
    const auto [persona, nuevo] = perfiles_.activar(*nombre);
    esperandoNombre_ = false;
    setEstado(Estado::escuchando);
    agregarParticipante(persona);
    if (actual) {
        const QString carpeta = almacen_.carpeta(*almacen_.actual());
        if (carpeta != asistente_.carpeta())
            asistente_.setCarpeta(carpeta);
    }
    asistente_.setContextoPersona(ContextoProyecto::texto(almacen_, perfiles_));
    asistente_.precalentar();

    std::optional<QString> anterior;
    if (!enCurso && !nuevo) {
        if (const auto ultima = PersonasSala::ultimaDe(almacen_.conversaciones(), almacen_.seleccion(), persona)) {
            proyectoParaSeguir_ = ultima->id;
            preguntaContinuar_ = true;
            anterior = ultima->titulo;
        }
    }
    decir(PersonasSala::saludo(persona.nombre, nuevo, enCurso, anterior));
    return true;
}

void ModoProyectos::registrarHuellaActiva(const std::vector<float>& audio)
{
    const auto activo = perfiles_.activo();
    if (!activo || audio.size() < size_t(VozNeural::minimoMuestrasHuella))
        return;
    // The answer only tells whether later identification may work.
    if (registrarHuella_)
        registrarHuella_(activo->id, audio);
}
