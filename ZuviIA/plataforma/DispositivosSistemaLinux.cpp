#include "plataforma/DispositivosSistema.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <pulse/pulseaudio.h>

#include <map>
#include <mutex>

namespace {

std::mutex anotadorMutex;
std::function<void(const QString&)> anotador = [](const QString& t) { qWarning("%s", qUtf8Printable(t)); };

void anotar(const QString& texto)
{
    std::function<void(const QString&)> f;
    {
        std::lock_guard g(anotadorMutex);
        f = anotador;
    }
    if (f)
        f(texto);
}

QString propiedad(const pa_proplist* lista, const char* clave)
{
    const char* v = lista ? pa_proplist_gets(lista, clave) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

std::optional<QString> textoSiHay(const char* v)
{
    if (!v || !*v)
        return std::nullopt;
    return QString::fromUtf8(v);
}

template <typename Info>
DispositivosSistema::Registro registroDe(const Info* i)
{
    DispositivosSistema::Propiedades p;
    p.nombre = QString::fromUtf8(i->name ? i->name : "");
    p.driver = QString::fromUtf8(i->driver ? i->driver : "");
    p.bus = propiedad(i->proplist, PA_PROP_DEVICE_BUS);
    p.formaFisica = propiedad(i->proplist, PA_PROP_DEVICE_FORM_FACTOR);
    p.api = propiedad(i->proplist, PA_PROP_DEVICE_API);
    p.clase = propiedad(i->proplist, PA_PROP_DEVICE_CLASS);
    DispositivosSistema::Registro r;
    r.indice = i->index;
    r.nombre = textoSiHay(i->name);
    r.descripcion = textoSiHay(i->description);
    r.fabricante = textoSiHay(i->proplist ? pa_proplist_gets(i->proplist, PA_PROP_DEVICE_VENDOR_NAME) : nullptr);
    r.transporte = DispositivosSistema::transporte(p);
    r.canales = i->channel_map.channels;
    return r;
}

// One connection to the server on libpulse's own thread. Queries wait for
// their answer under the loop lock; the subscription keeps a cache of the
// outputs' mute and volume and tells the observers of device changes.
class DispositivosPulse final : public DispositivosSistema {
public:
    explicit DispositivosPulse(QByteArray servidor = {})
        : servidor_(std::move(servidor)), lazo_(pa_threaded_mainloop_new())
    {
        pa_threaded_mainloop_start(lazo_);
    }

    ~DispositivosPulse() override
    {
        pa_threaded_mainloop_lock(lazo_);
        if (reintento_) {
            pa_mainloop_api* api = pa_threaded_mainloop_get_api(lazo_);
            api->time_free(reintento_);
            reintento_ = nullptr;
        }
        soltarContexto();
        pa_threaded_mainloop_unlock(lazo_);
        pa_threaded_mainloop_stop(lazo_);
        pa_threaded_mainloop_free(lazo_);
    }

    std::vector<Registro> listar(bool entrada) override
    {
        Bloqueo b(lazo_);
        std::vector<Registro>& conocida = entrada ? ultimasEntradas_ : ultimasSalidas_;
        std::vector<Registro> lista;
        if (!conectar())
            return conocida;
        Consulta c{this, &lista};
        pa_operation* op = entrada ? pa_context_get_source_info_list(contexto_, &alFuente, &c)
                                   : pa_context_get_sink_info_list(contexto_, &alSalida, &c);
        if (!esperar(op))
            return conocida;
        conocida = lista;
        return lista;
    }

    std::optional<EstadoSalida> estadoSalida(std::optional<uint32_t> indice) override
    {
        {
            Bloqueo b(lazo_);
            conectar();
        }
        std::lock_guard g(cacheMutex_);
        uint32_t i = 0;
        if (indice) {
            i = *indice;
        } else {
            auto it = indicesPorNombre_.find(salidaPorDefecto_);
            if (it == indicesPorNombre_.end())
                return std::nullopt;
            i = it->second;
        }
        auto it = salidas_.find(i);
        if (it == salidas_.end())
            return EstadoSalida{};
        return it->second;
    }

    std::optional<QString> predeterminado(bool entrada) override
    {
        {
            Bloqueo b(lazo_);
            conectar();
        }
        std::lock_guard g(cacheMutex_);
        const QString& nombre = entrada ? entradaPorDefecto_ : salidaPorDefecto_;
        if (!conocido_ || nombre.isEmpty())
            return std::nullopt;
        return nombre;
    }

    void observar(std::function<void()> alCambiar) override
    {
        {
            std::lock_guard g(cacheMutex_);
            observadores_.push_back(std::move(alCambiar));
        }
        Bloqueo b(lazo_);
        conectar();
    }

    void observarSalidas(std::function<void()> alCambiar) override
    {
        {
            std::lock_guard g(cacheMutex_);
            observadoresSalidas_.push_back(std::move(alCambiar));
        }
        Bloqueo b(lazo_);
        conectar();
    }

private:
    struct Bloqueo {
        explicit Bloqueo(pa_threaded_mainloop* l) : lazo(l) { pa_threaded_mainloop_lock(lazo); }
        ~Bloqueo() { pa_threaded_mainloop_unlock(lazo); }
        pa_threaded_mainloop* lazo;
    };
    struct Consulta {
        DispositivosPulse* yo;
        std::vector<Registro>* lista;
    };

    // Connects when there is no live connection (the server may have come
    // back since the last call). Loop lock held.
    bool conectar()
    {
        if (contexto_ && pa_context_get_state(contexto_) == PA_CONTEXT_READY)
            return true;
        soltarContexto();
        if (atascadoHasta_ && std::chrono::steady_clock::now() < *atascadoHasta_)
            return false;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(lazo_);
        contexto_ = pa_context_new(api, "Zuvi IA");
        if (!contexto_)
            return false;
        pa_context_set_state_callback(contexto_, &alEstado, this);
        if (pa_context_connect(contexto_, servidor_.isEmpty() ? nullptr : servidor_.constData(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            sinServidor();
            return false;
        }
        const bool decidido = esperarHasta([this] {
            const pa_context_state_t e = pa_context_get_state(contexto_);
            return e == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(e);
        });
        if (!decidido) {
            atasco();
            return false;
        }
        if (pa_context_get_state(contexto_) != PA_CONTEXT_READY) {
            sinServidor();
            return false;
        }
        suscribir();
        atascadoHasta_.reset();
        if (!esperar(pa_context_get_sink_info_list(contexto_, &alSalidaEnCache, this)))
            return false;
        const bool listo = esperar(pa_context_get_server_info(contexto_, &alServidor, this));
        if (listo)
            recuperado();
        return listo;
    }

    // Loop lock held. Device and server events from now on, over a cache
    // that starts empty.
    void suscribir()
    {
        pa_context_set_subscribe_callback(contexto_, &alEvento, this);
        pa_operation_unref(pa_context_subscribe(
            contexto_, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE
                                              | PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr));
        std::lock_guard g(cacheMutex_);
        salidas_.clear();
        indicesPorNombre_.clear();
    }

    // Loop lock held. No server (not started, or gone): no devices, and
    // while anyone observes, a new attempt in a while.
    void sinServidor()
    {
        soltarContexto();
        bool habia = false;
        {
            std::lock_guard g(cacheMutex_);
            habia = !caido_ && conocido_;
            salidas_.clear();
            indicesPorNombre_.clear();
            entradaPorDefecto_.clear();
            salidaPorDefecto_.clear();
        }
        caido_ = true;
        ultimasEntradas_.clear();
        ultimasSalidas_.clear();
        if (habia)
            avisar();
        reintentarLuego();
    }

    // Loop lock held. The views learn of a server that came back.
    void recuperado()
    {
        if (!caido_)
            return;
        caido_ = false;
        anotar(QStringLiteral("Dispositivos: el servidor de sonido volvió"));
        avisar();
        avisar(true);
    }

    // Loop lock held.
    void reintentarLuego()
    {
        bool observado = false;
        {
            std::lock_guard g(cacheMutex_);
            observado = !observadores_.empty() || !observadoresSalidas_.empty();
        }
        if (reintento_ || !observado)
            return;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(lazo_);
        timeval cuando{};
        pa_gettimeofday(&cuando);
        pa_timeval_add(&cuando, pa_usec_t(std::chrono::microseconds(pausaReconexion).count()));
        reintento_ = api->time_new(api, &cuando, &alReintento, this);
    }

    // On libpulse's thread, loop lock held: an attempt that never waits.
    static void alReintento(pa_mainloop_api* api, pa_time_event* evento, const timeval*, void* datos)
    {
        auto* yo = static_cast<DispositivosPulse*>(datos);
        api->time_free(evento);
        yo->reintento_ = nullptr;
        if (yo->contexto_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(yo->contexto_)))
            return;
        yo->soltarContexto();
        yo->reintentando_ = true;
        yo->contexto_ = pa_context_new(api, "Zuvi IA");
        if (!yo->contexto_) {
            yo->reintentarLuego();
            return;
        }
        pa_context_set_state_callback(yo->contexto_, &alEstado, yo);
        if (pa_context_connect(yo->contexto_, yo->servidor_.isEmpty() ? nullptr : yo->servidor_.constData(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            yo->soltarContexto();
            yo->reintentarLuego();
        }
    }

    void soltarContexto()
    {
        if (!contexto_)
            return;
        reintentando_ = false;
        pa_context_set_state_callback(contexto_, nullptr, nullptr);
        pa_context_set_subscribe_callback(contexto_, nullptr, nullptr);
        pa_context_disconnect(contexto_);
        pa_context_unref(contexto_);
        contexto_ = nullptr;
    }

    // Loop lock held. Waits for `listo` at most limiteEspera; false when
    // the limit came first.
    template <typename F>
    bool esperarHasta(F listo)
    {
        if (listo())
            return true;
        struct Alarma {
            pa_threaded_mainloop* lazo;
            bool vencida = false;
        } alarma{lazo_};
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(lazo_);
        timeval hasta{};
        pa_gettimeofday(&hasta);
        pa_timeval_add(&hasta, pa_usec_t(std::chrono::microseconds(limiteEspera).count()));
        pa_time_event* evento = api->time_new(
            api, &hasta,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* datos) {
                auto* a = static_cast<Alarma*>(datos);
                a->vencida = true;
                pa_threaded_mainloop_signal(a->lazo, 0);
            },
            &alarma);
        while (!listo() && !alarma.vencida)
            pa_threaded_mainloop_wait(lazo_);
        api->time_free(evento);
        return listo();
    }

    // Loop lock held. False when the server did not answer in time: the
    // operation is dropped with its callbacks.
    bool esperar(pa_operation* op)
    {
        if (!op)
            return false;
        const bool hecho = esperarHasta([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        if (!hecho) {
            pa_operation_cancel(op);
            atasco();
        }
        pa_operation_unref(op);
        return hecho;
    }

    // Loop lock held. The connection is dropped and not tried again for a
    // while, so a stalled server costs the GUI thread one limit, not one
    // per call.
    void atasco()
    {
        soltarContexto();
        atascadoHasta_ = std::chrono::steady_clock::now() + pausaTrasAtasco;
        anotar(QStringLiteral("Dispositivos: el servidor de sonido no respondió en %1 ms; uso lo último que dijo")
                   .arg(limiteEspera.count()));
    }

    void avisar(bool salidas = false)
    {
        std::vector<std::function<void()>> copia;
        {
            std::lock_guard g(cacheMutex_);
            copia = salidas ? observadoresSalidas_ : observadores_;
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        for (auto& f : copia)
            QMetaObject::invokeMethod(app, f, Qt::QueuedConnection);
    }

    void guardarSalida(const pa_sink_info* i)
    {
        EstadoSalida e;
        e.silenciada = i->mute != 0;
        e.volumen = float(pa_cvolume_max(&i->volume)) / float(PA_VOLUME_NORM);
        bool cambio = false;
        {
            std::lock_guard g(cacheMutex_);
            auto& guardado = salidas_[i->index];
            cambio = guardado.silenciada != e.silenciada || guardado.volumen != e.volumen;
            guardado = e;
            indicesPorNombre_[QString::fromUtf8(i->name)] = i->index;
        }
        // The volume keys change a sink's state without adding or removing one.
        if (cambio)
            avisar(true);
    }

    void olvidarSalida(uint32_t indice)
    {
        std::lock_guard g(cacheMutex_);
        salidas_.erase(indice);
        std::erase_if(indicesPorNombre_, [&](const auto& par) { return par.second == indice; });
    }

    // On libpulse's thread, loop lock held. A connection that fails or
    // ends is dropped later, outside its own callback.
    static void alEstado(pa_context* c, void* datos)
    {
        auto* yo = static_cast<DispositivosPulse*>(datos);
        pa_threaded_mainloop_signal(yo->lazo_, 0);
        if (c != yo->contexto_)
            return;
        const pa_context_state_t e = pa_context_get_state(c);
        if (e == PA_CONTEXT_READY && yo->reintentando_) {
            yo->reintentando_ = false;
            // An attempt of the retry: nobody waits for these answers.
            yo->suscribir();
            if (auto* op = pa_context_get_sink_info_list(c, &alSalidaEnCache, yo))
                pa_operation_unref(op);
            if (auto* op = pa_context_get_server_info(c, &alServidor, yo))
                pa_operation_unref(op);
            yo->recuperado();
        } else if (!PA_CONTEXT_IS_GOOD(e)) {
            pa_mainloop_api* api = pa_threaded_mainloop_get_api(yo->lazo_);
            api->defer_new(api, &alCaer, yo);
        }
    }

    static void alCaer(pa_mainloop_api* api, pa_defer_event* evento, void* datos)
    {
        api->defer_free(evento);
        auto* yo = static_cast<DispositivosPulse*>(datos);
        if (yo->contexto_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(yo->contexto_)))
            yo->sinServidor();
    }

    static void alFuente(pa_context*, const pa_source_info* i, int fin, void* datos)
    {
        auto* c = static_cast<Consulta*>(datos);
        // A monitor repeats an output; it is not a microphone.
        if (!fin && i && i->monitor_of_sink == PA_INVALID_INDEX)
            c->lista->push_back(registroDe(i));
        if (fin)
            pa_threaded_mainloop_signal(c->yo->lazo_, 0);
    }

    static void alSalida(pa_context*, const pa_sink_info* i, int fin, void* datos)
    {
        auto* c = static_cast<Consulta*>(datos);
        if (!fin && i)
            c->lista->push_back(registroDe(i));
        if (fin)
            pa_threaded_mainloop_signal(c->yo->lazo_, 0);
    }

    static void alSalidaEnCache(pa_context*, const pa_sink_info* i, int fin, void* datos)
    {
        auto* yo = static_cast<DispositivosPulse*>(datos);
        if (!fin && i)
            yo->guardarSalida(i);
        if (fin)
            pa_threaded_mainloop_signal(yo->lazo_, 0);
    }

    static void alServidor(pa_context*, const pa_server_info* i, void* datos)
    {
        auto* yo = static_cast<DispositivosPulse*>(datos);
        if (i) {
            const QString entrada = QString::fromUtf8(i->default_source_name ? i->default_source_name : "");
            const QString salida = QString::fromUtf8(i->default_sink_name ? i->default_sink_name : "");
            bool cambio = false;
            {
                std::lock_guard g(yo->cacheMutex_);
                cambio = yo->conocido_ && (entrada != yo->entradaPorDefecto_ || salida != yo->salidaPorDefecto_);
                yo->entradaPorDefecto_ = entrada;
                yo->salidaPorDefecto_ = salida;
                yo->conocido_ = true;
            }
            if (cambio)
                yo->avisar();
        }
        pa_threaded_mainloop_signal(yo->lazo_, 0);
    }

    // Runs on libpulse's thread with the loop lock held: never wait here.
    static void alEvento(pa_context* c, pa_subscription_event_type_t t, uint32_t indice, void* datos)
    {
        auto* yo = static_cast<DispositivosPulse*>(datos);
        const auto facilidad = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto tipo = t & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facilidad == PA_SUBSCRIPTION_EVENT_SERVER) {
            if (auto* op = pa_context_get_server_info(c, &alServidor, yo))
                pa_operation_unref(op);
            return;
        }
        if (facilidad == PA_SUBSCRIPTION_EVENT_SINK) {
            if (tipo == PA_SUBSCRIPTION_EVENT_REMOVE)
                yo->olvidarSalida(indice);
            else if (auto* op = pa_context_get_sink_info_by_index(c, indice, &alSalidaEnCache, yo))
                pa_operation_unref(op);
        }
        // Volume and mute changes arrive as "change"; only additions and
        // removals change the device set.
        if (tipo == PA_SUBSCRIPTION_EVENT_NEW || tipo == PA_SUBSCRIPTION_EVENT_REMOVE)
            yo->avisar();
    }

    QByteArray servidor_;
    pa_threaded_mainloop* lazo_;
    pa_context* contexto_ = nullptr;
    // Loop lock held for these.
    pa_time_event* reintento_ = nullptr;
    bool caido_ = false;
    bool reintentando_ = false;
    std::optional<std::chrono::steady_clock::time_point> atascadoHasta_;
    std::vector<Registro> ultimasEntradas_;
    std::vector<Registro> ultimasSalidas_;

    std::mutex cacheMutex_;
    std::map<uint32_t, EstadoSalida> salidas_;
    std::map<QString, uint32_t> indicesPorNombre_;
    QString entradaPorDefecto_;
    QString salidaPorDefecto_;
    bool conocido_ = false;
    std::vector<std::function<void()>> observadores_;
    std::vector<std::function<void()>> observadoresSalidas_;
};

} // namespace

DispositivosSistema& DispositivosSistema::sistema()
{
    // Kept until the process ends: tearing libpulse's loop down from a
    // static destructor at exit races its own thread.
    static DispositivosPulse* unico = new DispositivosPulse;
    return *unico;
}

std::unique_ptr<DispositivosSistema> DispositivosSistema::conServidor(const QString& servidor)
{
    return std::make_unique<DispositivosPulse>(servidor.toUtf8());
}

void DispositivosSistema::setAnotador(std::function<void(const QString&)> anotar)
{
    std::lock_guard g(anotadorMutex);
    anotador = std::move(anotar);
}
