#include "core/EstadoIA.h"

#include "core/DetectorIA.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"

#include <QFutureWatcher>
#include <QtConcurrent>

EstadoIA::EstadoIA(Reloj& reloj, Busqueda busqueda, Agente agente, QObject* parent)
    : QObject(parent), reloj_(reloj), busqueda_(std::move(busqueda)), agente_(std::move(agente))
{
}

EstadoIA& EstadoIA::shared()
{
    static EstadoIA estado(Reloj::sistema(), [] { return DetectorIA::buscarTodo(); },
                           agenteEnAjustes(Ajustes::shared()));
    return estado;
}

std::optional<Deteccion> EstadoIA::deteccion(const QString& id) const
{
    for (const auto& d : detecciones_)
        if (d.herramienta.id == id)
            return d;
    return std::nullopt;
}

void EstadoIA::buscar()
{
    if (buscando_)
        return;
    setBuscando(true);
    // A watcher rather than QFuture::then: it also reports a search that
    // ended before it was watched.
    auto* vigia = new QFutureWatcher<QList<Deteccion>>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia] {
        vigia->deleteLater();
        publicar(vigia->result());
    });
    vigia->setFuture(QtConcurrent::run(busqueda_));
}

void EstadoIA::fijarAgente(Agente agente) { agente_ = std::move(agente); }

void EstadoIA::publicar(const QList<Deteccion>& resultados)
{
    if (resultados != detecciones_) {
        detecciones_ = resultados;
        emit deteccionesChanged();
    }
    const QDateTime ahora = reloj_.ahora();
    if (ahora != ultimaBusqueda_) {
        ultimaBusqueda_ = ahora;
        emit ultimaBusquedaChanged();
    }
    if (agente_.leer && agente_.escribir)
        if (const auto nuevo = reglaAgente(agente_.leer(), detecciones_))
            agente_.escribir(*nuevo);
    setBuscando(false);
    emit busquedaTerminada();
}

void EstadoIA::setBuscando(bool valor)
{
    if (valor == buscando_)
        return;
    buscando_ = valor;
    emit buscandoChanged();
}

std::optional<AgenteCLI> EstadoIA::reglaAgente(AgenteCLI actual, const QList<Deteccion>& detecciones)
{
    if (actual != AgenteCLI::codex)
        return std::nullopt;
    for (const auto& d : detecciones)
        if (d.herramienta.id == QLatin1String("codex-cli") && d.instalada())
            return std::nullopt;
    return AgenteCLI::claude;
}

EstadoIA::Agente EstadoIA::agenteEnAjustes(Ajustes& ajustes)
{
    return {[&ajustes] {
                return ajustes.texto(QStringLiteral("agente")) == QLatin1String("codex") ? AgenteCLI::codex
                                                                                          : AgenteCLI::claude;
            },
            [&ajustes](AgenteCLI a) { ajustes.escribir(QStringLiteral("agente"), valorCrudo(a)); }};
}
