#include "audio/VozNeural.h"

#include "core/EjecutorProceso.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QProcessEnvironment>
#include <QPromise>
#include <QRegularExpression>
#include <QThread>
#include <QtEndian>

#include <cstring>

using namespace std::chrono_literals;

namespace {

QString script(const QString& recursos)
{
    return recursos + QStringLiteral("/Voz/servidor_voz.py");
}

template <typename T>
QFuture<T> listo(T valor)
{
    QPromise<T> promesa;
    promesa.start();
    promesa.addResult(std::move(valor));
    promesa.finish();
    return promesa.future();
}

QFuture<void> fallido(std::exception_ptr error)
{
    QPromise<void> promesa;
    promesa.start();
    promesa.setException(error);
    promesa.finish();
    return promesa.future();
}

}

ErrorVoz::ErrorVoz(int codigo, const QString& descripcion)
    : std::runtime_error(descripcion.toStdString()), codigo_(codigo)
{
}

ErrorTransporteVoz::ErrorTransporteVoz(const QString& descripcion) : std::runtime_error(descripcion.toStdString()) {}

VozNeural::VozNeural(Ajustes& ajustes, Reloj& reloj, QString recursos, QObject* parent)
    : QObject(parent),
      ajustes_(ajustes),
      reloj_(reloj),
      recursos_(std::move(recursos)),
      token_(textoUuid(QUuid::createUuid())),
      cliente_(token_)
{
}

// Killed, never waited for: the runner reaps what is left.
VozNeural::~VozNeural()
{
    relanzar_.cancelar();
    for (const auto& [generacion, p] : procesos_)
        p->matar();
}

void VozNeural::alSalir()
{
    detener();
    // Asked to end, never waited for: a service busy in its model would
    // hold the quit for seconds. Whatever is left goes with this object.
    for (const auto& [generacion, p] : procesos_)
        p->terminar();
}

VozNeural& VozNeural::shared()
{
    static VozNeural* instancia = [] {
        auto* v = new VozNeural(Ajustes::shared(), Reloj::sistema(), Carpetas::recursos(),
                                QCoreApplication::instance());
        // The service must not outlive the application; its end-of-input
        // exit covers a crash.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, v, &VozNeural::alSalir);
        return v;
    }();
    return *instancia;
}

const QAudioFormat& VozNeural::formato()
{
    static const QAudioFormat f = [] {
        QAudioFormat a;
        a.setSampleRate(24000);
        a.setChannelCount(1);
        a.setChannelConfig(QAudioFormat::ChannelConfigMono);
        a.setSampleFormat(QAudioFormat::Float);
        return a;
    }();
    return f;
}

QString VozNeural::carpeta()
{
    return Carpetas::datosApp() + QStringLiteral("/voz");
}

bool VozNeural::instalada()
{
    const QFileInfo python(carpeta() + QStringLiteral("/.venv/bin/python"));
    return python.isFile() && python.isExecutable()
        && QFileInfo::exists(carpeta() + QLatin1Char('/') + QLatin1String(marcaInstalada));
}

bool VozNeural::activada(const Ajustes& ajustes)
{
    return ajustes.booleano(QStringLiteral("vozNeural"), true);
}

void VozNeural::prepararReferencia(bool forzar, const QString& recursos)
{
    const QString dir = carpeta();
    QDir().mkpath(dir);
    const QString wav = dir + QStringLiteral("/referencia.wav");
    const QString txt = dir + QStringLiteral("/referencia.txt");
    if (!forzar && QFileInfo::exists(wav))
        return;
    const QString origenWav = recursos + QStringLiteral("/Voz/voz_zuvi.wav");
    const QString origenTxt = recursos + QStringLiteral("/Voz/voz_zuvi.txt");
    if (!QFileInfo::exists(origenWav) || !QFileInfo::exists(origenTxt))
        return;
    QFile::remove(wav);
    QFile::remove(txt);
    QFile::copy(origenWav, wav);
    QFile::copy(origenTxt, txt);
}

EstadoVoz VozNeural::estado() const
{
    QMutexLocker guardia(&lock_);
    return {lista_, puerto_, reintentos_, motor_, lenta_};
}

bool VozNeural::enMiHilo(void (VozNeural::*metodo)())
{
    if (QThread::currentThread() == thread())
        return true;
    QMetaObject::invokeMethod(this, metodo, Qt::QueuedConnection);
    return false;
}

MotorVoz VozNeural::motorDe(const QString& nombre)
{
    if (nombre == QLatin1String("qwen3-tts"))
        return MotorVoz::neural;
    if (nombre == QLatin1String("espeak-ng"))
        return MotorVoz::basica;
    return MotorVoz::ninguno;
}

void VozNeural::arrancar()
{
    if (!enMiHilo(&VozNeural::arrancar))
        return;
    if (!instalada() || !activada(ajustes_) || !QFileInfo::exists(script(recursos_)))
        return;
    {
        QMutexLocker guardia(&lock_);
        if (proceso_ != 0 || arrancando_)
            return;
        arrancando_ = true;
    }
    prepararReferencia(false, recursos_);
    lanzar();
    QMutexLocker guardia(&lock_);
    arrancando_ = false;
}

// Starts the service without waiting for its exec: a failure to start is
// heard as an exit, like a service that dies at once.
void VozNeural::lanzar()
{
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("ZUVIIA_VOZ_DIR"), carpeta());
    entorno.insert(QStringLiteral("ZUVIIA_TOKEN"), token_);
    entorno.insert(QStringLiteral("ZUVIIA_MODELO"), QString::fromLatin1(modelo));
    entorno.insert(QStringLiteral("ZUVIIA_MODELO_DISENO"), QString::fromLatin1(modeloDiseno));
    entorno.insert(QStringLiteral("HF_HUB_OFFLINE"), QStringLiteral("1"));
    entorno.insert(QStringLiteral("TOKENIZERS_PARALLELISM"), QStringLiteral("false"));
    EjecutorProceso::Opciones opciones;
    // Standard input stays an open pipe that nothing writes to: the service
    // sees its end when this process goes away.
    opciones.conEntrada = true;
    opciones.entorno = entorno;

    quint64 generacion;
    {
        QMutexLocker guardia(&lock_);
        generacion = generacion_ + 1;
    }
    const QPointer<VozNeural> yo(this);
    const auto alSalida = [yo, generacion](const QString& trozo) {
        QMetaObject::invokeMethod(
            qApp, [yo, generacion, trozo] { if (yo) yo->leerSalida(generacion, trozo); }, Qt::QueuedConnection);
    };
    const auto alFin = [yo, generacion](int) {
        QMetaObject::invokeMethod(
            qApp, [yo, generacion] { if (yo) yo->servidorTermino(generacion); }, Qt::QueuedConnection);
    };
    std::shared_ptr<ProcesoEnMarcha> p;
    try {
        p = EjecutorProceso::lanzar(carpeta() + QStringLiteral("/.venv/bin/python"), {script(recursos_)},
                                    QDir::currentPath(), alSalida, {}, alFin, opciones);
    } catch (const ErrorProceso&) {
        return;
    }
    procesos_[generacion] = p;
    saludos_[generacion] = std::make_shared<SaludoVoz>();
    QMutexLocker guardia(&lock_);
    generacion_ = generacion;
    proceso_ = generacion;
    puerto_.reset();
    lista_ = false;
    motor_ = MotorVoz::ninguno;
    lenta_ = false;
}

void VozNeural::leerSalida(quint64 generacion, const QString& trozo)
{
    const auto saludo = saludos_.find(generacion);
    if (saludo == saludos_.end())
        return;
    const SaludoVoz::Anuncio a = saludo->second->leer(trozo.toUtf8());
    if (a.motor && motorDe(*a.motor) != MotorVoz::neural)
        Registro::anotar(QStringLiteral("Voz natural: el modelo no cargó; habla la voz básica (espeak-ng)."));
    if (a.lentaMs)
        Registro::anotar(QStringLiteral("Voz natural: la primera muestra tardó %1 ms; la voz básica (espeak-ng) "
                                        "responde antes.").arg(*a.lentaMs));
    QMutexLocker guardia(&lock_);
    if (generacion != proceso_)
        return;  // a stopped service's late lines change nothing
    if (a.puerto)
        puerto_ = a.puerto;
    if (a.motor)
        motor_ = motorDe(*a.motor);
    if (a.lentaMs)
        lenta_ = true;
    if (a.listo) {
        lista_ = true;
        reintentos_ = 0;
    }
}

void VozNeural::servidorTermino(quint64 generacion)
{
    procesos_.erase(generacion);
    saludos_.erase(generacion);
    int cuenta;
    {
        QMutexLocker guardia(&lock_);
        // Only the exit of the process launched last counts: after a
        // restart the old one's exit must leave the new one alone.
        if (generacion != generacion_)
            return;
        puerto_.reset();
        lista_ = false;
        motor_ = MotorVoz::ninguno;
        lenta_ = false;
        if (proceso_ == generacion)
            proceso_ = 0;
        cuenta = ++reintentos_;
    }
    if (cuenta <= maximoReintentos)
        relanzar_ = reloj_.despues(3s, this, [this] { arrancar(); });
}

void VozNeural::detener()
{
    if (!enMiHilo(&VozNeural::detener))
        return;
    quint64 tomado;
    {
        QMutexLocker guardia(&lock_);
        tomado = std::exchange(proceso_, 0);
        lista_ = false;
        reintentos_ = 99;
    }
    relanzar_.cancelar();
    if (const auto p = procesos_.find(tomado); p != procesos_.end())
        p->second->terminar();
}

void VozNeural::reiniciar()
{
    if (!enMiHilo(&VozNeural::reiniciar))
        return;
    detener();
    {
        QMutexLocker guardia(&lock_);
        reintentos_ = 0;
    }
    arrancar();
}

std::shared_ptr<TareaVoz> VozNeural::sintetizar(const QString& texto,
                                                std::function<void(const QAudioBuffer&)> alBuffer,
                                                std::function<void(bool, bool)> alTerminar)
{
    const EstadoVoz e = estado();
    if (!e.listaParaHablar())
        return nullptr;
    auto tarea = std::make_shared<TareaVoz>();
    cliente_.hablar(*e.puerto, texto, tarea, std::move(alBuffer), std::move(alTerminar));
    return tarea;
}

QFuture<void> VozNeural::disenar(const QString& descripcion)
{
    const std::optional<int> puerto = estado().puerto;
    if (!puerto)
        return fallido(std::make_exception_ptr(ErrorVoz(2, QStringLiteral("La voz neural no está en marcha."))));
    return cliente_
        .enviar(*puerto, QStringLiteral("/disenar"), {{QStringLiteral("descripcion"), descripcion}}, 1800s)
        .then([](const ClienteVoz::Respuesta& r) {
            if (r.estado == 0)
                throw ErrorTransporteVoz(r.textoError);
            if (r.estado == 200)
                return;
            throw errorDeDiseno(r.cuerpo);
        });
}

QFuture<std::optional<QJsonObject>> VozNeural::pedir(const QString& ruta, const QJsonObject& cuerpo)
{
    const std::optional<int> puerto = estado().puerto;
    if (!puerto)
        return listo(std::optional<QJsonObject>());
    return cliente_.enviar(*puerto, ruta, cuerpo, 20s).then([](const ClienteVoz::Respuesta& r) {
        if (r.estado != 200 || r.error != QNetworkReply::NoError)
            return std::optional<QJsonObject>();
        const QJsonDocument doc = QJsonDocument::fromJson(r.cuerpo);
        return doc.isObject() ? std::optional(doc.object()) : std::nullopt;
    });
}

QFuture<bool> VozNeural::registrarHuella(const QUuid& id, const std::vector<float>& audio)
{
    if (audio.size() < minimoMuestrasHuella)
        return listo(false);
    return pedir(QStringLiteral("/huella/registrar"),
                 {{QStringLiteral("id"), textoUuid(id)}, {QStringLiteral("audio"), base64(audio)}})
        .then([](const std::optional<QJsonObject>& o) {
            return o && o->value(QStringLiteral("ok")) == QJsonValue(true);
        });
}

QFuture<std::optional<Identificacion>> VozNeural::identificar(const std::vector<float>& audio,
                                                             const QList<QUuid>& candidatos)
{
    if (audio.size() < minimoMuestrasHuella)
        return listo(std::optional<Identificacion>());
    QJsonArray lista;
    for (const QUuid& c : candidatos)
        lista.append(textoUuid(c));
    return pedir(QStringLiteral("/huella/identificar"),
                 {{QStringLiteral("audio"), base64(audio)}, {QStringLiteral("candidatos"), lista}})
        .then([](const std::optional<QJsonObject>& o) { return o ? identificacionDe(*o) : std::nullopt; });
}

std::optional<Identificacion> VozNeural::identificacionDe(const QJsonObject& o)
{
    static const QRegularExpression forma(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    const QJsonValue id = o.value(QStringLiteral("id"));
    if (!id.isString() || !forma.match(id.toString()).hasMatch())
        return std::nullopt;
    const QJsonValue puntaje = o.value(QStringLiteral("puntaje"));
    return Identificacion{QUuid::fromString(id.toString()), puntaje.isDouble() ? puntaje.toDouble() : 0.0};
}

ErrorVoz VozNeural::errorDeDiseno(const QByteArray& cuerpo)
{
    const QJsonValue error = QJsonDocument::fromJson(cuerpo).object().value(QStringLiteral("error"));
    return ErrorVoz(3, error.isString() ? error.toString() : QStringLiteral("No se pudo diseñar la voz."));
}

QString VozNeural::base64(const std::vector<float>& muestras)
{
    QByteArray bytes(qsizetype(muestras.size() * 4), Qt::Uninitialized);
    for (size_t i = 0; i < muestras.size(); ++i) {
        quint32 bits;
        std::memcpy(&bits, &muestras[i], 4);
        qToLittleEndian(bits, bytes.data() + i * 4);
    }
    return QString::fromLatin1(bytes.toBase64());
}

QString VozNeural::textoUuid(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}
