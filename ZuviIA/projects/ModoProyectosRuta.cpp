#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/ExtraccionNombre.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "projects/RutaFrase.h"

using ComandosVoz::Comando;
using RutaFrase::Paso;

bool ModoProyectos::pareceInstruccion(const QString& normalizado)
{
    return RutaFrase::pareceInstruccion(normalizado);
}

std::optional<QString> ModoProyectos::cambioDeNombre(const QString& normalizado)
{
    return RutaFrase::cambioDeNombre(normalizado);
}

RutaFrase::Situacion ModoProyectos::situacion(const QString& texto, const QDateTime& inicio)
{
    const QDateTime ahora = reloj_.ahora();
    const auto actual = almacen_.actual();
    const double desdeQueHablo = ultimaVezHablo_.isValid() ? ultimaVezHablo_.msecsTo(ahora) / 1000.0 : 1e9;
    RutaFrase::Situacion s;
    s.normalizado = ComandosVoz::normalizar(texto);
    s.inmersivo = inmersivo_;
    s.esperandoModalidad = esperandoModalidad_;
    s.enPresentaciones = enPresentaciones_;
    s.esperandoNombre = esperandoNombre_;
    s.preguntaContinuar = preguntaContinuar_;
    s.hayProyectoParaSeguir = proyectoParaSeguir_.has_value();
    s.modoGrupo = ajustes_.booleano(QStringLiteral("modoGrupo"), false);
    s.reunion = actual && actual->esReunion.value_or(false);
    s.ejecutando = asistente_.ejecutando();
    s.interrumpido = asistente_.turno().interrumpido();
    s.ecoReciente = desdeQueHablo < 1.5 && filtroEco_.todasDichas(texto, 60, ahora);
    // The window is for the request that starts in it, however long it
    // takes to say.
    s.enLlamada = llamadaHasta_.isValid() && inicio < llamadaHasta_;
    s.respuestaReciente = ultimaFueRespuestaPendiente_ && desdeQueHablo < 6;
    s.hayNombre = esperandoModalidad_ && ExtraccionNombre::extraer(texto, ComandosVoz::palabrasDeComando()).has_value();
    return s;
}

void ModoProyectos::procesar(const QString& texto, const std::vector<float>& audio, const QDateTime& inicio)
{
    const RutaFrase::Situacion s = situacion(texto, inicio.isValid() ? inicio : reloj_.ahora());
    Registro::anotar(QStringLiteral("Frase reconocida (") + QString::number(ComandosVoz::palabras(s.normalizado).size())
                     + QStringLiteral(" palabras, ") + (inmersivo_ ? QStringLiteral("zuvi inmersiva") : QStringLiteral("ventana"))
                     + QLatin1Char(')'));
    const RutaFrase::Decision d = RutaFrase::decidir(s);
    if (d.cierraLlamada)
        llamadaHasta_ = QDateTime::fromMSecsSinceEpoch(0);
    if (d.cierraContinuar)
        preguntaContinuar_ = false;
    if (d.instruccionEnGrupo)
        Registro::anotar(QStringLiteral("Modo grupo: parece una instrucción, se atiende"));

    switch (d.paso) {
    case Paso::ecoCorto:
        Registro::anotar(QStringLiteral("Eco corto descartado"));
        return;
    case Paso::reunion:
        iniciarReunion();
        return;
    case Paso::individual:
        ajustes_.escribir(QStringLiteral("modoGrupo"), false);
        esperandoModalidad_ = false;
        esperandoNombre_ = true;
        decir(QStringLiteral("Perfecto. ¿Con quién trabajo hoy?"));
        return;
    case Paso::nombreEnModalidad:
        ajustes_.escribir(QStringLiteral("modoGrupo"), false);
        esperandoModalidad_ = false;
        tomarNombre(texto, audio);
        return;
    case Paso::repetirModalidad:
        decir(QStringLiteral("¿Trabajamos de forma individual o en grupo?"));
        return;
    case Paso::finPresentaciones:
        terminarPresentaciones();
        return;
    case Paso::presentar:
        presentar(texto, audio);
        return;
    case Paso::llamadaSola:
        llamadaHasta_ = reloj_.ahora().addSecs(8);
        decir(QStringLiteral("¿Sí?"));
        return;
    case Paso::comando:
        ejecutar(d.comando, texto);
        return;
    case Paso::abrirSala:
        iniciar();
        return;
    case Paso::descartar:
        return;
    case Paso::acta:
    case Paso::ignorada:
        if (d.paso == Paso::acta)
            anotarActa(texto, hablante_ ? std::optional<QString>(hablante_->nombre) : std::nullopt);
        Registro::anotar(QStringLiteral("Modo grupo: frase sin «Zuvi», ")
                         + (d.paso == Paso::acta ? QStringLiteral("al acta") : QStringLiteral("ignorada")));
        return;
    case Paso::nombre:
        tomarNombre(texto, audio);
        return;
    case Paso::cambioHablante:
        identificar(texto);
        return;
    case Paso::empezarNuevo:
        decir(QStringLiteral("Perfecto, empezamos de cero. Cuéntame qué tienes en mente."));
        return;
    case Paso::seguirProyecto:
        seguirProyecto();
        return;
    case Paso::ocupado:
        if (!asistente_.pasarASegundoPlano()) {
            anotarPendiente(texto);
            return;
        }
        anunciarFondo_ = true;
        break;
    case Paso::agente:
        break;
    }
    enviarAlAgente(texto, std::nullopt);
}

void ModoProyectos::tomarNombre(const QString& texto, const std::vector<float>& audio)
{
    // A name not understood must not enrol this voice under whoever was
    // active before.
    if (identificar(texto))
        registrarHuellaActiva(audio);
}

void ModoProyectos::seguirProyecto()
{
    const QUuid destino = *proyectoParaSeguir_;
    if (!almacen_.conversacion(destino)) {
        // The offered conversation is gone: nothing to reopen.
        decir(QStringLiteral("Perfecto, empezamos de cero. Cuéntame qué tienes en mente."));
        return;
    }
    const auto anterior = almacen_.seleccion();
    almacen_.setSeleccion(destino);
    if (anterior) {
        const auto previa = almacen_.conversacion(*anterior);
        if (previa && previa->mensajes.isEmpty()) {
            almacen_.eliminar(*anterior);
            almacen_.setSeleccion(destino);
        }
    }
    // The person who just gave their name joins the reopened project, or
    // applying it would leave the room asking who they are.
    if (const auto persona = perfiles_.activo())
        agregarParticipante(*persona);
    aplicarProyecto();
    decir(QStringLiteral("Genial, seguimos donde quedamos. ¿Qué hacemos ahora?"));
}

QStringList ModoProyectos::pendientes() const
{
    QStringList t;
    for (const Pendiente& p : pendientes_)
        t << p.texto;
    return t;
}

bool ModoProyectos::comando(const QString& texto, const QString& original, bool llamada)
{
    const Comando c = ComandosVoz::reconocer(
        texto, {llamada, asistente_.ejecutando(), asistente_.turno().interrumpido(), inmersivo_});
    if (c == Comando::ninguno)
        return false;
    ejecutar(c, original);
    return true;
}

void ModoProyectos::ejecutar(Comando c, const QString& original)
{
    const bool ejecutando = asistente_.ejecutando();
    switch (c) {
    case Comando::ninguno:
        return;
    case Comando::terminar:
        salir(true);
        return;
    case Comando::cambiarPersona:
        perfiles_.setActivo(std::nullopt);
        esperandoNombre_ = true;
        decir(QStringLiteral("Claro. ¿Con quién trabajo ahora?"));
        return;
    case Comando::nombre:
        identificar(original);
        return;
    case Comando::esperar:
        callarTodo();
        setUltimaFrase(QStringLiteral("Te espero."));
        Registro::anotar(QStringLiteral("Comando: espera"));
        return;
    case Comando::parar:
    case Comando::pararTodo:
        callarTodo();
        // What was noted for after the stopped turn is stopped with it.
        pendientes_.clear();
        if (ejecutando)
            asistente_.interrumpir();
        if (c == Comando::pararTodo)
            asistente_.cancelarFondo();
        decir(ejecutando || c == Comando::pararTodo ? QStringLiteral("Listo, me detuve.") : QStringLiteral("Listo."));
        Registro::anotar(c == Comando::pararTodo ? QStringLiteral("Comando: para todo") : QStringLiteral("Comando: para"));
        return;
    case Comando::silencio:
        callarTodo();
        return;
    case Comando::seguir:
        enviarAlAgente(QStringLiteral("Continúa con lo que estabas haciendo, desde donde quedaste."), std::nullopt);
        return;
    case Comando::repetir: {
        callarTodo();
        const QString ultima = asistente_.turno().ultimaRespuesta();
        decir(ultima.isEmpty() ? QStringLiteral("Todavía no te he dicho nada.") : paraHablar(ultima));
        return;
    }
    case Comando::estado:
        decir(asistente_.resumenTrabajo());
        return;
    case Comando::segundoPlano:
        decir(asistente_.pasarASegundoPlano() ? QStringLiteral("Listo, sigue en segundo plano. ¿Qué más necesitas?")
                                              : QStringLiteral("Ahora no hay nada trabajando."));
        return;
    case Comando::masRapido:
    case Comando::masLento: {
        const double v = ajustes_.real(QStringLiteral("velocidadVoz"), 0);
        const bool rapido = c == Comando::masRapido;
        ajustes_.escribir(QStringLiteral("velocidadVoz"), rapido ? ComandosVoz::masRapido(v) : ComandosVoz::masLento(v));
        decir(rapido ? QStringLiteral("Listo, hablo más rápido.") : QStringLiteral("Listo, hablo más despacio."));
        return;
    }
    case Comando::proyectoNuevo:
        proyectoNuevo();
        if (!inmersivo_) {
            decir(QStringLiteral("Listo, proyecto nuevo. ¿Trabajamos de forma individual o en grupo?"));
            esperandoModalidad_ = true;
        }
        return;
    case Comando::minuta:
        hacerMinuta();
        return;
    case Comando::modoGrupo:
        ajustes_.escribir(QStringLiteral("modoGrupo"), true);
        decir(QStringLiteral("Modo grupo: desde ahora respondo solo cuando me digan Zuvi."));
        return;
    case Comando::modoIndividual:
        ajustes_.escribir(QStringLiteral("modoGrupo"), false);
        decir(QStringLiteral("Listo, vuelvo a escucharte todo."));
        return;
    case Comando::pantallaCompleta:
        iniciar();
        return;
    case Comando::ventana:
        salir(false);
        return;
    }
}
