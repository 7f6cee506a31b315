#pragma once

#include <QString>

// Agent answers turned into text to be spoken: no code, no Markdown marks,
// and a long answer shortened to its first sentences.
namespace TextoHablado {

// The whole-answer cleaner: fenced code blocks and table rows dropped,
// the marks # * _ > ` removed, white space collapsed; past 450 characters,
// whole sentences up to 380 characters and a closing sentence; "Listo." when
// nothing is left.
QString paraHablar(const QString& respuesta);

// What the main window reads aloud of an answer: code blocks and every
// # * ` _ > | removed, cut to its first 1500 characters, then paraHablar.
QString respuestaLeida(const QString& respuesta);

}
