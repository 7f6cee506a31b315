#include "settings/SeccionActualizaciones.h"

#include "vistas/TextoCorto.h"
#include "plataforma/Ajustes.h"

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
    : FormularioAjustes(parent), act_(act), ajustes_(ajustes)
{
    setObjectName(QStringLiteral("seccionActualizaciones"));
    const Grupo primera = seccion({});
    primera.encabezado->hide();
    auto* version = new QLabel(textoVersion(act_.instalacionActual().version, act_.instalacionActual().build));
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    primera.filas->addWidget(fila(QStringLiteral("Versión instalada"), version, primera.marco));
    // An error's text can come from the network: plain, cut to two lines.
    estado_ = new TextoCorto(2);
    estado_->setObjectName(QStringLiteral("estado"));
    estado_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    primera.filas->addWidget(fila(QStringLiteral("Estado"), estado_, primera.marco));

    auto* filaBotones = new QWidget(primera.marco);
    auto* capaBotones = new QHBoxLayout(filaBotones);
    capaBotones->setContentsMargins(0, 0, 0, 0);
    capaBotones->addStretch(1);
    instalar_ = new QPushButton(QStringLiteral("Instalar ahora"), filaBotones);
    instalar_->setObjectName(QStringLiteral("instalarAhora"));
    instalar_->setDefault(true);
    buscar_ = new QPushButton(QStringLiteral("Buscar ahora"), filaBotones);
    buscar_->setObjectName(QStringLiteral("buscarAhora"));
    capaBotones->addWidget(instalar_);
    capaBotones->addWidget(buscar_);
    primera.filas->addWidget(filaBotones);

    const Grupo segunda = seccion({}, pie(act_.instalacionActual().manifiesto.host()));
    segunda.encabezado->hide();
    automatica_ = new QCheckBox(QStringLiteral("Instalar actualizaciones automáticamente"), segunda.marco);
    automatica_->setObjectName(QStringLiteral("automatica"));
    automatica_->setChecked(act_.automatica());
    segunda.filas->addWidget(automatica_);

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
