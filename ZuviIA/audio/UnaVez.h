#pragma once

#include <QSet>
#include <QString>

#include <mutex>

// Claims that succeed once per key, across threads: a speech turn's end or
// its fallback to the system voice runs only once.
class UnaVez {
public:
    // True the first time `clave` is claimed.
    bool reclamar(const QString& clave);

private:
    std::mutex lock_;
    QSet<QString> hechos_;
};
