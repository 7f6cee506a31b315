#pragma once

#include <QCoreApplication>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>

#include <utility>

// Small helpers to chain work on the GUI thread without blocking it.
//
// Qt 6.4 asserts (and in release builds drops the continuation) when a
// `then(context, …)` continuation's context is destroyed before its future
// ends, which happens whenever a view or an installer goes while a script it
// started still runs. So continuations hop through one object that lives as
// long as the process, and skip their work when their owner has gone.
namespace Futuros {

inline QFuture<void> hecho() { return QtFuture::makeReadyFuture(); }

// The GUI thread's object that outlives every future.
inline QObject* vigia()
{
    static QObject* const objeto = [] {
        static QObject o;
        if (QCoreApplication* app = QCoreApplication::instance())
            o.moveToThread(app->thread());
        return &o;
    }();
    return objeto;
}

template <typename F, typename Firma = decltype(&F::operator())>
struct SiVive;

// Qt reads the continuation's argument from its call operator, so it must
// not be a template: the lambda's own signature is copied.
template <typename F, typename C, typename R, typename... A>
struct SiVive<F, R (C::*)(A...) const> {
    QPointer<QObject> dueno;
    F fn;
    R operator()(A... a) const
    {
        if (!dueno)
            return R();
        return fn(std::forward<A>(a)...);
    }
};

// `fn` for `f.then(vigia(), siVive(dueno, fn))`: it neither asserts nor
// runs once `dueno` is gone; a value-returning `fn` then yields a default
// value (a cancelled future for a future), which ends the chains that follow.
template <typename F>
SiVive<F> siVive(QObject* dueno, F fn)
{
    return SiVive<F>{QPointer<QObject>(dueno), std::move(fn)};
}

template <typename T, typename F>
auto luego(QFuture<T> f, QObject* dueno, F fn)
{
    return f.then(vigia(), siVive(dueno, std::move(fn)));
}

// Runs `paso` for each item, the next one only once the previous ended;
// every step starts on `contexto`'s thread.
template <typename T, typename F>
QFuture<void> enSerie(QObject* contexto, const QList<T>& items, F paso)
{
    QFuture<void> f = hecho();
    for (const T& item : items)
        f = luego(f, contexto, [paso, item] { return QFuture<void>(paso(item)); }).unwrap();
    return f;
}

}
