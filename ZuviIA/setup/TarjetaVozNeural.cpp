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

QString TarjetaVozNeural::texto(bool lista)
{
    return QStringLiteral("Una voz neural (Qwen3-TTS) que corre en tu computador, sin internet, y empieza a hablar en "
                          "menos de medio segundo. ")
        + (lista ? QString() : QStringLiteral("Se descarga una sola vez (~2,5 GB)."));
}

TarjetaVozNeural::TarjetaVozNeural(Instalador& ins, AsistenteVoz& voz, Reloj& reloj, Locutor& locutor, bool automatica,
                                   QWidget* parent)
    : QWidget(parent), ins_(ins), voz_(voz), reloj_(reloj), locutor_(locutor), automatica_(automatica)
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
    connect(instalar_, &QPushButton::clicked, this, [this] { ins_.instalarVozNeural(); });
    escuchar_ = new QPushButton(QStringLiteral("Escuchar"), accesorio);
    escuchar_->setObjectName(QStringLiteral("escucharVoz"));
    escuchar_->setAutoDefault(false);
    connect(escuchar_, &QPushButton::clicked, this, [this] {
        locutor_.decir(frasePrueba, MotorConversacion::mejorVoz(), DispositivoAudio::idDe(voz_.salidas(), voz_.salidaUID()));
    });
    columna->addWidget(insignia_, 0, Qt::AlignRight);
    columna->addWidget(instalar_, 0, Qt::AlignRight);
    columna->addWidget(escuchar_, 0, Qt::AlignRight);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    tarjeta_ = new Tarjeta(QStringLiteral("waveform.badge.mic"), QStringLiteral("Voz natural de la zuvi"), QString(),
                           accesorio, this);
    capa->addWidget(tarjeta_);

    connect(&ins_, &Instalador::estadoVozChanged, this, &TarjetaVozNeural::mostrar);
    connect(&ins_, &Instalador::trabajandoChanged, this, &TarjetaVozNeural::mostrar);
    empezar();
    mostrar();
}

void TarjetaVozNeural::empezar()
{
    ins_.refrescarVozNeural();
    if (automatica_ && ins_.estadoVoz().es(EstadoPaso::Tipo::falta) && !ins_.trabajando()) {
        // The card's own continuation: gone with the card.
        ins_.instalarVozNeural().then(Futuros::vigia(), Futuros::siVive(this, [this] { sondear(); }));
        return;
    }
    sondear();
}

void TarjetaVozNeural::sondear()
{
    if (!VozNeural::instalada() || ins_.vozNeuralLista()) {
        sondeo_.cancelar();
        return;
    }
    sondeo_ = reloj_.despues(intervalo, this, [this] {
        ins_.refrescarVozNeural();
        sondear();
    });
}

void TarjetaVozNeural::mostrar()
{
    using T = EstadoPaso::Tipo;
    const EstadoPaso& estado = ins_.estadoVoz();
    tarjeta_->setTexto(texto(estado.es(T::listo)));
    insignia_->setEstado(estado);
    instalar_->setVisible(estado.es(T::falta) || estado.es(T::error));
    instalar_->setText(estado.es(T::error) ? QStringLiteral("Reintentar") : QStringLiteral("Instalar voz natural"));
    // Only the first install is the card's prominent action.
    if (estado.es(T::error))
        instalar_->setStyleSheet(QString());
    else
        Rotulos::destacar(instalar_);
    instalar_->setEnabled(!ins_.trabajando());
    escuchar_->setVisible(estado.es(T::listo));
    escuchar_->setEnabled(ins_.vozNeuralLista());
}
