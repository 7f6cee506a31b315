#pragma once

#include <QObject>

// Requests an intent leaves for a view: the conversation screen starts
// listening when it finds `dictadoPendiente` set, and clears it.
class AppRouter : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dictadoPendiente READ dictadoPendiente WRITE setDictadoPendiente NOTIFY dictadoPendienteCambiado)

public:
    using QObject::QObject;

    static AppRouter& shared();

    bool dictadoPendiente() const { return dictadoPendiente_; }
    void setDictadoPendiente(bool valor);

    // Clears a pending request; true when there was one, so two requests
    // made before any screen reacted start listening once.
    bool tomarDictado();

signals:
    void dictadoPendienteCambiado();

private:
    bool dictadoPendiente_ = false;
};
