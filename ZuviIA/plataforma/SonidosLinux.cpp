#include "plataforma/Sonidos.h"

#include <canberra.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

std::optional<QString> Sonidos::evento(const QString& nombre)
{
    static const std::pair<const char*, const char*> tabla[] = {
        {"Glass", "complete"},
        {"Hero", "service-login"},
        {"Tink", "message"},
        {"Pop", "audio-volume-change"},
    };
    for (const auto& [mac, freedesktop] : tabla) {
        if (nombre == QLatin1String(mac))
            return QString::fromLatin1(freedesktop);
    }
    return std::nullopt;
}

namespace {

struct Pedido {
    QString evento;
    std::function<void(const QString&)> alFallar;
};

// libcanberra on a thread of its own: connecting to the sound server may
// take a while, and the caller is usually the GUI thread.
class SonidosCanberra final : public Sonidos {
public:
    SonidosCanberra()
        : hilo_([this] { correr(); })
    {
    }

    ~SonidosCanberra() override
    {
        {
            std::lock_guard g(mutex_);
            parar_ = true;
        }
        hay_.notify_one();
        hilo_.join();
    }

    void reproducir(const QString& nombre, std::function<void(const QString&)> alFallar) override
    {
        const auto e = evento(nombre);
        if (!e) {
            if (alFallar)
                alFallar(QStringLiteral("sonido desconocido: ") + nombre);
            return;
        }
        {
            std::lock_guard g(mutex_);
            pedidos_.push_back({*e, std::move(alFallar)});
        }
        hay_.notify_one();
    }

private:
    void correr()
    {
        ca_context* contexto = nullptr;
        for (;;) {
            Pedido p;
            {
                std::unique_lock g(mutex_);
                hay_.wait(g, [this] { return parar_ || !pedidos_.empty(); });
                if (parar_)
                    break;
                p = std::move(pedidos_.front());
                pedidos_.pop_front();
            }
            const QByteArray id = p.evento.toUtf8();
            int error = tocar(contexto, id);
            if (error != CA_SUCCESS) {
                // The server may have restarted: one more try on a new connection.
                soltar(contexto);
                error = tocar(contexto, id);
            }
            if (error != CA_SUCCESS) {
                soltar(contexto);
                if (p.alFallar)
                    p.alFallar(QString::fromUtf8(ca_strerror(error)));
            }
        }
        soltar(contexto);
    }

    static int tocar(ca_context*& contexto, const QByteArray& evento)
    {
        if (!contexto && ca_context_create(&contexto) == CA_SUCCESS)
            ca_context_change_props(contexto, CA_PROP_APPLICATION_NAME, "Zuvi IA", CA_PROP_APPLICATION_ID,
                                    "cl.norp.ZuviIA", nullptr);
        if (!contexto)
            return CA_ERROR_NOTAVAILABLE;
        return ca_context_play(contexto, 0, CA_PROP_EVENT_ID, evento.constData(), nullptr);
    }

    static void soltar(ca_context*& contexto)
    {
        if (contexto)
            ca_context_destroy(contexto);
        contexto = nullptr;
    }

    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<Pedido> pedidos_;
    bool parar_ = false;
    std::thread hilo_;
};

} // namespace

Sonidos& Sonidos::sistema()
{
    static SonidosCanberra s;
    return s;
}
