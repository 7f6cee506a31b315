#include "plataforma/Reloj.h"

#include <QElapsedTimer>
#include <QTimer>

Temporizador& Temporizador::operator=(Temporizador&& otro) noexcept
{
    if (this != &otro) {
        cancelar();
        pendiente_ = std::move(otro.pendiente_);
    }
    return *this;
}

void Temporizador::cancelar()
{
    if (pendiente_)
        pendiente_->store(false);
    pendiente_.reset();
}

namespace {

class RelojSistema final : public Reloj {
public:
    RelojSistema() { origen_.start(); }

    QDateTime ahora() const override { return QDateTime::currentDateTime(); }

    std::chrono::milliseconds monotono() const override
    {
        return std::chrono::milliseconds(origen_.elapsed());
    }

    Temporizador despues(std::chrono::milliseconds espera, QObject* contexto,
                         std::function<void()> accion) override
    {
        auto pendiente = std::make_shared<std::atomic<bool>>(true);
        QTimer::singleShot(std::max<std::chrono::milliseconds>(espera, std::chrono::milliseconds(0)),
                           Qt::PreciseTimer, contexto, [pendiente, accion = std::move(accion)] {
                               if (pendiente->exchange(false))
                                   accion();
                           });
        return Temporizador(pendiente);
    }

private:
    QElapsedTimer origen_;
};

}

Reloj& Reloj::sistema()
{
    static RelojSistema reloj;
    return reloj;
}
