#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Running, not a zombie (nor dead) waiting for whoever adopted it to reap it.
inline bool procesoVivo(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray linea = stat.readAll();
    const qsizetype fin = linea.lastIndexOf(')');
    if (fin < 0 || fin + 2 >= linea.size())
        return false;
    const char estado = linea[fin + 2];
    return estado != 'Z' && estado != 'X';
}
