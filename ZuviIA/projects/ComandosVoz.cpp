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
    static const QStringList pararTodo{"todo"};
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
    if (llamada)
        return contiene(texto, frases);
    const qsizetype n = palabras(texto).size();
    return std::any_of(frases.begin(), frases.end(), [&](const QString& f) {
        return texto == f || (texto.startsWith(f + QLatin1Char(' ')) && n <= palabras(f).size() + 1);
    });
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
    if (c.llamada ? contiene(texto, lista(Comando::terminar)) || contiene(texto, despedidas())
                  : es(Comando::terminar))
        return Comando::terminar;
    if (es(Comando::cambiarPersona))
        return Comando::cambiarPersona;
    const bool prefijoNombre = texto.startsWith(QLatin1String("soy ")) || texto.startsWith(QLatin1String("yo soy "))
                               || texto.startsWith(QLatin1String("me llamo"));
    if (prefijoNombre && n <= 4)
        return Comando::nombre;
    if (es(Comando::esperar))
        return Comando::esperar;
    if (es(Comando::parar))
        return es(Comando::pararTodo) ? Comando::pararTodo : Comando::parar;
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
