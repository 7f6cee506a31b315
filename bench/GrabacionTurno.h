#pragma once
// The recorded Claude turn the benchmarks replay: 20,000 text deltas of
// about 10 characters each (about 200 kB of answer, one growing line).
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

inline constexpr int deltas = 20000;
// The deltas are lineas[primerDelta] to lineas[primerDelta + deltas - 1].
inline constexpr int primerDelta = 2;

inline QString linea(const QJsonObject& objeto) { return QString::fromUtf8(QJsonDocument(objeto).toJson(QJsonDocument::Compact)); }

inline QString evento(const QJsonObject& e) { return linea({{"type", "stream_event"}, {"event", e}}); }

// The lines of one turn as a session writes them.
inline QStringList grabacion()
{
    QStringList lineas;
    lineas << linea({{"type", "system"}, {"subtype", "init"}});
    lineas << evento({{"type", "content_block_start"}, {"index", 0}, {"content_block", QJsonObject{{"type", "text"}}}});
    for (int i = 0; i < deltas; ++i) {
        const QString texto = QStringLiteral("palabra%1 ").arg(i % 100, 2, 10, QLatin1Char('0'));
        lineas << evento({{"type", "content_block_delta"},
                          {"index", 0},
                          {"delta", QJsonObject{{"type", "text_delta"}, {"text", texto}}}});
    }
    lineas << evento({{"type", "content_block_stop"}, {"index", 0}});
    lineas << linea({{"type", "result"}, {"subtype", "success"}, {"session_id", "sesion-banco"},
                     {"result", ""}, {"is_error", false}});
    return lineas;
}

