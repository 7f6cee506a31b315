#pragma once

#include "projects/ComandosVoz.h"

#include <QString>

#include <optional>

// What one closed utterance of the room is, decided from the room's state
// alone; ModoProyectos carries the decision out.
namespace RutaFrase {

// A folded text that looks like an instruction for the agent.
bool pareceInstruccion(const QString& normalizado);
// The folded text when it announces a change of speaker ("yo soy…").
std::optional<QString> cambioDeNombre(const QString& normalizado);

struct Situacion {
    QString normalizado;
    bool inmersivo = false;
    bool esperandoModalidad = false;
    bool enPresentaciones = false;
    bool esperandoNombre = false;
    bool preguntaContinuar = false;
    bool hayProyectoParaSeguir = false;
    bool modoGrupo = false;
    bool reunion = false;        // the current conversation is a meeting
    bool ejecutando = false;     // an agent turn runs
    bool interrumpido = false;   // the last turn was interrupted
    bool ecoReciente = false;    // the room spoke < 1.5 s ago and said every word
    bool enLlamada = false;      // the utterance began inside the call window
    bool respuestaReciente = false; // the room asked something < 6 s ago
    bool hayNombre = false;      // a name can be taken from the utterance
};

enum class Paso {
    ecoCorto,
    reunion,
    individual,
    nombreEnModalidad,
    repetirModalidad,
    finPresentaciones,
    presentar,
    llamadaSola,
    comando,
    abrirSala,
    descartar,
    acta,
    ignorada,
    nombre,
    cambioHablante,
    empezarNuevo,
    seguirProyecto,
    ocupado, // move the running turn aside or note the text, then the agent
    agente,
};

struct Decision {
    Paso paso = Paso::agente;
    ComandosVoz::Comando comando = ComandosVoz::Comando::ninguno;
    bool dirigida = false;          // addressed to the assistant
    QString resto;                  // the text after the assistant's name
    bool cierraLlamada = false;     // the call window serves this utterance
    bool cierraContinuar = false;   // the continue question is answered
    bool instruccionEnGrupo = false; // attended in group mode as an instruction
};

Decision decidir(const Situacion& s);

}
