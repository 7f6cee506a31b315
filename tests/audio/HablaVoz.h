#pragma once

#include "audio/VozNeural.h"

#include <QFuture>
#include <QList>
#include <QTest>
#include <QVector>

#include <atomic>
#include <memory>

#include <signal.h>

namespace hablaVoz {

struct Habla {
    std::shared_ptr<TareaVoz> tarea;
    QList<qint64> frames;  // per buffer
    QVector<float> muestras;
    std::atomic<int> terminado{0};
    bool completo = false;
    bool huboAudio = false;
};

// Speaks `texto` and waits for the end; after `cancelarTras` buffers it
// cancels from inside the buffer callback (0: at once, -1: never), or, with
// `matar`, kills that process there instead.
inline std::unique_ptr<Habla> hablar(VozNeural& voz, const QString& texto, int cancelarTras = -1, qint64 matar = 0)
{
    auto h = std::make_unique<Habla>();
    Habla* p = h.get();
    p->tarea = voz.sintetizar(
        texto,
        [p, cancelarTras, matar](const QAudioBuffer& b) {
            p->frames << b.frameCount();
            for (qsizetype i = 0; i < b.frameCount(); ++i)
                p->muestras << b.constData<float>()[i];
            if (p->frames.size() != cancelarTras)
                return;
            if (matar)
                ::kill(pid_t(matar), SIGKILL);
            else
                p->tarea->cancelar();
        },
        [p](bool completo, bool audio) {
            p->completo = completo;
            p->huboAudio = audio;
            p->terminado.fetch_add(1);
        });
    if (p->tarea && cancelarTras == 0 && !matar)
        p->tarea->cancelar();
    if (p->tarea)
        [&] { QTRY_VERIFY_WITH_TIMEOUT(p->terminado.load() > 0, 15000); }();
    return h;
}

template <typename T>
T esperar(QFuture<T> f)
{
    [&] { QTRY_VERIFY_WITH_TIMEOUT(f.isFinished(), 20000); }();
    return f.result();
}

// (code, description) of a failed design; (0, "") when it succeeded.
inline std::pair<int, QString> errorDe(QFuture<void> f)
{
    [&] { QTRY_VERIFY_WITH_TIMEOUT(f.isFinished(), 20000); }();
    try {
        f.waitForFinished();
    } catch (const ErrorVoz& e) {
        return {e.codigo(), QString::fromStdString(e.what())};
    } catch (const std::exception& e) {
        return {-1, QString::fromStdString(e.what())};
    }
    return {0, {}};
}

}

using namespace hablaVoz;
