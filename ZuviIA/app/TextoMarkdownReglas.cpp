// The rules of TextoMarkdown as pure functions: blocks and inline runs.
#include "app/TextoMarkdown.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

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

// A run with the source position of its first character, so a renderer
// can tell what lies before the settled point.
struct Pieza {
    QStringView texto;
    qsizetype origen;
    bool codigo = false;
    // A delimiter that matched: it shapes its neighbours and is not shown.
    bool oculta = false;
    QString enlace;
};

bool esPuntuacionAscii(QChar c) { return c.unicode() < 128 && c.isPunct(); }

// A construct closes within this many characters of its opener, so an
// opener that nothing closed settles once the line passes it by that much.
constexpr qsizetype alcance = 2000;

// One left-to-right pass over a line with a stack of open delimiters, as
// CommonMark does: a closer takes the nearest opener of its kind, openers
// left open above it stay literal, and code spans bind first. Every opener
// is pushed and popped once, so the pass is linear in the line's length.
// `estable` is the first position that appended text could read
// differently (an opener still open, a run at the very end).
class Analizador {
public:
    Analizador(QStringView s, qsizetype desde) : s_(s), desde_(desde), estable_(s.size())
    {
        prepararCodigo();
        prepararParentesis();
        analizar();
        cerrar();
    }

    std::vector<Pieza> piezas;
    qsizetype estable() const { return estable_; }

    // The marks of piece i, from the ranges the matched pairs cover.
    void marcas(std::vector<Tramo>& salida) const
    {
        int negrita = 0, cursiva = 0, tachado = 0;
        for (size_t i = 0; i < piezas.size(); ++i) {
            negrita += cambios_[i].negrita;
            cursiva += cambios_[i].cursiva;
            tachado += cambios_[i].tachado;
            const Pieza& p = piezas[i];
            if (p.oculta)
                continue;
            Tramo t{p.texto.toString(), negrita > 0, cursiva > 0, tachado > 0, p.codigo, p.enlace};
            t.origen = p.origen;
            salida.push_back(std::move(t));
        }
    }

private:
    enum { claveCorchete = 7, claves = 8 };

    struct Abridor {
        qsizetype pos;
        size_t pieza;
        int clave;
        qsizetype largo;
        bool vivo = true;
    };

    struct Cambio {
        int negrita = 0;
        int cursiva = 0;
        int tachado = 0;
    };

    void inestable(qsizetype i) { estable_ = std::min(estable_, i); }

    qsizetype corrida(qsizetype i, QChar c) const
    {
        qsizetype j = i;
        while (j < s_.size() && s_[j] == c)
            ++j;
        return j - i;
    }

    // Every whole backtick run, by length, so an opener finds its closer
    // without scanning.
    void prepararCodigo()
    {
        for (qsizetype j = desde_; j < s_.size();) {
            if (s_[j] != u'`') {
                ++j;
                continue;
            }
            const qsizetype m = corrida(j, u'`');
            corridas_[m].push_back(j);
            j += m;
        }
    }

    // The ")" that closes each "(", nesting counted.
    void prepararParentesis()
    {
        cierreParentesis_.assign(size_t(s_.size() - desde_), -1);
        std::vector<qsizetype> abiertos;
        for (qsizetype j = desde_; j < s_.size(); ++j) {
            if (s_[j] == u'(') {
                abiertos.push_back(j);
            } else if (s_[j] == u')' && !abiertos.empty()) {
                cierreParentesis_[size_t(abiertos.back() - desde_)] = j;
                abiertos.pop_back();
            }
        }
    }

    size_t agregar(QStringView texto, qsizetype origen, bool codigo = false)
    {
        piezas.push_back({texto, origen, codigo, false, {}});
        cambios_.emplace_back();
        return piezas.size() - 1;
    }

    void par(qsizetype inicio, qsizetype fin) { pares_.push_back({inicio, fin}); }

    void empujar(qsizetype pos, size_t pieza, int clave, qsizetype largo)
    {
        pila_.push_back({pos, pieza, clave, largo});
        porClave_[size_t(clave)].push_back(pila_.size() - 1);
    }

    // Drops every opener above stack index k; they stay literal.
    void desapilarHasta(size_t k)
    {
        while (pila_.size() > k) {
            Abridor& a = pila_.back();
            if (a.vivo)
                porClave_[size_t(a.clave)].pop_back();
            pila_.pop_back();
        }
    }

    void olvidar(int clave)
    {
        for (size_t k : porClave_[size_t(clave)])
            pila_[k].vivo = false;
        porClave_[size_t(clave)].clear();
    }

    // The nearest live opener of a kind within reach of i; -1 when none.
    qsizetype abridor(int clave, qsizetype i)
    {
        auto& lista = porClave_[size_t(clave)];
        if (lista.empty())
            return -1;
        if (i - pila_[lista.back()].pos > alcance) {
            olvidar(clave);
            return -1;
        }
        return qsizetype(lista.back());
    }

    qsizetype codigo(qsizetype i)
    {
        const qsizetype n = corrida(i, u'`');
        const auto& lista = corridas_[n];
        const auto siguiente = std::lower_bound(lista.begin(), lista.end(), i + n);
        if (siguiente == lista.end() || *siguiente - i > alcance) {
            if (s_.size() - i <= alcance)
                inestable(i);
            agregar(s_.mid(i, n), i);
            return i + n;
        }
        const qsizetype cierre = *siguiente;
        if (cierre + n >= s_.size())
            inestable(i);
        QStringView dentro = s_.mid(i + n, cierre - i - n);
        if (dentro.size() >= 2 && dentro.front() == u' ' && dentro.back() == u' ' && !dentro.trimmed().isEmpty())
            dentro = dentro.mid(1, dentro.size() - 2);
        agregar(dentro, i, true);
        par(i, cierre + n - 1);
        return cierre + n;
    }

    qsizetype enfasis(qsizetype i)
    {
        const QChar c = s_[i];
        const qsizetype n = corrida(i, c);
        const qsizetype tras = i + n;
        if (tras >= s_.size())
            inestable(i);
        const size_t pieza = agregar(s_.mid(i, n), i);
        if (c == u'~' ? n != 2 : n > 3)
            return tras;
        const int clave = c == u'~' ? 6 : (c == u'*' ? 0 : 3) + int(n) - 1;
        const bool puedeCerrar = i > 0 && !s_[i - 1].isSpace()
            && (c != u'_' || tras >= s_.size() || !s_[tras].isLetterOrNumber());
        const bool puedeAbrir = tras < s_.size() && !s_[tras].isSpace()
            && (c != u'_' || i == 0 || !s_[i - 1].isLetterOrNumber());
        const qsizetype k = puedeCerrar ? abridor(clave, i) : -1;
        if (k >= 0) {
            const Abridor a = pila_[size_t(k)];
            desapilarHasta(size_t(k));
            piezas[a.pieza].oculta = true;
            piezas[pieza].oculta = true;
            const int negrita = c != u'~' && n >= 2, cursiva = c != u'~' && n != 2, tachado = c == u'~';
            cambios_[a.pieza].negrita += negrita;
            cambios_[a.pieza].cursiva += cursiva;
            cambios_[a.pieza].tachado += tachado;
            cambios_[pieza].negrita -= negrita;
            cambios_[pieza].cursiva -= cursiva;
            cambios_[pieza].tachado -= tachado;
            par(a.pos, tras - 1);
        } else if (puedeAbrir) {
            empujar(i, pieza, clave, n);
        }
        return tras;
    }

    // "](destino)" after an open "["; the label may hold inline marks.
    qsizetype corchete(qsizetype j)
    {
        const qsizetype k = abridor(claveCorchete, j);
        if (k < 0) {
            agregar(s_.mid(j, 1), j);
            return j + 1;
        }
        const Abridor a = pila_[size_t(k)];
        qsizetype cierre = j + 1 < s_.size() && s_[j + 1] == u'(' ? cierreParentesis_[size_t(j + 1 - desde_)] : -1;
        // Like every construct, a link closes within reach of its "[".
        if (cierre - a.pos > alcance)
            cierre = -1;
        if (cierre < 0) {
            // Nothing after "]" yet, or a destination still open.
            if ((j + 1 >= s_.size() || s_[j + 1] == u'(') && s_.size() - a.pos <= alcance)
                inestable(a.pos);
            pila_[size_t(k)].vivo = false;
            porClave_[claveCorchete].pop_back();
            agregar(s_.mid(j, 1), j);
            return j + 1;
        }
        QStringView destino = s_.mid(j + 2, cierre - j - 2).trimmed();
        const qsizetype espacio = destino.indexOf(u' ');
        if (espacio >= 0)
            destino = destino.left(espacio);   // a title follows
        if (destino.startsWith(u'<') && destino.endsWith(u'>'))
            destino = destino.mid(1, destino.size() - 2);
        desapilarHasta(size_t(k));
        // Links do not nest: every "[" before this one stays literal.
        olvidar(claveCorchete);
        piezas[a.pieza].oculta = true;
        const QString enlace = destino.toString();
        for (size_t p = a.pieza + 1; p < piezas.size(); ++p)
            if (piezas[p].enlace.isEmpty())
                piezas[p].enlace = enlace;
        par(a.pos, cierre);
        return cierre + 1;
    }

    // "<https://…>" or "<ana@ejemplo.cl>".
    qsizetype autoenlace(qsizetype i)
    {
        qsizetype j = i + 1;
        while (j < s_.size() && s_[j] != u'>' && s_[j] != u'<' && !s_[j].isSpace())
            ++j;
        if (j >= s_.size()) {
            inestable(i);
            agregar(s_.mid(i, 1), i);
            return i + 1;
        }
        const QStringView dentro = s_.mid(i + 1, j - i - 1);
        const bool esCorreo = dentro.contains(u'@') && !dentro.contains(u':');
        const bool esUrl = dentro.indexOf(u':') > 1;
        if (s_[j] != u'>' || (!esCorreo && !esUrl)) {
            agregar(s_.mid(i, 1), i);
            return i + 1;
        }
        const size_t p = agregar(dentro, i);
        piezas[p].enlace = esCorreo ? QStringLiteral("mailto:") + dentro.toString() : dentro.toString();
        par(i, j);
        return j + 1;
    }

    void analizar()
    {
        for (qsizetype i = desde_; i < s_.size();) {
            const QChar c = s_[i];
            if (c == u'\\') {
                if (i + 1 >= s_.size())
                    inestable(i);
                if (i + 1 < s_.size() && esPuntuacionAscii(s_[i + 1])) {
                    agregar(s_.mid(i + 1, 1), i);
                    i += 2;
                } else {
                    agregar(s_.mid(i, 1), i);
                    ++i;
                }
            } else if (c == u'`') {
                i = codigo(i);
            } else if (c == u'*' || c == u'_' || c == u'~') {
                i = enfasis(i);
            } else if (c == u'[') {
                empujar(i, agregar(s_.mid(i, 1), i), claveCorchete, 1);
                ++i;
            } else if (c == u']') {
                i = corchete(i);
            } else if (c == u'<') {
                i = autoenlace(i);
            } else {
                qsizetype j = i + 1;
                while (j < s_.size() && !QStringView(u"\\`*_~[]<").contains(s_[j]))
                    ++j;
                agregar(s_.mid(i, j - i), i);
                i = j;
            }
        }
    }

    // What is still open could close later; so could anything that spans
    // such a point, since the two would then overlap.
    void cerrar()
    {
        for (const Abridor& a : pila_)
            if (a.vivo && s_.size() - a.pos <= alcance)
                inestable(a.pos);
        // Pairs close left to right, so their ends only grow.
        for (auto p = pares_.rbegin(); p != pares_.rend(); ++p)
            if (p->first < estable_ && p->second >= estable_)
                estable_ = p->first;
    }

    QStringView s_;
    qsizetype desde_;
    qsizetype estable_;
    std::vector<Cambio> cambios_;
    std::vector<Abridor> pila_;
    std::array<std::vector<size_t>, claves> porClave_;
    std::vector<std::pair<qsizetype, qsizetype>> pares_;
    std::unordered_map<qsizetype, std::vector<qsizetype>> corridas_;
    std::vector<qsizetype> cierreParentesis_;
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
    const Analizador a(linea, desde);
    estable = a.estable();
    std::vector<Tramo> piezas;
    a.marcas(piezas);
    // Neighbours with the same marks become one run, never across the
    // settled point.
    QList<Tramo> tramos;
    qsizetype ultimoOrigen = -1;
    for (Tramo& p : piezas) {
        const qsizetype origen = p.origen;
        const bool mismoLado = (ultimoOrigen < estable) == (origen < estable);
        if (!tramos.isEmpty() && mismoLado && !p.codigo && !tramos.last().codigo && mismasMarcas(tramos.last(), p))
            tramos.last().texto += p.texto;
        else
            tramos << std::move(p);
        ultimoOrigen = origen;
    }
    return tramos;
}
