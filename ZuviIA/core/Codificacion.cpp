#include "core/Codificacion.h"

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
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        fallo(clave, "una fecha");
    return Codificacion::fechaDesde2001(v.toDouble());
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

Mensaje mensajeDesde(const QJsonObject& o)
{
    Mensaje m;
    m.id = requerido(o, kId, uuid);
    m.rol = requerido(o, QLatin1StringView("rol"), rol);
    m.texto = requerido(o, QLatin1StringView("texto"), texto);
    m.fecha = requerido(o, QLatin1StringView("fecha"), fecha);
    m.agente = opcional(o, QLatin1StringView("agente"), agente);
    m.autor = opcional(o, QLatin1StringView("autor"), texto);
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
    return p;
}

// A compact JSON writer straight into bytes: building QJsonObjects for a
// whole store costs several times more than the writing itself.
class Escritor {
public:
    QByteArray datos;

    void abrirObjeto() { datos += '{'; primero_ = true; }
    void cerrarObjeto() { datos += '}'; primero_ = false; }
    void abrirLista() { datos += '['; primero_ = true; }
    void cerrarLista() { datos += ']'; primero_ = false; }
    void separar()
    {
        if (!primero_)
            datos += ',';
        primero_ = false;
    }

    void clave(const char* nombre)
    {
        separar();
        datos += '"';
        datos += nombre;
        datos += "\":";
        primero_ = true;  // the value follows without a comma
    }

    void valor(const QString& texto)
    {
        separar();
        const QByteArray utf8 = texto.toUtf8();
        datos += '"';
        qsizetype limpio = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            datos.append(utf8.constData() + limpio, i - limpio);
            escapar(c);
            limpio = i + 1;
        }
        datos.append(utf8.constData() + limpio, utf8.size() - limpio);
        datos += '"';
    }

    void valor(double numero)
    {
        separar();
        datos += QByteArray::number(numero, 'g', QLocale::FloatingPointShortest);
    }

    void valor(qint64 numero)
    {
        separar();
        datos += QByteArray::number(numero);
    }

    void valor(bool si)
    {
        separar();
        datos += si ? "true" : "false";
    }

    void valor(const QDateTime& fecha) { valor(Codificacion::segundosDesde2001(fecha)); }
    void valor(const QUuid& id) { valor(Codificacion::textoUuid(id)); }

    void valor(const QStringList& textos)
    {
        separar();
        abrirLista();
        for (const QString& t : textos)
            valor(t);
        cerrarLista();
    }

    template <typename T>
    void campo(const char* nombre, const T& v)
    {
        clave(nombre);
        valor(v);
    }

    template <typename T>
    void campo(const char* nombre, const std::optional<T>& v)
    {
        if (v)
            campo(nombre, *v);
    }

private:
    void escapar(unsigned char c)
    {
        switch (c) {
        case '"': datos += "\\\""; break;
        case '\\': datos += "\\\\"; break;
        case '\b': datos += "\\b"; break;
        case '\f': datos += "\\f"; break;
        case '\n': datos += "\\n"; break;
        case '\r': datos += "\\r"; break;
        case '\t': datos += "\\t"; break;
        default: {
            static const char hex[] = "0123456789abcdef";
            datos += "\\u00";
            datos += hex[c >> 4];
            datos += hex[c & 0xf];
        }
        }
    }

    bool primero_ = true;
};

void escribir(Escritor& e, const Mensaje& m)
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
    e.cerrarObjeto();
}

void escribir(Escritor& e, const Conversacion& c)
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
    e.cerrarObjeto();
}

void escribir(Escritor& e, const Perfil& p)
{
    e.separar();
    e.abrirObjeto();
    e.campo("id", p.id);
    e.campo("nombre", p.nombre);
    e.campo("creado", p.creado);
    e.campo("ultimaVisita", p.ultimaVisita);
    e.campo("visitas", p.visitas);
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
// store; the first exception thrown is rethrown here.
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

template <typename T, typename F>
QList<T> decodificarLista(const QByteArray& datos, F desde)
{
    const QJsonArray arreglo = lista(datos);
    QList<T> resultado(arreglo.size());
    paraCada(arreglo.size(), [&](qsizetype i) { resultado[i] = desde(objeto(arreglo.at(i))); });
    return resultado;
}

template <typename T>
QByteArray codificarLista(const QList<T>& elementos)
{
    std::vector<QByteArray> partes(static_cast<size_t>(elementos.size()));
    paraCada(elementos.size(), [&](qsizetype i) {
        Escritor e;
        escribir(e, elementos[i]);
        partes[static_cast<size_t>(i)] = std::move(e.datos);
    });
    qsizetype total = 2 + elementos.size();
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

}

namespace Codificacion {

double segundosDesde2001(const QDateTime& fecha)
{
    return static_cast<double>(fecha.toMSecsSinceEpoch() - epoca2001Ms) / 1000.0;
}

QDateTime fechaDesde2001(double segundos)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(segundos * 1000.0) + epoca2001Ms, Qt::UTC);
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

QByteArray codificar(const QList<Conversacion>& conversaciones) { return codificarLista(conversaciones); }
QByteArray codificar(const QList<Perfil>& perfiles) { return codificarLista(perfiles); }

QList<Conversacion> decodificarConversaciones(const QByteArray& datos)
{
    return decodificarLista<Conversacion>(datos, conversacionDesde);
}

QList<Perfil> decodificarPerfiles(const QByteArray& datos) { return decodificarLista<Perfil>(datos, perfilDesde); }

}
