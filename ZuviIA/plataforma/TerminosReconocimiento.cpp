#include "plataforma/TerminosReconocimiento.h"

#include <QHash>

#include <optional>

namespace {

const char* const nombresDigitos[] = {"cero", "uno", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve"};

// Spanish names of the letters, for acronyms said letter by letter.
const char* const nombresLetras[] = {"a",   "be",  "ce",    "de",  "e",   "efe",   "ge", "hache", "i",
                                     "jota", "ka",  "ele",   "eme", "ene", "o",     "pe", "cu",    "erre",
                                     "ese", "te",  "u",     "uve", "doble uve", "equis", "i griega", "zeta"};

bool vocal(QChar c)
{
    return QStringLiteral("aeiou").contains(c);
}

// Lower case without accents, letters and digits only (ñ becomes n).
QString plano(const QString& palabra)
{
    QString r;
    for (const QChar c : palabra.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber())
            r += c.toLower();
    }
    return r;
}

// Folded words, digits spelled, a leading "s" + consonant said "es" (the way
// "Studio" sounds in Spanish), joined without blanks.
QString unir(const QStringList& palabras)
{
    QString r;
    for (const QString& p : palabras) {
        QString w;
        for (const QChar c : plano(p))
            w += c.isDigit() ? QLatin1String(nombresDigitos[c.digitValue()]) : QString(c);
        if (w.size() > 1 && w[0] == QLatin1Char('s') && !vocal(w[1]))
            w.prepend(QLatin1Char('e'));
        r += w;
    }
    return r;
}

QString sonido(const QString& s)
{
    QString r;
    auto en = [&](qsizetype i) { return i < s.size() ? s[i] : QChar(); };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const QChar n = en(i + 1);
        const bool suave = n == QLatin1Char('e') || n == QLatin1Char('i');
        switch (c.unicode()) {
        case 'h':
            break; // silent
        case 'c':
            if (n == QLatin1Char('h')) {
                const QChar d = en(i + 2);
                r += d == QLatin1Char('r') || d == QLatin1Char('l') ? QLatin1Char('k') : QLatin1Char('C');
                ++i;
            } else {
                r += suave ? QLatin1Char('s') : QLatin1Char('k');
            }
            break;
        case 'q':
            r += QLatin1Char('k');
            if (n == QLatin1Char('u'))
                ++i;
            break;
        case 'z':
            r += QLatin1Char('s');
            break;
        case 'x':
            r += QLatin1String("ks");
            break;
        case 'v':
            r += QLatin1Char('b');
            break;
        case 'w':
            r += QLatin1Char('u');
            break;
        case 'l':
            r += n == QLatin1Char('l') ? QLatin1Char('y') : QLatin1Char('l');
            i += n == QLatin1Char('l') ? 1 : 0;
            break;
        case 'y':
            r += vocal(n) ? QLatin1Char('y') : QLatin1Char('i');
            break;
        case 'g':
            if (n == QLatin1Char('u') && (en(i + 2) == QLatin1Char('e') || en(i + 2) == QLatin1Char('i'))) {
                r += QLatin1Char('g');
                ++i;
            } else {
                r += suave ? QLatin1Char('j') : QLatin1Char('g');
            }
            break;
        case 'p':
            r += n == QLatin1Char('h') ? QLatin1Char('f') : QLatin1Char('p');
            i += n == QLatin1Char('h') ? 1 : 0;
            break;
        default:
            r += c;
        }
    }
    // Doubled consonants sound once; doubled vowels ("Zuvi IA") stay.
    QString sinDobles;
    for (const QChar c : r) {
        if (sinDobles.isEmpty() || c != sinDobles.back() || vocal(c))
            sinDobles += c;
    }
    return sinDobles;
}

// The term said letter by letter where it is an acronym: "ChatGPT" is
// "Chat ge pe te", "H2D" is "hache dos de".
QString deletreado(const QString& termino)
{
    QStringList partes;
    for (const QString& palabra : termino.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString trozo;
        auto cerrar = [&] {
            const bool sigla = !trozo.isEmpty()
                && std::all_of(trozo.begin(), trozo.end(), [](QChar c) { return c.isUpper() || c.isDigit(); });
            if (!sigla) {
                partes << trozo;
            } else {
                for (const QChar c : trozo) {
                    if (c.isDigit())
                        partes << QString(c);
                    else if (c.toLower().unicode() >= 'a' && c.toLower().unicode() <= 'z')
                        partes << QLatin1String(nombresLetras[c.toLower().unicode() - 'a']);
                }
            }
            trozo.clear();
        };
        for (qsizetype i = 0; i < palabra.size(); ++i) {
            const QChar c = palabra[i];
            if (i > 0) {
                const QChar a = palabra[i - 1];
                const bool otroTipo = a.isDigit() != c.isDigit();
                const bool camello = a.isLower() && c.isUpper();
                if (otroTipo || camello)
                    cerrar();
            }
            trozo += c;
        }
        cerrar();
    }
    return partes.join(QLatin1Char(' '));
}

struct Pieza {
    QString antes;
    QString palabra;
    QString despues;
};

Pieza partir(const QString& token)
{
    qsizetype a = 0;
    qsizetype b = token.size();
    while (a < b && !token[a].isLetterOrNumber())
        ++a;
    while (b > a && !token[b - 1].isLetterOrNumber())
        --b;
    return {token.left(a), token.mid(a, b - a), token.mid(b)};
}

// How the small Spanish model writes the words of the wake phrases. It
// knows no "Zuvi", so the name arrives as the words that sound like /'subi/
// (espeak-ng, es), and "IA" as the ways of saying /'ia/.
enum class Lugar {
    siempre, // no Spanish word: always the name
    nombre, // a Spanish word: the name only beside a greeting or "IA"
    saludo, // a greeting before the name
    ia, // "IA" after the name
};

struct Parecido {
    const char* oido; // folded words, as plano() leaves them
    const char* escrito;
    Lugar lugar;
    // "IA" heard this way shows the word before it is the name ("y a"
    // follows ordinary words too often).
    bool senalaNombre = true;
};

const Parecido parecidos[] = {
    {"zubi", "Zuvi", Lugar::siempre},
    {"suvi", "Zuvi", Lugar::siempre},
    {"zuby", "Zuvi", Lugar::siempre},
    {"subi", "Zuvi", Lugar::nombre},
    {"su vi", "Zuvi", Lugar::nombre},
    {"su bi", "Zuvi", Lugar::nombre},
    {"sub i", "Zuvi", Lugar::nombre},
    {"sube", "Zuvi", Lugar::nombre},
    {"suv", "Zuvi", Lugar::nombre},
    {"sufi", "Zuvi", Lugar::nombre},
    {"sobi", "Zuvi", Lugar::nombre},
    {"oye", "oye", Lugar::saludo},
    {"olle", "oye", Lugar::saludo},
    {"hola", "hola", Lugar::saludo},
    {"ola", "hola", Lugar::saludo},
    {"ia", "IA", Lugar::ia},
    {"i a", "IA", Lugar::ia},
    {"y a", "IA", Lugar::ia, false},
};

// The longest row of one of `lugares` whose words are the pieces from `i`
// on, with no punctuation between them; null when none is.
const Parecido* encajar(const std::vector<Pieza>& piezas, size_t i, std::initializer_list<Lugar> lugares,
                        size_t& largo)
{
    const Parecido* mejor = nullptr;
    largo = 0;
    for (const Parecido& p : parecidos) {
        if (std::find(lugares.begin(), lugares.end(), p.lugar) == lugares.end())
            continue;
        const QStringList palabras = QString::fromUtf8(p.oido).split(QLatin1Char(' '));
        const size_t n = size_t(palabras.size());
        if (n <= largo || i + n > piezas.size())
            continue;
        bool igual = true;
        for (size_t k = 0; k < n && igual; ++k) {
            const Pieza& pieza = piezas[i + k];
            igual = plano(pieza.palabra) == palabras[qsizetype(k)] && (k == 0 || pieza.antes.isEmpty())
                && (k + 1 == n || pieza.despues.isEmpty());
        }
        if (igual) {
            mejor = &p;
            largo = n;
        }
    }
    return mejor;
}

// Nothing but a blank between piece i - 1 and piece i.
bool juntas(const std::vector<Pieza>& piezas, size_t i)
{
    return i > 0 && i < piezas.size() && piezas[i - 1].despues.isEmpty() && piezas[i].antes.isEmpty();
}

} // namespace

QString TerminosReconocimiento::plano(const QString& palabra) { return ::plano(palabra); }

QString TerminosReconocimiento::nombre(const QString& texto)
{
    const QStringList tokens = texto.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<Pieza> piezas;
    for (const QString& t : tokens)
        piezas.push_back(partir(t));
    std::vector<std::optional<QString>> salida(tokens.begin(), tokens.end());
    auto poner = [&](size_t desde, size_t largo, const QString& escrito) {
        salida[desde] = piezas[desde].antes + escrito + piezas[desde + largo - 1].despues;
        for (size_t k = desde + 1; k < desde + largo; ++k)
            salida[k].reset();
    };
    for (size_t i = 0; i < piezas.size(); ++i) {
        size_t largo = 0;
        const Parecido* nombre = encajar(piezas, i, {Lugar::siempre, Lugar::nombre}, largo);
        if (!nombre)
            continue;
        size_t largoSaludo = 0;
        const Parecido* saludo = nullptr;
        if (juntas(piezas, i)) {
            saludo = encajar(piezas, i - 1, {Lugar::saludo}, largoSaludo);
            saludo = largoSaludo == 1 ? saludo : nullptr;
        }
        size_t largoIa = 0;
        const Parecido* ia = juntas(piezas, i + largo) ? encajar(piezas, i + largo, {Lugar::ia}, largoIa) : nullptr;
        if (nombre->lugar != Lugar::siempre && !saludo && !(ia && ia->senalaNombre))
            continue;
        if (saludo && plano(piezas[i - 1].palabra) != QLatin1String(saludo->escrito)) {
            QString escrito = QString::fromUtf8(saludo->escrito);
            if (piezas[i - 1].palabra.front().isUpper())
                escrito[0] = escrito[0].toUpper();
            poner(i - 1, 1, escrito);
        }
        poner(i, largo, QStringLiteral("Zuvi"));
        if (ia)
            poner(i + largo, largoIa, QStringLiteral("IA"));
        i += largo + largoIa - 1;
    }
    QStringList r;
    for (const auto& s : salida) {
        if (s)
            r << *s;
    }
    return r.join(QLatin1Char(' '));
}

QStringList TerminosReconocimiento::formasDespertar()
{
    QStringList saludos, nombres, ias;
    for (const Parecido& p : parecidos) {
        const QString oido = QString::fromUtf8(p.oido);
        if (p.lugar == Lugar::saludo)
            saludos << oido;
        else if (p.lugar == Lugar::ia)
            ias << oido;
        else
            nombres << oido;
    }
    QStringList r;
    for (const QString& s : saludos) {
        for (const QString& n : nombres) {
            r << s + QLatin1Char(' ') + n;
            for (const QString& i : ias)
                r << s + QLatin1Char(' ') + n + QLatin1Char(' ') + i;
        }
    }
    return r << QStringLiteral("modo proyectos") << QStringLiteral("modo proyecto");
}

QString TerminosReconocimiento::clave(const QString& palabra)
{
    return sonido(unir(palabra.split(QLatin1Char(' '), Qt::SkipEmptyParts)));
}

TerminosReconocimiento::TerminosReconocimiento(const QStringList& terminos)
{
    QHash<QString, bool> vistas;
    for (const QString& t : terminos) {
        const QString limpio = t.simplified();
        if (limpio.isEmpty())
            continue;
        const int i = int(terminos_.size());
        terminos_ << limpio;
        for (const QString& forma : {limpio, deletreado(limpio)}) {
            const QString k = clave(forma);
            // A spelled-out acronym takes more words than it is written with.
            maxPalabras_ = std::max(maxPalabras_, int(forma.count(QLatin1Char(' ')) + 1));
            // Very short keys ("a", "si") would catch ordinary words.
            if (k.size() < 3 || vistas.contains(k))
                continue;
            vistas.insert(k, true);
            formas_.push_back({k, i});
        }
    }
}

QString TerminosReconocimiento::reescribir(const QString& oido) const
{
    if (formas_.empty())
        return oido;
    const QString texto = nombre(oido);
    const QStringList tokens = texto.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<Pieza> piezas;
    for (const QString& t : tokens)
        piezas.push_back(partir(t));
    QStringList salida;
    for (qsizetype i = 0; i < qsizetype(piezas.size());) {
        qsizetype tomadas = 0;
        QString nuevo;
        const qsizetype tope = std::min<qsizetype>(maxPalabras_, qsizetype(piezas.size()) - i);
        for (qsizetype l = tope; l >= 1 && tomadas == 0; --l) {
            QStringList palabras;
            bool limpia = true;
            for (qsizetype k = i; k < i + l; ++k) {
                const Pieza& p = piezas[size_t(k)];
                // Punctuation inside the run would join two phrases.
                limpia = limpia && !p.palabra.isEmpty() && (k == i || p.antes.isEmpty())
                    && (k == i + l - 1 || p.despues.isEmpty());
                palabras << p.palabra;
            }
            if (!limpia)
                continue;
            const QString k = clave(palabras.join(QLatin1Char(' ')));
            for (const Forma& f : formas_) {
                if (f.clave != k)
                    continue;
                const QString& termino = terminos_[f.termino];
                // A common word already heard right keeps its own case.
                const bool comun = termino == termino.toLower();
                const QString oido = palabras.join(QLatin1Char(' '));
                nuevo = comun && plano(oido) == plano(termino) ? oido : termino;
                tomadas = l;
                break;
            }
        }
        if (tomadas == 0) {
            salida << tokens[i];
            ++i;
            continue;
        }
        salida << piezas[size_t(i)].antes + nuevo + piezas[size_t(i + tomadas - 1)].despues;
        i += tomadas;
    }
    return salida.join(QLatin1Char(' '));
}
