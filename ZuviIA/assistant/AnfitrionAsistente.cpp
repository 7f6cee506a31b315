#include "assistant/AnfitrionAsistente.h"

#include "assistant/AsistenteVoz.h"
#include "core/DetectorIA.h"
#include "core/EstadoIA.h"
#include "core/Registro.h"
#include "plataforma/Sonidos.h"

#include <QFutureWatcher>
#include <QtConcurrent>

QString AnfitrionAsistente::herramientaDe(AgenteCLI agente)
{
    return agente == AgenteCLI::codex ? QStringLiteral("codex-cli") : QStringLiteral("claude-code");
}

AgenteCLI AnfitrionAsistente::agente() const { return asistente_.agente(); }
void AnfitrionAsistente::setAgente(AgenteCLI agente) { asistente_.setAgente(agente); }
NivelPermiso AnfitrionAsistente::nivel() const { return asistente_.nivel(); }
QString AnfitrionAsistente::carpeta() const { return asistente_.carpeta(); }
std::optional<QString> AnfitrionAsistente::contextoPersona() const { return asistente_.contextoPersona(); }
bool AnfitrionAsistente::leerRespuesta() const { return asistente_.leerRespuesta(); }
bool AnfitrionAsistente::vozPropiaSilenciada() const { return asistente_.vozPropiaSilenciada(); }
bool AnfitrionAsistente::comoRoot() const { return asistente_.comoRoot(); }
QString AnfitrionAsistente::texto() const { return asistente_.texto(); }
void AnfitrionAsistente::setTexto(const QString& texto) { asistente_.setTexto(texto); }
void AnfitrionAsistente::detenerDictado() { asistente_.detenerDictado(); }
void AnfitrionAsistente::hablar(const QString& texto) { asistente_.hablar(texto); }

void AnfitrionAsistente::sonarFin()
{
    sonidos_.reproducir(QStringLiteral("Glass"), [](const QString& motivo) {
        Registro::anotar(QStringLiteral("Sonido: no se pudo reproducir Glass (%1)").arg(motivo));
    });
}

bool AnfitrionAsistente::faltaCodex() const
{
    // Not looked for yet is not missing.
    const auto codex = deteccion_.deteccion(herramientaDe(AgenteCLI::codex));
    return codex && !codex->instalada();
}

void AnfitrionAsistente::buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo)
{
    const QString id = herramientaDe(agente);
    if (const auto hallada = deteccion_.deteccion(id); hallada && hallada->instalada()) {
        listo(hallada->ruta);
        return;
    }
    const auto herramienta = HerramientaIA::porId(id);
    if (!herramienta) {
        listo(std::nullopt);
        return;
    }
    // The probes block while they run: never on the GUI thread. The result
    // serves this search only; the detection state is left as it was.
    auto* vigia = new QFutureWatcher<Deteccion>(&asistente_);
    QObject::connect(vigia, &QFutureWatcherBase::finished, vigia, [vigia, listo = std::move(listo)] {
        vigia->deleteLater();
        listo(vigia->result().ruta);
    });
    vigia->setFuture(QtConcurrent::run([h = *herramienta] { return DetectorIA::buscar(h); }));
}

std::shared_ptr<SesionClaude> AnfitrionAsistente::sesionClaude() const { return asistente_.sesionClaude(); }
void AnfitrionAsistente::soltarSesionClaude() { asistente_.soltarSesionClaude(); }

std::shared_ptr<SesionClaude> AnfitrionAsistente::asegurarSesion(const QString& ruta,
                                                                 const std::optional<QString>& reanudar,
                                                                 const QUuid& conversacion)
{
    return asistente_.asegurarSesion(ruta, reanudar, conversacion);
}
