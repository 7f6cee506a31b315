#include "projects/ModoProyectos.h"

#include "core/Registro.h"
#include "core/Texto.h"
#include "plataforma/Ajustes.h"

#include <QPointer>
#include <QRegularExpression>

void ModoProyectos::decir(const QString& texto, std::function<void(bool)> alTerminar)
{
    Registro::anotar(QStringLiteral("Voz: dice «") + Texto::primeros(texto, 40) + QStringLiteral("»"));
    ultimaFueRespuestaPendiente_ = texto.trimmed().endsWith(QLatin1Char('?'));
    filtroEco_.registrar(texto, reloj_.ahora());
    setUltimaFrase(texto);
    if (estado_ != Estado::trabajando)
        setEstado(Estado::hablando);
    const QVariant vozID = ajustes_.valor(QStringLiteral("vozID"));
    const auto voz = motor_->mejorVoz(vozID.isValid() ? std::optional<QString>(vozID.toString()) : std::nullopt);
    const float guardada = ajustes_.valor(QStringLiteral("vozVelocidad")).toFloat();
    const float velocidad = guardada > 0 ? guardada : 0.5f;
    const int turno = ++turnoHabla_;
    QPointer<ModoProyectos> yo(this);
    motor_->hablar(texto, voz, velocidad, [yo, turno, alTerminar = std::move(alTerminar)](int, bool oido) {
        if (ModoProyectos* m = yo.data())
            QMetaObject::invokeMethod(m, [yo, turno, oido, alTerminar] {
                if (yo)
                    yo->finDecir(turno, oido, alTerminar);
            }, Qt::QueuedConnection);
    });
}

void ModoProyectos::finDecir(int turno, bool oido, const std::function<void(bool)>& alTerminar)
{
    // Only the newest turn speaks for the room: a turn cut by a newer one
    // ends while the newer still talks.
    if (activo_ && turno == turnoHabla_) {
        if (oido || estado_ == Estado::hablando)
            setEstado(estadoEnReposo());
        ultimaVezHablo_ = reloj_.ahora();
        if (oido && !cancelaEco_ && !motor_->hablando() && !esperandoModalidad_) {
            setTranscripcion(QString());
            silencio_.cancelar();
            ignorarHasta_ = reloj_.ahora().addMSecs(500);
            motor_->nuevoSegmento();
        }
    }
    if (alTerminar)
        alTerminar(oido);
}

void ModoProyectos::encolar(const QString& texto)
{
    colaHabla_ << texto;
    if (!hablandoCola_)
        siguienteEnCola();
}

void ModoProyectos::siguienteEnCola()
{
    if (!activo_ || colaHabla_.isEmpty()) {
        hablandoCola_ = false;
        vaciarCola();
        return;
    }
    hablandoCola_ = true;
    const QString texto = colaHabla_.takeFirst();
    const quint64 corrida = corridaCola_;
    const int turno = turnoHabla_ + 1;
    turnoCola_ = turno;
    decir(texto, [this, corrida, turno](bool oido) {
        if (corrida != corridaCola_ || turno != turnoCola_)
            return;
        if (oido) {
            siguienteEnCola();
            return;
        }
        // Cut off: the rest waits, but the end-of-turn step still runs.
        hablandoCola_ = false;
        vaciarCola();
    });
}

void ModoProyectos::vaciarCola()
{
    if (!alVaciarCola_)
        return;
    auto accion = std::move(alVaciarCola_);
    alVaciarCola_ = nullptr;
    accion();
}

void ModoProyectos::callarTodo()
{
    colaHabla_.clear();
    hablandoCola_ = false;
    ++corridaCola_;
    asentirTarea_.cancelar();
    motor_->callar();
    if (activo_)
        setEstado(estadoEnReposo());
    // A pending instruction waited for the queue to drain; silencing it
    // must not lose it. It goes once this call is over.
    if (alVaciarCola_) {
        auto accion = std::move(alVaciarCola_);
        alVaciarCola_ = nullptr;
        enSesion(sesion_, std::move(accion));
    }
}

qsizetype ModoProyectos::corte(const QString& buffer, bool primera)
{
    static const QString finales = QStringLiteral(".!?…:");
    for (qsizetype p = 0; p < buffer.size(); ++p) {
        const QChar c = buffer.at(p);
        if (c == QLatin1Char('\n'))
            return p + 1;
        const bool pausa = p + 1 < buffer.size()
            && (buffer.at(p + 1) == QLatin1Char(' ') || buffer.at(p + 1) == QLatin1Char('\n'));
        if (!pausa)
            continue;
        if (finales.contains(c) && p > 11)
            return p + 1;
        if (primera && c == QLatin1Char(',') && p >= 28)
            return p + 1;
    }
    return -1;
}

void ModoProyectos::extraerOraciones(bool final)
{
    if (!activo_)
        return;
    for (qsizetype fin = corte(bufferHabla_, oracionesDichas_ == 0); fin >= 0;
         fin = corte(bufferHabla_, oracionesDichas_ == 0)) {
        const QString oracion = bufferHabla_.left(fin);
        bufferHabla_.remove(0, fin);
        decirOracion(oracion);
    }
    if (final && !bufferHabla_.trimmed().isEmpty()) {
        const QString resto = bufferHabla_;
        bufferHabla_.clear();
        decirOracion(resto);
    }
}

QString ModoProyectos::limpiarOracion(const QString& oracion)
{
    static const QRegularExpression enlace(QStringLiteral("https?://\\S+"));
    static const QRegularExpression barra(QStringLiteral("\\|"));
    static const QRegularExpression marcas(QStringLiteral("[#*_>`]"));
    static const QRegularExpression vineta(QStringLiteral("^\\s*[-•]\\s*"));
    static const QRegularExpression letraODigito(QStringLiteral("[\\p{L}\\p{N}]"));
    QString t = oracion;
    t.replace(enlace, QStringLiteral("el enlace"));
    t.replace(barra, QStringLiteral(" "));
    t.remove(marcas);
    t.remove(vineta);
    t = t.trimmed();
    return t.contains(letraODigito) ? t : QString();
}

void ModoProyectos::decirOracion(const QString& oracion)
{
    const QString cerca = QStringLiteral("```");
    if (oracion.contains(cerca)) {
        if (oracion.split(cerca).size() % 2 == 0)
            enCodigo_ = !enCodigo_;
        return;
    }
    if (enCodigo_ || oracion.contains(QStringLiteral("(ignorado)")))
        return;
    const QString limpia = limpiarOracion(oracion);
    if (limpia.isEmpty())
        return;
    const int largo = Texto::longitud(limpia);
    if (oracionesDichas_ < maxOraciones && letrasDichas_ + largo <= maxLetras) {
        ++oracionesDichas_;
        letrasDichas_ += largo;
        encolar(limpia);
    } else if (!avisoDetalle_) {
        avisoDetalle_ = true;
        encolar(QStringLiteral("Te dejo el resto en pantalla."));
    }
}
