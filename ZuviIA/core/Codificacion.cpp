#include "core/Codificacion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

using Codificacion::ErrorDecodificacion;

constexpr qint64 epoca2001Ms = 978307200000;

[[noreturn]] void fallo(const QString& clave, const char* esperado)
{
    throw ErrorDecodificacion(QStringLiteral("la clave «%1» no es %2").arg(clave, QString::fromUtf8(esperado))
                                  .toStdString());
}

// A missing key and null both read as unset.
bool ausente(const QJsonObject& o, const QString& clave)
{
    const auto it = o.constFind(clave);
    return it == o.constEnd() || it->isNull();
}

QJsonValue requerido(const QJsonObject& o, const QString& clave)
{
    if (ausente(o, clave))
        throw ErrorDecodificacion(QStringLiteral("falta la clave «%1»").arg(clave).toStdString());
    return o.value(clave);
}

QString texto(const QJsonValue& v, const QString& clave)
{
    if (!v.isString())
        fallo(clave, "un texto");
    return v.toString();
}

QDateTime fecha(const QJsonValue& v, const QString& clave)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        fallo(clave, "una fecha");
    return Codificacion::fechaDesde2001(v.toDouble());
}

QUuid uuid(const QJsonValue& v, const QString& clave)
{
    const auto id = v.isString() ? Codificacion::uuidDesde(v.toString()) : std::nullopt;
    if (!id)
        fallo(clave, "un UUID");
    return *id;
}

qint64 entero(const QJsonValue& v, const QString& clave)
{
    // An integral value reads the same whatever the fallback.
    if (!v.isDouble() || v.toInteger(0) != v.toInteger(1))
        fallo(clave, "un entero");
    return v.toInteger();
}

template <typename F>
auto opcional(const QJsonObject& o, const QString& clave, F leer) -> std::optional<decltype(leer(QJsonValue(), clave))>
{
    if (ausente(o, clave))
        return std::nullopt;
    return leer(o.value(clave), clave);
}

QJsonArray arreglo(const QJsonValue& v, const QString& clave)
{
    if (!v.isArray())
        fallo(clave, "una lista");
    return v.toArray();
}

QJsonObject objeto(const QJsonValue& v)
{
    if (!v.isObject())
        throw ErrorDecodificacion("un elemento no es un objeto");
    return v.toObject();
}

const QString kId = QStringLiteral("id");

Mensaje mensajeDesde(const QJsonObject& o)
{
    Mensaje m;
    m.id = uuid(requerido(o, kId), kId);
    const QString crudoRol = texto(requerido(o, QStringLiteral("rol")), QStringLiteral("rol"));
    const auto rol = rolDesde(crudoRol);
    if (!rol)
        fallo(QStringLiteral("rol"), "un rol conocido");
    m.rol = *rol;
    m.texto = texto(requerido(o, QStringLiteral("texto")), QStringLiteral("texto"));
    m.fecha = fecha(requerido(o, QStringLiteral("fecha")), QStringLiteral("fecha"));
    m.agente = opcional(o, QStringLiteral("agente"), [](const QJsonValue& v, const QString& clave) {
        const auto agente = agenteDesde(texto(v, clave));
        if (!agente)
            fallo(clave, "un agente conocido");
        return *agente;
    });
    m.autor = opcional(o, QStringLiteral("autor"), texto);
    return m;
}

QStringList textos(const QJsonValue& v, const QString& clave)
{
    QStringList lista;
    for (const QJsonValue& e : arreglo(v, clave))
        lista << texto(e, clave);
    return lista;
}

bool booleano(const QJsonValue& v, const QString& clave)
{
    if (!v.isBool())
        fallo(clave, "verdadero o falso");
    return v.toBool();
}

Conversacion conversacionDesde(const QJsonObject& o)
{
    Conversacion c;
    c.id = uuid(requerido(o, kId), kId);
    c.titulo = texto(requerido(o, QStringLiteral("titulo")), QStringLiteral("titulo"));
    const QJsonArray mensajes = arreglo(requerido(o, QStringLiteral("mensajes")), QStringLiteral("mensajes"));
    c.mensajes.reserve(mensajes.size());
    for (const QJsonValue& m : mensajes)
        c.mensajes << mensajeDesde(objeto(m));
    c.creada = fecha(requerido(o, QStringLiteral("creada")), QStringLiteral("creada"));
    c.actualizada = fecha(requerido(o, QStringLiteral("actualizada")), QStringLiteral("actualizada"));
    c.sesionClaude = opcional(o, QStringLiteral("sesionClaude"), texto);
    c.perfilID = opcional(o, QStringLiteral("perfilID"), uuid);
    c.carpeta = opcional(o, QStringLiteral("carpeta"), texto);
    c.esReunion = opcional(o, QStringLiteral("esReunion"), booleano);
    c.asistentes = opcional(o, QStringLiteral("asistentes"), textos);
    return c;
}

Perfil perfilDesde(const QJsonObject& o)
{
    Perfil p;
    p.id = uuid(requerido(o, kId), kId);
    p.nombre = texto(requerido(o, QStringLiteral("nombre")), QStringLiteral("nombre"));
    p.creado = fecha(requerido(o, QStringLiteral("creado")), QStringLiteral("creado"));
    p.ultimaVisita = fecha(requerido(o, QStringLiteral("ultimaVisita")), QStringLiteral("ultimaVisita"));
    p.visitas = entero(requerido(o, QStringLiteral("visitas")), QStringLiteral("visitas"));
    return p;
}

QJsonObject objetoDe(const Mensaje& m)
{
    QJsonObject o{{kId, Codificacion::textoUuid(m.id)},
                  {QStringLiteral("rol"), valorCrudo(m.rol)},
                  {QStringLiteral("texto"), m.texto},
                  {QStringLiteral("fecha"), Codificacion::segundosDesde2001(m.fecha)}};
    if (m.agente)
        o.insert(QStringLiteral("agente"), valorCrudo(*m.agente));
    if (m.autor)
        o.insert(QStringLiteral("autor"), *m.autor);
    return o;
}

QJsonObject objetoDe(const Conversacion& c)
{
    QJsonArray mensajes;
    for (const Mensaje& m : c.mensajes)
        mensajes.append(objetoDe(m));
    QJsonObject o{{kId, Codificacion::textoUuid(c.id)},
                  {QStringLiteral("titulo"), c.titulo},
                  {QStringLiteral("mensajes"), mensajes},
                  {QStringLiteral("creada"), Codificacion::segundosDesde2001(c.creada)},
                  {QStringLiteral("actualizada"), Codificacion::segundosDesde2001(c.actualizada)}};
    if (c.sesionClaude)
        o.insert(QStringLiteral("sesionClaude"), *c.sesionClaude);
    if (c.perfilID)
        o.insert(QStringLiteral("perfilID"), Codificacion::textoUuid(*c.perfilID));
    if (c.carpeta)
        o.insert(QStringLiteral("carpeta"), *c.carpeta);
    if (c.esReunion)
        o.insert(QStringLiteral("esReunion"), *c.esReunion);
    if (c.asistentes)
        o.insert(QStringLiteral("asistentes"), QJsonArray::fromStringList(*c.asistentes));
    return o;
}

QJsonObject objetoDe(const Perfil& p)
{
    return {{kId, Codificacion::textoUuid(p.id)},
            {QStringLiteral("nombre"), p.nombre},
            {QStringLiteral("creado"), Codificacion::segundosDesde2001(p.creado)},
            {QStringLiteral("ultimaVisita"), Codificacion::segundosDesde2001(p.ultimaVisita)},
            {QStringLiteral("visitas"), p.visitas}};
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

template <typename T, typename F>
QList<T> decodificarLista(const QByteArray& datos, F desde)
{
    const QJsonArray arreglo = lista(datos);
    QList<T> resultado;
    resultado.reserve(arreglo.size());
    for (const QJsonValue& v : arreglo)
        resultado << desde(objeto(v));
    return resultado;
}

template <typename T>
QByteArray codificarLista(const QList<T>& elementos)
{
    QJsonArray arreglo;
    for (const T& e : elementos)
        arreglo.append(objetoDe(e));
    return QJsonDocument(arreglo).toJson(QJsonDocument::Compact);
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
