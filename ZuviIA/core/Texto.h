#pragma once

#include <QString>

// Text helpers for every spoken or typed comparison and every count of
// characters shown to the user.
namespace Texto {

// Spanish folding: NFC, then diacritics and case dropped with the Spanish
// locale (ñ becomes n), keeping only letters and spaces, or letters, digits
// and spaces when conDigitos is true. Any white space becomes one blank.
QString plegar(const QString& texto, bool conDigitos = false);

// User-perceived characters (grapheme clusters), never UTF-16 units.
int longitud(const QString& texto);
QString primeros(const QString& texto, int cuantos);
QString ultimos(const QString& texto, int cuantos);

}
