#pragma once

#include <QSet>
#include <QString>

#include <optional>

// Picks a person's name out of one recognised utterance ("me llamo Ana",
// "soy José", or just a name). Works on folded text and takes the spelling
// back from the utterance, so recognised accents stay.
namespace ExtraccionNombre {

// The comparison key of a name: folded for case and diacritics, other
// characters than letters and blanks dropped (pieces glued), blanks trimmed.
QString clave(const QString& texto);

// `ajenas`: folded words the caller knows are no name either (its
// commands), kept out like the common words.
std::optional<QString> extraer(const QString& texto, const QSet<QString>& ajenas = {});

// Words that are never a name: everyday words, professions and nouns.
const QSet<QString>& comunes();

}
