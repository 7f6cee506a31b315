#pragma once

#include "core/Codificacion.h"
#include "core/Modelos.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

// Writes the conversation store on a thread of its own, in order. A
// request made while another is being written replaces the one still
// waiting, so a burst of saves ends in one write of the newest state.
// Each conversation's encoding is kept until its revision changes, so a
// save costs what changed plus the file write.
class EscritorAlmacen {
public:
    struct Instantanea {
        // Copies that share their data with the store's list.
        QList<Conversacion> conversaciones;
        // One per conversation: a new number whenever it changed.
        std::vector<quint64> revisiones;
        QList<Codificacion::Ilegible> ilegibles;
        // False: only encode, so the first real save finds the bytes ready.
        bool escribir = true;
    };

    // The thread's side, shared with it so that it may outlive a writer
    // left behind at a bounded exit.
    struct Estado;

    explicit EscritorAlmacen(const QString& archivo);
    // Writes what is still waiting, for a few seconds at most.
    ~EscritorAlmacen();
    EscritorAlmacen(const EscritorAlmacen&) = delete;
    EscritorAlmacen& operator=(const EscritorAlmacen&) = delete;

    // Returns at once.
    void pedir(Instantanea instantanea);
    // Until every request so far has been written or has failed.
    void esperar();
    // As esperar, up to `limite`; false when a write is still under way.
    bool esperar(std::chrono::milliseconds limite);

    // Until every writer of `archivo` in this process has done what it
    // was asked: a reader of the file sees the last save.
    static void esperarArchivo(const QString& archivo);

private:
    std::shared_ptr<Estado> estado_;
};
