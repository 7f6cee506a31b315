#pragma once

#include <QFuture>
#include <QList>
#include <QObject>

// Small helpers to chain the installer's steps one after another on the
// GUI thread without blocking it.
namespace Futuros {

inline QFuture<void> hecho() { return QtFuture::makeReadyFuture(); }

// Runs `paso` for each item, the next one only once the previous ended;
// every step starts on `contexto`'s thread.
template <typename T, typename F>
QFuture<void> enSerie(QObject* contexto, const QList<T>& items, F paso)
{
    QFuture<void> f = hecho();
    for (const T& item : items)
        f = f.then(contexto, [paso, item] { return QFuture<void>(paso(item)); }).unwrap();
    return f;
}

}
