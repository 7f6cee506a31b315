#include "projects/RutaFrase.h"

#include <algorithm>

namespace RutaFrase {

using ComandosVoz::Comando;
using ComandosVoz::contiene;

namespace {

const QStringList grupo{"grupo", "grupal", "en equipo", "equipo", "varios", "reunion", "juntos"};
const QStringList individual{"individual", "solo", "sola", "yo solo", "yo sola", "personal", "uno"};
const QStringList aperturasNombre{"soy", "me llamo", "mi nombre es"};
const QStringList finPresentaciones{"listo", "ya estamos", "estamos todos", "eso es todo",
                                    "empecemos", "comencemos", "ya esta"};
const QStringList abrir{"oye zuvi", "hola zuvi", "modo proyectos", "modo proyecto", "oye zuvi ia"};
const QStringList empezarNuevo{"nuevo", "nueva", "otra cosa", "empecemos", "empezar", "distinto"};
const QStringList seguir{"seguimos", "sigamos", "continuemos", "continua", "si", "dale", "lo mismo"};
const QStringList cambioHablante{"no soy", "yo soy", "me llamo", "mi nombre es", "ahora soy"};
// Commands that must still work while the room waits for an answer or a
// name, so that nobody is trapped in a question.
bool escapa(Comando c)
{
    return c == Comando::terminar || c == Comando::parar || c == Comando::pararTodo || c == Comando::silencio;
}

}

bool pareceInstruccion(const QString& normalizado)
{
    const QStringList p = ComandosVoz::palabras(normalizado);
    if (p.size() < 3)
        return false;
    if (ComandosVoz::palabrasInstruccion().contains(p.first()))
        return true;
    const QString inicio = p.mid(0, 3).join(QLatin1Char(' '));
    const QStringList& aperturas = ComandosVoz::aperturasInstruccion();
    return std::any_of(aperturas.begin(), aperturas.end(), [&](const QString& a) { return inicio.startsWith(a); });
}

std::optional<QString> cambioDeNombre(const QString& normalizado)
{
    for (const QString& f : cambioHablante) {
        if (normalizado.startsWith(f) || normalizado.startsWith(QLatin1String("no ") + f))
            return normalizado;
    }
    return std::nullopt;
}

Decision decidir(const Situacion& s)
{
    Decision d;
    const QString& t = s.normalizado;
    const qsizetype n = ComandosVoz::palabras(t).size();
    const auto llamada = ComandosVoz::separarLlamada(t);
    const auto fin = [&](Paso p) {
        d.paso = p;
        return d;
    };
    const bool esperandoRespuesta = s.esperandoModalidad || s.enPresentaciones;

    if (!esperandoRespuesta && n <= 3 && s.ecoReciente && !llamada.llamada)
        return fin(Paso::ecoCorto);

    if (esperandoRespuesta) {
        const ComandosVoz::Contexto c{llamada.llamada, s.ejecutando, s.interrumpido, s.inmersivo};
        const Comando comando = ComandosVoz::reconocer(llamada.resto, c);
        if (escapa(comando)) {
            d.comando = comando;
            d.dirigida = llamada.llamada;
            d.resto = llamada.resto;
            return fin(Paso::comando);
        }
    }
    if (s.esperandoModalidad) {
        if (contiene(t, grupo))
            return fin(Paso::reunion);
        if (contiene(t, individual))
            return fin(Paso::individual);
        if (s.hayNombre && contiene(t, aperturasNombre))
            return fin(Paso::nombreEnModalidad);
        return fin(Paso::repetirModalidad);
    }
    if (s.enPresentaciones)
        return fin(contiene(t, finPresentaciones) ? Paso::finPresentaciones : Paso::presentar);

    d.resto = llamada.resto;
    d.cierraLlamada = true;
    if (llamada.llamada && llamada.resto.isEmpty())
        return fin(Paso::llamadaSola);
    d.dirigida = llamada.llamada || s.enLlamada;

    const Comando comando = ComandosVoz::reconocer(d.resto, {d.dirigida, s.ejecutando, s.interrumpido, s.inmersivo});
    if (comando != Comando::ninguno && (!s.esperandoNombre || escapa(comando))) {
        d.comando = comando;
        return fin(Paso::comando);
    }
    if (!s.inmersivo) {
        if (contiene(t, abrir) && n <= 5)
            return fin(Paso::abrirSala);
        if (n <= 1)
            return fin(Paso::descartar);
    }
    const bool respuesta = !s.reunion && s.respuestaReciente;
    const bool instruccion = pareceInstruccion(t);
    d.instruccionEnGrupo = instruccion && s.modoGrupo && !d.dirigida;
    if (s.modoGrupo && !d.dirigida && !(instruccion || s.esperandoNombre || respuesta))
        return fin(s.reunion ? Paso::acta : Paso::ignorada);

    // A name, a change of speaker or the continue answer is taken even
    // while the agent works: none of them is an instruction to queue.
    if (s.esperandoNombre)
        return fin(Paso::nombre);
    if (cambioDeNombre(t))
        return fin(Paso::cambioHablante);
    if (s.preguntaContinuar) {
        d.cierraContinuar = true;
        if (contiene(t, empezarNuevo) && n <= 6)
            return fin(Paso::empezarNuevo);
        if (contiene(t, seguir) && n <= 5 && s.hayProyectoParaSeguir)
            return fin(Paso::seguirProyecto);
    }
    return fin(s.ejecutando ? Paso::ocupado : Paso::agente);
}

}
