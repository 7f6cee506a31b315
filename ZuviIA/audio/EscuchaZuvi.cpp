#include "audio/EscuchaZuvi.h"

#include "core/Registro.h"
#include "core/Texto.h"

#include <QDesktopServices>
#include <QFutureWatcher>
#include <QtConcurrent>

namespace {

const QString claveActivada = QStringLiteral("oyeZuvi");

// Tried in this order.
const QStringList frasesDespertar = {QStringLiteral("oye zuvi"), QStringLiteral("hola zuvi"),
                                     QStringLiteral("modo proyectos"), QStringLiteral("modo proyecto"),
                                     QStringLiteral("oye zuvi ia")};

QString booleano(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// Letters and blanks only, with one blank at each end, so a phrase matches
// as whole words.
QString acolchado(const QString& texto)
{
    return QLatin1Char(' ') + Texto::plegar(texto).trimmed() + QLatin1Char(' ');
}

} // namespace

EscuchaZuvi::EscuchaZuvi(Capas capas, QObject* parent)
    : QObject(parent), ajustes_(capas.motor.ajustes), reloj_(capas.motor.reloj), permisos_(capas.permisos),
      sonidos_(capas.sonidos), despacho_([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      activada_(ajustes_.booleano(claveActivada, true)),
      motor_(std::make_unique<MotorConversacion>(std::move(capas.motor)))
{
    // The engine calls from its own threads; the numbers drop what a newer
    // segment made stale by the time the call lands here.
    motor_->onTexto([this](const QString& texto, int segmento) {
        QMetaObject::invokeMethod(
            this,
            [this, texto, segmento] {
                if (segmento == motor_->segmento())
                    oir(texto);
            },
            Qt::QueuedConnection);
    });
    // The listener waits for its phrases only: where the model allows it,
    // recognition hears nothing else.
    motor_->restringirA(TerminosReconocimiento::formasDespertar());
    // Deaf while listening (no model, a microphone that stopped): the
    // settings and the activation step show why.
    motor_->onAviso([this](const QString& aviso) {
        QMetaObject::invokeMethod(
            this,
            [this, aviso] {
                if (escuchando_)
                    setAviso(aviso);
            },
            Qt::QueuedConnection);
    });
    motor_->onFinSegmento([this](int segmento) {
        QMetaObject::invokeMethod(this, [this, segmento] { finSegmento(segmento); }, Qt::QueuedConnection);
    });
}

EscuchaZuvi::~EscuchaZuvi()
{
    // Its threads end before the object they post to.
    motor_.reset();
}

EscuchaZuvi& EscuchaZuvi::shared()
{
    // Kept until the process ends.
    // It never speaks: no player, but its engine classifies the room's
    // sound as every engine does.
    static EscuchaZuvi* unico = [] {
        Capas capas;
        capas.motor.clasificador = ClasificadorSonido::crear();
        return new EscuchaZuvi(std::move(capas));
    }();
    return *unico;
}

const QUrl& EscuchaZuvi::enlaceModoProyectos()
{
    static const QUrl url(QStringLiteral("zuviia://modo-proyectos"));
    return url;
}

void EscuchaZuvi::setVecinos(Vecinos vecinos)
{
    vecinos_ = std::move(vecinos);
}

void EscuchaZuvi::setDespacho(Despacho despacho)
{
    despacho_ = std::move(despacho);
}

void EscuchaZuvi::setActivada(bool valor)
{
    ajustes_.escribir(claveActivada, valor);
    if (valor != activada_) {
        activada_ = valor;
        emit activadaCambiada();
    }
    if (valor)
        reanudar();
    else
        detener();
}

void EscuchaZuvi::setPausas(int valor)
{
    if (valor == pausas_)
        return;
    // Whoever pauses the listener now holds the microphone and gives it back.
    if (valor > pausas_)
        trasFrase_ = false;
    pausas_ = valor;
    emit pausasCambiadas();
}

void EscuchaZuvi::setEscuchando(bool valor)
{
    if (valor == escuchando_)
        return;
    escuchando_ = valor;
    emit escuchandoCambiado();
}

void EscuchaZuvi::setAviso(const std::optional<QString>& valor)
{
    if (valor == aviso_)
        return;
    aviso_ = valor;
    emit avisoCambiado();
}

void EscuchaZuvi::iniciar()
{
    // Reading the speech permission may load the recognition model.
    auto* vigia = new QFutureWatcher<Estados>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia] {
        vigia->deleteLater();
        continuarInicio(vigia->result());
    });
    vigia->setFuture(QtConcurrent::run([&permisos = permisos_] {
        return Estados{permisos.estadoReconocimiento(), permisos.estadoMicrofono()};
    }));
}

void EscuchaZuvi::continuarInicio(Estados estados)
{
    const bool permisos = estados.voz == Permisos::Estado::autorizado && estados.mic == Permisos::Estado::autorizado;
    Registro::anotar(QStringLiteral("Oye Zuvi: iniciar (activada=%1 pausas=%2 escuchando=%3 permisos=%4 voz=%5 mic=%6)")
                         .arg(booleano(activada_))
                         .arg(pausas_)
                         .arg(booleano(escuchando_), booleano(permisos))
                         .arg(int(estados.voz))
                         .arg(int(estados.mic)));
    if (puedeEmpezar(estados))
        arrancar();
}

bool EscuchaZuvi::puedeEmpezar(const Estados& estados) const
{
    auto o = [](const std::function<bool()>& f, bool sinVecino) { return f ? f() : sinVecino; };
    return activada_ && !o(vecinos_.escuchaSiempre, true) && pausas_ == 0 && !escuchando_
        && estados.voz == Permisos::Estado::autorizado && estados.mic == Permisos::Estado::autorizado
        && !o(vecinos_.modoProyectosActivo, false) && !o(vecinos_.dictando, false);
}

void EscuchaZuvi::arrancar()
{
    const std::optional<uint32_t> dispositivo = vecinos_.microfono ? vecinos_.microfono() : std::nullopt;
    try {
        motor_->arrancar(dispositivo, std::nullopt, false);
    } catch (const std::exception& e) {
        const QString descripcion = QString::fromUtf8(e.what());
        Registro::anotar(QStringLiteral("Oye Zuvi: ERROR ") + descripcion);
        setAviso(descripcion);
        return;
    }
    setEscuchando(true);
    setAviso(std::nullopt);
    trasFrase_ = false;
    retomar_.cancelar();
    programarRotacion();
    Registro::anotar(QStringLiteral("Oye Zuvi: escuchando"));
}

// A fresh segment every 40 s keeps recognition from growing stale. The last
// second goes into the new one, so a phrase said across the cut is heard.
void EscuchaZuvi::programarRotacion()
{
    rotacion_ = reloj_.despues(rotacion, this, [this] {
        if (!escuchando_)
            return;
        motor_->nuevoSegmentoConLoUltimo(segundosRealimentados);
        programarRotacion();
    });
}

void EscuchaZuvi::detener()
{
    rotacion_.cancelar();
    if (!escuchando_)
        return;
    motor_->detener();
    setEscuchando(false);
}

void EscuchaZuvi::reanudar()
{
    setPausas(std::max(0, pausas_ - 1));
    if (pausas_ == 0)
        reanudacion_ = reloj_.despues(esperaReanudar, this, [this] { iniciar(); });
}

void EscuchaZuvi::finSegmento(int segmento)
{
    if (escuchando_ && segmento == motor_->segmento())
        motor_->nuevoSegmentoConLoUltimo(segundosRealimentados);
}

std::optional<QString> EscuchaZuvi::frase(const QString& texto)
{
    const QString t = acolchado(texto);
    for (const QString& f : frasesDespertar) {
        if (t.contains(QLatin1Char(' ') + f + QLatin1Char(' ')))
            return f;
    }
    return std::nullopt;
}

int EscuchaZuvi::palabras(const QString& texto)
{
    return int(acolchado(texto).split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
}

void EscuchaZuvi::oir(const QString& texto)
{
    if (!escuchando_)
        return;
    if (frase(texto)) {
        detener();
        sonidos_.reproducir(QStringLiteral("Hero"), [](const QString& motivo) {
            Registro::anotar(QStringLiteral("Oye Zuvi: no sonó Hero (") + motivo + QLatin1Char(')'));
        });
        trasFrase_ = true;
        despacho_(enlaceModoProyectos());
        retomarTrasFrase();
        return;
    }
    if (palabras(texto) >= palabrasParaRenovar)
        motor_->nuevoSegmento();
}

void EscuchaZuvi::modoProyectosCambiado()
{
    retomarTrasFrase();
}

// The room may open a moment after the link, and may end at once (no
// permission, setup not finished) without ever pausing the listener; while
// it runs, it holds the microphone.
void EscuchaZuvi::retomarTrasFrase()
{
    if (!trasFrase_)
        return;
    if (vecinos_.modoProyectosActivo && vecinos_.modoProyectosActivo()) {
        retomar_.cancelar();
        return;
    }
    retomar_ = reloj_.despues(esperaReanudar, this, [this] { iniciar(); });
}
