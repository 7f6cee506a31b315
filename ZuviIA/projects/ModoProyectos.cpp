#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
#include "audio/EscuchaZuvi.h"
#include "audio/MotorDictado.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "core/TextoHablado.h"
#include "plataforma/Ajustes.h"
#include "projects/ContextoProyecto.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QRandomGenerator>

namespace {

const QString avisoMicrofono = QStringLiteral(
    "Zuvi IA necesita un micrófono: conecta uno y revisa que aparezca en la configuración de sonido del sistema.");
const QString avisoVoz = QStringLiteral("Zuvi IA necesita el modelo de reconocimiento de voz en español: "
                                        "instálalo desde el asistente de configuración, en el paso de voz.");

QString siNo(bool valor)
{
    return valor ? QStringLiteral("true") : QStringLiteral("false");
}

QString nombreDe(const QList<DispositivoAudio>& lista, const std::optional<QString>& uid)
{
    for (const DispositivoAudio& d : lista)
        if (uid && d.uid == *uid)
            return d.nombre;
    return QStringLiteral("-");
}

ModoProyectos::Bordes bordesSistema()
{
    ModoProyectos::Bordes b{Reloj::sistema(), Ajustes::shared(), Almacen::shared(), Perfiles::shared(),
                            AsistenteVoz::shared(), MotorSala::sistema(), {}, {}, {}, {}, {}, {}};
    b.pausarEscucha = [] {
        EscuchaZuvi& escucha = EscuchaZuvi::shared();
        escucha.setPausas(escucha.pausas() + 1);
        escucha.detener();
    };
    b.reanudarEscucha = [] { EscuchaZuvi::shared().reanudar(); };
    b.pedirPermisos = [](ModoProyectos::AlPermisos listo) {
        auto* vigia = new QFutureWatcher<MotorDictado::RespuestaPermisos>();
        QObject::connect(vigia, &QFutureWatcherBase::finished, vigia, [vigia, listo] {
            vigia->deleteLater();
            const auto r = vigia->result();
            listo(r.microfono, r.voz);
        });
        vigia->setFuture(MotorDictado::pedirPermisos());
    };
    b.identificar = [](const std::vector<float>& audio, const QList<QUuid>& candidatos,
                       ModoProyectos::AlIdentificar listo) {
        auto* vigia = new QFutureWatcher<std::optional<Identificacion>>();
        QObject::connect(vigia, &QFutureWatcherBase::finished, vigia, [vigia, listo] {
            vigia->deleteLater();
            std::optional<Identificacion> r;
            try {
                r = vigia->result();
            } catch (...) {
                // A failing voice service is an absent answer.
            }
            listo(r);
        });
        vigia->setFuture(VozNeural::shared().identificar(audio, candidatos));
    };
    b.elegir = [](int n) { return int(QRandomGenerator::global()->bounded(n)); };
    b.registrarHuella = [](const QUuid& persona, const std::vector<float>& audio) {
        VozNeural::shared().registrarHuella(persona, audio);
    };
    return b;
}

}

ModoProyectos::ModoProyectos(Bordes bordes, QObject* parent)
    : QObject(parent), reloj_(bordes.reloj), ajustes_(bordes.ajustes), almacen_(bordes.almacen),
      perfiles_(bordes.perfiles), asistente_(bordes.asistente), motor_(std::move(bordes.motor)),
      pausarEscucha_(std::move(bordes.pausarEscucha)), reanudarEscucha_(std::move(bordes.reanudarEscucha)),
      pedirPermisos_(std::move(bordes.pedirPermisos)), identificar_(std::move(bordes.identificar)),
      elegir_(std::move(bordes.elegir)), registrarHuella_(std::move(bordes.registrarHuella))
{
    const QDateTime pasado = QDateTime::fromMSecsSinceEpoch(0);
    ultimaActividadDicha_ = ultimoAsentir_ = ignorarHasta_ = ultimaVezHablo_ = llamadaHasta_ = pasado;
    avisarMotor();
}

ModoProyectos::ModoProyectos(Reloj& reloj, Ajustes& ajustes, Almacen& almacen, Perfiles& perfiles,
                             AsistenteVoz& asistente, std::unique_ptr<MotorSala> motor, QObject* parent)
    : ModoProyectos(Bordes{reloj, ajustes, almacen, perfiles, asistente, std::move(motor), {}, {}, {}, {}, {}, {}}, parent)
{
}

ModoProyectos::~ModoProyectos()
{
    soltarAsistente();
    if (motor_)
        motor_->detener();
}

ModoProyectos& ModoProyectos::shared()
{
    // Lives as long as the process, like the assistant it drives.
    static ModoProyectos* unico = new ModoProyectos(bordesSistema());
    return *unico;
}

void ModoProyectos::avisarMotor()
{
    if (!motor_)
        return;
    // The engine calls from its own threads; each notice hops here and is
    // checked against the current session (and segment) there.
    QPointer<ModoProyectos> yo(this);
    const auto hacia = [yo](std::function<void(ModoProyectos&)> accion) {
        if (ModoProyectos* m = yo.data())
            QMetaObject::invokeMethod(m, [yo, accion] {
                if (yo)
                    accion(*yo);
            }, Qt::QueuedConnection);
    };
    MotorSala::Avisos avisos;
    avisos.texto = [hacia](const QString& texto, int segmento) {
        hacia([texto, segmento](ModoProyectos& m) {
            if (m.activo_ && segmento == m.motor_->segmento())
                m.parcial(texto);
        });
    };
    avisos.finSegmento = [hacia](int segmento) {
        hacia([segmento](ModoProyectos& m) {
            if (m.activo_ && segmento == m.motor_->segmento())
                m.segmentoTerminado();
        });
    };
    avisos.nivel = [hacia](float nivel) { hacia([nivel](ModoProyectos& m) { m.setNivel(m.activo_ ? nivel : 0); }); };
    avisos.vozEncima = [hacia] { hacia([](ModoProyectos& m) { m.vozEncima(); }); };
    avisos.musica = [hacia](bool musica) {
        hacia([musica](ModoProyectos& m) {
            m.setMusicaDeFondo(musica);
            Registro::anotar(musica ? QStringLiteral("Música de fondo: empezó")
                                    : QStringLiteral("Música de fondo: terminó"));
        });
    };
    avisos.aviso = [hacia](const QString& aviso) {
        hacia([aviso](ModoProyectos& m) {
            if (m.activo_)
                m.setAviso(aviso);
        });
    };
    motor_->avisar(std::move(avisos));
}

void ModoProyectos::enSesion(quint64 sesion, std::function<void()> accion)
{
    QPointer<ModoProyectos> yo(this);
    QMetaObject::invokeMethod(this, [yo, sesion, accion = std::move(accion)] {
        if (yo && yo->sesion_ == sesion && yo->activo_)
            accion();
    }, Qt::QueuedConnection);
}

int ModoProyectos::elegir(int n) const
{
    if (n <= 0)
        return 0;
    return elegir_ ? std::clamp(elegir_(n), 0, n - 1) : 0;
}

// Setters notify only on change.
void ModoProyectos::setActivo(bool valor)
{
    if (valor == activo_)
        return;
    activo_ = valor;
    emit activoCambiado();
}

void ModoProyectos::setInmersivo(bool valor)
{
    if (valor == inmersivo_)
        return;
    inmersivo_ = valor;
    emit inmersivoCambiado();
}

void ModoProyectos::setEstado(Estado valor)
{
    if (valor == estado_)
        return;
    estado_ = valor;
    emit estadoCambiado();
}

void ModoProyectos::setTranscripcion(const QString& valor)
{
    if (valor == transcripcion_)
        return;
    transcripcion_ = valor;
    emit transcripcionCambiada();
}

void ModoProyectos::setUltimaFrase(const QString& valor)
{
    if (valor == ultimaFrase_)
        return;
    ultimaFrase_ = valor;
    emit ultimaFraseCambiada();
}

void ModoProyectos::setNivel(float valor)
{
    if (valor == nivel_)
        return;
    nivel_ = valor;
    emit nivelCambiado();
}

void ModoProyectos::setAviso(const std::optional<QString>& valor)
{
    if (valor == aviso_)
        return;
    aviso_ = valor;
    emit avisoCambiado();
}

void ModoProyectos::setCancelaEco(bool valor)
{
    if (valor == cancelaEco_)
        return;
    cancelaEco_ = valor;
    emit cancelaEcoCambiado();
}

void ModoProyectos::setMusicaDeFondo(bool valor)
{
    if (valor == musicaDeFondo_)
        return;
    musicaDeFondo_ = valor;
    emit musicaDeFondoCambiada();
}

bool ModoProyectos::escuchaSiempre(const Ajustes& ajustes)
{
    if (!ajustes.contiene(QStringLiteral("escuchaSiempre")))
        return true;
    return ajustes.valor(QStringLiteral("escuchaSiempre")).toBool();
}

bool ModoProyectos::escuchaSiempre()
{
    return escuchaSiempre(Ajustes::shared());
}

bool ModoProyectos::ignorarMusica(const Ajustes& ajustes)
{
    return ajustes.booleano(QStringLiteral("ignorarMusica"), true);
}

bool ModoProyectos::ignorarMusica()
{
    return ignorarMusica(Ajustes::shared());
}

QString ModoProyectos::paraHablar(const QString& respuesta)
{
    return TextoHablado::paraHablar(respuesta);
}

bool ModoProyectos::agenteOcupado() const
{
    return asistente_.ejecutando();
}

bool ModoProyectos::salaHabla() const
{
    return motor_->hablando() || hablandoCola_;
}

bool ModoProyectos::esReunion() const
{
    const auto actual = almacen_.actual();
    return actual && actual->esReunion.value_or(false);
}

ModoProyectos::Estado ModoProyectos::estadoEnReposo() const
{
    if (agenteOcupado())
        return Estado::trabajando;
    return esperandoNombre_ ? Estado::preguntandoNombre : Estado::escuchando;
}

void ModoProyectos::escucharSiempre()
{
    if (activo_)
        return;
    setInmersivo(false);
    QMetaObject::invokeMethod(this, &ModoProyectos::entrar, Qt::QueuedConnection);
}

void ModoProyectos::iniciar()
{
    Registro::anotar(QStringLiteral("Zuvi inmersiva: abrir"));
    ++aperturas_;
    setInmersivo(true);
    perfiles_.marcarActividad();
    emit ventanaPedida();
    // A session still starting greets once it is up.
    if (activo_ && estado_ == Estado::iniciando)
        return;
    if (activo_)
        recibirEnZuvi();
    else
        QMetaObject::invokeMethod(this, &ModoProyectos::entrar, Qt::QueuedConnection);
}

void ModoProyectos::entrar()
{
    // A second start queued in the same turn finds the first one running.
    if (activo_)
        return;
    const quint64 sesion = ++sesion_;
    Registro::anotar(QStringLiteral("Modo proyectos: entrando"));
    setEstado(Estado::iniciando);
    setActivo(true);
    setAviso(std::nullopt);
    QPointer<ModoProyectos> yo(this);
    const AlPermisos listo = [yo, sesion](bool microfono, bool voz) {
        if (yo)
            yo->continuarEntrada(sesion, microfono, voz);
    };
    if (pedirPermisos_)
        pedirPermisos_(listo);
    else
        listo(true, true);
}

void ModoProyectos::continuarEntrada(quint64 sesion, bool microfono, bool voz)
{
    // terminar (or another session) came during the wait.
    if (sesion != sesion_ || !activo_)
        return;
    Registro::anotar(QStringLiteral("Modo proyectos: permisos micrófono=%1 voz=%2").arg(siNo(microfono), siNo(voz)));
    if (!microfono || !voz) {
        setAviso(!microfono ? avisoMicrofono : avisoVoz);
        setEstado(Estado::inactivo);
        setActivo(false);
        setInmersivo(false);
        return;
    }
    asistente_.detenerDictado();
    if (!pausaTomada_) {
        pausaTomada_ = true;
        if (pausarEscucha_)
            pausarEscucha_();
    }
    asistente_.setVozPropiaSilenciada(true);
    conectarAsistente();

    const auto entrada = DispositivoAudio::idDe(asistente_.dispositivos(), asistente_.dispositivoUID());
    const auto salida = DispositivoAudio::idDe(asistente_.salidas(), asistente_.salidaUID());
    const bool eco = ajustes_.booleano(QStringLiteral("cancelacionEco"), false);
    std::optional<QString> error;
    try {
        motor_->arrancar(entrada, salida, eco);
    } catch (const std::exception& primero) {
        error = QString::fromUtf8(primero.what());
        if (eco) {
            try {
                motor_->arrancar(entrada, salida, false);
                error.reset();
            } catch (const std::exception& segundo) {
                error = QString::fromUtf8(segundo.what());
            }
        }
    }
    if (error) {
        Registro::anotar(QStringLiteral("Modo proyectos: ERROR al iniciar motor: ") + *error);
        setAviso(QStringLiteral("No pude usar el micrófono: ") + *error);
        setInmersivo(false);
        terminar();
        return;
    }
    setCancelaEco(motor_->cancelaEco());
    Registro::anotar(QStringLiteral("Modo proyectos: motor en marcha (mic=%1, salida=%2, eco=%3, idioma=%4, local=%5)")
                         .arg(nombreDe(asistente_.dispositivos(), asistente_.dispositivoUID()),
                              nombreDe(asistente_.salidas(), asistente_.salidaUID()), siNo(cancelaEco_),
                              motor_->locale().isEmpty() ? QStringLiteral("es") : motor_->locale(),
                              siNo(motor_->local())));
    if (inmersivo_) {
        recibirEnZuvi();
    } else {
        esperandoNombre_ = false;
        setEstado(Estado::escuchando);
    }
    asistente_.precalentar();
}

void ModoProyectos::conectarAsistente()
{
    TurnoAgente& turno = asistente_.turno();
    const quint64 sesion = sesion_;
    QPointer<ModoProyectos> yo(this);
    // The assistant calls on the GUI thread; a call of an ended session is
    // dropped.
    const auto vigente = [yo, sesion] { return yo && yo->sesion_ == sesion && yo->activo_; };
    turno.alActividad = [this, vigente](const QString& t) { if (vigente()) actividad(t); };
    turno.alTerminar = [this, vigente](const QString& t, bool ok) { if (vigente()) agenteTermino(t, ok); };
    turno.alFragmento = [this, vigente](const QString& t) { if (vigente()) fragmento(t); };
    turno.alFinBloque = [this, vigente] { if (vigente()) extraerOraciones(true); };
    turno.alTerminarFondo = [this, vigente](const QString& titulo, const QString& t) {
        if (vigente())
            fondoTermino(titulo, t);
    };
}

void ModoProyectos::soltarAsistente()
{
    TurnoAgente& turno = asistente_.turno();
    turno.alActividad = nullptr;
    turno.alTerminar = nullptr;
    turno.alFragmento = nullptr;
    turno.alFinBloque = nullptr;
    turno.alTerminarFondo = nullptr;
}

void ModoProyectos::recibirEnZuvi()
{
    const auto actual = almacen_.actual();
    if (!actual || actual->mensajes.isEmpty()) {
        saludar();
        return;
    }
    aplicarProyecto();
    esperandoNombre_ = false;
    esperandoModalidad_ = false;
    preguntaContinuar_ = false;
    setEstado(agenteOcupado() ? Estado::trabajando : Estado::escuchando);
    const QStringList nombres = actual->asistentes.value_or(QStringList());
    QString participantes;
    if (nombres.size() >= 2)
        participantes = QStringLiteral(" Están ") + nombres.mid(0, nombres.size() - 1).join(QStringLiteral(", "))
            + QStringLiteral(" y ") + nombres.last() + QLatin1Char('.');
    decir(QStringLiteral("Hola. Seguimos con ") + actual->titulo + QLatin1Char('.') + participantes);
}

void ModoProyectos::saludar()
{
    esperandoNombre_ = false;
    esperandoModalidad_ = true;
    enPresentaciones_ = false;
    setEstado(Estado::preguntandoNombre);
    preguntaContinuar_ = false;
    decir(QStringLiteral("Bienvenidos a nuestra zuvi inmersiva de inteligencia artificial. "
                         "¿Hoy trabajamos de forma individual o en grupo?"));
}

void ModoProyectos::terminar()
{
    // Whatever is still on its way (a permission answer, a voice print, a
    // timer, a late answer of the agent) belongs to the ended session.
    ++sesion_;
    motor_->detener();
    silencio_.cancelar();
    revisionIgnorado_.cancelar();
    ignorado_.reset();
    cerradas_.clear();
    setActivo(false);
    setEstado(Estado::inactivo);
    setTranscripcion(QString());
    setNivel(0);
    asistente_.setVozPropiaSilenciada(false);
    soltarAsistente();
    asistente_.setContextoPersona(std::nullopt);
    callarTodo();
    if (!pendientes_.empty()) {
        Registro::anotar(QStringLiteral("Modo proyectos: %1 pedido(s) anotado(s) sin enviar se descartan")
                             .arg(pendientes_.size()));
        pendientes_.clear();
    }
    Registro::anotar(QStringLiteral("Modo proyectos: detenido"));
    if (!escuchaSiempre(ajustes_) && pausaTomada_) {
        pausaTomada_ = false;
        if (reanudarEscucha_)
            reanudarEscucha_();
    }
}

void ModoProyectos::salir(bool despedirse)
{
    const quint64 apertura = aperturas_;
    const auto quedarse = [this, apertura] {
        // "Modo proyectos" said during the farewell reopened the room.
        if (apertura != aperturas_)
            return;
        // Leaving the full-screen room ends its questions too, or windowed
        // listening would keep taking every utterance as their answer.
        esperandoModalidad_ = false;
        enPresentaciones_ = false;
        if (escuchaSiempre(ajustes_) && activo_) {
            setInmersivo(false);
            esperandoNombre_ = false;
            setEstado(agenteOcupado() ? Estado::trabajando : Estado::escuchando);
        } else {
            setInmersivo(false);
            terminar();
        }
    };
    if (despedirse && activo_ && inmersivo_) {
        const auto persona = perfiles_.activo();
        decir(persona ? QStringLiteral("Hasta pronto, ") + persona->nombre
                            + QStringLiteral(". Aquí estaré cuando me necesites.")
                      : QStringLiteral("Hasta pronto."),
              [quedarse](bool) { quedarse(); });
        return;
    }
    quedarse();
}

void ModoProyectos::interrumpir()
{
    if (!activo_ || !salaHabla())
        return;
    silencio_.cancelar();
    callarTodo();
    motor_->nuevoSegmento();
}

void ModoProyectos::segmentoTerminado()
{
    if (!activo_)
        return;
    if (!transcripcion_.isEmpty()) {
        Registro::anotar(QStringLiteral("Cierre por fin del reconocedor"));
        cerrarFrase();
    } else if (activo_) {
        motor_->nuevoSegmentoConLoUltimo(1.0);
    }
}

void ModoProyectos::vozEncima()
{
    if (!activo_ || !salaHabla())
        return;
    // The words said over the room start the next utterance: no timer of
    // the cut one may close it empty.
    silencio_.cancelar();
    callarTodo();
    setTranscripcion(QString());
    motor_->nuevoSegmentoConLoUltimo(1.0);
}

void ModoProyectos::proyectoNuevo()
{
    almacen_.nueva();
    perfiles_.setActivo(std::nullopt);
    perfiles_.setPresentes({});
    aplicarProyecto();
    if (activo_ && inmersivo_)
        saludar();
}

QString ModoProyectos::contextoProyecto() const
{
    return ContextoProyecto::texto(almacen_, perfiles_);
}

void ModoProyectos::aplicarProyecto()
{
    const auto actual = almacen_.actual();
    if (!actual)
        return;
    const QString carpeta = almacen_.carpeta(*actual);
    if (carpeta != asistente_.carpeta())
        asistente_.setCarpeta(carpeta);

    QList<Perfil> presentes;
    for (const QString& nombre : actual->asistentes.value_or(QStringList())) {
        for (const Perfil& p : perfiles_.todos()) {
            if (p.nombre == nombre) {
                presentes << p;
                break;
            }
        }
    }
    perfiles_.setPresentes(presentes);
    const bool reunion = actual->esReunion.value_or(false);
    perfiles_.setActivo(presentes.size() == 1 && !reunion ? std::optional<Perfil>(presentes.first()) : std::nullopt);
    ajustes_.escribir(QStringLiteral("modoGrupo"), reunion);
    enPresentaciones_ = false;
    asistente_.setContextoPersona(contextoProyecto());
    Registro::anotar(QStringLiteral("Proyecto: «") + Texto::primeros(actual->titulo, 30) + QStringLiteral("» (")
                     + QString::number(presentes.size()) + QStringLiteral(" participantes)"));
}
