#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// What the room said recently, word by word, so that its own voice heard back
// through the microphone is not taken for someone speaking. Words are folded
// for case and diacritics, digits kept, and compared tolerantly (equal, a
// prefix, or a small edit distance) so recognition errors in the echo do not
// hide it.
class FiltroEco {
public:
    // The longest window any caller asks todasDichas about: entries are kept
    // at least this long, so an answer never depends on whether the room has
    // spoken since.
    static constexpr double retencionMinima = 60;

    // `ventana` (seconds) bounds esEco.
    explicit FiltroEco(double ventana = 25) : ventana_(ventana) {}

    void registrar(const QString& texto, const QDateTime& fecha);
    // Mostly an echo of something said within the window: at least 70 % of
    // its content words, in order, match one spoken text. Never for one or
    // two words.
    bool esEco(const QString& texto, const QDateTime& fecha);
    // Every heard word was said within the last `segundos`.
    bool todasDichas(const QString& texto, double segundos, const QDateTime& fecha);

    double ventana() const { return ventana_; }

    static const QSet<QString>& comunes();
    static QStringList palabras(const QString& texto);
    // Without stop words, unless that leaves one word or none.
    static QStringList contenido(const QStringList& palabras);
    static int distancia(const QString& x, const QString& y);
    static int subsecuenciaComun(const QStringList& a, const QStringList& b);
    static bool parecidas(const QString& x, const QString& y);

private:
    struct Dicho {
        QDateTime fecha;
        QStringList palabras;
    };
    // Drops what is older than the retention at `fecha`.
    void podar(const QDateTime& fecha);
    static double edad(const Dicho& d, const QDateTime& fecha);

    std::vector<Dicho> dichos_;
    double ventana_;
};
