#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The room's spoken command table, as pure tests over folded text: which
// command an utterance is, without carrying it out.
namespace ComandosVoz {

// Folded for comparison (Texto::plegar), blanks collapsed and trimmed.
QString normalizar(const QString& texto);
// The non-empty pieces of a folded text split at single blanks.
QStringList palabras(const QString& normalizado);

// Some phrase occurs in the text as whole words.
bool contiene(const QString& texto, const QStringList& frases);
// The text is one of the phrases: a phrase with nothing around it but
// politeness words, fillers and the assistant's name (or after an opening
// that only points at it, "haz la minuta"), or a phrase at its start
// followed by a short tail that reads as no instruction; never a phrase
// right after "no", "sin" or "nunca". Not called by name, the phrase also
// opens the text and at most one word follows it.
bool coincide(const QString& texto, const QStringList& frases, bool llamada);

// First words and openings that make a text read as an instruction.
const QStringList& palabrasInstruccion();
const QStringList& aperturasInstruccion();
// Every word of the command table: none of them is a person's name.
const QSet<QString>& palabrasDeComando();

struct Llamada {
    bool llamada = false; // the assistant's name opened the text
    QString resto;        // the words after it, or the whole text
};
// Splits greetings and the assistant's name off the front of a folded text.
Llamada separarLlamada(const QString& normalizado);

enum class Comando {
    ninguno,
    terminar,
    cambiarPersona,
    nombre,
    esperar,
    parar,
    pararTodo,
    silencio,
    seguir,
    repetir,
    estado,
    segundoPlano,
    masRapido,
    masLento,
    proyectoNuevo,
    minuta,
    modoGrupo,
    modoIndividual,
    pantallaCompleta,
    ventana,
};

struct Contexto {
    bool llamada = false;      // the assistant was called by its name
    bool ejecutando = false;   // an agent turn runs
    bool interrumpido = false; // the last turn was interrupted
    bool inmersivo = false;    // the full-screen room is shown
};

// The command the folded utterance asks for, in the table's order.
Comando reconocer(const QString& texto, const Contexto& contexto);

// "velocidadVoz" one step up or down; `actual` not above 0 means unset.
double masRapido(double actual);
double masLento(double actual);

}
