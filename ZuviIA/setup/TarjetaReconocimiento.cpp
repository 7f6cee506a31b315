#include "setup/TarjetaReconocimiento.h"

#include "setup/InsigniaEstado.h"
#include "setup/InstaladorReconocimiento.h"
#include "setup/Tarjeta.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QString TarjetaReconocimiento::texto(bool instalado, qint64 bytes)
{
    const QString base = QStringLiteral("El modelo de voz en español con el que la zuvi te entiende. Funciona en tu "
                                        "computador, sin internet.");
    return instalado ? base
                     : base + QStringLiteral(" Se descarga una sola vez (%1).").arg(InstaladorReconocimiento::tamano(bytes));
}

TarjetaReconocimiento::TarjetaReconocimiento(InstaladorReconocimiento& instalador, QWidget* parent)
    : QWidget(parent), instalador_(instalador)
{
    setObjectName(QStringLiteral("tarjetaReconocimiento"));
    auto* accesorio = new QWidget;
    auto* columna = new QVBoxLayout(accesorio);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(6);
    insignia_ = new InsigniaEstado(instalador_.estado(), accesorio);
    instalar_ = new QPushButton(accesorio);
    instalar_->setObjectName(QStringLiteral("instalarReconocimiento"));
    instalar_->setAutoDefault(false);
    connect(instalar_, &QPushButton::clicked, this, [this] { instalador_.instalar(); });
    avance_ = new QProgressBar(accesorio);
    avance_->setObjectName(QStringLiteral("avanceReconocimiento"));
    avance_->setRange(0, 100);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), accesorio);
    cancelar_->setObjectName(QStringLiteral("cancelarReconocimiento"));
    cancelar_->setAutoDefault(false);
    connect(cancelar_, &QPushButton::clicked, this, [this] { instalador_.cancelar(); });
    columna->addWidget(insignia_, 0, Qt::AlignRight);
    columna->addWidget(avance_);
    columna->addWidget(instalar_, 0, Qt::AlignRight);
    columna->addWidget(cancelar_, 0, Qt::AlignRight);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    tarjeta_ = new Tarjeta(QStringLiteral("ear"), QStringLiteral("Reconocimiento de voz en español"), QString(),
                           accesorio, this);
    capa->addWidget(tarjeta_);

    connect(&instalador_, &InstaladorReconocimiento::estadoCambiado, this, &TarjetaReconocimiento::mostrar);
    connect(&instalador_, &InstaladorReconocimiento::progresoCambiado, this, &TarjetaReconocimiento::mostrar);
    instalador_.refrescar();
    mostrar();
}

void TarjetaReconocimiento::mostrar()
{
    const EstadoPaso e = instalador_.estado();
    insignia_->setEstado(e);
    const bool listo = e.es(EstadoPaso::Tipo::listo);
    tarjeta_->setTexto(texto(listo, instalador_.modelo().bytes));
    const bool falta = e.es(EstadoPaso::Tipo::falta) || e.es(EstadoPaso::Tipo::error);
    instalar_->setVisible(falta);
    instalar_->setText(e.es(EstadoPaso::Tipo::error) ? QStringLiteral("Reintentar") : textoInstalar);
    avance_->setVisible(e.es(EstadoPaso::Tipo::trabajando));
    avance_->setValue(int(instalador_.progreso() * 100));
    cancelar_->setVisible(instalador_.descargando());
}
