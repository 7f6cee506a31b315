#include "setup/Actualizador.h"

#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "setup/DescargaHttp.h"
#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"
#include "setup/ScriptCambio.h"
#include "setup/Sello.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const QString claveAutomatica = QStringLiteral("actualizarSola");
// A build whose swap failed its seal or health check; never tried again.
const QString claveRechazada = QStringLiteral("actualizacionRechazada");

constexpr auto primeraRevision = 15s;
constexpr auto entreRevisiones = std::chrono::hours(6);
constexpr auto inactividadManifiesto = 20s;
constexpr qint64 limiteManifiesto = 64 * 1024;

Actualizador::Estado caso(EstadoActualizacion::Caso c, const QString& texto = {}) { return {c, texto}; }

}

Actualizador::Actualizador(Reloj& reloj, Ajustes& ajustes, Instalacion instalacion, Cambio cambio,
                           std::function<Ocupacion()> ocupacion, QObject* parent)
    : QObject(parent), reloj_(reloj), ajustes_(ajustes), instalacion_(std::move(instalacion)),
      cambio_(std::move(cambio)), ocupacion_(std::move(ocupacion)), red_(std::make_unique<QNetworkAccessManager>())
{
}

Actualizador::~Actualizador() = default;

bool Actualizador::automatica() const { return ajustes_.booleano(claveAutomatica, true); }

QUrl Actualizador::urlManifiesto(const QString& variable)
{
    const QUrl url(variable, QUrl::StrictMode);
    if (url.isValid() && !url.isRelative() && !url.host().isEmpty())
        return url;
    return QUrl(QStringLiteral("https://zuvi.norp.cl/actualizaciones/ultima.json"));
}

bool Actualizador::desocupada(const Ocupacion& o, const QDateTime& ahora)
{
    if (o.turno || o.tareasFondo > 0 || (o.activo && o.inmersivo))
        return false;
    if (!o.ultimaConversacion)
        return true;
    const QDateTime ultima = std::min(*o.ultimaConversacion, ahora);
    return ultima.msecsTo(ahora) > 300 * 1000;
}

std::optional<QString> Actualizador::noActualizable(const QString& prefijo, const QString& clave, qint64 build)
{
    const QFileInfo carpeta(prefijo);
    const auto no = [](const QString& porque) {
        return QStringLiteral("esta copia de Zuvi IA no se actualiza sola: %1").arg(porque);
    };
    if (carpeta.fileName() != QLatin1String("ZuviIA") || carpeta.isSymLink() || !carpeta.isDir())
        return no(QStringLiteral("no corre desde una carpeta «ZuviIA» instalada (%1)").arg(prefijo));
    QFile archivo(prefijo + QLatin1Char('/') + Sello::nombreArchivo());
    if (QFileInfo(archivo.fileName()).isSymLink() || !archivo.open(QIODevice::ReadOnly))
        return no(QStringLiteral("la carpeta instalada no tiene sello"));
    try {
        if (Sello::leer(archivo.readAll(), clave).build != build)
            return no(QStringLiteral("el sello de la carpeta instalada es de otra versión"));
    } catch (const FalloActualizacion&) {
        return no(QStringLiteral("el sello de la carpeta instalada no es válido"));
    }
    const QString padre = carpeta.absolutePath();
    if (::access(QFile::encodeName(padre).constData(), W_OK) != 0)
        return no(QStringLiteral("no se puede escribir en «%1»").arg(padre));
    return std::nullopt;
}

void Actualizador::programar()
{
    if (programado_)
        return;
    programado_ = true;
    leerCambioAnterior();
    limpiarRestos();
    revision_ = reloj_.despues(primeraRevision, this, [this] { revisionProgramada(); });
}

void Actualizador::revisionProgramada()
{
    revisar(true, [this] { revision_ = reloj_.despues(entreRevisiones, this, [this] { revisionProgramada(); }); });
}

// The script writes its outcome after this process is gone; the next
// launch is the first to read it.
void Actualizador::leerCambioAnterior()
{
    QFile registro(instalacion_.registroCambio);
    if (!registro.open(QIODevice::ReadOnly))
        return;
    const auto resultado = ScriptCambio::ultimoResultado(registro.readAll());
    registro.close();
    if (resultado) {
        Registro::anotar(QStringLiteral("Actualizaciones: la última instalación (build %1) %2: %3")
                             .arg(resultado->build)
                             .arg(resultado->tipo == ScriptCambio::Resultado::Tipo::instalada ? QStringLiteral("terminó")
                                                                                              : QStringLiteral("falló"),
                                  resultado->detalle));
        if (resultado->tipo == ScriptCambio::Resultado::Tipo::rechazada)
            ajustes_.escribir(claveRechazada, resultado->build);
    }
    const QString anterior = instalacion_.registroCambio + QStringLiteral(".anterior");
    QFile::remove(anterior);
    QFile::rename(instalacion_.registroCambio, anterior);
}

void Actualizador::limpiarRestos()
{
    const QFileInfo prefijo(instalacion_.prefijo);
    if (prefijo.fileName() != QLatin1String("ZuviIA"))
        return;
    QDir padre(prefijo.absolutePath());
    const auto restos = padre.entryInfoList({QStringLiteral("ZuviIA-act-*")}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo& resto : restos)
        if (resto.ownerId() == ::getuid())
            QDir(resto.absoluteFilePath()).removeRecursively();
}

void Actualizador::buscar(bool silencioso) { revisar(silencioso, {}); }

void Actualizador::revisar(bool silencioso, Fin fin)
{
    if (estado_.caso == Estado::Caso::descargando || estado_.caso == Estado::Caso::instalando) {
        if (fin)
            fin();
        return;
    }
    setEstado(caso(Estado::Caso::buscando));
    QNetworkRequest pedido(instalacion_.manifiesto);
    pedido.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    pedido.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    pedido.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("ZuviIA/") + instalacion_.version);
    auto cuerpo = std::make_shared<QByteArray>();
    DescargaHttp::iniciar(
        *red_, reloj_, pedido, {inactividadManifiesto, limiteManifiesto},
        [cuerpo](QByteArrayView datos) {
            cuerpo->append(datos);
            return true;
        },
        [this, silencioso, cuerpo, fin = std::move(fin)](const DescargaHttp::Fin& r) {
            if (!r.ok)
                return fallaRevision(silencioso, r.mensaje, r.detalle, fin);
            alResponder(silencioso, *cuerpo, fin);
        });
}

void Actualizador::alResponder(bool silencioso, const QByteArray& cuerpo, Fin fin)
{
    Manifiesto m;
    try {
        m = Manifiesto::decodificar(cuerpo);
    } catch (const Manifiesto::ErrorDecodificacion& e) {
        return fallaRevision(silencioso, e.mensaje(), {}, fin);
    }
    const auto terminar = [&](const Estado& estado) {
        setEstado(estado);
        if (fin)
            fin();
    };
    if (m.build <= instalacion_.build) {
        Registro::anotar(QStringLiteral("Actualizaciones: al día (%1)").arg(instalacion_.version));
        return terminar(listaVigente() ? caso(Estado::Caso::lista, manifiesto_->version) : caso(Estado::Caso::alDia));
    }
    if (!FirmaActualizacion::firmaValida(m, instalacion_.clave))
        return fallaRevision(silencioso, QStringLiteral("la firma de la actualización no es válida"), {}, fin);
    // A replayed older manifest must not take the place of a newer one.
    if (manifiesto_ && m.build < manifiesto_->build) {
        Registro::anotar(QStringLiteral("Actualizaciones: se ignora el manifiesto de la build %1, más vieja que la %2")
                             .arg(m.build)
                             .arg(manifiesto_->build));
        return terminar(listaVigente() ? caso(Estado::Caso::lista, manifiesto_->version)
                                       : caso(Estado::Caso::disponible, manifiesto_->version));
    }
    if (ajustes_.valor(claveRechazada).toLongLong() == m.build && ajustes_.contiene(claveRechazada)) {
        Registro::anotar(QStringLiteral("Actualizaciones: la build %1 ya falló al instalarse; no se intenta otra vez")
                             .arg(m.build));
        return terminar(silencioso ? caso(Estado::Caso::alDia)
                                   : caso(Estado::Caso::error,
                                          QStringLiteral("la versión %1 no funcionó al instalarse; se esperará una más nueva")
                                              .arg(m.version)));
    }
    guardarManifiesto(m);
    setEstado(caso(Estado::Caso::disponible, m.version));
    Registro::anotar(QStringLiteral("Actualizaciones: disponible %1 (build %2)").arg(m.version).arg(m.build));
    const auto motivo = noActualizable(instalacion_.prefijo, instalacion_.clave, instalacion_.build);
    if (motivo)
        Registro::anotar(QStringLiteral("Actualizaciones: no se descarga (%1)").arg(*motivo));
    if (automatica() && !motivo)
        return bajar(fin);
    if (fin)
        fin();
}

void Actualizador::guardarManifiesto(const Manifiesto& m)
{
    if (buildVerificada_ != m.build)
        olvidarVerificada();
    manifiesto_ = m;
    setNotas(m.notas);
}

void Actualizador::fallaRevision(bool silencioso, const QString& mensaje, const QString& detalle, Fin fin)
{
    Registro::anotar(QStringLiteral("Actualizaciones: no se pudo revisar (%1)")
                         .arg(detalle.isEmpty() ? mensaje : mensaje + QStringLiteral(": ") + detalle));
    if (!silencioso)
        setEstado(caso(Estado::Caso::error, mensaje));
    else
        setEstado(listaVigente() ? caso(Estado::Caso::lista, manifiesto_->version) : caso(Estado::Caso::alDia));
    if (fin)
        fin();
}

bool Actualizador::listaVigente() const
{
    return manifiesto_ && !appVerificada_.isEmpty() && buildVerificada_ == manifiesto_->build;
}

bool Actualizador::desocupada() const { return desocupada(ocupacion_(), reloj_.ahora()); }

void Actualizador::setEstado(const Estado& estado)
{
    if (estado == estado_)
        return;
    estado_ = estado;
    emit estadoCambiado();
}

void Actualizador::setNotas(const std::optional<QString>& notas)
{
    if (notas == notas_)
        return;
    notas_ = notas;
    emit notasCambiadas();
}
