#include "settings/DisenoVoz.h"

#include "audio/Locutor.h"
#include "audio/VozNeural.h"
#include "core/Registro.h"

#include <QCoreApplication>

DisenoVoz::DisenoVoz(VozNeural& voz, Locutor& locutor, QObject* parent)
    : QObject(parent), voz_(voz), locutor_(locutor), vigia_(new QFutureWatcher<void>(this))
{
    connect(vigia_, &QFutureWatcher<void>::finished, this, &DisenoVoz::terminar);
}

DisenoVoz::~DisenoVoz()
{
    vigia_->disconnect(this);
}

DisenoVoz& DisenoVoz::shared()
{
    static DisenoVoz* unico = new DisenoVoz(VozNeural::shared(), Locutor::shared(), QCoreApplication::instance());
    return *unico;
}

bool DisenoVoz::disenar(const QString& descripcion)
{
    if (disenando_)
        return false;
    setError(std::nullopt);
    setDisenando(true);
    vigia_->setFuture(voz_.disenar(descripcion));
    return true;
}

bool DisenoVoz::volverAOriginal()
{
    if (disenando_)
        return false;
    VozNeural::prepararReferencia(true);
    return true;
}

void DisenoVoz::terminar()
{
    QFuture<void> hecho = vigia_->future();
    try {
        hecho.waitForFinished();  // finished already: rethrows its failure
        // The new voice is heard at once.
        locutor_.decir(QString::fromUtf8(fraseLista));
    } catch (...) {
        setError(mensaje(std::current_exception()));
        Registro::anotar(QStringLiteral("Diseño de voz: ") + *error_);
    }
    setDisenando(false);
}

QString DisenoVoz::mensaje(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ErrorVoz& e) {
        return QString::fromUtf8(e.what());
    } catch (const ErrorTransporteVoz& e) {
        // The network layer's own words are English.
        Registro::anotar(QStringLiteral("Diseño de voz sin respuesta: ") + QString::fromUtf8(e.what()));
        return QStringLiteral("La voz neural no respondió. Inténtalo de nuevo en un momento.");
    } catch (...) {
    }
    return QStringLiteral("No se pudo diseñar la voz.");
}

void DisenoVoz::setDisenando(bool valor)
{
    if (valor == disenando_)
        return;
    disenando_ = valor;
    emit disenandoCambiado();
}

void DisenoVoz::setError(const std::optional<QString>& valor)
{
    if (valor == error_)
        return;
    error_ = valor;
    emit errorCambiado();
}
