#pragma once

#include "comun/RelojFalso.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <chrono>
#include <functional>

// Fake time and real queued hops interleaved as in production: time moves
// in small steps, and the events posted so far are delivered before the
// timers of the next step fire.
namespace AvanceReloj {

inline void entregar()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

inline void avanzar(RelojFalso& reloj, std::chrono::milliseconds cuanto,
                    std::chrono::milliseconds paso = std::chrono::milliseconds(10))
{
    entregar();
    while (cuanto.count() > 0) {
        const auto ahora = std::min(paso, cuanto);
        reloj.avanzar(ahora);
        cuanto -= ahora;
        entregar();
    }
}

// Waits in real time (child processes answer in real time) until `listo`
// holds, moving fake time on by `paso` per round; false when `limite`
// passes first.
inline bool hastaQue(RelojFalso& reloj, const std::function<bool()>& listo,
                     std::chrono::milliseconds paso = std::chrono::milliseconds(0),
                     std::chrono::milliseconds limite = std::chrono::seconds(20))
{
    QDeadlineTimer fin(limite);
    while (!listo()) {
        if (fin.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        if (paso.count() > 0)
            avanzar(reloj, paso);
    }
    return true;
}

}
