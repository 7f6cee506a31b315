#pragma once

#include "plataforma/Reconocedor.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// Cancels and frees ended recognition tasks on a thread of its own, so no
// caller waits for a task's worker: not the GUI thread, and not a task's own
// callback starting the next segment (which would wait for itself).
class RetiroTareas {
public:
    RetiroTareas();
    // Cancels whatever is still queued, waiting for it.
    ~RetiroTareas();
    RetiroTareas(const RetiroTareas&) = delete;
    RetiroTareas& operator=(const RetiroTareas&) = delete;

    // Any thread; returns at once. Ends the task's audio first.
    void retirar(std::shared_ptr<TareaReconocimiento> tarea);

private:
    void trabajar();

    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<std::shared_ptr<TareaReconocimiento>> cola_;
    bool fin_ = false;
    std::thread hilo_;
};
