#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The contextual strings of a recognition segment. The backend has no use for
// them, so its text is rewritten instead: a run of heard words that sounds
// like a known term (by a Spanish sound key, or by the spelled-out letters
// and digits of an acronym) becomes that term's own spelling.
class TerminosReconocimiento {
public:
    TerminosReconocimiento() = default;
    explicit TerminosReconocimiento(const QStringList& terminos);

    // The assistant's name first (nombre), then the terms.
    QString reescribir(const QString& texto) const;
    bool vacio() const { return formas_.empty(); }

    // How a word sounds in Spanish, as plain letters: "Zuvi" and "subí"
    // give "subi", "Codex" and "códex" give "kodeks"; digits become their
    // Spanish names.
    static QString clave(const QString& palabra);
    // Lower case without accents, letters and digits only (ñ becomes n).
    static QString plano(const QString& palabra);

    // The small Spanish model writes only words it knows, so "Zuvi" comes
    // out as a word that sounds like it ("subí", "su vi", "sube"…). Such a
    // word becomes "Zuvi" where the sentence shows it is the name: after
    // "oye" or "hola", before "IA", or when it is no Spanish word at all.
    static QString nombre(const QString& texto);
    // How the model may write each wake phrase, from the same table: a
    // greeting with each form of the name, with and without "IA", and the
    // room's own phrases.
    static QStringList formasDespertar();

private:
    struct Forma {
        QString clave; // the sound key of the whole term, without spaces
        int termino;
    };

    std::vector<Forma> formas_;
    QStringList terminos_;
    int maxPalabras_ = 0;
};
