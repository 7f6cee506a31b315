#include "setup/TarjetaVozNeural.h"

#include "assistant/AsistenteVoz.h"
#include "audio/Locutor.h"
#include "audio/MotorConversacion.h"
#include "audio/VozNeural.h"
#include "core/Futuros.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"

#include <QPushButton>
#include <QVBoxLayout>

TarjetaVozNeural::TarjetaVozNeural(Instalador& ins, AsistenteVoz& voz, Reloj& reloj, Locutor& locutor, QWidget* parent)
    : QWidget(parent), ins_(ins), voz_(voz), reloj_(reloj), locutor_(locutor)
{
    setObjectName(QStringLiteral("tarjetaVozNeural"));
    auto* accesorio = new QWidget;
    accesorio->setMaximumWidth(200);
    auto* columna = new QVBoxLayout(accesorio);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(6);
    insignia_ = new InsigniaEstado(ins_.estadoVoz(), accesorio);
    instalar_ = new QPushButton(accesorio);
    instalar_->setObjectName(QStringLiteral("instalarVoz"));
    instalar_->setAutoDefault(false);
    connect(instalar_, &QPushButton::clicked, this, &TarjetaVozNeural::empezarInstalacion);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), accesorio);
    cancelar_->setObjectName(QStringLiteral("cancelarVoz"));
    cancelar_->setAutoDefault(false);
    connect(cancelar_, &QPushButton::clicked, &ins_, &Instalador::cancelarVozNeural);
    escuchar_ = new QPushButton(QStringLiteral("Escuchar"), accesorio);
    escuchar_->setObjectName(QStringLiteral("escucharVoz"));
    escuchar_->setAutoDefault(false);
    connect(escuchar_, &QPushButton::clicked, this, [this] {
        locutor_.decir(frasePrueba, MotorConversacion::mejorVoz(), DispositivoAudio::idDe(voz_.salidas(), voz_.salidaUID()));
    });
    columna->addWidget(insignia_, 0, Qt::AlignRight);
    columna->addWidget(instalar_, 0, Qt::AlignRight);
    columna->addWidget(cancelar_, 0, Qt::AlignRight);
    columna->addWidget(escuchar_, 0, Qt::AlignRight);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    tarjeta_ = new Tarjeta(QStringLiteral("waveform.badge.mic"), QStringLiteral("Voz natural de la zuvi"), QString(),
                           accesorio, this);
    capa->addWidget(tarjeta_);

    connect(&ins_, &Instalador::estadoVozChanged, this, &TarjetaVozNeural::mostrar);
    connect(&ins_, &Instalador::trabajandoChanged, this, &TarjetaVozNeural::mostrar);
    connect(&ins_, &Instalador::instalandoVozChanged, this, &TarjetaVozNeural::mostrar);
    ins_.refrescarVozNeural();
    sondear();
    mostrar();
}

void TarjetaVozNeural::empezarInstalacion()
{
    // The card's own continuation: gone with the card, while the install
    // itself goes on.
    ins_.instalarVozNeural().then(Futuros::vigia(), Futuros::siVive(this, [this] { sondear(); }));
}

void TarjetaVozNeural::sondear()
{
    if (!VozNeural::instalada() || ins_.vozNeuralLista()) {
        sondeo_.cancelar();
        return;
    }
    sondeo_ = reloj_.despues(intervalo, this, [this] {
        ins_.refrescarVozNeural();
        mostrar();
        sondear();
    });
}

void TarjetaVozNeural::mostrar()
{
    using T = EstadoPaso::Tipo;
    const EstadoPaso& estado = ins_.estadoVoz();
    const TextosVoz::Vista vista = ins_.vistaVoz();
    const bool reinstalar = estado.es(T::listo) && vista.reinstalar;
    tarjeta_->setTexto(vista.tarjeta);
    insignia_->setEstado(estado);
    instalar_->setVisible(estado.es(T::falta) || estado.es(T::error) || reinstalar);
    instalar_->setText(estado.es(T::error) ? QStringLiteral("Reintentar")
                       : reinstalar        ? QStringLiteral("Reinstalar")
                                           : QStringLiteral("Instalar voz natural"));
    // Only the first install is the card's prominent action.
    if (estado.es(T::falta))
        Rotulos::destacar(instalar_);
    else
        instalar_->setStyleSheet(QString());
    instalar_->setEnabled(!ins_.trabajando() && !ins_.instalandoVoz());
    cancelar_->setVisible(ins_.instalandoVoz() && estado.es(T::trabajando));
    escuchar_->setVisible(estado.es(T::listo));
    escuchar_->setEnabled(ins_.vozNeuralLista());
}
