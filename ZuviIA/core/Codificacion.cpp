#include "core/Codificacion.h"

#include "core/EscritorJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <vector>

namespace {

using Codificacion::ErrorDecodificacion;

constexpr qint64 epoca2001Ms = 978307200000;

[[noreturn]] void fallo(QLatin1StringView clave, const char* esperado)
{
    throw ErrorDecodificacion(QStringLiteral("la clave «%1» no es %2").arg(clave, QString::fromUtf8(esperado))
                                  .toStdString());
}

// One lookup per key; a missing key and null both read as unset.
std::optional<QJsonValue> campo(const QJsonObject& o, QLatin1StringView clave)
{
    const auto it = o.constFind(clave);
    if (it == o.constEnd() || it->isNull())
        return std::nullopt;
    return it.value();
}

template <typename F>
auto requerido(const QJsonObject& o, QLatin1StringView clave, F leer)
{
    const auto v = campo(o, clave);
    if (!v)
        throw ErrorDecodificacion(QStringLiteral("falta la clave «%1»").arg(clave).toStdString());
    return leer(*v, clave);
}

template <typename F>
auto opcional(const QJsonObject& o, QLatin1StringView clave, F leer) -> std::optional<decltype(leer(QJsonValue(), clave))>
{
    const auto v = campo(o, clave);
    if (!v)
        return std::nullopt;
    return leer(*v, clave);
}

QString texto(const QJsonValue& v, QLatin1StringView clave)
{
    if (!v.isString())
        fallo(clave, "un texto");
    return v.toString();
}

QDateTime fecha(const QJsonValue& v, QLatin1StringView clave)
{
    const auto f = v.isDouble() ? Codificacion::fechaDesde2001(v.toDouble()) : std::nullopt;
    if (!f)
        fallo(clave, "una fecha");
    return *f;
}

QUuid uuid(const QJsonValue& v, QLatin1StringView clave)
{
    const auto id = v.isString() ? Codificacion::uuidDesde(v.toString()) : std::nullopt;
    if (!id)
        fallo(clave, "un UUID");
    return *id;
}

qint64 entero(const QJsonValue& v, QLatin1StringView clave)
{
    // An integral value reads the same whatever the fallback.
    if (!v.isDouble() || v.toInteger(0) != v.toInteger(1))
        fallo(clave, "un entero");
    return v.toInteger();
}

bool booleano(const QJsonValue& v, QLatin1StringView clave)
{
    if (!v.isBool())
        fallo(clave, "verdadero o falso");
    return v.toBool();
}

QJsonArray arreglo(const QJsonValue& v, QLatin1StringView clave)
{
    if (!v.isArray())
        fallo(clave, "una lista");
    return v.toArray();
}

QStringList textos(const QJsonValue& v, QLatin1StringView clave)
{
    QStringList lista;
    for (const QJsonValue& e : arreglo(v, clave))
        lista << texto(e, clave);
    return lista;
}

Mensaje::Rol rol(const QJsonValue& v, QLatin1StringView clave)
{
    const auto r = rolDesde(texto(v, clave));
    if (!r)
        fallo(clave, "un rol conocido");
    return *r;
}

AgenteCLI agente(const QJsonValue& v, QLatin1StringView clave)
{
    const auto a = agenteDesde(texto(v, clave));
    if (!a)
        fallo(clave, "un agente conocido");
    return *a;
}

QJsonObject objeto(const QJsonValue& v)
{
    if (!v.isObject())
        throw ErrorDecodificacion("un elemento no es un objeto");
    return v.toObject();
}

const QLatin1StringView kId("id");

// The keys this version does not know, to be written back as read.
QJsonObject otrasClaves(const QJsonObject& o, std::initializer_list<QLatin1StringView> conocidas)
{
    QJsonObject otras;
    if (o.size() <= qsizetype(conocidas.size()) && std::all_of(conocidas.begin(), conocidas.end(), [&](auto c) {
            return o.contains(c);
        }))
        return otras;
    for (auto it = o.begin(); it != o.end(); ++it)
        if (std::find(conocidas.begin(), conocidas.end(), it.key()) == conocidas.end())
            otras.insert(it.key(), it.value());
    return otras;
}

Mensaje mensajeDesde(const QJsonObject& o)
{
    Mensaje m;
    m.id = requerido(o, kId, uuid);
    m.rol = requerido(o, QLatin1StringView("rol"), rol);
    m.texto = requerido(o, QLatin1StringView("texto"), texto);
    m.fecha = requerido(o, QLatin1StringView("fecha"), fecha);
    m.agente = opcional(o, QLatin1StringView("agente"), agente);
    m.autor = opcional(o, QLatin1StringView("autor"), texto);
    m.otras = otrasClaves(o, {kId, QLatin1StringView("rol"), QLatin1StringView("texto"), QLatin1StringView("fecha"),
                              QLatin1StringView("agente"), QLatin1StringView("autor")});
    return m;
}

QList<Mensaje> mensajes(const QJsonValue& v, QLatin1StringView clave)
{
    const QJsonArray a = arreglo(v, clave);
    QList<Mensaje> lista;
    lista.reserve(a.size());
    for (const QJsonValue& m : a)
        lista << mensajeDesde(objeto(m));
    return lista;
}

Conversacion conversacionDesde(const QJsonObject& o)
{
    Conversacion c;
    c.id = requerido(o, kId, uuid);
    c.titulo = requerido(o, QLatin1StringView("titulo"), texto);
    c.mensajes = requerido(o, QLatin1StringView("mensajes"), mensajes);
    c.creada = requerido(o, QLatin1StringView("creada"), fecha);
    c.actualizada = requerido(o, QLatin1StringView("actualizada"), fecha);
    c.sesionClaude = opcional(o, QLatin1StringView("sesionClaude"), texto);
    c.perfilID = opcional(o, QLatin1StringView("perfilID"), uuid);
    c.carpeta = opcional(o, QLatin1StringView("carpeta"), texto);
    c.esReunion = opcional(o, QLatin1StringView("esReunion"), booleano);
    c.asistentes = opcional(o, QLatin1StringView("asistentes"), textos);
    c.otras = otrasClaves(o, {kId, QLatin1StringView("titulo"), QLatin1StringView("mensajes"),
                              QLatin1StringView("creada"), QLatin1StringView("actualizada"),
                              QLatin1StringView("sesionClaude"), QLatin1StringView("perfilID"),
                              QLatin1StringView("carpeta"), QLatin1StringView("esReunion"),
                              QLatin1StringView("asistentes")});
    return c;
}

Perfil perfilDesde(const QJsonObject& o)
{
    Perfil p;
    p.id = requerido(o, kId, uuid);
    p.nombre = requerido(o, QLatin1StringView("nombre"), texto);
    p.creado = requerido(o, QLatin1StringView("creado"), fecha);
    p.ultimaVisita = requerido(o, QLatin1StringView("ultimaVisita"), fecha);
    p.visitas = requerido(o, QLatin1StringView("visitas"), entero);
    p.otras = otrasClaves(o, {kId, QLatin1StringView("nombre"), QLatin1StringView("creado"),
                              QLatin1StringView("ultimaVisita"), QLatin1StringView("visitas")});
    return p;
}

void escribir(EscritorJson& e, const Mensaje& m)
{
    e.separar();
    e.abrirObjeto();
    e.campo("id", m.id);
    e.campo("rol", valorCrudo(m.rol));
    e.campo("texto", m.texto);
    e.campo("fecha", m.fecha);
    if (m.agente)
        e.campo("agente", valorCrudo(*m.agente));
    e.campo("autor", m.autor);
    e.otras(m.otras);
    e.cerrarObjeto();
}

void escribir(EscritorJson& e, const Conversacion& c)
{
    e.separar();
    e.abrirObjeto();
    e.campo("id", c.id);
    e.campo("titulo", c.titulo);
    e.clave("mensajes");
    e.separar();
    e.abrirLista();
    for (const Mensaje& m : c.mensajes)
        escribir(e, m);
    e.cerrarLista();
    e.campo("creada", c.creada);
    e.campo("actualizada", c.actualizada);
    e.campo("sesionClaude", c.sesionClaude);
    e.campo("perfilID", c.perfilID);
    e.campo("carpeta", c.carpeta);
    e.campo("esReunion", c.esReunion);
    e.campo("asistentes", c.asistentes);
    e.otras(c.otras);
    e.cerrarObjeto();
}

void escribir(EscritorJson& e, const Perfil& p)
{
    e.separar();
    e.abrirObjeto();
    e.campo("id", p.id);
    e.campo("nombre", p.nombre);
    e.campo("creado", p.creado);
    e.campo("ultimaVisita", p.ultimaVisita);
    e.campo("visitas", p.visitas);
    e.otras(p.otras);
    e.cerrarObjeto();
}

QJsonArray lista(const QByteArray& datos)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(datos, &error);
    if (error.error != QJsonParseError::NoError)
        throw ErrorDecodificacion(QStringLiteral("JSON no válido: %1").arg(error.errorString()).toStdString());
    if (!doc.isArray())
        throw ErrorDecodificacion("el archivo no es una lista");
    return doc.array();
}

// Runs hacer(i) for every i below n, spread over a few threads for a big
// store (a load, once per process); the first exception thrown is
// rethrown here.
template <typename F>
void paraCada(qsizetype n, F hacer)
{
    const qsizetype hilos = std::min<qsizetype>({std::max(1u, std::thread::hardware_concurrency()), 8, n / 64});
    if (hilos <= 1) {
        for (qsizetype i = 0; i < n; ++i)
            hacer(i);
        return;
    }
    std::vector<std::exception_ptr> errores(static_cast<size_t>(hilos));
    std::vector<std::thread> trabajadores;
    for (qsizetype h = 0; h < hilos; ++h)
        trabajadores.emplace_back([&, h] {
            try {
                for (qsizetype i = h; i < n; i += hilos)
                    hacer(i);
            } catch (...) {
                errores[static_cast<size_t>(h)] = std::current_exception();
            }
        });
    for (auto& t : trabajadores)
        t.join();
    for (const auto& e : errores)
        if (e)
            std::rethrow_exception(e);
}

// Each element on its own: one that does not decode is kept as it was read,
// with its place in the file, and the others load.
template <typename T, typename F>
Codificacion::Lectura<T> decodificarLista(const QByteArray& datos, F desde)
{
    const QJsonArray arreglo = lista(datos);
    std::vector<std::optional<T>> leidos(static_cast<size_t>(arreglo.size()));
    std::vector<QString> motivos(static_cast<size_t>(arreglo.size()));
    paraCada(arreglo.size(), [&](qsizetype i) {
        try {
            leidos[static_cast<size_t>(i)] = desde(objeto(arreglo.at(i)));
        } catch (const ErrorDecodificacion& e) {
            motivos[static_cast<size_t>(i)] = QString::fromUtf8(e.what());
        }
    });
    Codificacion::Lectura<T> resultado;
    resultado.elementos.reserve(arreglo.size());
    for (qsizetype i = 0; i < arreglo.size(); ++i) {
        if (auto& leido = leidos[static_cast<size_t>(i)])
            resultado.elementos << std::move(*leido);
        else
            resultado.ilegibles << Codificacion::Ilegible{i, arreglo.at(i), motivos[static_cast<size_t>(i)]};
    }
    return resultado;
}

template <typename T>
QByteArray codificarUno(const T& elemento)
{
    EscritorJson e;
    escribir(e, elemento);
    return std::move(e.datos);
}

template <typename T>
QByteArray codificarLista(const QList<T>& elementos, const QList<Codificacion::Ilegible>& ilegibles)
{
    std::vector<QByteArray> partes;
    partes.reserve(static_cast<size_t>(elementos.size()));
    for (const T& x : elementos)
        partes.push_back(codificarUno(x));
    return Codificacion::unir(std::move(partes), ilegibles);
}

}

namespace Codificacion {

double segundosDesde2001(const QDateTime& fecha)
{
    return static_cast<double>(fecha.toMSecsSinceEpoch() - epoca2001Ms) / 1000.0;
}

std::optional<QDateTime> fechaDesde2001(double segundos)
{
    // Past a 64-bit millisecond count there is no such date: never wrap it
    // into another one.
    const double ms = std::round(segundos * 1000.0) + double(epoca2001Ms);
    if (!std::isfinite(ms) || ms >= 0x1p63 || ms < -0x1p63)
        return std::nullopt;
    const QDateTime f = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
    if (!f.isValid() || f.toMSecsSinceEpoch() != static_cast<qint64>(ms))
        return std::nullopt;
    return f;
}

QString textoUuid(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

std::optional<QUuid> uuidDesde(const QString& texto)
{
    if (texto.size() != 36)
        return std::nullopt;
    for (int i = 0; i < 36; ++i) {
        const QChar c = texto.at(i);
        const bool guion = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (guion ? c != u'-' : !hex)
            return std::nullopt;
    }
    return QUuid::fromString(texto);
}

QByteArray codificar(const Conversacion& conversacion) { return codificarUno(conversacion); }

// Unreadable elements go back to their places in the file; past the end of
// a list that has shrunk, they go last, in their order.
QByteArray unir(std::vector<QByteArray> partes, const QList<Ilegible>& ilegibles)
{
    for (const Ilegible& x : ilegibles) {
        EscritorJson e;
        e.valor(x.valor);
        const auto donde = std::min<size_t>(static_cast<size_t>(std::max<qsizetype>(x.posicion, 0)), partes.size());
        partes.insert(partes.begin() + static_cast<std::ptrdiff_t>(donde), std::move(e.datos));
    }
    qsizetype total = 2 + qsizetype(partes.size());
    for (const QByteArray& p : partes)
        total += p.size();
    QByteArray datos;
    datos.reserve(total);
    datos += '[';
    for (size_t i = 0; i < partes.size(); ++i) {
        if (i > 0)
            datos += ',';
        datos += partes[i];
    }
    datos += ']';
    return datos;
}

QByteArray codificar(const QList<Conversacion>& conversaciones, const QList<Ilegible>& ilegibles)
{
    return codificarLista(conversaciones, ilegibles);
}

QByteArray codificar(const QList<Perfil>& perfiles, const QList<Ilegible>& ilegibles)
{
    return codificarLista(perfiles, ilegibles);
}

Lectura<Conversacion> decodificarConversaciones(const QByteArray& datos)
{
    return decodificarLista<Conversacion>(datos, conversacionDesde);
}

Lectura<Perfil> decodificarPerfiles(const QByteArray& datos) { return decodificarLista<Perfil>(datos, perfilDesde); }

}
