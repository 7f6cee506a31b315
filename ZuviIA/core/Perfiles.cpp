#include "core/Perfiles.h"

#include "core/ArchivoLista.h"
#include "core/CarpetasMemoria.h"
#include "core/Codificacion.h"
#include "core/ExtraccionNombre.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Reloj.h"

#include <QDir>
#include <QFile>

namespace {

const QString claveTerminos = QStringLiteral("terminosPerfiles");
const QString claveActivo = QStringLiteral("perfilActivo");
const QString claveActivoDesde = QStringLiteral("perfilActivoDesde");

QString primeraPalabra(const QString& clave)
{
    const QStringList palabras = clave.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return palabras.isEmpty() ? QString() : palabras.first();
}

}

Perfiles::Perfiles(Ajustes& ajustes, Reloj& reloj, const QString& carpetaDatos, QObject* parent)
    : QObject(parent), ajustes_(ajustes), reloj_(reloj), carpetaDatos_(carpetaDatos)
{
    QDir().mkpath(carpetaDatos);
    archivo_ = carpetaDatos + QStringLiteral("/perfiles.json");
    cargar();
}

Perfiles& Perfiles::shared()
{
    static Perfiles perfiles(Ajustes::shared(), Reloj::sistema(), Carpetas::datosApp());
    return perfiles;
}

void Perfiles::cargar()
{
    const auto carga = ArchivoLista::cargar(archivo_, reloj_.ahora(), [this](const QByteArray& datos) {
        auto lectura = Codificacion::decodificarPerfiles(datos);
        todos_ = std::move(lectura.elementos);
        ilegibles_ = std::move(lectura.ilegibles);
    });
    sinGuardar_ = carga == ArchivoLista::Carga::atascada;
    ArchivoLista::anotarIlegibles(archivo_, ilegibles_);
}

void Perfiles::setTodos(QList<Perfil> todos)
{
    if (todos == todos_)
        return;
    todos_ = std::move(todos);
    emit todosCambiados();
}

void Perfiles::setActivo(std::optional<Perfil> perfil)
{
    const bool cambia = perfil != activo_;
    activo_ = std::move(perfil);
    if (activo_)
        ajustes_.escribir(claveActivo, Codificacion::textoUuid(activo_->id));
    else
        ajustes_.quitar(claveActivo);
    ajustes_.escribir(claveActivoDesde, reloj_.ahora());
    if (cambia)
        emit activoCambiado();
}

void Perfiles::setPresentes(QList<Perfil> presentes)
{
    if (presentes == presentes_)
        return;
    presentes_ = std::move(presentes);
    emit presentesCambiados();
}

std::optional<Perfil> Perfiles::buscar(const QString& nombre) const
{
    const QString clave = ExtraccionNombre::clave(nombre);
    if (clave.isEmpty())
        return std::nullopt;
    for (const Perfil& p : todos_)
        if (ExtraccionNombre::clave(p.nombre) == clave)
            return p;
    const QString primera = primeraPalabra(clave);
    for (const Perfil& p : todos_) {
        const QString suya = primeraPalabra(ExtraccionNombre::clave(p.nombre));
        if (!suya.isEmpty() && suya == primera)
            return p;
    }
    return std::nullopt;
}

Perfiles::Activacion Perfiles::activar(const QString& nombre)
{
    const QDateTime ahora = reloj_.ahora();
    std::optional<Perfil> encontrado = buscar(nombre);
    const bool nuevo = !encontrado;
    Perfil p;
    if (nuevo) {
        p = Perfil{QUuid::createUuid(), nombre, ahora, ahora, 1};
        setTodos(todos_ + QList<Perfil>{p});
        guardar();
    } else {
        p = *encontrado;
        p.ultimaVisita = ahora;
        p.visitas += 1;
        reemplazar(p);
    }
    setActivo(p);
    const bool presente = std::any_of(presentes_.cbegin(), presentes_.cend(),
                                      [&](const Perfil& otro) { return otro.id == p.id; });
    if (!presente)
        setPresentes(presentes_ + QList<Perfil>{p});
    CarpetasMemoria::prepararPersona(p);
    return {p, nuevo};
}

void Perfiles::marcarActividad()
{
    if (activo_)
        ajustes_.escribir(claveActivoDesde, reloj_.ahora());
}

void Perfiles::eliminar(const Perfil& perfil)
{
    const auto mismo = [&](const Perfil& p) { return p.id == perfil.id; };
    QList<Perfil> todos = todos_;
    todos.removeIf(mismo);
    setTodos(std::move(todos));
    QList<Perfil> presentes = presentes_;
    presentes.removeIf(mismo);
    setPresentes(std::move(presentes));
    if (activo_ && activo_->id == perfil.id)
        setActivo(std::nullopt);
    QFile::remove(archivoHuella(perfil, carpetaDatos_));
    guardar();
}

void Perfiles::reemplazar(const Perfil& perfil)
{
    QList<Perfil> todos = todos_;
    for (Perfil& p : todos)
        if (p.id == perfil.id) {
            p = perfil;
            break;
        }
    setTodos(std::move(todos));
    guardar();
}

void Perfiles::guardar()
{
    if (sinGuardar_)
        Registro::anotar(QStringLiteral("No se guarda %1: el archivo ilegible no pudo apartarse").arg(archivo_));
    else
        ArchivoLista::guardar(archivo_, Codificacion::codificar(todos_, ilegibles_));
    QStringList nombres;
    for (const Perfil& p : todos_)
        nombres << p.nombre;
    ajustes_.escribir(claveTerminos, nombres);
}

QString Perfiles::carpetaHuellas(const QString& carpetaDatos) { return carpetaDatos + QStringLiteral("/voz/huellas"); }
QString Perfiles::carpetaHuellas() { return carpetaHuellas(Carpetas::datosApp()); }

QString Perfiles::archivoHuella(const Perfil& perfil, const QString& carpetaDatos)
{
    return carpetaHuellas(carpetaDatos) + QLatin1Char('/') + Codificacion::textoUuid(perfil.id)
        + QStringLiteral(".npz");
}

bool Perfiles::tieneHuella(const Perfil& perfil, const QString& carpetaDatos)
{
    return QFile::exists(archivoHuella(perfil, carpetaDatos));
}

bool Perfiles::tieneHuella(const Perfil& perfil) { return tieneHuella(perfil, Carpetas::datosApp()); }

std::optional<QString> Perfiles::extraerNombre(const QString& texto) { return ExtraccionNombre::extraer(texto); }

const QSet<QString>& Perfiles::comunes() { return ExtraccionNombre::comunes(); }
