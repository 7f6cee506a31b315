#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <memory>

// Hands work from any thread to an object of the GUI thread. The callbacks
// of other threads hold the receiver, so it outlives the object; the object
// closes it when it goes. The object pointer is read and cleared only on
// the GUI thread, and work posted from one thread keeps its order.
template <typename T>
class Receptor {
public:
    static std::shared_ptr<Receptor> para(T& destino) { return std::make_shared<Receptor>(destino); }
    explicit Receptor(T& destino) : destino_(&destino) {}

    // GUI thread, from the object's destructor: nothing is delivered after.
    void cerrar() { destino_ = nullptr; }

    // Any thread: runs accion(objeto) on the GUI thread, unless the object
    // is gone by then.
    template <typename F>
    static void enviar(const std::shared_ptr<Receptor>& receptor, F accion)
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [receptor, accion = std::move(accion)]() mutable {
                if (receptor->destino_)
                    accion(*receptor->destino_);
            },
            Qt::QueuedConnection);
    }

private:
    T* destino_;
};
