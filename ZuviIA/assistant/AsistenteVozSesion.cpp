// The assistant's Claude Code session: its key, reuse and start.
#include "assistant/AsistenteVoz.h"

#include "assistant/AnfitrionAsistente.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/ComandosAgente.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"

#include <QPointer>

ClaveSesion AsistenteVoz::claveSesion(const std::optional<QString>& reanudar) const
{
    ClaveSesion clave;
    clave.carpeta = carpeta_;
    clave.nivel = valorCrudo(nivel_);
    clave.modelo = valorCrudo(ModeloClaudeActual::leer(ajustes_));
    clave.contexto = contextoPersona_;
    clave.instrucciones = ajustes_.texto(QStringLiteral("instruccionesExtra"));
    clave.reanudar = reanudar;
    return clave;
}

bool AsistenteVoz::bifurcarAlReanudar() const
{
    const auto actual = almacen_.actual();
    return actual && turno_->fondoEn(actual->id);
}

std::shared_ptr<SesionClaude> AsistenteVoz::asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar)
{
    const bool bifurcar = reanudar && bifurcarAlReanudar();
    ClaveSesion clave = claveSesion(reanudar);
    clave.copia = bifurcar;
    if (sesionClaude_ && sesionClaude_->enMarcha() && sesionClaude_->clave() == clave)
        return sesionClaude_;
    if (auto vieja = std::exchange(sesionClaude_, nullptr))
        vieja->cerrar();

    const auto inicio = reloj_.monotono();
    const QUuid id = QUuid::createUuid();
    const ModeloClaude modelo = ModeloClaudeActual::leer(ajustes_);
    const QStringList argumentos =
        ComandosAgente::argumentosSesion(nivel_, reanudar, contextoPersona_, modelo, bifurcar, ajustes_);
    // Callbacks come on the runner's thread; each becomes one queued signal,
    // so lines, errors and the end keep their order.
    auto enEsteHilo = [this](auto accion) { QMetaObject::invokeMethod(this, accion, Qt::QueuedConnection); };
    sesionClaude_ = std::make_shared<SesionClaude>(
        id, clave, ruta, argumentos, carpeta_,
        [this, id, enEsteHilo](const QString& linea) { enEsteHilo([this, id, linea] { emit lineaSesion(linea, id); }); },
        [this, enEsteHilo](const QString& trozo) { enEsteHilo([this, trozo] { emit errorSesion(trozo); }); },
        [this, id, enEsteHilo](int codigo) { enEsteHilo([this, id, codigo] { emit sesionTermino(codigo, id); }); });

    const double segundos = double((reloj_.monotono() - inicio).count()) / 1000.0;
    Registro::anotar(QStringLiteral("Claude: sesión abierta (%1, %2) en %3s")
                         .arg(valorCrudo(modelo), reanudar ? QStringLiteral("reanudada") : QStringLiteral("nueva"),
                              QString::asprintf("%.2f", segundos)));
    return sesionClaude_;
}

void AsistenteVoz::precalentar()
{
    if (agente_ != AgenteCLI::claude || turno_->ejecutando())
        return;
    anfitrion_->buscarEjecutable(AgenteCLI::claude, [yo = QPointer<AsistenteVoz>(this)](std::optional<QString> ruta) {
        // A turn that started during the search opens its own session.
        if (!yo || !ruta || yo->turno_->ejecutando())
            return;
        const auto actual = yo->almacen_.actual();
        try {
            yo->asegurarSesion(*ruta, actual ? actual->sesionClaude : std::nullopt);
        } catch (const std::exception&) {
            // The next turn starts its own session and reports the failure.
        }
    });
}
