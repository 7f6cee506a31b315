#include "core/EscritorAlmacen.h"

#include "core/ArchivoLista.h"
#include "core/Registro.h"

#include <QHash>
#include <QUuid>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

struct EscritorAlmacen::Estado {
    struct Codificada {
        quint64 revision = 0;
        QByteArray datos;
    };

    QString archivo;
    std::optional<Instantanea> pendiente;
    bool escribiendo = false;
    bool fin = false;
    // Touched only by the thread.
    QHash<QUuid, Codificada> codificadas;
    bool fallando = false;

    bool ocupado() const { return pendiente.has_value() || escribiendo; }
};

namespace {

// Every writer of the process shares one lock: there are one or two of
// them, and a reader may wait for all that write its file.
struct Comun {
    std::mutex mutex;
    std::condition_variable cambio;
    std::vector<EscritorAlmacen::Estado*> vivos;
};

Comun& comun()
{
    // Never destroyed: a writer left behind at exit may still use it.
    static Comun* c = new Comun;
    return *c;
}

void codificarYEscribir(EscritorAlmacen::Estado& e, const EscritorAlmacen::Instantanea& x)
{
    QHash<QUuid, EscritorAlmacen::Estado::Codificada> nuevas;
    nuevas.reserve(x.conversaciones.size());
    std::vector<QByteArray> partes;
    partes.reserve(static_cast<size_t>(x.conversaciones.size()));
    for (qsizetype i = 0; i < x.conversaciones.size(); ++i) {
        const Conversacion& c = x.conversaciones[i];
        const quint64 revision = x.revisiones[static_cast<size_t>(i)];
        const auto previa = e.codificadas.constFind(c.id);
        EscritorAlmacen::Estado::Codificada cod{revision, previa != e.codificadas.cend() && previa->revision == revision
                                                              ? previa->datos
                                                              : Codificacion::codificar(c)};
        partes.push_back(cod.datos);
        nuevas.insert(c.id, std::move(cod));
    }
    e.codificadas = std::move(nuevas);
    if (!x.escribir)
        return;
    const auto error = ArchivoLista::escribir(e.archivo, Codificacion::unir(std::move(partes), x.ilegibles));
    // Once per run of failures: every change retries, and the log must not
    // fill with the same line.
    if (error && !e.fallando)
        Registro::anotar(QStringLiteral("No se pudo guardar %1: %2; se volverá a intentar con el próximo cambio")
                             .arg(e.archivo, *error));
    else if (!error && e.fallando)
        Registro::anotar(QStringLiteral("Se volvió a guardar %1").arg(e.archivo));
    e.fallando = error.has_value();
}

void trabajar(const std::shared_ptr<EscritorAlmacen::Estado>& e)
{
    Comun& c = comun();
    std::unique_lock cerrojo(c.mutex);
    for (;;) {
        c.cambio.wait(cerrojo, [&] { return e->pendiente || e->fin; });
        if (!e->pendiente)
            break;
        const EscritorAlmacen::Instantanea x = std::move(*e->pendiente);
        e->pendiente.reset();
        e->escribiendo = true;
        cerrojo.unlock();
        codificarYEscribir(*e, x);
        cerrojo.lock();
        e->escribiendo = false;
        c.cambio.notify_all();
    }
    std::erase(c.vivos, e.get());
    c.cambio.notify_all();
}

}

EscritorAlmacen::EscritorAlmacen(const QString& archivo) : estado_(std::make_shared<Estado>())
{
    estado_->archivo = archivo;
    {
        std::lock_guard cerrojo(comun().mutex);
        comun().vivos.push_back(estado_.get());
    }
    std::thread([e = estado_] { trabajar(e); }).detach();
}

EscritorAlmacen::~EscritorAlmacen()
{
    Comun& c = comun();
    std::unique_lock cerrojo(c.mutex);
    estado_->fin = true;
    c.cambio.notify_all();
    // The thread is gone from `vivos` once it has written what waited.
    const Estado* e = estado_.get();
    const bool hecho = c.cambio.wait_for(cerrojo, std::chrono::seconds(5), [&] {
        return std::find(c.vivos.begin(), c.vivos.end(), e) == c.vivos.end();
    });
    if (!hecho)
        Registro::anotar(QStringLiteral("No se terminó de guardar %1 a tiempo").arg(estado_->archivo));
}

void EscritorAlmacen::pedir(Instantanea instantanea)
{
    Comun& c = comun();
    std::lock_guard cerrojo(c.mutex);
    // Folding a request to write into one to encode only must still write.
    instantanea.escribir = instantanea.escribir || (estado_->pendiente && estado_->pendiente->escribir);
    estado_->pendiente = std::move(instantanea);
    c.cambio.notify_all();
}

void EscritorAlmacen::esperar()
{
    Comun& c = comun();
    std::unique_lock cerrojo(c.mutex);
    c.cambio.wait(cerrojo, [&] { return !estado_->ocupado(); });
}

bool EscritorAlmacen::esperar(std::chrono::milliseconds limite)
{
    Comun& c = comun();
    std::unique_lock cerrojo(c.mutex);
    return c.cambio.wait_for(cerrojo, limite, [&] { return !estado_->ocupado(); });
}

void EscritorAlmacen::esperarArchivo(const QString& archivo)
{
    Comun& c = comun();
    std::unique_lock cerrojo(c.mutex);
    c.cambio.wait(cerrojo, [&] {
        return std::none_of(c.vivos.begin(), c.vivos.end(),
                            [&](const Estado* e) { return e->archivo == archivo && e->ocupado(); });
    });
}
