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

std::optional<QString> extraer(const QString& texto, const QSet<QString>& ajenas)
{
    const auto esComun = [](const QString& w) { return comunes().contains(w); };
    // The name formed, unless one of its words is the caller's.
    const auto sinAjenas = [&](std::optional<QString> nombre) -> std::optional<QString> {
        if (!nombre)
            return nombre;
        const QStringList w = palabras(clave(*nombre));
        if (std::any_of(w.cbegin(), w.cend(), [&](const QString& x) { return ajenas.contains(x); }))
            return std::nullopt;
        return nombre;
    };
    const QString t = clave(texto);
    for (const QString& disparador : disparadores) {
        const QRegularExpression patron(QStringLiteral("(^| )") + disparador + QLatin1Char(' '));
        const auto encontrado = patron.match(t);
        if (!encontrado.hasMatch())
            continue;
        QStringList elegidas;
        for (const QString& w : palabras(t.mid(encontrado.capturedEnd()))) {
            // "soy programador": what follows is what they are, not who.
            if (finales().contains(w) || esComun(w) || elegidas.size() == 2)
                break;
            elegidas << w;
        }
        const QString candidato = elegidas.join(QLatin1Char(' '));
        if (candidato.size() < 2)
            continue;
        if (auto nombre = sinAjenas(nombreLibre(candidato, texto)))
            return nombre;
    }
    const QStringList todas = palabras(t);
    if (todas.size() >= 3)
        return std::nullopt;
    if (std::any_of(todas.cbegin(), todas.cend(), esComun))
        return std::nullopt;
    return sinAjenas(nombreLibre(t, texto));
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
        "bienvenido", "bienvenida",
        // Professions and roles.
        "programador", "programadora", "desarrollador", "desarrolladora", "ingeniero", "ingeniera",
        "arquitecto", "arquitecta", "abogado", "abogada", "doctor", "doctora", "medico", "medica",
        "enfermero", "enfermera", "contador", "contadora", "disenador", "disenadora", "profesor",
        "profesora", "maestro", "maestra", "estudiante", "alumno", "alumna", "gerente", "jefe", "jefa",
        "director", "directora", "vendedor", "vendedora", "cocinero", "cocinera", "chef", "periodista",
        "fotografo", "fotografa", "musico", "musica", "artista", "escritor", "escritora", "analista",
        "consultor", "consultora", "tecnico", "tecnica", "administrador", "administradora",
        "secretario", "secretaria", "asistente", "cliente", "usuario", "usuaria", "dueno", "duena",
        "socio", "socia", "empleado", "empleada", "emprendedor", "emprendedora", "mecanico",
        "electricista", "carpintero", "psicologo", "psicologa", "dentista", "veterinario",
        "veterinaria", "economista", "practicante", "becario", "becaria", "freelance", "nuevo", "nueva",
        // Everyday nouns heard in a room at work.
        "casa", "perro", "gato", "mesa", "silla", "auto", "carro", "coche", "comida", "agua", "cafe",
        "pan", "trabajo", "oficina", "escuela", "colegio", "universidad", "tienda", "pagina", "web",
        "app", "aplicacion", "proyecto", "computador", "computadora", "telefono", "celular", "correo",
        "archivo", "documento", "carpeta", "menu", "boton", "color", "foto", "video", "libro",
        "dinero", "plata", "precio", "dia", "noche", "tarde", "manana", "semana", "mes", "ano", "hora",
        "momento", "tiempo", "persona", "gente", "equipo", "empresa", "reunion", "nombre", "cosa",
        "diseno", "codigo", "informe", "texto", "logo", "imagen", "pantalla", "ventana", "programa"};
    return palabras;
}

}
