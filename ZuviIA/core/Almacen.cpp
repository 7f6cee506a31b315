#include "core/Almacen.h"

#include "core/ArchivoLista.h"
#include "core/CarpetasMemoria.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Reloj.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSet>

#include <algorithm>

Almacen::Almacen(Reloj& reloj, Perfiles& perfiles, const QString& carpetaDatos, Carga carga, QObject* parent)
    : QObject(parent), reloj_(reloj), perfiles_(perfiles)
{
    QDir().mkpath(carpetaDatos);
    archivo_ = carpetaDatos + QStringLiteral("/conversaciones.json");
    escritor_ = std::make_unique<EscritorAlmacen>(archivo_);
    if (carga == Carga::ahora) {
        aplicar(leer(archivo_, reloj_.ahora()));
        return;
    }
    desdeInicio_.start();
    cargador_ = std::thread([this, archivo = archivo_, ahora = reloj_.ahora()] {
        leido_ = leer(archivo, ahora);
        QMetaObject::invokeMethod(this, &Almacen::terminarCarga, Qt::QueuedConnection);
    });
}

Almacen::~Almacen()
{
    if (cargador_.joinable())
        cargador_.join();
}

Almacen& Almacen::shared()
{
    static Almacen almacen(Reloj::sistema(), Perfiles::shared(), Carpetas::datosApp(), Carga::enSegundoPlano);
    return almacen;
}

Almacen::Leido Almacen::leer(const QString& archivo, const QDateTime& ahora)
{
    // Another store of this process may still be writing the file.
    EscritorAlmacen::esperarArchivo(archivo);
    Leido leido;
    leido.carga = ArchivoLista::cargar(
        archivo, ahora,
        [&](const QByteArray& datos) {
            auto lectura = Codificacion::decodificarConversaciones(datos);
            leido.conversaciones = std::move(lectura.elementos);
            leido.ilegibles = std::move(lectura.ilegibles);
        },
        &leido.apartado);
    ArchivoLista::anotarIlegibles(archivo, leido.ilegibles);
    std::stable_sort(leido.conversaciones.begin(), leido.conversaciones.end(),
                     [](const Conversacion& a, const Conversacion& b) { return a.actualizada > b.actualizada; });
    return leido;
}

void Almacen::terminarCarga()
{
    // Also reached by a queued hop after esperarGuardado already applied it.
    if (cargado_)
        return;
    if (cargador_.joinable())
        cargador_.join();
    if (!leido_)
        return;
    aplicar(*std::exchange(leido_, std::nullopt));
    Registro::anotar(QStringLiteral("Conversaciones leídas: %1 en %2 ms")
                         .arg(conversaciones_.size())
                         .arg(desdeInicio_.elapsed()));
}

// What was made while the file was read stays in front; the file's
// conversations follow in their loaded order.
void Almacen::aplicar(Leido leido)
{
    ilegibles_ = std::move(leido.ilegibles);
    sinGuardar_ = leido.carga == ArchivoLista::Carga::atascada;
    const bool apartada = leido.carga == ArchivoLista::Carga::apartada;
    if (apartada)
        apartado_ = leido.apartado;
    QSet<QUuid> hechas;
    for (const Conversacion& c : conversaciones_)
        hechas.insert(c.id);
    for (Conversacion& c : leido.conversaciones)
        if (!hechas.contains(c.id))
            conversaciones_ << std::move(c);
    ultimoIndice_ = -1;
    cargado_ = true;
    if (!conversaciones_.isEmpty())
        emit conversacionesCambiadas();
    if (!seleccion_ && !conversaciones_.isEmpty())
        setSeleccion(conversaciones_.first().id);
    emit cargadoCambiado();
    if (apartada)
        emit apartadoCambiado();
    if (std::exchange(guardadoPendiente_, false))
        guardar();
    else if (!sinGuardar_)
        escritor_->pedir(instantanea(false));
}

void Almacen::alCargar(QObject* contexto, std::function<void()> hacer)
{
    if (cargado_) {
        hacer();
        return;
    }
    auto conexion = std::make_shared<QMetaObject::Connection>();
    *conexion = connect(this, &Almacen::cargadoCambiado, contexto, [conexion, hacer = std::move(hacer)] {
        QObject::disconnect(*conexion);
        hacer();
    });
}

void Almacen::descartarApartado()
{
    if (!apartado_)
        return;
    apartado_.reset();
    emit apartadoCambiado();
}

void Almacen::esperarGuardado()
{
    terminarCarga();
    escritor_->esperar();
}

bool Almacen::esperarGuardado(std::chrono::milliseconds limite)
{
    terminarCarga();
    return escritor_->esperar(limite);
}

void Almacen::tocar(const QUuid& id) { revisiones_.insert(id, ++ultimaRevision_); }

EscritorAlmacen::Instantanea Almacen::instantanea(bool escribir) const
{
    EscritorAlmacen::Instantanea x{conversaciones_, {}, ilegibles_, escribir};
    x.revisiones.reserve(static_cast<size_t>(conversaciones_.size()));
    for (const Conversacion& c : conversaciones_)
        x.revisiones.push_back(revisiones_.value(c.id, 0));
    return x;
}

void Almacen::setSeleccion(std::optional<QUuid> id)
{
    if (id == seleccion_)
        return;
    seleccion_ = id;
    emit seleccionCambiada();
}

qsizetype Almacen::indice(const QUuid& id) const
{
    if (ultimoIndice_ >= 0 && ultimoIndice_ < conversaciones_.size() && conversaciones_[ultimoIndice_].id == id)
        return ultimoIndice_;
    for (qsizetype i = 0; i < conversaciones_.size(); ++i)
        if (conversaciones_[i].id == id)
            return ultimoIndice_ = i;
    return -1;
}

std::optional<Conversacion> Almacen::conversacion(const QUuid& id) const
{
    const qsizetype i = indice(id);
    if (i < 0)
        return std::nullopt;
    return conversaciones_[i];
}

std::optional<Conversacion> Almacen::actual() const
{
    return seleccion_ ? conversacion(*seleccion_) : std::nullopt;
}

QString Almacen::nuevaCarpetaProyecto() const { return CarpetasMemoria::nuevaCarpetaProyecto(reloj_.ahora()); }

QUuid Almacen::nueva()
{
    const auto vacia = std::find_if(conversaciones_.cbegin(), conversaciones_.cend(),
                                    [](const Conversacion& c) { return c.mensajes.isEmpty(); });
    if (vacia != conversaciones_.cend()) {
        const QUuid id = vacia->id;
        setSeleccion(id);
        cambiar(id, true, [this](Conversacion& c) {
            if (!c.carpeta)
                c.carpeta = nuevaCarpetaProyecto();
            c.titulo = QStringLiteral("Proyecto nuevo");
            c.asistentes.reset();
            c.esReunion.reset();
            c.perfilID.reset();
        });
        return id;
    }
    const QDateTime ahora = reloj_.ahora();
    Conversacion c;
    c.id = QUuid::createUuid();
    c.titulo = QStringLiteral("Proyecto nuevo");
    c.creada = ahora;
    c.actualizada = ahora;
    c.carpeta = nuevaCarpetaProyecto();
    conversaciones_.prepend(c);
    tocar(c.id);
    ultimoIndice_ = 0;
    emit conversacionesCambiadas();
    setSeleccion(c.id);
    guardar();
    return c.id;
}

void Almacen::cambiar(const QUuid& id, bool guardarAhora, const std::function<void(Conversacion&)>& cambio)
{
    const qsizetype i = indice(id);
    if (i < 0)
        return;
    Conversacion& c = conversaciones_[i];
    // A shallow copy: only what the change touches gets copied.
    const Conversacion antes = c;
    cambio(c);
    c.actualizada = reloj_.ahora();
    tocar(id);
    if (!(c == antes))
        emit conversacionCambiada(id);
    if (guardarAhora)
        guardar();
}

void Almacen::anexarTexto(const QUuid& id, const QUuid& mensaje, const QString& texto, bool guardarAhora)
{
    const qsizetype i = indice(id);
    if (i < 0 || texto.isEmpty())
        return;
    Conversacion& c = conversaciones_[i];
    // Appended in place: a copy kept to compare would make every fragment
    // copy the whole growing answer. The message is nearly always the last.
    for (auto m = c.mensajes.rbegin(); m != c.mensajes.rend(); ++m) {
        if (m->id != mensaje)
            continue;
        m->texto += texto;
        c.actualizada = reloj_.ahora();
        tocar(id);
        emit conversacionCambiada(id);
        if (guardarAhora)
            guardar();
        return;
    }
}

void Almacen::guardar()
{
    // Never over a file not read yet: the load writes it once it has merged.
    if (!cargado_) {
        guardadoPendiente_ = true;
        return;
    }
    if (sinGuardar_) {
        Registro::anotar(QStringLiteral("No se guarda %1: el archivo ilegible no pudo apartarse").arg(archivo_));
        return;
    }
    escritor_->pedir(instantanea(true));
}

void Almacen::eliminar(const QUuid& id)
{
    const qsizetype quitadas =
        conversaciones_.removeIf([&](const Conversacion& c) { return c.id == id; });
    if (quitadas > 0) {
        revisiones_.remove(id);
        ultimoIndice_ = -1;
        emit conversacionesCambiadas();
    }
    if (seleccion_ == id)
        setSeleccion(conversaciones_.isEmpty() ? std::nullopt : std::optional(conversaciones_.first().id));
    guardar();
}

void Almacen::fijarCarpetaDePersona(const Perfil& perfil)
{
    QList<QUuid> fijadas;
    for (Conversacion& c : conversaciones_) {
        if (c.carpeta || c.perfilID != perfil.id)
            continue;
        c.carpeta = perfil.carpeta();
        tocar(c.id);
        fijadas << c.id;
    }
    if (fijadas.isEmpty())
        return;
    guardar();
    for (const QUuid& id : fijadas)
        emit conversacionCambiada(id);
}

QString Almacen::carpeta(const Conversacion& conversacion) const
{
    if (conversacion.carpeta)
        return *conversacion.carpeta;
    if (conversacion.perfilID)
        for (const Perfil& p : perfiles_.todos())
            if (p.id == *conversacion.perfilID)
                return p.carpeta();
    return CarpetasMemoria::raiz();
}
