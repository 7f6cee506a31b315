#include "setup/Actualizador.h"

#include "core/Registro.h"
#include "setup/DescargaHttp.h"
#include "setup/FalloActualizacion.h"
#include "setup/OrdenesActualizacion.h"
#include "setup/PaqueteActualizacion.h"
#include "setup/ScriptCambio.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QNetworkRequest>
#include <QtConcurrent>

namespace {

using namespace std::chrono_literals;

constexpr auto inactividadArchivo = 60s;
constexpr qint64 limiteArchivo = qint64(1) << 30;
constexpr auto entreEsperas = 60s;
// The swap script waits 60 s for this process to end, then gives up and
// says so in its log; past this the script is taken for gone.
constexpr auto revisionCambio = 2s;
constexpr auto limiteCambio = 90s;

const QString nombreArchivo = QStringLiteral("ZuviIA.zip");

struct Preparada {
    QString app;
    QString error;
};

// On a worker thread: the archive is mapped, not copied, while it is
// hashed and unpacked; its download folder goes either way.
Preparada preparar(const QString& carpeta, const Manifiesto& m, const QString& prefijo, const QString& clave)
{
    Preparada r;
    {
        QFile archivo(carpeta + QLatin1Char('/') + nombreArchivo);
        uchar* datos = archivo.open(QIODevice::ReadOnly) && archivo.size() > 0 ? archivo.map(0, archivo.size()) : nullptr;
        try {
            if (!datos)
                throw FalloActualizacion(QStringLiteral("el archivo descargado no coincide"));
            r.app = PaqueteActualizacion::preparar(QByteArray::fromRawData(reinterpret_cast<const char*>(datos),
                                                                           archivo.size()),
                                                   m, prefijo, clave);
        } catch (const FalloActualizacion& e) {
            r.error = e.mensaje();
        } catch (const std::exception& e) {
            r.error = QStringLiteral("la actualización no se pudo preparar (%1)").arg(QString::fromLocal8Bit(e.what()));
        }
    }
    QDir(carpeta).removeRecursively();
    return r;
}

void quitarCarpetaDe(const QString& app)
{
    if (!app.isEmpty())
        QDir(QFileInfo(app).absolutePath()).removeRecursively();
}

}

void Actualizador::descargar() { bajar({}); }

void Actualizador::descargarEInstalar()
{
    if (estado_.caso == Estado::Caso::lista)
        return instalar();
    if (estado_.caso != Estado::Caso::disponible)
        return;
    // bajar numbers the download it starts; a refused start or a later
    // download leaves another number behind.
    const int numero = descarga_ + 1;
    bajar([this, numero] {
        if (descarga_ == numero && estado_.caso == Estado::Caso::lista)
            instalar();
    });
}

void Actualizador::bajar(Fin fin)
{
    const auto seguir = [&] {
        if (fin)
            fin();
    };
    if (!manifiesto_ || estado_.caso == Estado::Caso::descargando || estado_.caso == Estado::Caso::instalando)
        return seguir();
    if (const auto motivo = noActualizable(instalacion_.prefijo, instalacion_.clave, instalacion_.build)) {
        Registro::anotar(QStringLiteral("Actualizaciones: no se descarga (%1)").arg(*motivo));
        setEstado({Estado::Caso::error, *motivo});
        return seguir();
    }
    setEstado({Estado::Caso::descargando, {}});
    const int numero = ++descarga_;
    QString carpeta;
    try {
        carpeta = PaqueteActualizacion::crearCarpeta(instalacion_.prefijo, manifiesto_->build);
    } catch (const FalloActualizacion& e) {
        return fallaDescarga(e.mensaje(), {}, fin);
    }
    auto archivo = std::make_shared<QFile>(carpeta + QLatin1Char('/') + nombreArchivo);
    if (!archivo->open(QIODevice::WriteOnly)) {
        QDir(carpeta).removeRecursively();
        return fallaDescarga(QStringLiteral("no se pudo guardar la descarga"), archivo->errorString(), fin);
    }
    auto suma = std::make_shared<QCryptographicHash>(QCryptographicHash::Sha256);
    QNetworkRequest pedido(manifiesto_->url);
    pedido.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    pedido.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    pedido.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("ZuviIA/") + instalacion_.version);
    DescargaHttp::iniciar(
        *red_, reloj_, pedido, {inactividadArchivo, limiteArchivo},
        [archivo, suma](QByteArrayView datos) {
            suma->addData(datos);
            return archivo->write(datos.data(), datos.size()) == datos.size();
        },
        [this, numero, carpeta, archivo, suma, fin = std::move(fin)](const DescargaHttp::Fin& r) {
            const bool escrito = archivo->flush();
            archivo->close();
            QString error = r.ok && !escrito ? QStringLiteral("no se pudo guardar la descarga") : r.mensaje;
            if (error.isEmpty() && QString::fromLatin1(suma->result().toHex()) != manifiesto_->sha256)
                error = QStringLiteral("el archivo descargado no coincide");
            alBajar(numero, carpeta, error, r.detalle, fin);
        });
}

void Actualizador::alBajar(int numero, const QString& carpeta, const QString& error, const QString& detalle, Fin fin)
{
    if (!error.isEmpty()) {
        QDir(carpeta).removeRecursively();
        return fallaDescarga(error, detalle, fin);
    }
    auto* vigia = new QFutureWatcher<Preparada>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia, numero, fin] {
        vigia->deleteLater();
        const Preparada r = vigia->result();
        alVerificar(numero, r.app, r.error, fin);
    });
    vigia->setFuture(QtConcurrent::run(preparar, carpeta, *manifiesto_, instalacion_.prefijo, instalacion_.clave));
}

void Actualizador::alVerificar(int numero, const QString& app, const QString& error, Fin fin)
{
    if (numero != descarga_ || !manifiesto_) {
        quitarCarpetaDe(app);
        if (fin)
            fin();
        return;
    }
    if (!error.isEmpty())
        return fallaDescarga(error, {}, fin);
    // The verified build is replaced only now, by one that is whole.
    if (app != appVerificada_)
        olvidarVerificada();
    appVerificada_ = app;
    buildVerificada_ = manifiesto_->build;
    setEstado({Estado::Caso::lista, manifiesto_->version});
    Registro::anotar(QStringLiteral("Actualizaciones: %1 descargada y verificada").arg(manifiesto_->version));
    if (automatica()) {
        if (desocupada())
            instalar();
        else
            esperarYInstalar();
    }
    if (fin)
        fin();
}

void Actualizador::fallaDescarga(const QString& mensaje, const QString& detalle, Fin fin)
{
    Registro::anotar(QStringLiteral("Actualizaciones: falló la descarga (%1)")
                         .arg(detalle.isEmpty() ? mensaje : mensaje + QStringLiteral(": ") + detalle));
    setEstado({Estado::Caso::error, mensaje});
    if (fin)
        fin();
}

void Actualizador::olvidarVerificada()
{
    quitarCarpetaDe(appVerificada_);
    appVerificada_.clear();
    buildVerificada_ = -1;
}

void Actualizador::instalar()
{
    if (estado_.caso == Estado::Caso::instalando || estado_.caso == Estado::Caso::descargando || !listaVigente())
        return;
    if (const auto motivo = noActualizable(instalacion_.prefijo, instalacion_.clave, instalacion_.build)) {
        setEstado({Estado::Caso::error, *motivo});
        return;
    }
    setEstado({Estado::Caso::instalando, {}});
    inicioRegistroCambio_ = QFileInfo(instalacion_.registroCambio).size();
    inicioCambio_ = reloj_.monotono();
    const ScriptCambio::Pedido pedido{instalacion_.pid, instalacion_.prefijo, appVerificada_,
                                      OrdenesActualizacion::textoVersion(manifiesto_->version, manifiesto_->build),
                                      manifiesto_->build, instalacion_.registroCambio};
    QString error;
    if (!cambio_.lanzar(QStringLiteral("/bin/sh"), ScriptCambio::argumentos(pedido), error)) {
        setEstado({Estado::Caso::error, QStringLiteral("no se pudo instalar: ") + error});
        return;
    }
    Registro::anotar(QStringLiteral("Actualizaciones: instalando ") + manifiesto_->version);
    vigia_ = reloj_.despues(revisionCambio, this, [this] { revisarCambio(); });
    if (cambio_.salir)
        cambio_.salir();
}

// Still running while installing: the quit was held up. The script then
// gives up on its own and writes why; this process leaves "instalando".
void Actualizador::revisarCambio()
{
    if (estado_.caso != Estado::Caso::instalando)
        return;
    QFile registro(instalacion_.registroCambio);
    std::optional<ScriptCambio::Resultado> resultado;
    if (registro.open(QIODevice::ReadOnly) && registro.seek(inicioRegistroCambio_))
        resultado = ScriptCambio::ultimoResultado(registro.readAll());
    if (resultado && resultado->tipo != ScriptCambio::Resultado::Tipo::instalada)
        return cambioFallido(resultado->detalle);
    if (reloj_.monotono() - inicioCambio_ > limiteCambio)
        return cambioFallido(QStringLiteral("el cambio de versión no dio señales"));
    vigia_ = reloj_.despues(revisionCambio, this, [this] { revisarCambio(); });
}

void Actualizador::cambioFallido(const QString& motivo)
{
    Registro::anotar(QStringLiteral("Actualizaciones: no se instaló (%1); se ofrecerá de nuevo").arg(motivo));
    // The script removed the verified copy when it gave up.
    olvidarVerificada();
    if (manifiesto_)
        setEstado({Estado::Caso::disponible, manifiesto_->version});
    else
        setEstado({Estado::Caso::alDia, {}});
}

void Actualizador::esperarYInstalar()
{
    if (esperando_)
        return;
    esperando_ = true;
    Registro::anotar(QStringLiteral("Actualizaciones: lista; se instalará cuando la zuvi quede libre"));
    espera_ = reloj_.despues(entreEsperas, this, [this] { pasoEspera(); });
}

void Actualizador::pasoEspera()
{
    if (appVerificada_.isEmpty() || estado_.caso == Estado::Caso::instalando) {
        esperando_ = false;
        return;
    }
    if (automatica() && desocupada())
        instalar();
    if (estado_.caso == Estado::Caso::instalando) {
        esperando_ = false;
        return;
    }
    espera_ = reloj_.despues(entreEsperas, this, [this] { pasoEspera(); });
}
