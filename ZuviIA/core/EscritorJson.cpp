#include "core/EscritorJson.h"

#include "core/Codificacion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

void EscritorJson::separar()
{
    if (!primero_)
        datos += ',';
    primero_ = false;
}

void EscritorJson::clave(const char* nombre)
{
    separar();
    datos += '"';
    datos += nombre;
    datos += "\":";
    primero_ = true;  // the value follows without a comma
}

void EscritorJson::clave(const QString& nombre)
{
    separar();
    texto(nombre.toUtf8());
    datos += ':';
    primero_ = true;
}

void EscritorJson::valor(const QString& t)
{
    separar();
    texto(t.toUtf8());
}

void EscritorJson::texto(const QByteArray& utf8)
{
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

void EscritorJson::valor(double numero)
{
    separar();
    datos += QByteArray::number(numero, 'g', QLocale::FloatingPointShortest);
}

void EscritorJson::valor(qint64 numero)
{
    separar();
    datos += QByteArray::number(numero);
}

void EscritorJson::valor(bool si)
{
    separar();
    datos += si ? "true" : "false";
}

void EscritorJson::valor(const QDateTime& fecha) { valor(Codificacion::segundosDesde2001(fecha)); }
void EscritorJson::valor(const QUuid& id) { valor(Codificacion::textoUuid(id)); }

void EscritorJson::valor(const QStringList& textos)
{
    separar();
    abrirLista();
    for (const QString& t : textos)
        valor(t);
    cerrarLista();
}

void EscritorJson::valor(const QJsonValue& crudo)
{
    separar();
    // Qt writes documents only: the value goes in a list whose brackets
    // are dropped.
    const QByteArray lista = QJsonDocument(QJsonArray{crudo}).toJson(QJsonDocument::Compact);
    datos.append(lista.constData() + 1, lista.size() - 2);
}

void EscritorJson::otras(const QJsonObject& claves)
{
    for (auto it = claves.begin(); it != claves.end(); ++it) {
        clave(it.key());
        valor(it.value());
    }
}

void EscritorJson::escapar(unsigned char c)
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
