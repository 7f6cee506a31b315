#include "audio/TextosVoz.h"

namespace TextosVoz {

namespace {

const QString oferta = QStringLiteral(
    "Una voz neural (Qwen3-TTS) que corre en tu computador, sin internet. Se descarga una sola vez (~%1 GB). "
    "Mientras tanto habla la %2.");

QString minuscula(const QString& s) { return s.left(1).toLower() + s.mid(1); }

}

Vista vista(bool instalada, bool activada, const EstadoVoz& e)
{
    const QString b = minuscula(basica);
    if (!instalada)
        return {basica, oferta.arg(QString::number(VozNeural::descargaGB)).arg(b),
                QStringLiteral("No instalada: habla la ") + b};
    if (!activada)
        return {basica, QStringLiteral("La voz natural está apagada en Configuración; habla la ") + b + u'.',
                QStringLiteral("Apagada")};
    if (!e.listaParaHablar())
        return {cargando, QStringLiteral("La voz natural se está cargando; mientras tanto habla la ") + b + u'.',
                QStringLiteral("Cargando…")};
    if (e.motor != MotorVoz::neural)
        return {basica,
                QStringLiteral("La voz natural no se pudo cargar y habla la ") + b
                    + QStringLiteral(". Reinstálala si sigue así."),
                basica, true};
    if (e.lenta)
        return {natural,
                QStringLiteral("La voz natural (Qwen3-TTS) habla desde tu computador, pero tarda más de medio segundo "
                               "en empezar. Si prefieres rapidez, apágala en Configuración y hablará la ")
                    + b + u'.',
                QStringLiteral("Lista (lenta en este computador)")};
    return {natural, QStringLiteral("La voz natural (Qwen3-TTS) habla desde tu computador, sin internet."),
            QStringLiteral("Lista")};
}

}
