#pragma once
// Long answers for the screen benchmarks, made the same way on every run:
// a markdown report as an agent writes one (headings, paragraphs with
// marks, lists, code blocks of varied length, a table) and lines of one
// repeated opener. Streamed as a recorded turn in fragments of a few
// characters.
#include "GrabacionTurno.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace respuestas {

// A tiny deterministic generator: the same answer on every machine.
struct Azar {
    std::uint32_t estado = 20260101u;
    std::uint32_t operator()(std::uint32_t n)
    {
        estado = estado * 1664525u + 1013904223u;
        return (estado >> 8) % n;
    }
};

inline QString frase(Azar& azar)
{
    static const char* const palabras[] = {
        "el",       "módulo",  "de",        "audio",     "revisa",   "cada",    "archivo",  "y",
        "deja",     "los",     "cambios",   "en",        "la",       "carpeta", "proyecto", "con",
        "pruebas",  "para",    "reunión",   "del",       "martes",   "según",   "lo",       "acordado",
        "función",  "llamada", "vuelve",    "sin",       "error",    "cuando",  "termina",  "lista",
        "servidor", "local",   "respuesta", "siguiente", "paso",     "queda",   "claro",    "ahora"};
    const int n = 8 + int(azar(14));
    QString s;
    for (int i = 0; i < n; ++i) {
        QString p = QString::fromUtf8(palabras[azar(std::size(palabras))]);
        switch (azar(12)) {
        case 0:
            p = QStringLiteral("**%1**").arg(p);
            break;
        case 1:
            p = QStringLiteral("*%1*").arg(p);
            break;
        case 2:
            p = QStringLiteral("`%1()`").arg(p);
            break;
        case 3:
            p = QStringLiteral("[%1](https://docs.ejemplo.cl/%1/%2)").arg(p).arg(azar(1000));
            break;
        default:
            break;
        }
        s += (i ? QStringLiteral(" ") : QString()) + p;
    }
    s[0] = s[0].toUpper();
    return s + QStringLiteral(".");
}

inline QString codigo(Azar& azar, int lineas)
{
    QString s = QStringLiteral("```cpp\n");
    for (int i = 0; i < lineas; ++i) {
        const int sangria = int(azar(4)) * 4;
        s += QString(sangria, u' ')
            + QStringLiteral("auto valor%1 = calcular(entrada[%2], \"texto\", %3); // paso %1\n")
                  .arg(i)
                  .arg(azar(64))
                  .arg(azar(100000));
    }
    return s + QStringLiteral("```\n\n");
}

inline QString tabla(Azar& azar)
{
    QString s = QStringLiteral("| archivo | líneas | estado |\n|---|---|---|\n");
    for (int i = 0; i < 6; ++i)
        s += QStringLiteral("| `src/modulo%1.cpp` | %2 | %3 |\n")
                 .arg(azar(50))
                 .arg(azar(900))
                 .arg(azar(2) ? QStringLiteral("listo") : QStringLiteral("**pendiente**"));
    return s + QStringLiteral("\n");
}

// A markdown report of at least `largo` characters.
inline QString markdown(qsizetype largo)
{
    Azar azar;
    static const int largos[] = {4, 12, 30, 80, 8, 200, 20};
    QString s;
    for (int seccion = 1; s.size() < largo; ++seccion) {
        s += QStringLiteral("## %1. Cambios en el módulo %2\n\n").arg(seccion).arg(azar(40));
        for (int p = 0, n = 1 + int(azar(3)); p < n; ++p) {
            for (int f = 0, m = 2 + int(azar(4)); f < m; ++f)
                s += frase(azar) + QStringLiteral(" ");
            s += QStringLiteral("\n\n");
        }
        for (int i = 0, n = 3 + int(azar(4)); i < n; ++i)
            s += QStringLiteral("- ") + frase(azar) + QStringLiteral("\n");
        s += QStringLiteral("\n");
        for (int i = 1, n = 2 + int(azar(4)); i <= n; ++i)
            s += QStringLiteral("%1. ").arg(i) + frase(azar) + QStringLiteral("\n");
        s += QStringLiteral("\n");
        s += codigo(azar, largos[seccion % int(std::size(largos))]);
        if (seccion % 3 == 0)
            s += tabla(azar);
    }
    return s;
}

// One fenced code block of at least `largo` characters.
inline QString bloqueDeCodigo(qsizetype largo)
{
    Azar azar;
    QString s = QStringLiteral("Aquí está el archivo completo:\n\n```cpp\n");
    // The lines of many blocks, without their fences.
    while (s.size() < largo)
        s += codigo(azar, 100).mid(7).chopped(5);
    return s + QStringLiteral("```\n");
}

// The lines of a turn whose answer arrives in fragments of `trozo` characters.
inline QStringList grabacion(const QString& respuesta, int trozo)
{
    QStringList lineas;
    lineas << linea({{"type", "system"}, {"subtype", "init"}});
    lineas << evento({{"type", "content_block_start"}, {"index", 0}, {"content_block", QJsonObject{{"type", "text"}}}});
    for (qsizetype i = 0; i < respuesta.size(); i += trozo)
        lineas << evento({{"type", "content_block_delta"},
                          {"index", 0},
                          {"delta", QJsonObject{{"type", "text_delta"}, {"text", respuesta.mid(i, trozo)}}}});
    lineas << evento({{"type", "content_block_stop"}, {"index", 0}});
    lineas << linea({{"type", "result"}, {"subtype", "success"}, {"session_id", "sesion-banco"},
                     {"result", ""}, {"is_error", false}});
    return lineas;
}

} // namespace respuestas
