#include "setup/InstaladorReconocimiento.h"

#include "audio/EscuchaZuvi.h"
#include "core/Registro.h"
#include "plataforma/Vosk.h"
#include "setup/DescargaHttp.h"
#include "setup/Desempaquetador.h"
#include "setup/FalloActualizacion.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtConcurrent>

namespace {

const QString sinRed = QStringLiteral(
    "No se pudo descargar el modelo de voz: revisa tu conexión a internet y vuelve a intentarlo.");
const QString danado = QStringLiteral(
    "El modelo descargado está dañado o incompleto. Vuelve a intentarlo.");

// The archive is never larger than this, whatever a server says.
constexpr qint64 limiteArchivo = 200LL * 1024 * 1024;

// On the worker: unpacks into a hidden folder beside the models, checks
// the model and only then moves it into place, so a half-made model never
// shows up where recognition looks. Empty when it went well.
QString desempaquetar(const QByteArray& zip, const QString& destino, const QString& carpeta)
{
    if (!QDir().mkpath(destino))
        return QStringLiteral("No se pudo crear la carpeta %1.").arg(destino);
    QTemporaryDir temporal(destino + QStringLiteral("/.instalando-XXXXXX"));
    if (!temporal.isValid())
        return QStringLiteral("No se pudo escribir en %1.").arg(destino);
    try {
        Desempaquetador::desempaquetar(zip, temporal.path());
    } catch (const FalloActualizacion& e) {
        Registro::anotar(QStringLiteral("Reconocimiento: no se pudo desempaquetar el modelo (%1)").arg(e.mensaje()));
        return danado;
    }
    const QString hecho = temporal.path() + QLatin1Char('/') + carpeta;
    if (!InstaladorReconocimiento::modeloCompleto(hecho)) {
        Registro::anotar(QStringLiteral("Reconocimiento: al archivo le falta %1 o parte del modelo").arg(carpeta));
        return danado;
    }
    const QString final = destino + QLatin1Char('/') + carpeta;
    QDir(final).removeRecursively();
    if (!QDir().rename(hecho, final))
        return QStringLiteral("No se pudo dejar el modelo en %1.").arg(destino);
    return {};
}

} // namespace

const InstaladorReconocimiento::Modelo& InstaladorReconocimiento::espanol()
{
    static const Modelo m{QUrl(QStringLiteral("https://alphacephei.com/vosk/models/vosk-model-small-es-0.42.zip")),
                          QStringLiteral("vosk-model-small-es-0.42"), 39LL * 1024 * 1024};
    return m;
}

InstaladorReconocimiento::InstaladorReconocimiento(Capas capas, QObject* parent)
    : QObject(parent), reloj_(capas.reloj),
      destino_(capas.destino.isEmpty() ? Vosk::carpetaModelos() : capas.destino), modelo_(std::move(capas.modelo)),
      espacioLibre_(std::move(capas.espacioLibre)), alInstalar_(std::move(capas.alInstalar)),
      red_(std::make_unique<QNetworkAccessManager>())
{
    if (!espacioLibre_) {
        espacioLibre_ = [](const QString& carpeta) {
            QString c = carpeta;
            while (!QFileInfo::exists(c) && c != QFileInfo(c).path())
                c = QFileInfo(c).path();
            return QStorageInfo(c).bytesAvailable();
        };
    }
    refrescar();
}

InstaladorReconocimiento::~InstaladorReconocimiento()
{
    // A download still under way ends with its manager; its answer is dropped.
    ++numero_;
    red_.reset();
}

InstaladorReconocimiento& InstaladorReconocimiento::shared()
{
    // Kept until the process ends; a new model wakes the listener.
    static auto* unico = [] {
        Capas capas;
        capas.alInstalar = [] { EscuchaZuvi::shared().iniciar(); };
        return new InstaladorReconocimiento(std::move(capas));
    }();
    return *unico;
}

QString InstaladorReconocimiento::tamano(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(qRound64(double(bytes) / (1024.0 * 1024.0)));
}

bool InstaladorReconocimiento::modeloCompleto(const QString& carpeta)
{
    for (const char* parte : {"am/final.mdl", "conf/model.conf"}) {
        if (!QFileInfo(carpeta + QLatin1Char('/') + QLatin1String(parte)).isFile())
            return false;
    }
    return true;
}

bool InstaladorReconocimiento::instalado() const
{
    const QDir raiz(destino_);
    for (const QString& nombre : raiz.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (Vosk::localeDeCarpeta(nombre).startsWith(QLatin1String("es")) && modeloCompleto(raiz.filePath(nombre)))
            return true;
    }
    return false;
}

void InstaladorReconocimiento::refrescar()
{
    if (estado_.es(EstadoPaso::Tipo::trabajando))
        return;
    if (instalado())
        setEstado(EstadoPaso::listo(QStringLiteral("Instalado")));
    else if (!estado_.es(EstadoPaso::Tipo::error))
        setEstado(EstadoPaso::falta());
}

void InstaladorReconocimiento::setEstado(const EstadoPaso& estado, bool descargando)
{
    if (estado == estado_ && descargando == descargando_)
        return;
    estado_ = estado;
    descargando_ = descargando;
    emit estadoCambiado();
}

void InstaladorReconocimiento::setProgreso(double valor)
{
    if (valor == progreso_)
        return;
    progreso_ = valor;
    emit progresoCambiado();
}

void InstaladorReconocimiento::fallar(const QString& mensaje, const QString& detalle)
{
    Registro::anotar(QStringLiteral("Reconocimiento: no se instaló el modelo (%1)")
                         .arg(detalle.isEmpty() ? mensaje : mensaje + QStringLiteral(": ") + detalle));
    setProgreso(0);
    setEstado(EstadoPaso::error(mensaje));
}

void InstaladorReconocimiento::instalar()
{
    if (estado_.es(EstadoPaso::Tipo::trabajando))
        return;
    const qint64 necesario = espacioNecesario(modelo_.bytes);
    const qint64 libre = espacioLibre_(destino_);
    if (libre >= 0 && libre < necesario)
        return fallar(QStringLiteral("No hay espacio suficiente en el disco: hacen falta unos %1 libres.")
                          .arg(tamano(necesario)),
                      QStringLiteral("%1 bytes libres").arg(libre));
    const int numero = ++numero_;
    setProgreso(0);
    setEstado(EstadoPaso::trabajando(), true);
    Registro::anotar(QStringLiteral("Reconocimiento: descargando %1").arg(modelo_.url.toString()));
    auto datos = std::make_shared<QByteArray>();
    datos->reserve(modelo_.bytes);
    QNetworkRequest pedido(modelo_.url);
    pedido.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    DescargaHttp::iniciar(
        *red_, reloj_, pedido, {inactividad, limiteArchivo},
        [this, numero, datos](QByteArrayView trozo) {
            if (numero != numero_)
                return false;
            datos->append(trozo.data(), trozo.size());
            setProgreso(std::min(1.0, double(datos->size()) / double(std::max<qint64>(modelo_.bytes, 1))));
            return true;
        },
        [this, numero, datos](const DescargaHttp::Fin& fin) {
            if (numero != numero_)
                return;
            if (!fin.ok)
                return fallar(sinRed, fin.detalle.isEmpty() ? fin.mensaje : fin.detalle);
            alDescargar(numero, datos);
        });
}

void InstaladorReconocimiento::alDescargar(int numero, std::shared_ptr<QByteArray> datos)
{
    setProgreso(1);
    setEstado(EstadoPaso::trabajando(), false);
    auto* vigia = new QFutureWatcher<QString>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia, numero] {
        vigia->deleteLater();
        alDesempaquetar(numero, vigia->result());
    });
    vigia->setFuture(QtConcurrent::run(
        [datos, destino = destino_, carpeta = modelo_.carpeta] { return desempaquetar(*datos, destino, carpeta); }));
}

void InstaladorReconocimiento::alDesempaquetar(int numero, const QString& error)
{
    if (numero != numero_)
        return;
    if (!error.isEmpty())
        return fallar(error, {});
    Registro::anotar(QStringLiteral("Reconocimiento: modelo instalado en %1/%2").arg(destino_, modelo_.carpeta));
    setEstado(EstadoPaso::listo(QStringLiteral("Instalado")));
    if (alInstalar_)
        alInstalar_();
}

void InstaladorReconocimiento::cancelar()
{
    if (!descargando_)
        return;
    ++numero_;
    Registro::anotar(QStringLiteral("Reconocimiento: descarga cancelada"));
    setProgreso(0);
    setEstado(instalado() ? EstadoPaso::listo(QStringLiteral("Instalado")) : EstadoPaso::falta());
}
