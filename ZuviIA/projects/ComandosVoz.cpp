#include "projects/ComandosVoz.h"

#include "core/Texto.h"

#include <algorithm>
#include <cmath>

namespace ComandosVoz {

namespace {

const QStringList& lista(Comando c)
{
    static const QStringList terminar{"terminamos por hoy", "terminar modo proyectos", "salir del modo proyectos",
                                      "cierra la zuvi"};
    static const QStringList cambiarPersona{"cambiar de persona", "cambio de persona", "otra persona",
                                            "cambiar de usuario"};
    static const QStringList esperar{"espera", "esperame", "un momento", "un segundo", "pausa", "aguarda"};
    static const QStringList parar{"para", "detente", "deten", "cancela", "cancelalo", "basta", "stop", "alto",
                                   "no sigas", "paralo"};
    // "todo" after a stop phrase.
    static const QStringList pararTodo = [] {
        QStringList l;
        for (const QString& f : parar)
            l << f + QStringLiteral(" todo");
        return l;
    }();
    static const QStringList silencio{"silencio", "callate", "no hables", "shh"};
    static const QStringList seguir{"sigue", "continua", "continuemos", "puedes seguir", "dale sigue"};
    static const QStringList repetir{"repite", "repitelo", "que dijiste", "no te escuche", "otra vez"};
    static const QStringList estado{"que estas haciendo", "en que vas", "como vas", "que haces",
                                    "que estas trabajando"};
    static const QStringList segundoPlano{"segundo plano"};
    static const QStringList masRapido{"mas rapido", "habla mas rapido", "mas rapida"};
    static const QStringList masLento{"mas lento", "mas despacio", "habla mas lento", "mas lenta"};
    static const QStringList proyectoNuevo{"nueva conversacion", "nuevo proyecto", "empecemos de nuevo",
                                           "empecemos de cero"};
    static const QStringList minuta{"minuta",          "acta de la reunion",    "reporte final", "informe final",
                                    "resumen de la reunion", "informe de la reunion", "haz el acta"};
    static const QStringList modoGrupo{"modo grupo"};
    static const QStringList modoIndividual{"modo individual", "modo personal", "sin modo grupo"};
    static const QStringList pantallaCompleta{"zuvi inmersiva", "pantalla completa", "modo proyectos"};
    static const QStringList ventana{"vuelve a la ventana", "pantalla normal", "sal de la pantalla completa"};
    static const QStringList vacia;
    switch (c) {
    case Comando::terminar: return terminar;
    case Comando::cambiarPersona: return cambiarPersona;
    case Comando::esperar: return esperar;
    case Comando::parar: return parar;
    case Comando::pararTodo: return pararTodo;
    case Comando::silencio: return silencio;
    case Comando::seguir: return seguir;
    case Comando::repetir: return repetir;
    case Comando::estado: return estado;
    case Comando::segundoPlano: return segundoPlano;
    case Comando::masRapido: return masRapido;
    case Comando::masLento: return masLento;
    case Comando::proyectoNuevo: return proyectoNuevo;
    case Comando::minuta: return minuta;
    case Comando::modoGrupo: return modoGrupo;
    case Comando::modoIndividual: return modoIndividual;
    case Comando::pantallaCompleta: return pantallaCompleta;
    case Comando::ventana: return ventana;
    default: return vacia;
    }
}

const QStringList& despedidas()
{
    static const QStringList d{"adios", "hasta luego", "chao"};
    return d;
}

// What may surround a command without making it something else.
const QStringList& relleno()
{
    static const QStringList r{"por favor", "de hablar", "porfa", "porfavor", "gracias", "ya", "ahora", "ahorita",
                               "oye", "ey", "hey", "hola", "bueno", "ok", "okey", "vale", "eh", "ah", "em",
                               "mm", "mmm", "pues", "entonces", "si", "eso", "esto", "zuvi", "zuviia", "suvi",
                               "zubi", "zuvy", "zuvih", "ia"};
    return r;
}

// Openings that only point at the command ("haz la minuta", "pasa a
// segundo plano"); after one the phrase must end the utterance.
const QStringList& entradas()
{
    static const QStringList e{"haz la",    "haz el",   "haz una",   "haz un",    "hazme la",  "hazme el",
                               "hazme una", "hazme un", "dame la",   "dame el",   "crea una",  "crea un",
                               "pasa a",    "pasa al",  "pasalo a",  "mandalo a", "ponlo en",  "pon",
                               "pon la",    "pon el",   "activa",    "activa el", "cambia a",  "cambia al",
                               "vuelve a",  "vuelve al", "ve a"};
    return e;
}

// Phrases that are also ordinary words of a request ("para mi tienda",
// "alto contraste", "un segundo proveedor"): a command only on their own,
// and so are the stop-everything phrases made from them ("para todo").
bool ambigua(const QString& frase)
{
    static const QStringList a{"para", "alto", "un segundo", "otra vez"};
    return a.contains(frase) || a.contains(frase.section(QLatin1Char(' '), 0, 0));
}

bool negacion(const QString& palabra)
{
    return palabra == QLatin1String("no") || palabra == QLatin1String("sin") || palabra == QLatin1String("nunca");
}

// The words with every politeness word, filler and name taken out.
QStringList sinRelleno(const QStringList& p)
{
    QStringList quedan;
    for (qsizetype i = 0; i < p.size();) {
        const auto f = std::find_if(relleno().begin(), relleno().end(), [&](const QString& r) {
            const QStringList rp = palabras(r);
            return p.mid(i, rp.size()) == rp;
        });
        if (f != relleno().end()) {
            i += palabras(*f).size();
            continue;
        }
        quedan << p[i++];
    }
    return quedan;
}

bool leeComoInstruccion(const QStringList& cola)
{
    if (std::any_of(cola.begin(), cola.end(), [](const QString& w) { return palabrasInstruccion().contains(w); }))
        return true;
    const QString inicio = cola.mid(0, 3).join(QLatin1Char(' '));
    return std::any_of(aperturasInstruccion().begin(), aperturasInstruccion().end(),
                       [&](const QString& a) { return inicio == a || inicio.startsWith(a + QLatin1Char(' ')); });
}

// The longest phrase of the table, in words: a command with its tail says
// no more than that.
qsizetype palabrasMaximas()
{
    static const qsizetype n = [] {
        qsizetype m = 0;
        for (int k = int(Comando::terminar); k <= int(Comando::ventana); ++k)
            for (const QString& f : lista(Comando(k)))
                m = std::max(m, palabras(f).size());
        return m;
    }();
    return n;
}

// The phrase stands at word i of p and the utterance is that command.
bool esElComando(const QStringList& p, qsizetype i, const QString& frase, bool llamada)
{
    const qsizetype largo = palabras(frase).size();
    // "no para" is no stop; "no, no sigas" still is one.
    if (i > 0 && negacion(p[i - 1]) && !negacion(p[i]))
        return false;
    qsizetype desde = i;
    while (desde > 0 && negacion(p[i]) && p[desde - 1] == p[i])
        --desde;
    const QStringList antes = sinRelleno(p.mid(0, desde));
    const QStringList cola = sinRelleno(p.mid(i + largo));
    if (!llamada && (desde > 0 || p.size() > largo + 1))
        return false;
    if (!antes.isEmpty())
        return cola.isEmpty() && entradas().contains(antes.join(QLatin1Char(' ')));
    if (cola.isEmpty())
        return true;
    return !ambigua(frase) && !leeComoInstruccion(cola) && largo + cola.size() <= palabrasMaximas();
}

}

QString normalizar(const QString& texto)
{
    return Texto::plegar(texto).simplified();
}

QStringList palabras(const QString& normalizado)
{
    return normalizado.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool contiene(const QString& texto, const QStringList& frases)
{
    const QString rodeado = QLatin1Char(' ') + palabras(texto).join(QLatin1Char(' ')) + QLatin1Char(' ');
    return std::any_of(frases.begin(), frases.end(), [&](const QString& f) {
        return rodeado.contains(QLatin1Char(' ') + f + QLatin1Char(' '));
    });
}

bool coincide(const QString& texto, const QStringList& frases, bool llamada)
{
    const QStringList p = palabras(texto);
    return std::any_of(frases.begin(), frases.end(), [&](const QString& f) {
        const QStringList fp = palabras(f);
        for (qsizetype i = 0; i + fp.size() <= p.size(); ++i) {
            if (p.mid(i, fp.size()) == fp && esElComando(p, i, f, llamada))
                return true;
        }
        return false;
    });
}

const QStringList& palabrasInstruccion()
{
    static const QStringList p{
        "quiero",    "queremos", "necesito",  "necesitamos", "crea",       "creame",   "creanos",  "haz",
        "hazme",     "haznos",   "hace",      "abre",        "abreme",     "busca",    "buscame",  "arma",
        "armame",    "disena",   "disename",  "genera",      "escribe",    "escribeme", "manda",   "mandame",
        "envia",     "imprime",  "imprimeme", "muestrame",   "muestranos", "dibuja",   "modela",   "prepara",
        "preparame", "calcula",  "resume",    "resumeme",    "traduce",    "agrega",   "agregale", "anade",
        "cambia",    "pon",      "ponme",     "revisa",      "analiza",    "investiga", "programa", "redacta",
        "organiza",  "inicia",   "empieza",   "comienza"};
    return p;
}

const QStringList& aperturasInstruccion()
{
    static const QStringList a{"puedes",     "podrias",       "me puedes",     "nos puedes",
                               "me podrias", "nos podrias",   "hay que",       "vamos a crear",
                               "vamos a hacer", "ayudame a",  "ayudanos a"};
    return a;
}

const QSet<QString>& palabrasDeComando()
{
    static const QSet<QString> todas = [] {
        QSet<QString> s;
        for (int k = int(Comando::terminar); k <= int(Comando::ventana); ++k)
            for (const QString& f : lista(Comando(k)))
                for (const QString& w : palabras(f))
                    s.insert(w);
        for (const QString& f : despedidas())
            for (const QString& w : palabras(f))
                s.insert(w);
        return s;
    }();
    return todas;
}

Llamada separarLlamada(const QString& normalizado)
{
    static const QStringList nombres{"zuvi", "zuviia", "suvi", "zubi", "zuvy", "zuvih"};
    static const QStringList saludos{"oye", "hola", "ey", "ia"};
    const QStringList p = palabras(normalizado);
    qsizetype i = 0;
    bool nombrado = false;
    while (i < p.size() && !nombrado && (saludos.contains(p[i]) || nombres.contains(p[i])))
        nombrado = nombres.contains(p[i++]);
    if (!nombrado)
        return {false, normalizado};
    while (i < p.size() && p[i] == QLatin1String("ia"))
        ++i;
    return {true, p.mid(i).join(QLatin1Char(' '))};
}

Comando reconocer(const QString& texto, const Contexto& c)
{
    const qsizetype n = palabras(texto).size();
    if (n == 0 || n > (c.llamada ? 8 : 4))
        return Comando::ninguno;
    const auto es = [&](Comando k) { return coincide(texto, lista(k), c.llamada); };
    if (es(Comando::terminar) || (c.llamada && coincide(texto, despedidas(), true)))
        return Comando::terminar;
    if (es(Comando::cambiarPersona))
        return Comando::cambiarPersona;
    const bool prefijoNombre = texto.startsWith(QLatin1String("soy ")) || texto.startsWith(QLatin1String("yo soy "))
                               || texto.startsWith(QLatin1String("me llamo"));
    if (prefijoNombre && n <= 4)
        return Comando::nombre;
    if (es(Comando::esperar))
        return Comando::esperar;
    if (const bool todo = es(Comando::pararTodo); todo || es(Comando::parar))
        return c.llamada && todo ? Comando::pararTodo : Comando::parar;
    if (es(Comando::silencio))
        return Comando::silencio;
    if (es(Comando::seguir) && !c.ejecutando && c.interrumpido)
        return Comando::seguir;
    if (n <= 4 && es(Comando::repetir))
        return Comando::repetir;
    for (Comando k : {Comando::estado, Comando::segundoPlano, Comando::masRapido, Comando::masLento,
                      Comando::proyectoNuevo, Comando::minuta, Comando::modoGrupo, Comando::modoIndividual}) {
        if (es(k))
            return k;
    }
    const Comando pantalla = c.inmersivo ? Comando::ventana : Comando::pantallaCompleta;
    return es(pantalla) ? pantalla : Comando::ninguno;
}

namespace {
// Steps of 0.1 stay on the hundredths instead of drifting.
double centesimas(double v)
{
    return std::round(v * 100) / 100;
}
}

double masRapido(double actual)
{
    return actual > 0 ? centesimas(std::min(actual + 0.1, 1.6)) : 1.25;
}

double masLento(double actual)
{
    return actual > 0 ? centesimas(std::max(actual - 0.1, 0.8)) : 1.05;
}

}
