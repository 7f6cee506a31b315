#pragma once

#include "comun/PulsePrueba.h"

#include <QProcess>

#include <cmath>
#include <vector>

// Records what a test server output really plays, through its monitor, as
// 24 kHz mono float (parec as a child process), from construction on.
class GrabadorMonitor {
public:
    explicit GrabadorMonitor(const QString& salida = QStringLiteral("zuvi_altavoz"))
    {
        parec_.start(QStringLiteral("parec"),
                     {QStringLiteral("--device=") + salida + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                      QStringLiteral("--format=float32le"), QStringLiteral("--rate=24000"),
                      QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        parec_.waitForStarted(5000);
        // parec connects after it starts; on a loaded machine a short sound
        // played before its first bytes would go unheard.
        parec_.waitForReadyRead(5000);
    }
    ~GrabadorMonitor()
    {
        parec_.kill();
        parec_.waitForFinished(5000);
    }

    // Everything recorded so far.
    const std::vector<float>& muestras()
    {
        parec_.waitForReadyRead(0);
        const QByteArray datos = pendiente_ + parec_.readAllStandardOutput();
        const qsizetype n = datos.size() / 4;
        const auto* f = reinterpret_cast<const float*>(datos.constData());
        muestras_.insert(muestras_.end(), f, f + n);
        pendiente_ = datos.mid(n * 4);
        return muestras_;
    }

    // RMS of the 20 ms windows, oldest first.
    std::vector<float> niveles()
    {
        const auto& m = muestras();
        std::vector<float> salida;
        for (size_t i = 0; i + 480 <= m.size(); i += 480) {
            double s = 0;
            for (size_t j = i; j < i + 480; ++j)
                s += double(m[j]) * m[j];
            salida.push_back(float(std::sqrt(s / 480)));
        }
        return salida;
    }

    // Seconds of recording whose windows stand above `umbral`.
    double segundosSonando(float umbral = 0.01f)
    {
        double n = 0;
        for (float r : niveles())
            n += r > umbral ? 0.02 : 0;
        return n;
    }

private:
    QProcess parec_;
    QByteArray pendiente_;
    std::vector<float> muestras_;
};
