#include "assistant/EventosFlujo.h"

#include "assistant/FrasesActividad.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace EventosFlujo {

namespace {

const QString separador = QStringLiteral("\n\n");

QString textoDe(const QJsonObject& objeto, QLatin1String clave)
{
    return objeto.value(clave).toString();
}

// The line as an object with a text "type", or none.
std::optional<QJsonObject> objetoDe(const QString& linea, QString& tipo)
{
    const QJsonDocument documento = QJsonDocument::fromJson(linea.toUtf8());
    if (!documento.isObject())
        return std::nullopt;
    const QJsonObject objeto = documento.object();
    const QJsonValue valor = objeto.value(QLatin1String("type"));
    if (!valor.isString())
        return std::nullopt;
    tipo = valor.toString();
    return objeto;
}

// The text of a "content_block_delta" whose delta is a "text_delta".
std::optional<QString> textoDelta(const QJsonObject& evento)
{
    const QJsonObject delta = evento.value(QLatin1String("delta")).toObject();
    if (textoDe(delta, QLatin1String("type")) != QLatin1String("text_delta"))
        return std::nullopt;
    const QJsonValue texto = delta.value(QLatin1String("text"));
    if (!texto.isString())
        return std::nullopt;
    return texto.toString();
}

QJsonArray bloquesDe(const QJsonObject& linea)
{
    return linea.value(QLatin1String("message")).toObject().value(QLatin1String("content")).toArray();
}

QString fraseDe(const QJsonObject& bloque)
{
    return FrasesActividad::describir(textoDe(bloque, QLatin1String("name")),
                                      bloque.value(QLatin1String("input")).toObject());
}

void flujo(const QJsonObject& evento, Estado& estado, Efectos& efectos)
{
    const QString tipo = textoDe(evento, QLatin1String("type"));
    if (tipo == QLatin1String("content_block_start")) {
        const QJsonValue bloque = evento.value(QLatin1String("content_block"));
        if (bloque.isObject() && textoDe(bloque.toObject(), QLatin1String("type")) == QLatin1String("text")
            && estado.huboDeltas) {
            efectos.anexo += separador;
            efectos.fragmentos << separador;
            estado.respuestaVacia = false;
        }
    } else if (tipo == QLatin1String("content_block_stop")) {
        efectos.finBloque = estado.huboDeltas;
    } else if (tipo == QLatin1String("content_block_delta")) {
        const auto texto = textoDelta(evento);
        if (!texto || texto->isEmpty())
            return;
        estado.huboDeltas = true;
        estado.respuestaVacia = false;
        efectos.anexo += *texto;
        efectos.actividades << std::nullopt;
        efectos.fragmentos << *texto;
    }
}

void mensaje(const QJsonObject& linea, Estado& estado, Efectos& efectos)
{
    for (const QJsonValue& valor : bloquesDe(linea)) {
        const QJsonObject bloque = valor.toObject();
        const QString tipo = textoDe(bloque, QLatin1String("type"));
        if (tipo == QLatin1String("text")) {
            const QJsonValue texto = bloque.value(QLatin1String("text"));
            if (estado.huboDeltas || !texto.isString() || texto.toString().isEmpty())
                continue;
            if (!estado.respuestaVacia)
                efectos.anexo += separador;
            efectos.anexo += texto.toString();
            efectos.guardar = true;
            estado.respuestaVacia = false;
            efectos.actividades << std::nullopt;
        } else if (tipo == QLatin1String("tool_use")) {
            efectos.actividades << fraseDe(bloque);
        } else if (tipo == QLatin1String("thinking")) {
            efectos.actividades << QStringLiteral("Pensando…");
        }
    }
}

Resultado resultado(const QJsonObject& linea)
{
    Resultado r;
    const QJsonValue sesion = linea.value(QLatin1String("session_id"));
    if (sesion.isString())
        r.sesion = sesion.toString();
    r.texto = textoDe(linea, QLatin1String("result"));
    r.esError = linea.value(QLatin1String("is_error")).toBool(false);
    if (r.esError) {
        QString textos = r.texto;
        for (const QJsonValue& e : linea.value(QLatin1String("errors")).toArray())
            textos += QLatin1Char('\n') + e.toString();
        r.sesionPerdida = esSesionPerdida(textos);
    }
    return r;
}

}

bool esSesionPerdida(const QString& texto)
{
    return texto.contains(QLatin1String("No conversation found with session ID"));
}

Efectos interpretar(const QString& linea, Estado& estado)
{
    Efectos efectos;
    QString tipo;
    const auto objeto = objetoDe(linea, tipo);
    if (!objeto)
        return efectos;
    if (tipo == QLatin1String("stream_event")) {
        const QJsonValue evento = objeto->value(QLatin1String("event"));
        if (evento.isObject())
            flujo(evento.toObject(), estado, efectos);
    } else if (tipo == QLatin1String("assistant")) {
        mensaje(*objeto, estado, efectos);
    } else if (tipo == QLatin1String("result")) {
        efectos.resultado = resultado(*objeto);
    }
    return efectos;
}

EfectosFondo interpretarFondo(const QString& linea)
{
    EfectosFondo efectos;
    QString tipo;
    const auto objeto = objetoDe(linea, tipo);
    if (!objeto)
        return efectos;
    if (tipo == QLatin1String("stream_event")) {
        const QJsonObject evento = objeto->value(QLatin1String("event")).toObject();
        if (textoDe(evento, QLatin1String("type")) != QLatin1String("content_block_delta"))
            return efectos;
        const auto texto = textoDelta(evento);
        efectos.huboDelta = texto.has_value();
        efectos.anexo = texto.value_or(QString());
    } else if (tipo == QLatin1String("assistant")) {
        for (const QJsonValue& valor : bloquesDe(*objeto)) {
            const QJsonObject bloque = valor.toObject();
            if (textoDe(bloque, QLatin1String("type")) == QLatin1String("tool_use"))
                efectos.actividad = fraseDe(bloque);
        }
    } else if (tipo == QLatin1String("result")) {
        efectos.fin = resultado(*objeto);
    }
    return efectos;
}

}
