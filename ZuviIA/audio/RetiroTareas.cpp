#include "audio/RetiroTareas.h"

RetiroTareas::RetiroTareas()
{
    hilo_ = std::thread([this] { trabajar(); });
}

RetiroTareas::~RetiroTareas()
{
    {
        std::lock_guard g(mutex_);
        fin_ = true;
    }
    hay_.notify_one();
    hilo_.join();
}

void RetiroTareas::retirar(std::shared_ptr<TareaReconocimiento> tarea)
{
    if (!tarea)
        return;
    tarea->terminar();
    {
        std::lock_guard g(mutex_);
        cola_.push_back(std::move(tarea));
    }
    hay_.notify_one();
}

void RetiroTareas::trabajar()
{
    for (;;) {
        std::shared_ptr<TareaReconocimiento> tarea;
        {
            std::unique_lock l(mutex_);
            hay_.wait(l, [this] { return fin_ || !cola_.empty(); });
            if (cola_.empty())
                return;
            tarea = std::move(cola_.front());
            cola_.pop_front();
        }
        // Joins the task's worker; a capture thread still holding the task
        // then frees a finished one.
        tarea->cancelar();
    }
}
