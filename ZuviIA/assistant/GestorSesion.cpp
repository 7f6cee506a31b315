#include "assistant/GestorSesion.h"

#include "assistant/SesionClaude.h"
#include "core/ComandosAgente.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"

GestorSesion::GestorSesion(Ajustes& ajustes, Reloj& reloj, QObject* parent)
    : QObject(parent), ajustes_(ajustes), reloj_(reloj), receptor_(Receptor<GestorSesion>::para(*this))
{
}

GestorSesion::~GestorSesion()
{
    // Sessions may outlive this object: what they say later is dropped.
    receptor_->cerrar();
}

ClaveSesion GestorSesion::clave(const Pedido& pedido, const std::optional<QString>& reanudar) const
{
    ClaveSesion clave;
    clave.carpeta = pedido.carpeta;
    clave.nivel = valorCrudo(pedido.nivel);
    clave.modelo = valorCrudo(ModeloClaudeActual::leer(ajustes_));
    // No person and an empty one are the same key.
    clave.contexto = pedido.contexto.value_or(QString());
    clave.instrucciones = ajustes_.texto(QStringLiteral("instruccionesExtra"));
    clave.reanudar = reanudar;
    return clave;
}

bool GestorSesion::bifurcar(const std::optional<QString>& reanudar, bool fondoEnLaConversacion)
{
    return reanudar.has_value() && fondoEnLaConversacion;
}

std::shared_ptr<SesionClaude> GestorSesion::asegurar(const QString& ruta, const std::optional<QString>& reanudar,
                                                     bool fondoEnLaConversacion, const Pedido& pedido)
{
    const bool copia = bifurcar(reanudar, fondoEnLaConversacion);
    ClaveSesion deseada = clave(pedido, reanudar);
    deseada.copia = copia;
    if (actual_ && actual_->enMarcha() && actual_->clave() == deseada)
        return actual_;
    if (auto vieja = std::exchange(actual_, nullptr))
        vieja->cerrar();

    const auto inicio = reloj_.monotono();
    const QUuid id = QUuid::createUuid();
    const ModeloClaude modelo = ModeloClaudeActual::leer(ajustes_);
    const QStringList argumentos =
        ComandosAgente::argumentosSesion(pedido.nivel, reanudar, pedido.contexto, modelo, copia, ajustes_);
    // The callbacks come on the runner's thread and reach this object
    // through its receiver, one queued call each, so they keep their order.
    const auto receptor = receptor_;
    using R = Receptor<GestorSesion>;
    actual_ = std::make_shared<SesionClaude>(
        id, deseada, ruta, argumentos, pedido.carpeta,
        [receptor, id](const QString& linea) {
            R::enviar(receptor, [id, linea](GestorSesion& g) { emit g.lineaSesion(linea, id); });
        },
        [receptor](const QString& trozo) {
            R::enviar(receptor, [trozo](GestorSesion& g) { emit g.errorSesion(trozo); });
        },
        [receptor, id](int codigo) {
            R::enviar(receptor, [id, codigo](GestorSesion& g) { emit g.sesionTermino(codigo, id); });
        });

    const double segundos = double((reloj_.monotono() - inicio).count()) / 1000.0;
    Registro::anotar(QStringLiteral("Claude: sesión abierta (%1, %2) en %3s")
                         .arg(valorCrudo(modelo), reanudar ? QStringLiteral("reanudada") : QStringLiteral("nueva"),
                              QString::asprintf("%.2f", segundos)));
    return actual_;
}
