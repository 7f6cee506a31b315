#include "core/ExtraccionNombre.h"

#include "core/Texto.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

const QStringList disparadores{QStringLiteral("mi nombre es"), QStringLiteral("me llamo"), QStringLiteral("yo soy"),
                               QStringLiteral("soy"), QStringLiteral("con")};

const QSet<QString>& finales()
{
    static const QSet<QString> palabras{
        "yo", "hoy", "y", "e", "de", "del", "que", "trabajo", "estoy", "vengo", "hago", "me",
        "mi", "en", "la", "el", "con", "para", "soy", "y", "aca", "aqui", "desde", "del",
        "a", "al", "ingeniero", "ingeniera", "diseñador", "disenador", "disenadora", "profesor",
        "profesora", "estudiante"};
    return palabras;
}

// Longest first (by characters), equal lengths in their listed order.
const QStringList& descartables()
{
    static const QStringList frases = [] {
        QStringList l{"hola", "buenas", "buenos dias", "buenas tardes", "buenas noches", "hoy",
                      "vas a trabajar", "trabajaras", "debes trabajar", "trabaja", "trabajar", "con",
                      "conmigo", "soy", "yo soy", "me llamo", "mi nombre es", "habla", "te habla",
                      "aqui", "es", "el", "la", "zuvi", "por favor"};
        std::stable_sort(l.begin(), l.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
        return l;
    }();
    return frases;
}

QStringList palabras(const QString& texto) { return texto.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

QString capitalizada(const QString& palabra)
{
    if (palabra.isEmpty())
        return palabra;
    const QString primera = Texto::primeros(palabra, 1);
    return primera.toUpper() + palabra.mid(primera.size()).toLower();
}

std::optional<QString> nombreLibre(const QString& candidato, const QString& original)
{
    QString s = QLatin1Char(' ') + ExtraccionNombre::clave(candidato) + QLatin1Char(' ');
    for (const QString& frase : descartables())
        s.replace(QLatin1Char(' ') + frase + QLatin1Char(' '), QStringLiteral(" "));

    static const QRegularExpression noLetra(QStringLiteral("[^\\p{L}]+"));
    // Composed first, so a decomposed accent stays inside its word.
    const QStringList oidas =
        original.normalized(QString::NormalizationForm_C).split(noLetra, Qt::SkipEmptyParts);
    QStringList partes;
    for (const QString& w : palabras(s).mid(0, 3)) {
        const auto oida = std::find_if(oidas.cbegin(), oidas.cend(),
                                       [&](const QString& o) { return ExtraccionNombre::clave(o) == w; });
        partes << capitalizada(oida != oidas.cend() ? *oida : w);
    }
    const QString nombre = partes.join(QLatin1Char(' '));
    if (Texto::longitud(nombre) <= 1)
        return std::nullopt;
    return nombre;
}

}

namespace ExtraccionNombre {

QString clave(const QString& texto)
{
    QString plegado = Texto::plegar(texto);
    qsizetype inicio = 0;
    qsizetype fin = plegado.size();
    while (inicio < fin && plegado.at(inicio) == QLatin1Char(' '))
        ++inicio;
    while (fin > inicio && plegado.at(fin - 1) == QLatin1Char(' '))
        --fin;
    return plegado.mid(inicio, fin - inicio);
}

std::optional<QString> extraer(const QString& texto)
{
    const QString t = clave(texto);
    for (const QString& disparador : disparadores) {
        const QRegularExpression patron(QStringLiteral("(^| )") + disparador + QLatin1Char(' '));
        const auto encontrado = patron.match(t);
        if (!encontrado.hasMatch())
            continue;
        QStringList elegidas;
        for (const QString& w : palabras(t.mid(encontrado.capturedEnd()))) {
            if (finales().contains(w) || elegidas.size() == 2)
                break;
            elegidas << w;
        }
        const QString candidato = elegidas.join(QLatin1Char(' '));
        if (candidato.size() < 2)
            continue;
        if (auto nombre = nombreLibre(candidato, texto))
            return nombre;
    }
    const QStringList todas = palabras(t);
    if (todas.size() >= 3)
        return std::nullopt;
    if (std::any_of(todas.cbegin(), todas.cend(), [](const QString& w) { return comunes().contains(w); }))
        return std::nullopt;
    return nombreLibre(t, texto);
}

const QSet<QString>& comunes()
{
    static const QSet<QString> palabras{
        "eso", "esto", "esa", "ese", "si", "no", "te", "se", "me", "le", "lo", "la", "el", "que",
        "como", "bien", "mal", "hola", "ya", "ok", "bueno", "buena", "dale", "sale", "esta", "es",
        "a", "y", "o", "de", "en", "un", "una", "pero", "para", "por", "con", "sin", "mas", "muy",
        "aqui", "ahi", "alla", "claro", "gracias", "vale", "listo", "oye", "mira", "ver", "voy",
        "vamos", "hay", "son", "estoy", "estamos", "tengo", "tiene", "hace", "nada", "todo", "algo",
        "quien", "cual", "donde", "cuando", "porque", "entonces", "pues", "zuvi", "individual",
        "grupo", "perfecto", "perfecta", "excelente", "genial", "bien", "listo", "lista", "dale",
        "hecho", "trabajamos", "presentense", "gracias", "hoy", "estamos", "vamos", "bienvenidos",
        "bienvenido", "bienvenida"};
    return palabras;
}

}
