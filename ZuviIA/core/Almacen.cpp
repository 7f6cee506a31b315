#include "core/Almacen.h"

#include "core/ArchivoLista.h"
#include "core/CarpetasMemoria.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Reloj.h"

#include <QDir>

#include <algorithm>

Almacen::Almacen(Reloj& reloj, Perfiles& perfiles, const QString& carpetaDatos, QObject* parent)
    : QObject(parent), reloj_(reloj), perfiles_(perfiles)
{
    QDir().mkpath(carpetaDatos);
    archivo_ = carpetaDatos + QStringLiteral("/conversaciones.json");
    cargar();
}

Almacen& Almacen::shared()
{
    static Almacen almacen(Reloj::sistema(), Perfiles::shared(), Carpetas::datosApp());
    return almacen;
}

void Almacen::cargar()
{
    QList<Conversacion> leidas;
    const auto carga = ArchivoLista::cargar(archivo_, reloj_.ahora(), [&](const QByteArray& datos) {
        auto lectura = Codificacion::decodificarConversaciones(datos);
        leidas = std::move(lectura.elementos);
        ilegibles_ = std::move(lectura.ilegibles);
    });
    sinGuardar_ = carga == ArchivoLista::Carga::atascada;
    ArchivoLista::anotarIlegibles(archivo_, ilegibles_);
    std::stable_sort(leidas.begin(), leidas.end(),
                     [](const Conversacion& a, const Conversacion& b) { return a.actualizada > b.actualizada; });
    conversaciones_ = std::move(leidas);
    if (!conversaciones_.isEmpty())
        seleccion_ = conversaciones_.first().id;
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
        emit conversacionCambiada(id);
        if (guardarAhora)
            guardar();
        return;
    }
}

void Almacen::guardar()
{
    if (sinGuardar_) {
        Registro::anotar(QStringLiteral("No se guarda %1: el archivo ilegible no pudo apartarse").arg(archivo_));
        return;
    }
    ArchivoLista::guardar(archivo_, Codificacion::codificar(conversaciones_, ilegibles_));
}

void Almacen::eliminar(const QUuid& id)
{
    const qsizetype quitadas =
        conversaciones_.removeIf([&](const Conversacion& c) { return c.id == id; });
    if (quitadas > 0) {
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
