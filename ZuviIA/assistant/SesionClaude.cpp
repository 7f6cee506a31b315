#include "assistant/SesionClaude.h"

#include "core/EjecutorProceso.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <mutex>

// Splits standard output into lines. Shared with the runner's callbacks, so
// it outlives the session object until the process has ended.
struct SesionClaude::Lector {
    std::mutex mutex;
    QString resto;                   // text after the last line feed
    std::atomic<bool> sesionViva{true};
    AlLinea onLinea;

    void recibir(const QString& texto)
    {
        QStringList lineas;
        {
            std::lock_guard cerrojo(mutex);
            resto += texto;
            qsizetype corte;
            while ((corte = resto.indexOf(QLatin1Char('\n'))) >= 0) {
                lineas << resto.left(corte);
                resto.remove(0, corte + 1);
            }
        }
        entregar(lineas);
    }

    // An agent may write its last line (often the "result") without a line
    // feed and exit at once; that line must still count.
    void terminar()
    {
        QStringList lineas;
        {
            std::lock_guard cerrojo(mutex);
            if (!resto.isEmpty())
                lineas << resto;
            resto.clear();
        }
        entregar(lineas);
    }

    void entregar(const QStringList& lineas)
    {
        for (const QString& linea : lineas)
            if (sesionViva && onLinea)
                onLinea(linea);
    }
};

SesionClaude::SesionClaude(const QUuid& id, ClaveSesion clave, const QString& ruta, const QStringList& argumentos,
                           const QString& carpeta, AlLinea onLinea, AlError onError, AlFin onFin)
    : id_(id), clave_(std::move(clave)), lector_(std::make_shared<Lector>())
{
    lector_->onLinea = std::move(onLinea);
    EjecutorProceso::Opciones opciones;
    opciones.conEntrada = true;
    // Decoding happens before the split: the runner's decoder keeps a
    // character whole across reads, and a line feed is never inside one.
    proceso_ = EjecutorProceso::lanzar(
        ruta, argumentos, carpeta, [lector = lector_](const QString& texto) { lector->recibir(texto); },
        std::move(onError),
        [lector = lector_, onFin = std::move(onFin)](int codigo) {
            lector->terminar();
            if (onFin)
                onFin(codigo);
        },
        opciones);
}

SesionClaude::~SesionClaude()
{
    lector_->sesionViva = false;
}

bool SesionClaude::enMarcha() const
{
    return !proceso_->terminado();
}

qint64 SesionClaude::pid() const
{
    return proceso_->pid();
}

QByteArray SesionClaude::lineaTurno(const QString& instruccion)
{
    const QJsonObject mensaje{{QStringLiteral("role"), QStringLiteral("user")},
                              {QStringLiteral("content"), instruccion}};
    const QJsonObject turno{{QStringLiteral("type"), QStringLiteral("user")}, {QStringLiteral("message"), mensaje}};
    return QJsonDocument(turno).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray SesionClaude::lineaInterrupcion(const QUuid& pedido)
{
    const QJsonObject peticion{
        {QStringLiteral("type"), QStringLiteral("control_request")},
        {QStringLiteral("request_id"), pedido.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("request"), QJsonObject{{QStringLiteral("subtype"), QStringLiteral("interrupt")}}}};
    return QJsonDocument(peticion).toJson(QJsonDocument::Compact) + '\n';
}

void SesionClaude::enviar(const QString& instruccion)
{
    proceso_->escribir(lineaTurno(instruccion));
}

void SesionClaude::interrumpir()
{
    proceso_->escribir(lineaInterrupcion(QUuid::createUuid()));
}

void SesionClaude::cerrar()
{
    proceso_->cerrarEntrada();
    proceso_->terminar();
}
