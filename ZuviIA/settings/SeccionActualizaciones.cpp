#include "settings/SeccionActualizaciones.h"

#include "app/TextoCorto.h"
#include "plataforma/Ajustes.h"
#include "settings/GrupoAjustes.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using Caso = EstadoActualizacion::Caso;

QString SeccionActualizaciones::textoEstado(const Actualizador::Estado& estado)
{
    switch (estado.caso) {
    case Caso::alDia:
        return QStringLiteral("Al día");
    case Caso::buscando:
        return QStringLiteral("Buscando…");
    case Caso::descargando:
        return QStringLiteral("Descargando…");
    case Caso::instalando:
        return QStringLiteral("Instalando…");
    case Caso::disponible:
        return QStringLiteral("Disponible: ") + estado.texto;
    case Caso::lista:
        return QStringLiteral("Lista para instalar: ") + estado.texto;
    case Caso::error:
        return QStringLiteral("No se pudo: ") + estado.texto;
    }
    return {};
}

SeccionActualizaciones::Botones SeccionActualizaciones::botones(const Actualizador::Estado& estado)
{
    return {estado.caso == Caso::lista, estado.caso != Caso::buscando && estado.caso != Caso::descargando};
}

QString SeccionActualizaciones::textoVersion(const QString& version, qint64 build)
{
    return version + QStringLiteral(" (build ") + QString::number(build) + QLatin1Char(')');
}

QString SeccionActualizaciones::pie(const QString& servidor)
{
    return QStringLiteral("Se instalan solo cuando la zuvi está desocupada. Cada versión viene firmada y se verifica "
                          "antes de instalar. Servidor: ")
        + servidor;
}

SeccionActualizaciones::SeccionActualizaciones(Actualizador& act, Ajustes& ajustes, QWidget* parent)
    : QWidget(parent), act_(act), ajustes_(ajustes)
{
    setObjectName(QStringLiteral("seccionActualizaciones"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(20, 20, 20, 20);
    capa->setSpacing(18);

    auto* primera = new GrupoAjustes({}, {}, this);
    auto* version = new QLabel(textoVersion(act_.instalacionActual().version, act_.instalacionActual().build));
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    primera->agregar(GrupoAjustes::fila(QStringLiteral("Versión instalada"), version));

    // An error's text can come from the network: plain, cut to two lines.
    auto* filaEstado = new QWidget;
    auto* capaEstado = new QHBoxLayout(filaEstado);
    capaEstado->setContentsMargins(0, 2, 0, 2);
    capaEstado->addWidget(new QLabel(QStringLiteral("Estado"), filaEstado));
    estado_ = new TextoCorto(2, filaEstado);
    estado_->setObjectName(QStringLiteral("estado"));
    estado_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    capaEstado->addWidget(estado_, 1);
    primera->agregar(filaEstado);

    auto* filaBotones = new QWidget;
    auto* capaBotones = new QHBoxLayout(filaBotones);
    capaBotones->setContentsMargins(0, 2, 0, 2);
    capaBotones->addStretch(1);
    instalar_ = new QPushButton(QStringLiteral("Instalar ahora"), filaBotones);
    instalar_->setObjectName(QStringLiteral("instalarAhora"));
    instalar_->setDefault(true);
    buscar_ = new QPushButton(QStringLiteral("Buscar ahora"), filaBotones);
    buscar_->setObjectName(QStringLiteral("buscarAhora"));
    capaBotones->addWidget(instalar_);
    capaBotones->addWidget(buscar_);
    primera->agregar(filaBotones);
    capa->addWidget(primera);

    auto* segunda = new GrupoAjustes({}, pie(act_.instalacionActual().manifiesto.host()), this);
    automatica_ = new QCheckBox(QStringLiteral("Instalar actualizaciones automáticamente"));
    automatica_->setObjectName(QStringLiteral("automatica"));
    automatica_->setChecked(act_.automatica());
    segunda->agregar(automatica_);
    capa->addWidget(segunda);
    capa->addStretch(1);

    connect(instalar_, &QPushButton::clicked, &act_, &Actualizador::instalar);
    connect(buscar_, &QPushButton::clicked, &act_, [a = &act_] { a->buscar(false); });
    connect(automatica_, &QCheckBox::clicked, this,
            [this](bool valor) { ajustes_.escribir(QStringLiteral("actualizarSola"), valor); });
    connect(&act_, &Actualizador::estadoCambiado, this, &SeccionActualizaciones::seguir);
    seguir();
}

void SeccionActualizaciones::seguir()
{
    const Actualizador::Estado& estado = act_.estado();
    estado_->setCompleto(textoEstado(estado));
    const Botones b = botones(estado);
    instalar_->setVisible(b.instalar);
    buscar_->setEnabled(b.buscar);
}
