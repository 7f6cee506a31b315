#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"

namespace {

const QString anotado = QStringLiteral("Anotado: lo hago apenas termine con lo anterior.");
const QString problema = QStringLiteral("Tuve un problema con eso. Te dejé el detalle en pantalla.");
constexpr int maxActas = 15;

}

QStringList ModoProyectos::acuses() const
{
    // The person who asked, never somebody else: nobody in a meeting.
    std::optional<Perfil> persona;
    if (!esReunion())
        persona = hablante_ ? hablante_ : perfiles_.activo();
    const QString nombre = persona ? QStringLiteral(", ") + persona->nombre : QString();
    return {QStringLiteral("Entendido") + nombre + QStringLiteral(". Voy con eso."),
            QStringLiteral("Dale, me pongo a trabajar."), QStringLiteral("Perfecto, manos a la obra."),
            QStringLiteral("Muy bien") + nombre + QStringLiteral(". Déjame ver."),
            QStringLiteral("Hecho, empiezo ahora.")};
}

bool ModoProyectos::alguienHabla() const
{
    if (!transcripcion_.isEmpty())
        return true;
    const QDateTime voz = motor_->ultimaVozDetectada();
    return voz.isValid() && voz.msecsTo(reloj_.ahora()) < 1000;
}

QString ModoProyectos::construirInstruccion(const QString& texto, std::optional<QString>& autor) const
{
    autor.reset();
    const auto actual = almacen_.actual();
    if (!actual || !actual->esReunion.value_or(false))
        return texto;
    QString instruccion;
    if (hablante_) {
        instruccion = hablante_->nombre + QStringLiteral(" dice: ") + texto;
        autor = hablante_->nombre;
    } else {
        instruccion = QStringLiteral("Alguien dice: ") + texto;
    }
    qsizetype desde = 0;
    for (qsizetype i = actual->mensajes.size() - 1; i >= 0; --i) {
        if (actual->mensajes[i].rol == Mensaje::Rol::usuario) {
            desde = i + 1;
            break;
        }
    }
    QStringList lineas;
    for (qsizetype i = desde; i < actual->mensajes.size(); ++i) {
        const Mensaje& m = actual->mensajes[i];
        if (m.rol == Mensaje::Rol::acta)
            lineas << QLatin1Char('[') + m.fecha.toLocalTime().toString(QStringLiteral("HH:mm")) + QStringLiteral("] ")
                    + m.autor.value_or(QStringLiteral("Alguien")) + QStringLiteral(": ") + m.texto;
    }
    if (lineas.isEmpty())
        return instruccion;
    lineas = lineas.mid(std::max<qsizetype>(0, lineas.size() - maxActas));
    return QStringLiteral("Lo que se conversó recién en la reunión (puede tener errores de dictado):\n")
        + lineas.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + instruccion;
}

void ModoProyectos::enviarAlAgente(const QString& texto, const std::optional<QString>& mostrar)
{
    if (!perfiles_.activo() && inmersivo_ && !esReunion()) {
        esperandoNombre_ = true;
        decir(QStringLiteral("Antes de empezar, ¿con quién trabajo hoy?"));
        return;
    }
    // A turn runs: the answer in course keeps its voice and its counters.
    if (agenteOcupado()) {
        anotarPendiente(texto, mostrar);
        return;
    }
    callarTodo();
    setEstado(Estado::trabajando);
    ultimaActividadDicha_ = reloj_.ahora();
    bufferHabla_.clear();
    enCodigo_ = false;
    oracionesDichas_ = 0;
    letrasDichas_ = 0;
    avisoDetalle_ = false;
    recibioFragmento_ = false;
    const QStringList frases = acuses();
    acuseTarea_.cancelar();
    acusePendiente_.reset();
    const bool enVoz = inmersivo_ || asistente_.leerRespuesta();
    if (anunciarFondo_) {
        anunciarFondo_ = false;
        if (enVoz)
            encolar(QStringLiteral("Lo anterior sigue en segundo plano. Voy con esto."));
    } else if (enVoz) {
        const quint64 sesion = sesion_;
        acuseTarea_ = reloj_.despues(std::chrono::milliseconds(1800), this,
                                     [this, sesion, frases] { acusar(sesion, frases); });
    }

    std::optional<QString> autor;
    const QString instruccion = construirInstruccion(texto, autor);
    const bool reunion = esReunion();
    const std::optional<QString> participante =
        reunion ? std::optional<QString>(QStringLiteral("Participante")) : std::nullopt;
    // The conversation keeps what was said; the meeting's notes around it
    // are only for the agent.
    std::optional<QString> mostrado = mostrar;
    if (!mostrado && reunion)
        mostrado = texto;
    const std::optional<QString> firmante = autor ? autor : participante;
    if (!asistente_.enviar(instruccion, mostrado, firmante)) {
        acuseTarea_.cancelar();
        anotarPendiente(texto, mostrar);
    }
}

void ModoProyectos::anotarPendiente(const QString& texto, const std::optional<QString>& mostrar)
{
    pendientes_.push_back({texto, mostrar, hablante_});
    setUltimaFrase(anotado);
    Registro::anotar(QStringLiteral("Pedido anotado mientras el agente trabaja (%1 en espera)").arg(pendientes_.size()));
}

void ModoProyectos::enviarPendiente()
{
    if (!activo_ || pendientes_.empty() || agenteOcupado())
        return;
    Pendiente p = std::move(pendientes_.front());
    pendientes_.pop_front();
    // Sent as said, by whoever said it.
    hablante_ = p.hablante;
    enviarAlAgente(p.texto, p.mostrar);
}

void ModoProyectos::acusar(quint64 sesion, const QStringList& frases)
{
    if (sesion != sesion_ || !activo_ || recibioFragmento_ || !agenteOcupado())
        return;
    // Without echo cancellation a phrase now would cut the speaker off.
    if (!cancelaEco_ && alguienHabla()) {
        acuseTarea_ = reloj_.despues(std::chrono::milliseconds(300), this,
                                     [this, sesion, frases] { acusar(sesion, frases); });
        return;
    }
    const QString frase = frases.value(elegir(int(frases.size())));
    acusePendiente_ = frase;
    encolar(frase);
}

void ModoProyectos::programarAsentir(const QString& texto)
{
    asentirTarea_.cancelar();
    if (!cancelaEco_ || palabras(normalizar(texto)).size() < 14)
        return;
    if (!inmersivo_ && !asistente_.leerRespuesta())
        return;
    if (ultimoAsentir_.msecsTo(reloj_.ahora()) <= 8000 || motor_->hablando() || hablandoCola_)
        return;
    const quint64 sesion = sesion_;
    asentirTarea_ = reloj_.despues(std::chrono::milliseconds(420), this, [this, sesion, texto] {
        if (sesion != sesion_ || !activo_ || transcripcion_ != texto || motor_->hablando())
            return;
        static const QStringList asentires = {QStringLiteral("Ajá."), QStringLiteral("Mm-hm."),
                                              QStringLiteral("Te sigo."), QStringLiteral("Ya veo."),
                                              QStringLiteral("Claro.")};
        ultimoAsentir_ = reloj_.ahora();
        decir(asentires.value(elegir(int(asentires.size()))));
    });
}

void ModoProyectos::actividad(const QString& texto)
{
    if (!activo_ || hablandoCola_ || recibioFragmento_)
        return;
    if (!inmersivo_ && !asistente_.leerRespuesta())
        return;
    if (estado_ != Estado::trabajando && !motor_->hablando())
        return;
    if (ultimaActividadDicha_.msecsTo(reloj_.ahora()) <= 9000 || motor_->hablando())
        return;
    // Someone is talking: the next activity gets its chance.
    if (!cancelaEco_ && alguienHabla())
        return;
    ultimaActividadDicha_ = reloj_.ahora();
    QString frase = texto;
    frase.remove(QStringLiteral("…"));
    if (frase != QLatin1String("Pensando"))
        decir(frase + QLatin1Char('.'));
}

void ModoProyectos::fragmento(const QString& texto)
{
    if (!activo_ || (!inmersivo_ && !asistente_.leerRespuesta()))
        return;
    if (!recibioFragmento_) {
        Registro::anotar(QStringLiteral("Duplex: primera palabra del agente"));
        recibioFragmento_ = true;
    }
    acuseTarea_.cancelar();
    if (acusePendiente_) {
        colaHabla_.removeOne(*acusePendiente_);
        acusePendiente_.reset();
    }
    bufferHabla_ += texto;
    extraerOraciones(false);
}

void ModoProyectos::agenteTermino(const QString& texto, bool ok)
{
    if (!activo_)
        return;
    acuseTarea_.cancelar();
    setEstado(hablandoCola_ ? Estado::hablando : Estado::escuchando);
    if ((!inmersivo_ && !asistente_.leerRespuesta()) || asistente_.turno().interrumpido()
        || texto.contains(QStringLiteral("(ignorado)"))) {
        enviarPendiente();
        return;
    }
    if (!recibioFragmento_) {
        const quint64 sesion = sesion_;
        decir(ok ? paraHablar(texto) : problema, [this, sesion](bool) {
            if (sesion == sesion_)
                enviarPendiente();
        });
        return;
    }
    extraerOraciones(true);
    if (!ok)
        encolar(problema);
    if (hablandoCola_ || !colaHabla_.isEmpty()) {
        alVaciarCola_ = [this] { enviarPendiente(); };
        return;
    }
    enviarPendiente();
}

void ModoProyectos::fondoTermino(const QString& titulo, const QString& texto)
{
    if (!activo_ || (!inmersivo_ && !asistente_.leerRespuesta()))
        return;
    if (texto.contains(QStringLiteral("(ignorado)")))
        return;
    const QString primera = paraHablar(texto).split(QStringLiteral(". ")).value(0);
    encolar(QStringLiteral("Terminé lo de ") + Texto::primeros(titulo, 50) + QStringLiteral(". ")
            + Texto::primeros(primera, 220));
}
