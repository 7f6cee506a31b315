#include "setup/Manifiesto.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariant>

namespace {

using Error = Manifiesto::ErrorDecodificacion;

constexpr qint64 buildMaximo = qint64(1) << 53;

[[noreturn]] void fallo(QLatin1StringView clave, const char* esperado)
{
    throw Error(QStringLiteral("la clave «%1» no es %2").arg(clave, QString::fromUtf8(esperado)));
}

QJsonValue requerido(const QJsonObject& o, QLatin1StringView clave)
{
    const QJsonValue v = o.value(clave);
    if (v.isUndefined() || v.isNull())
        throw Error(QStringLiteral("falta la clave «%1»").arg(clave));
    return v;
}

QString texto(const QJsonObject& o, QLatin1StringView clave)
{
    const QJsonValue v = requerido(o, clave);
    if (!v.isString())
        fallo(clave, "un texto");
    return v.toString();
}

bool tieneControl(const QString& s)
{
    for (const QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

QString versionDe(const QJsonObject& o)
{
    const QString v = texto(o, QLatin1StringView("version"));
    if (v.isEmpty() || v.contains(QLatin1Char('|')) || tieneControl(v))
        fallo(QLatin1StringView("version"), "una versión válida");
    return v;
}

// Qt keeps an integral literal as an integer and anything with a fraction
// or exponent as a double; a double is taken only while it is exact.
qint64 buildDe(const QJsonObject& o)
{
    const QJsonValue v = requerido(o, QLatin1StringView("build"));
    if (!v.isDouble())
        fallo(QLatin1StringView("build"), "un número entero");
    const QVariant n = v.toVariant();
    if (n.typeId() == QMetaType::LongLong) {
        const qint64 entero = n.toLongLong();
        if (entero >= 0 && entero <= buildMaximo)
            return entero;
    } else {
        const double d = v.toDouble();
        if (d >= 0 && d <= double(buildMaximo) && d == double(qint64(d)))
            return qint64(d);
    }
    fallo(QLatin1StringView("build"), "un número entero entre 0 y 2^53");
}

QUrl urlDe(const QJsonObject& o)
{
    const QUrl u(texto(o, QLatin1StringView("url")), QUrl::StrictMode);
    const QString esquema = u.scheme();
    if (!u.isValid() || u.host().isEmpty() || (esquema != u"https" && esquema != u"http"))
        fallo(QLatin1StringView("url"), "una dirección http o https completa");
    return u;
}

QString sha256De(const QJsonObject& o)
{
    const QString s = texto(o, QLatin1StringView("sha256"));
    const bool forma = s.size() == 64 && std::all_of(s.begin(), s.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
    if (!forma)
        fallo(QLatin1StringView("sha256"), "un SHA-256 en hexadecimal minúscula");
    return s;
}

std::optional<QString> notasDe(const QJsonObject& o)
{
    const QJsonValue v = o.value(QLatin1StringView("notas"));
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString())
        fallo(QLatin1StringView("notas"), "un texto");
    return v.toString();
}

}

Manifiesto Manifiesto::decodificar(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument documento = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("el manifiesto no es JSON válido (%1)").arg(error.errorString()));
    if (!documento.isObject())
        throw Error(QStringLiteral("el manifiesto no es un objeto JSON"));
    const QJsonObject o = documento.object();
    Manifiesto m;
    m.version = versionDe(o);
    m.build = buildDe(o);
    m.url = urlDe(o);
    m.sha256 = sha256De(o);
    m.firma = texto(o, QLatin1StringView("firma"));
    m.notas = notasDe(o);
    return m;
}

QByteArray Manifiesto::codificar() const
{
    QJsonObject o{{"version", version},
                  {"build", build},
                  {"url", url.toString(QUrl::FullyEncoded)},
                  {"sha256", sha256},
                  {"firma", firma}};
    if (notas)
        o.insert(QLatin1StringView("notas"), *notas);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray Manifiesto::mensajeFirmado() const
{
    return (version + QLatin1Char('|') + QString::number(build) + QLatin1Char('|') + sha256).toUtf8();
}

bool Manifiesto::describe(const QByteArray& archivo) const
{
    return QCryptographicHash::hash(archivo, QCryptographicHash::Sha256).toHex() == sha256.toLatin1();
}
