#include "audio/FiltroEco.h"

#include "core/Texto.h"

#include <algorithm>

const QSet<QString>& FiltroEco::comunes()
{
    static const QSet<QString> c = {"que", "en", "el", "la", "los", "las", "de", "del", "y", "o", "a",
                                    "al", "un", "una", "es", "este", "esta", "esto", "todo", "toda", "con",
                                    "por", "para", "se", "lo", "le", "me", "mi", "tu", "su", "si",
                                    "no", "ya", "como", "mas", "pero", "hay", "muy", "bien", "eso", "ese", "esa"};
    return c;
}

QStringList FiltroEco::palabras(const QString& texto)
{
    // Every character that is neither letter, digit nor mark separates
    // words, so "3-D" or "hola,mundo" give two words.
    QString separado;
    separado.reserve(texto.size());
    for (const char32_t c : texto.toUcs4()) {
        const bool parte = QChar::isLetterOrNumber(c) || QChar::isMark(c);
        separado += parte ? QString::fromUcs4(&c, 1) : QStringLiteral(" ");
    }
    return Texto::plegar(separado, true).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList FiltroEco::contenido(const QStringList& palabras)
{
    QStringList c;
    for (const QString& p : palabras) {
        if (!comunes().contains(p))
            c << p;
    }
    return c.size() > 1 ? c : palabras;
}

int FiltroEco::distancia(const QString& x, const QString& y)
{
    const QList<uint> a = x.toUcs4();
    const QList<uint> b = y.toUcs4();
    std::vector<int> fila(size_t(b.size()) + 1);
    for (size_t j = 0; j < fila.size(); ++j)
        fila[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = fila[0];
        fila[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int arriba = fila[size_t(j)];
            fila[size_t(j)] = std::min({arriba + 1, fila[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = arriba;
        }
    }
    return fila.back();
}

bool FiltroEco::parecidas(const QString& x, const QString& y)
{
    if (x == y)
        return true;
    const qsizetype lx = x.toUcs4().size();
    const qsizetype ly = y.toUcs4().size();
    if (lx > 2 && ly > 2 && (x.startsWith(y) || y.startsWith(x)))
        return true;
    const qsizetype larga = std::max(lx, ly);
    return larga >= 4 && double(distancia(x, y)) / double(larga) <= 0.4;
}

int FiltroEco::subsecuenciaComun(const QStringList& a, const QStringList& b)
{
    if (a.isEmpty() || b.isEmpty())
        return 0;
    std::vector<std::vector<int>> t(size_t(a.size()) + 1, std::vector<int>(size_t(b.size()) + 1, 0));
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            auto& celda = t[size_t(i)][size_t(j)];
            celda = parecidas(a[i - 1], b[j - 1]) ? t[size_t(i - 1)][size_t(j - 1)] + 1
                                                   : std::max(t[size_t(i - 1)][size_t(j)], t[size_t(i)][size_t(j - 1)]);
        }
    }
    return t.back().back();
}

double FiltroEco::edad(const Dicho& d, const QDateTime& fecha)
{
    return double(d.fecha.msecsTo(fecha)) / 1000.0;
}

void FiltroEco::podar(const QDateTime& fecha)
{
    const double retencion = std::max(ventana_, retencionMinima);
    std::erase_if(dichos_, [&](const Dicho& d) { return edad(d, fecha) > retencion; });
}

void FiltroEco::registrar(const QString& texto, const QDateTime& fecha)
{
    dichos_.push_back({fecha, palabras(texto)});
    podar(fecha);
}

bool FiltroEco::esEco(const QString& texto, const QDateTime& fecha)
{
    podar(fecha);
    const QStringList w = palabras(texto);
    if (w.size() < 3)
        return false;
    const QStringList c = contenido(w);
    for (const Dicho& d : dichos_) {
        if (edad(d, fecha) > ventana_)
            continue;
        if (double(subsecuenciaComun(c, contenido(d.palabras))) / double(c.size()) >= 0.7)
            return true;
    }
    return false;
}

bool FiltroEco::todasDichas(const QString& texto, double segundos, const QDateTime& fecha)
{
    podar(fecha);
    const QStringList w = palabras(texto);
    if (w.isEmpty())
        return false;
    QStringList pozo;
    for (const Dicho& d : dichos_) {
        if (edad(d, fecha) <= segundos)
            pozo += d.palabras;
    }
    if (pozo.isEmpty())
        return false;
    return std::all_of(w.begin(), w.end(), [&](const QString& p) {
        return std::any_of(pozo.begin(), pozo.end(), [&](const QString& q) { return parecidas(p, q); });
    });
}
