// The rules of TextoMarkdown as pure functions: blocks and inline runs.
#include "app/TextoMarkdown.h"

#include <QUrl>

#include <algorithm>

namespace {

using Bloque = TextoMarkdown::Bloque;
using Tramo = TextoMarkdown::Tramo;

const QStringView valla = u"```";

bool esSaltoDeLinea(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringView recortarSaltos(QStringView s)
{
    while (!s.isEmpty() && esSaltoDeLinea(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && esSaltoDeLinea(s.back()))
        s.chop(1);
    return s;
}

QStringView recortarBlancos(QStringView s) { return s.trimmed(); }

Bloque codigo(QStringView pieza)
{
    // The first line is the fence's info string.
    const qsizetype salto = pieza.indexOf(u'\n');
    const QStringView resto = salto < 0 ? QStringView() : pieza.mid(salto + 1);
    return {Bloque::Tipo::codigo, recortarSaltos(resto).toString()};
}

void parte(QStringView p, QList<Bloque>& bloques)
{
    p = recortarBlancos(p);
    if (p.isEmpty())
        return;
    if (p.startsWith(u'#') && !p.contains(u'\n')) {
        while (!p.isEmpty() && (p.front() == u'#' || p.front() == u' '))
            p = p.mid(1);
        while (!p.isEmpty() && (p.back() == u'#' || p.back() == u' '))
            p.chop(1);
        bloques << Bloque{Bloque::Tipo::titulo, p.toString()};
        return;
    }
    QString texto = p.toString();
    texto.replace(QStringLiteral("\n- "), QStringLiteral("\n• "));
    if (texto.startsWith(QStringLiteral("- ")))
        texto.replace(0, 2, QStringLiteral("• "));
    bloques << Bloque{Bloque::Tipo::parrafo, texto};
}

// The parts of one prose piece; `ultima` tells where its last part begins.
void prosa(QStringView pieza, qsizetype inicio, QList<Bloque>& bloques, qsizetype* ultima, qsizetype* cerrados)
{
    qsizetype desde = 0;
    for (qsizetype corte; (corte = pieza.indexOf(u"\n\n", desde)) >= 0; desde = corte + 2)
        parte(pieza.mid(desde, corte - desde), bloques);
    if (ultima) {
        *ultima = inicio + desde;
        *cerrados = bloques.size();
    }
    parte(pieza.mid(desde), bloques);
}

} // namespace

QList<TextoMarkdown::Bloque> TextoMarkdown::bloques(QStringView texto)
{
    qsizetype abierto = 0, cerrados = 0;
    return bloques(texto, abierto, cerrados);
}

QList<TextoMarkdown::Bloque> TextoMarkdown::bloques(QStringView texto, qsizetype& abierto, qsizetype& cerrados)
{
    QList<Bloque> lista;
    qsizetype inicio = 0;
    for (int pieza = 0;; ++pieza) {
        const qsizetype fin = texto.indexOf(valla, inicio);
        const bool ultima = fin < 0;
        const QStringView trozo = texto.mid(inicio, (ultima ? texto.size() : fin) - inicio);
        if (pieza % 2 == 1) {
            if (ultima) {
                abierto = inicio - valla.size();
                cerrados = lista.size();
            }
            lista << codigo(trozo);
        } else {
            prosa(trozo, inicio, lista, ultima ? &abierto : nullptr, &cerrados);
        }
        if (ultima)
            return lista;
        inicio = fin + valla.size();
    }
}

bool TextoMarkdown::enlaceAbrible(const QString& destino)
{
    const QUrl url(destino.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString esquema = url.scheme().toLower();
    if (esquema == u"http" || esquema == u"https")
        return !url.host().isEmpty();
    return esquema == u"mailto" && !url.path().isEmpty();
}

namespace {

struct Marcas {
    bool negrita = false;
    bool cursiva = false;
    bool tachado = false;
    QString enlace;
};

// A run with the source position of its first character, so a renderer
// can tell what lies before the settled point.
struct Pieza {
    Tramo tramo;
    qsizetype origen;
};

bool esPuntuacionAscii(QChar c) { return c.unicode() < 128 && c.isPunct(); }

// One left-to-right pass over a line. Constructs are matched greedily with
// the first closer; `estable` collects the first position that appended
// text could read differently (an open marker, a closer at the very end).
class Analizador {
public:
    Analizador(QStringView s, qsizetype desde) : s_(s), estable_(s.size()) { analizar(desde, s.size(), {}, true); }

    QList<Pieza> piezas;
    qsizetype estable() const { return estable_; }

private:
    void inestable(qsizetype i, bool superior)
    {
        if (superior)
            estable_ = std::min(estable_, i);
    }

    qsizetype corrida(qsizetype i, QChar c) const
    {
        qsizetype j = i;
        while (j < s_.size() && s_[j] == c)
            ++j;
        return j - i;
    }

    // The closing backtick run of exactly n for a run opened at i; -1 when none.
    qsizetype cierreCodigo(qsizetype i, qsizetype n, qsizetype hasta) const
    {
        for (qsizetype j = i + n; j < hasta;) {
            if (s_[j] != u'`') {
                ++j;
                continue;
            }
            const qsizetype m = corrida(j, u'`');
            if (m == n && j + m <= hasta)
                return j;
            j += m;
        }
        return -1;
    }

    void literal(qsizetype i, qsizetype n, const Marcas& m)
    {
        for (qsizetype k = 0; k < n; ++k)
            agregar(s_.mid(i + k, 1).toString(), m, false, i + k);
    }

    void agregar(const QString& texto, const Marcas& m, bool codigo, qsizetype origen)
    {
        Tramo t{texto, m.negrita, m.cursiva, m.tachado, codigo, m.enlace};
        piezas.append({t, origen});
    }

    // Skips a code span or an escape at j; `dudoso` when a backtick run is
    // still open, which a later closer would turn into a span.
    qsizetype saltar(qsizetype j, qsizetype hasta, bool& dudoso) const
    {
        if (s_[j] == u'\\' && j + 1 < hasta && esPuntuacionAscii(s_[j + 1]))
            return j + 2;
        if (s_[j] == u'`') {
            const qsizetype n = corrida(j, u'`');
            const qsizetype c = cierreCodigo(j, n, hasta);
            if (c < 0) {
                dudoso = true;
                return j + n;
            }
            return c + n;
        }
        return j + 1;
    }

    bool abreEnfasis(qsizetype i, qsizetype n, QChar c) const
    {
        if (i + n >= s_.size() || s_[i + n].isSpace())
            return false;
        return c != u'_' || i == 0 || !s_[i - 1].isLetterOrNumber();
    }

    qsizetype cierreEnfasis(qsizetype i, qsizetype n, QChar c, qsizetype hasta, bool& dudoso) const
    {
        for (qsizetype j = i + n; j < hasta;) {
            if (s_[j] != c) {
                j = saltar(j, hasta, dudoso);
                continue;
            }
            const qsizetype m = corrida(j, c);
            const bool antesOk = !s_[j - 1].isSpace();
            const bool despuesOk = c != u'_' || j + m >= s_.size() || !s_[j + m].isLetterOrNumber();
            if (m == n && j > i + n && antesOk && despuesOk && j + m <= hasta)
                return j;
            j += m;
        }
        return -1;
    }

    qsizetype enfasis(qsizetype i, qsizetype hasta, const Marcas& m, bool superior)
    {
        const QChar c = s_[i];
        const qsizetype n = corrida(i, c);
        const bool valido = c == u'~' ? n == 2 : n <= 3;
        if (i + n >= s_.size())
            inestable(i, superior);
        bool dudoso = false;
        const qsizetype cierre = valido && abreEnfasis(i, n, c) ? cierreEnfasis(i, n, c, hasta, dudoso) : -2;
        if (cierre == -2) {
            literal(i, n, m);
            return i + n;
        }
        if (cierre < 0 || dudoso || cierre + n >= s_.size())
            inestable(i, superior);
        if (cierre < 0) {
            literal(i, n, m);
            return i + n;
        }
        Marcas dentro = m;
        if (c == u'~')
            dentro.tachado = true;
        else {
            dentro.cursiva = dentro.cursiva || n != 2;
            dentro.negrita = dentro.negrita || n >= 2;
        }
        analizar(i + n, cierre, dentro, false);
        return cierre + n;
    }

    qsizetype codigo(qsizetype i, qsizetype hasta, const Marcas& m, bool superior)
    {
        const qsizetype n = corrida(i, u'`');
        const qsizetype cierre = cierreCodigo(i, n, hasta);
        if (cierre < 0 || cierre + n >= s_.size())
            inestable(i, superior);
        if (cierre < 0) {
            literal(i, n, m);
            return i + n;
        }
        QStringView dentro = s_.mid(i + n, cierre - i - n);
        if (dentro.size() >= 2 && dentro.front() == u' ' && dentro.back() == u' ' && !dentro.trimmed().isEmpty())
            dentro = dentro.mid(1, dentro.size() - 2);
        agregar(dentro.toString(), m, true, i);
        return cierre + n;
    }

    // "[texto](destino)"; the label may hold inline marks.
    qsizetype enlace(qsizetype i, qsizetype hasta, const Marcas& m, bool superior)
    {
        bool dudoso = false;
        int nivel = 0;
        qsizetype j = i + 1;
        for (; j < hasta; ) {
            if (s_[j] == u'[')
                ++nivel;
            else if (s_[j] == u']' && nivel-- == 0)
                break;
            j = s_[j] == u'[' || s_[j] == u']' ? j + 1 : saltar(j, hasta, dudoso);
        }
        if (j >= hasta || j + 1 >= s_.size() || dudoso) {
            inestable(i, superior);
            if (j >= hasta || j + 1 >= hasta) {
                literal(i, 1, m);
                return i + 1;
            }
        }
        if (s_[j + 1] != u'(') {
            literal(i, 1, m);
            return i + 1;
        }
        int parentesis = 0;
        qsizetype k = j + 2;
        for (; k < hasta; ++k) {
            if (s_[k] == u'(')
                ++parentesis;
            else if (s_[k] == u')' && parentesis-- == 0)
                break;
        }
        if (k >= hasta) {
            inestable(i, superior);
            literal(i, 1, m);
            return i + 1;
        }
        QStringView destino = s_.mid(j + 2, k - j - 2).trimmed();
        const qsizetype espacio = destino.indexOf(u' ');
        if (espacio >= 0)
            destino = destino.left(espacio);   // a title follows
        if (destino.startsWith(u'<') && destino.endsWith(u'>'))
            destino = destino.mid(1, destino.size() - 2);
        Marcas dentro = m;
        dentro.enlace = destino.toString();
        analizar(i + 1, j, dentro, false);
        return k + 1;
    }

    // "<https://…>" or "<ana@ejemplo.cl>".
    qsizetype autoenlace(qsizetype i, qsizetype hasta, const Marcas& m, bool superior)
    {
        qsizetype j = i + 1;
        while (j < hasta && s_[j] != u'>' && s_[j] != u'<' && !s_[j].isSpace())
            ++j;
        if (j >= hasta) {
            inestable(i, superior);
            literal(i, 1, m);
            return i + 1;
        }
        const QString dentro = s_.mid(i + 1, j - i - 1).toString();
        const bool esCorreo = dentro.contains(u'@') && !dentro.contains(u':');
        const bool esUrl = dentro.indexOf(u':') > 1;
        if (s_[j] != u'>' || (!esCorreo && !esUrl)) {
            literal(i, 1, m);
            return i + 1;
        }
        Marcas dentroM = m;
        dentroM.enlace = esCorreo ? QStringLiteral("mailto:") + dentro : dentro;
        agregar(dentro, dentroM, false, i);
        return j + 1;
    }

    void analizar(qsizetype desde, qsizetype hasta, const Marcas& m, bool superior)
    {
        for (qsizetype i = desde; i < hasta;) {
            const QChar c = s_[i];
            if (c == u'\\') {
                if (i + 1 >= s_.size())
                    inestable(i, superior);
                if (i + 1 < hasta && esPuntuacionAscii(s_[i + 1])) {
                    agregar(QString(s_[i + 1]), m, false, i);
                    i += 2;
                } else {
                    literal(i, 1, m);
                    ++i;
                }
            } else if (c == u'`') {
                i = codigo(i, hasta, m, superior);
            } else if (c == u'*' || c == u'_' || c == u'~') {
                i = enfasis(i, hasta, m, superior);
            } else if (c == u'[') {
                i = enlace(i, hasta, m, superior);
            } else if (c == u'<') {
                i = autoenlace(i, hasta, m, superior);
            } else {
                qsizetype j = i + 1;
                while (j < hasta && !QStringView(u"\\`*_~[<").contains(s_[j]))
                    ++j;
                agregar(s_.mid(i, j - i).toString(), m, false, i);
                i = j;
            }
        }
    }

    QStringView s_;
    qsizetype estable_;
};

bool mismasMarcas(const Tramo& a, const Tramo& b)
{
    return a.negrita == b.negrita && a.cursiva == b.cursiva && a.tachado == b.tachado && a.codigo == b.codigo
        && a.enlace == b.enlace;
}

} // namespace

QList<TextoMarkdown::Tramo> TextoMarkdown::enLinea(QStringView linea)
{
    qsizetype estable = 0;
    return enLinea(linea, 0, estable);
}

QList<TextoMarkdown::Tramo> TextoMarkdown::enLinea(QStringView linea, qsizetype desde, qsizetype& estable)
{
    Analizador a(linea, desde);
    estable = a.estable();
    // Neighbours with the same marks become one run, never across the
    // settled point.
    QList<Tramo> tramos;
    qsizetype ultimoOrigen = -1;
    for (const Pieza& p : a.piezas) {
        const bool mismoLado = (ultimoOrigen < estable) == (p.origen < estable);
        if (!tramos.isEmpty() && mismoLado && !p.tramo.codigo && !tramos.last().codigo
            && mismasMarcas(tramos.last(), p.tramo)) {
            tramos.last().texto += p.tramo.texto;
        } else {
            tramos << p.tramo;
            tramos.last().origen = p.origen;
        }
        ultimoOrigen = p.origen;
    }
    return tramos;
}
