#include "assistant/TurnoAgente.h"

#include "assistant/SesionClaude.h"
#include "assistant/TextosTurno.h"
#include "core/Almacen.h"
#include "core/ComandosAgente.h"
#include "core/EjecutorProceso.h"
#include "core/Registro.h"

namespace {

bool soloActas(const Conversacion& conversacion)
{
    for (const Mensaje& m : conversacion.mensajes)
        if (m.rol != Mensaje::Rol::acta)
            return false;
    return true;
}

}

TurnoAgente::TurnoAgente(Anfitrion& anfitrion, Almacen& almacen, Ajustes& ajustes, Reloj& reloj, QObject* parent)
    : QObject(parent), anfitrion_(anfitrion), almacen_(almacen), ajustes_(ajustes), reloj_(reloj),
      ultimoEvento_(reloj.monotono()), receptor_(Receptor<TurnoAgente>::para(*this))
{
}

TurnoAgente::~TurnoAgente()
{
    // A Codex process may outlive the turn: what it says later is dropped.
    receptor_->cerrar();
}

Mensaje* TurnoAgente::mensajeDe(Conversacion& conversacion, const QUuid& id)
{
    // The reply being filled is nearly always the last message.
    for (auto it = conversacion.mensajes.rbegin(); it != conversacion.mensajes.rend(); ++it)
        if (it->id == id)
            return &*it;
    return nullptr;
}

bool TurnoAgente::enviar(const std::optional<QString>& instruccion, const std::optional<QString>& mostrar,
                         const std::optional<QString>& autor)
{
    const QString texto = instruccion.value_or(anfitrion_.texto()).trimmed();
    if (texto.isEmpty() || ejecutando_)
        return false;
    textoAMostrar_ = mostrar;
    autorSiguiente_ = autor;
    anfitrion_.detenerDictado();
    anfitrion_.setTexto(QString());
    setEjecutando(true);
    setInterrumpido(false);
    detenerAlEmpezar_ = false;
    reintentado_ = false;
    const quint64 numero = ++numero_;
    QMetaObject::invokeMethod(this, [this, texto, numero] { ejecutar(texto, numero); }, Qt::QueuedConnection);
    return true;
}

void TurnoAgente::ejecutar(const QString& instruccion, quint64 numero)
{
    if (numero != numero_)
        return;
    ultimoPedido_ = instruccion;

    const auto actual = almacen_.actual();
    const QUuid conversacion = actual ? actual->id : almacen_.nueva();

    if (anfitrion_.agente() == AgenteCLI::codex && anfitrion_.faltaCodex()) {
        Registro::anotar(TextosTurno::sinCodex());
        anfitrion_.setAgente(AgenteCLI::claude);
    }
    agenteTurno_ = anfitrion_.agente();

    const QString mostrado = textoAMostrar_.value_or(instruccion);
    almacen_.cambiar(conversacion, true, [&](Conversacion& c) {
        if (!c.esReunion.value_or(false) && soloActas(c))
            c.titulo = TextosTurno::titulo(mostrado);
        c.mensajes.append(Mensaje::nuevo(Mensaje::Rol::usuario, mostrado, std::nullopt, autorSiguiente_));
    });

    if (detenerAlEmpezar_) {
        conEjecutable(instruccion, numero, conversacion, std::nullopt);
        return;
    }
    // The search answers on the GUI thread, maybe after this turn is gone.
    const auto receptor = receptor_;
    anfitrion_.buscarEjecutable(agenteTurno_, [receptor, instruccion, numero, conversacion](std::optional<QString> ruta) {
        Receptor<TurnoAgente>::enviar(receptor, [=](TurnoAgente& t) {
            t.conEjecutable(instruccion, numero, conversacion, ruta);
        });
    });
}

void TurnoAgente::conEjecutable(const QString& instruccion, quint64 numero, const QUuid& conversacion,
                                const std::optional<QString>& ruta)
{
    if (numero != numero_ || !ejecutando_ || enCurso_)
        return;
    if (detenerAlEmpezar_) {
        abrirRespuesta(conversacion);
        terminado(TextosTurno::codigoCancelado, std::nullopt);
        return;
    }
    if (!ruta || ruta->isEmpty()) {
        almacen_.cambiar(conversacion, true, [&](Conversacion& c) {
            c.mensajes.append(Mensaje::nuevo(Mensaje::Rol::error, TextosTurno::noInstalado(agenteTurno_)));
        });
        setEjecutando(false);
        if (alTerminar)
            alTerminar(QString(), false);
        return;
    }

    abrirRespuesta(conversacion);
    if (agenteTurno_ == AgenteCLI::claude)
        turnoClaude(instruccion, *ruta);
    else
        turnoCodex(instruccion, *ruta, numero);
}

void TurnoAgente::abrirRespuesta(const QUuid& conversacion)
{
    const Mensaje respuesta = Mensaje::nuevo(Mensaje::Rol::agente, QString(), agenteTurno_);
    almacen_.cambiar(conversacion, true, [&](Conversacion& c) { c.mensajes.append(respuesta); });
    enCurso_ = EnCurso{conversacion, respuesta.id};
    ultimoEvento_ = reloj_.monotono();
    vigilarTurno();
    setActividad(QStringLiteral("Pensando…"));
    errores_.clear();
    flujo_ = EventosFlujo::Estado{};
}

void TurnoAgente::turnoClaude(const QString& instruccion, const QString& ruta)
{
    if (TextosTurno::rechazaNivel(AgenteCLI::claude, anfitrion_.nivel(), anfitrion_.comoRoot())) {
        Registro::anotar(QStringLiteral("Claude: nivel total rechazado porque la app corre como root"));
        terminado(TextosTurno::codigoLanzamiento, TextosTurno::raizSinControlTotal());
        return;
    }
    // The session of the turn's own conversation, even if the selection
    // moved while the executable was looked for.
    rutaClaude_ = ruta;
    const auto conversacion = almacen_.conversacion(enCurso_->conversacion);
    std::shared_ptr<SesionClaude> sesion;
    try {
        sesion = anfitrion_.asegurarSesion(ruta, conversacion ? conversacion->sesionClaude : std::nullopt,
                                           enCurso_->conversacion);
    } catch (const std::exception& e) {
        terminado(TextosTurno::codigoLanzamiento, QString::fromUtf8(e.what()));
        return;
    }
    sesion->enviar(instruccion);
}

bool TurnoAgente::reintentarSinSesion()
{
    if (reintentado_ || !enCurso_ || interrumpido_ || agenteTurno_ != AgenteCLI::claude)
        return false;
    reintentado_ = true;
    Registro::anotar(QStringLiteral("Claude: la sesión guardada no existe en esta carpeta, empiezo una nueva"));
    // Not written here: the turn's end writes the store.
    almacen_.cambiar(enCurso_->conversacion, false, [](Conversacion& c) { c.sesionClaude.reset(); });
    if (auto sesion = anfitrion_.sesionClaude()) {
        anfitrion_.soltarSesionClaude();
        sesion->cerrar();
    }
    errores_.clear();
    flujo_ = EventosFlujo::Estado{};
    ultimoEvento_ = reloj_.monotono();
    turnoClaude(ultimoPedido_, rutaClaude_);
    return true;
}

void TurnoAgente::turnoCodex(const QString& instruccion, const QString& ruta, quint64 numero)
{
    QStringList argumentos = ComandosAgente::argumentos(AgenteCLI::codex, instruccion, anfitrion_.nivel(),
                                                        std::nullopt, anfitrion_.contextoPersona(), ajustes_);
    // Linux refuses a single argument over 128 KiB (a long meeting's minutes
    // reach it): such a prompt goes on standard input, which "codex exec -"
    // reads until it closes.
    QByteArray porEntrada;
    EjecutorProceso::Opciones opciones;
    if (argumentos.last().toUtf8().size() > maxArgumento) {
        porEntrada = argumentos.last().toUtf8();
        argumentos.last() = QStringLiteral("-");
        opciones.conEntrada = true;
    }
    // Each callback reaches the turn through its receiver and carries the
    // number of its turn (see numero_).
    const auto receptor = receptor_;
    const auto hacia = [receptor, numero](auto accion) {
        Receptor<TurnoAgente>::enviar(receptor, [numero, accion](TurnoAgente& t) {
            if (t.numero_ == numero)
                accion(t);
        });
    };
    try {
        proceso_ = EjecutorProceso::lanzar(
            ruta, argumentos, anfitrion_.carpeta(),
            [hacia](const QString& texto) { hacia([texto](TurnoAgente& t) { t.salidaCodex(texto); }); },
            [hacia](const QString& texto) { hacia([texto](TurnoAgente& t) { t.errores_ += texto; }); },
            [hacia](int codigo) {
                hacia([codigo](TurnoAgente& t) {
                    if (t.enCurso_)
                        t.terminado(codigo, std::nullopt);
                });
            },
            opciones);
        if (opciones.conEntrada) {
            proceso_->escribir(porEntrada);
            proceso_->cerrarEntrada();
        }
    } catch (const std::exception& e) {
        terminado(TextosTurno::codigoLanzamiento, QString::fromUtf8(e.what()));
    }
}

void TurnoAgente::salidaCodex(const QString& trozo)
{
    if (!enCurso_)
        return;
    // Codex output is its sign of life for the watchdog.
    ultimoEvento_ = reloj_.monotono();
    anexar(enCurso_->conversacion, enCurso_->mensaje, trozo, true);
    setActividad(std::nullopt);
}

void TurnoAgente::terminado(int codigo, const std::optional<QString>& error)
{
    if (!enCurso_) {
        setEjecutando(false);
        return;
    }
    const EnCurso turno = *enCurso_;
    std::optional<Mensaje> respuesta;
    almacen_.cambiar(turno.conversacion, false, [&](Conversacion& c) {
        Mensaje* m = mensajeDe(c, turno.mensaje);
        if (!m)
            return;
        if (const auto vacia = TextosTurno::respuestaVacia(m->texto, codigo, interrumpido_, error, errores_,
                                                                   agenteTurno_)) {
            m->rol = Mensaje::Rol::error;
            m->texto = *vacia;
        }
        respuesta = *m;
        // A reply cut short says so after what it had written.
        if (respuesta->rol == Mensaje::Rol::agente)
            if (const auto cola = TextosTurno::respuestaCortada(codigo, interrumpido_, error, errores_, agenteTurno_))
                c.mensajes.insert(m - c.mensajes.data() + 1, Mensaje::nuevo(Mensaje::Rol::error, *cola));
    });
    const QString answer = respuesta && respuesta->rol == Mensaje::Rol::agente ? respuesta->texto : QString();
    const bool normal = !answer.isEmpty();
    const QString entregado = normal ? answer : (respuesta ? respuesta->texto : QString());

    setEjecutando(false);
    setActividad(std::nullopt);
    proceso_.reset();
    enCurso_.reset();
    vigilancia_.cancelar();
    // The one write of the turn's end: streamed text never touched the disk.
    almacen_.guardar();

    if (normal) {
        if (!anfitrion_.vozPropiaSilenciada()) {
            anfitrion_.sonarFin();
            if (anfitrion_.leerRespuesta())
                anfitrion_.hablar(answer);
        }
        setUltimaRespuesta(answer);
    }
    if (alTerminar)
        alTerminar(entregado, normal);
}

void TurnoAgente::vigilarTurno()
{
    vigilancia_ = reloj_.despues(revision, this, [this] { revisarSilencio(); });
}

void TurnoAgente::revisarSilencio()
{
    if (!ejecutando_ || !enCurso_)
        return;
    if (reloj_.monotono() - ultimoEvento_ <= limiteSilencio) {
        vigilarTurno();
        return;
    }
    Registro::anotar(QStringLiteral("Claude: sin señales por 3 min, cierro el turno"));
    if (auto sesion = anfitrion_.sesionClaude()) {
        anfitrion_.soltarSesionClaude();
        sesion->cerrar();
    }
    // A silent Codex process is stopped too; its later output and end carry
    // an old turn number and are dropped.
    if (proceso_)
        proceso_->terminar();
    terminado(TextosTurno::codigoVigilancia, TextosTurno::sinSenales(errores_, agenteTurno_));
}

void TurnoAgente::interrumpir()
{
    if (!ejecutando_)
        return;
    setInterrumpido(true);
    if (!enCurso_)
        detenerAlEmpezar_ = true;
    else if (auto sesion = anfitrion_.sesionClaude(); sesion && agenteTurno_ == AgenteCLI::claude)
        sesion->interrumpir();
    else
        cancelar();
    Registro::anotar(QStringLiteral("Claude: turno interrumpido por voz"));
}

void TurnoAgente::cancelar()
{
    // Before the reply exists the agent has not been given the turn yet,
    // and never will be.
    if (ejecutando_ && !enCurso_)
        detenerAlEmpezar_ = true;
    if (proceso_)
        proceso_->terminar();
    auto sesion = anfitrion_.sesionClaude();
    if (enCurso_ && sesion && agenteTurno_ == AgenteCLI::claude) {
        anfitrion_.soltarSesionClaude();
        sesion->cerrar();
        terminado(TextosTurno::codigoCancelado, std::nullopt);
    }
}

void TurnoAgente::lineaSesion(const QString& linea, const QUuid& sesion)
{
    if (const auto tarea = tareaDe(sesion)) {
        eventoFondo(linea, tarea);
        return;
    }
    const auto actual = anfitrion_.sesionClaude();
    if (!actual || actual->id() != sesion)
        return;
    ultimoEvento_ = reloj_.monotono();
    if (enCurso_)
        procesarEvento(linea);
}

void TurnoAgente::errorSesion(const QString& trozo)
{
    errores_ += trozo;
}

void TurnoAgente::sesionTermino(int codigo, const QUuid& sesion)
{
    Registro::anotar(QStringLiteral("Claude: sesión cerrada (código %1)").arg(codigo));
    if (const auto tarea = tareaDe(sesion)) {
        terminarFondo(tarea, std::nullopt);
        return;
    }
    const auto actual = anfitrion_.sesionClaude();
    if (!actual || actual->id() != sesion)
        return;
    anfitrion_.soltarSesionClaude();
    if (enCurso_ && EventosFlujo::esSesionPerdida(errores_) && reintentarSinSesion())
        return;
    if (enCurso_)
        terminado(codigo, std::nullopt);
}

void TurnoAgente::procesarEvento(const QString& linea)
{
    const EnCurso turno = *enCurso_;
    const EventosFlujo::Efectos efectos = EventosFlujo::interpretar(linea, flujo_);
    if (!efectos.anexo.isEmpty())
        anexar(turno.conversacion, turno.mensaje, efectos.anexo, efectos.guardar);
    for (const auto& actividad : efectos.actividades)
        setActividad(actividad);
    for (const QString& fragmento : efectos.fragmentos)
        if (alFragmento)
            alFragmento(fragmento);
    if (efectos.finBloque && alFinBloque)
        alFinBloque();
    if (efectos.resultado && !(efectos.resultado->sesionPerdida && reintentarSinSesion()))
        aplicarResultado(*efectos.resultado);
}

void TurnoAgente::aplicarResultado(const EventosFlujo::Resultado& resultado)
{
    const EnCurso turno = *enCurso_;
    // Not written here: the turn's end writes the store right after.
    almacen_.cambiar(turno.conversacion, false, [&](Conversacion& c) {
        if (resultado.sesion)
            c.sesionClaude = *resultado.sesion;
        Mensaje* m = mensajeDe(c, turno.mensaje);
        // Claude Code reports the user's own stop as an error: what the
        // reply holds stays as it is.
        if (!m || (resultado.esError && interrumpido_))
            return;
        if (!resultado.texto.isEmpty())
            m->texto = resultado.texto;
        if (resultado.esError) {
            m->rol = Mensaje::Rol::error;
            if (const auto frase = TextosTurno::explicarError(m->texto, agenteTurno_))
                m->texto = *frase;
        }
    });
    const auto sesion = anfitrion_.sesionClaude();
    if (!sesion)
        return;
    if (resultado.sesion) {
        // The process keeps what it was started with; only the session it
        // now continues changes, so the next turn of this conversation
        // reuses it, and a setting changed meanwhile still gives a new one.
        ClaveSesion clave = sesion->clave();
        clave.reanudar = *resultado.sesion;
        clave.copia = false;
        sesion->setClave(clave);
    }
    terminado(0, std::nullopt);
}

void TurnoAgente::anexar(const QUuid& conversacion, const QUuid& mensaje, const QString& texto, bool guardar)
{
    almacen_.anexarTexto(conversacion, mensaje, texto, guardar);
}

void TurnoAgente::setEjecutando(bool valor)
{
    if (ejecutando_ == valor)
        return;
    ejecutando_ = valor;
    emit ejecutandoCambiado();
}

void TurnoAgente::setActividad(const std::optional<QString>& valor)
{
    if (actividad_ == valor)
        return;
    actividad_ = valor;
    emit actividadCambiada();
    if (valor && alActividad)
        alActividad(*valor);
}

void TurnoAgente::setInterrumpido(bool valor)
{
    if (interrumpido_ == valor)
        return;
    interrumpido_ = valor;
    emit interrumpidoCambiado();
}

void TurnoAgente::setUltimaRespuesta(const QString& valor)
{
    if (ultimaRespuesta_ == valor)
        return;
    ultimaRespuesta_ = valor;
    emit ultimaRespuestaCambiada();
}
