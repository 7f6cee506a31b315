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

    QString reescribir(const QString& texto) const;
    bool vacio() const { return formas_.empty(); }

    // How a word sounds in Spanish, as plain letters: "Zuvi" and "subí"
    // give "subi", "Codex" and "códex" give "kodeks"; digits become their
    // Spanish names.
    static QString clave(const QString& palabra);

private:
    struct Forma {
        QString clave; // the sound key of the whole term, without spaces
        int termino;
    };

    std::vector<Forma> formas_;
    QStringList terminos_;
    int maxPalabras_ = 0;
};
