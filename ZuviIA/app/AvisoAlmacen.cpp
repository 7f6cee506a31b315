#include "app/AvisoAlmacen.h"

#include "app/TarjetaAviso.h"
#include "vistas/TextoCorto.h"
#include "core/Almacen.h"
#include "plataforma/GestorArchivos.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QString AvisoAlmacen::titulo(const QString& apartado, const QString& casa)
{
    QString ruta = QDir::cleanPath(apartado);
    const QString raiz = QDir::cleanPath(casa);
    if (!raiz.isEmpty() && raiz != QStringLiteral("/") && ruta.startsWith(raiz + QLatin1Char('/')))
        ruta = QStringLiteral("~") + ruta.mid(raiz.size());
    return QStringLiteral("No pude leer tus conversaciones; guardé una copia en %1 y empecé de cero.").arg(ruta);
}

AvisoAlmacen::AvisoAlmacen(Almacen& almacen, Mostrar mostrar, QWidget* parent)
    : QWidget(parent), almacen_(almacen),
      mostrar_(mostrar ? std::move(mostrar) : Mostrar([](const QString& ruta) { GestorArchivos::mostrar(ruta); }))
{
    setObjectName(QStringLiteral("avisoAlmacen"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(24, 12, 24, 0);
    tarjeta_ = new TarjetaAviso(QStringLiteral("exclamationmark.triangle.fill"), QColor(0xff, 0x3b, 0x30), 0.10, this);
    tarjeta_->titulo()->setWordWrap(true);
    tarjeta_->setBoton(QStringLiteral("Mostrar en el gestor de archivos"));
    tarjeta_->boton()->setObjectName(QStringLiteral("mostrarCopia"));
    descartar_ = new QToolButton(tarjeta_);
    descartar_->setObjectName(QStringLiteral("descartarAviso"));
    descartar_->setAutoRaise(true);
    descartar_->setText(QStringLiteral("✕"));
    descartar_->setToolTip(QStringLiteral("Cerrar"));
    descartar_->setAccessibleName(QStringLiteral("Cerrar el aviso"));
    if (auto* fila = qobject_cast<QHBoxLayout*>(tarjeta_->layout()))
        fila->addWidget(descartar_, 0, Qt::AlignTop);
    capa->addWidget(tarjeta_);
    connect(tarjeta_, &TarjetaAviso::pulsado, this, [this] {
        if (const auto ruta = almacen_.apartado())
            mostrar_(*ruta);
    });
    connect(descartar_, &QToolButton::clicked, &almacen_, &Almacen::descartarApartado);
    connect(&almacen_, &Almacen::apartadoCambiado, this, &AvisoAlmacen::seguir);
    seguir();
}

void AvisoAlmacen::seguir()
{
    const auto ruta = almacen_.apartado();
    if (ruta)
        tarjeta_->setTitulo(titulo(*ruta, QDir::homePath()));
    tarjeta_->setDetalle(QString());
    tarjeta_->detalle()->setVisible(false);
    setVisible(ruta.has_value());
}
