#include "plataforma/Ajustes.h"

#include "plataforma/Carpetas.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMutexLocker>
#include <QThread>

Ajustes::Ajustes(const QString& archivo, Reloj& reloj, QObject* parent)
    : QObject(parent), reloj_(reloj), settings_(std::make_unique<QSettings>(archivo, QSettings::IniFormat))
{
    // QSettings would write the file on its next event-loop pass after
    // every change (two fdatasync each): the pace here is ours.
    settings_->installEventFilter(this);
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &Ajustes::volcar);
}

Ajustes::~Ajustes()
{
    volcar();
}

bool Ajustes::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto == settings_.get() && evento->type() == QEvent::UpdateRequest)
        return true;
    return QObject::eventFilter(objeto, evento);
}

void Ajustes::volcar()
{
    QMutexLocker cerrojo(&mutex_);
    // Readers write nothing: a sync would also write what another object
    // on the same file still holds back.
    if (!std::exchange(programado_, false))
        return;
    settings_->sync();
}

// Called with a change made: the file follows within pausaEscritura.
void Ajustes::pendiente()
{
    {
        QMutexLocker cerrojo(&mutex_);
        if (std::exchange(programado_, true))
            return;
    }
    if (QThread::currentThread() == thread())
        programar();
    else
        QMetaObject::invokeMethod(this, &Ajustes::programar, Qt::QueuedConnection);
}

void Ajustes::programar()
{
    volcado_ = reloj_.despues(pausaEscritura, this, [this] { volcar(); });
}

QString Ajustes::archivoPorDefecto()
{
    return Carpetas::configuracion() + QStringLiteral("/") + QLatin1String(dominio) + QStringLiteral(".conf");
}

Ajustes& Ajustes::shared()
{
    static Ajustes ajustes(archivoPorDefecto());
    return ajustes;
}

QString Ajustes::archivo() const
{
    QMutexLocker cerrojo(&mutex_);
    return settings_->fileName();
}

bool Ajustes::contiene(const QString& clave) const
{
    QMutexLocker cerrojo(&mutex_);
    return settings_->contains(clave);
}

QVariant Ajustes::valor(const QString& clave) const
{
    QMutexLocker cerrojo(&mutex_);
    return settings_->value(clave);
}

std::optional<bool> Ajustes::booleanoOpcional(const QString& clave) const
{
    const QVariant v = valor(clave);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    // INI keeps no types: a Bool comes back as the text "true" or "false".
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString();
        if (t == QLatin1String("true"))
            return true;
        if (t == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

bool Ajustes::booleano(const QString& clave, bool porDefecto) const
{
    return booleanoOpcional(clave).value_or(porDefecto);
}

std::optional<QString> Ajustes::textoOpcional(const QString& clave) const
{
    const QVariant v = valor(clave);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return std::nullopt;
}

QString Ajustes::texto(const QString& clave, const QString& porDefecto) const
{
    return textoOpcional(clave).value_or(porDefecto);
}

double Ajustes::real(const QString& clave, double porDefecto) const
{
    const QVariant v = valor(clave);
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().toDouble(&ok);
    else if (v.canConvert<double>() && v.typeId() != QMetaType::Bool && v.isValid())
        d = v.toDouble(&ok);
    return ok ? d : porDefecto;
}

QStringList Ajustes::listaTextos(const QString& clave) const
{
    const QVariant v = valor(clave);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QVariantList) {
        QStringList lista;
        for (const QVariant& e : v.toList())
            lista << e.toString();
        return lista;
    }
    // A one-element list reads back from INI as a plain text.
    if (v.typeId() == QMetaType::QString)
        return {v.toString()};
    return {};
}

std::optional<QDateTime> Ajustes::fecha(const QString& clave) const
{
    const QVariant v = valor(clave);
    if (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid())
        return v.toDateTime();
    return std::nullopt;
}

void Ajustes::escribir(const QString& clave, const QVariant& nuevo)
{
    {
        QMutexLocker cerrojo(&mutex_);
        settings_->setValue(clave, nuevo);
    }
    pendiente();
    emit cambiado(clave);
}

void Ajustes::quitar(const QString& clave)
{
    {
        QMutexLocker cerrojo(&mutex_);
        settings_->remove(clave);
    }
    pendiente();
    emit cambiado(clave);
}
