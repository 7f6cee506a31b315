#include "settings/AjustesVozNeural.h"

#include "assistant/AsistenteVoz.h"
#include "audio/Locutor.h"
#include "audio/MotorConversacion.h"
#include "audio/TextosVoz.h"
#include "audio/VozNeural.h"
#include "plataforma/Ajustes.h"
#include "settings/DisenoVoz.h"
#include "settings/FormularioAjustes.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

bool AjustesVozNeural::puedeDisenar(bool lista, bool disenando, const QString& descripcion)
{
    return lista && !disenando && !descripcion.isEmpty();
}

AjustesVozNeural::AjustesVozNeural(const EntornoAjustes& entorno, QWidget* parent)
    : QWidget(parent), entorno_(entorno), activada_(VozNeural::activada(entorno.ajustes))
{
    setObjectName(QStringLiteral("vozNeural"));
    auto* filas = new QVBoxLayout(this);
    filas->setContentsMargins(0, 0, 0, 0);
    filas->setSpacing(8);
    estado_ = new QLabel(this);
    estado_->setObjectName(QStringLiteral("estado"));
    estado_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    filas->addWidget(FormularioAjustes::fila(QStringLiteral("Estado"), estado_, this));
    if (!VozNeural::instalada()) {
        estado_->setText(TextosVoz::vista(false, activada_, {}).estado);
        QLabel* pista = FormularioAjustes::nota(QString::fromUtf8(pistaInstalar), this);
        pista->setObjectName(QStringLiteral("pista"));
        filas->addWidget(pista);
    } else {
        construirInstalada();
        connect(&entorno_.diseno, &DisenoVoz::disenandoCambiado, this, &AjustesVozNeural::pintar);
        connect(&entorno_.diseno, &DisenoVoz::errorCambiado, this, &AjustesVozNeural::pintar);
    }
    sondear();
}

void AjustesVozNeural::construirInstalada()
{
    auto* filas = static_cast<QVBoxLayout*>(layout());
    usar_ = new QCheckBox(QStringLiteral("Usar voz natural"), this);
    usar_->setObjectName(QStringLiteral("usar"));
    usar_->setChecked(activada_);
    connect(usar_, &QCheckBox::clicked, this, &AjustesVozNeural::alUsar);
    filas->insertWidget(0, usar_);

    auto* botones = new QHBoxLayout;
    probar_ = new QPushButton(QStringLiteral("Probar"), this);
    probar_->setObjectName(QStringLiteral("probar"));
    connect(probar_, &QPushButton::clicked, this, [this] {
        const AsistenteVoz& voz = entorno_.asistente;
        entorno_.locutor.decir(QString::fromUtf8(frasePrueba), MotorConversacion::mejorVoz(),
                               DispositivoAudio::idDe(voz.salidas(), voz.salidaUID()));
    });
    original_ = new QPushButton(QStringLiteral("Volver a la voz original"), this);
    original_->setObjectName(QStringLiteral("original"));
    connect(original_, &QPushButton::clicked, this, [this] { entorno_.diseno.volverAOriginal(); });
    botones->addWidget(probar_);
    botones->addStretch(1);
    botones->addWidget(original_);
    filas->addLayout(botones);

    descripcion_ = new QPlainTextEdit(QString::fromUtf8(descripcionInicial), this);
    descripcion_->setObjectName(QStringLiteral("descripcion"));
    descripcion_->setPlaceholderText(QStringLiteral("Describe una voz nueva"));
    const int linea = descripcion_->fontMetrics().lineSpacing();
    descripcion_->setFixedHeight(linea * 3 + 12);
    connect(descripcion_, &QPlainTextEdit::textChanged, this, &AjustesVozNeural::pintar);
    filas->addWidget(descripcion_);

    auto* diseno = new QHBoxLayout;
    rueda_ = new QProgressBar(this);
    rueda_->setRange(0, 0);
    rueda_->setFixedWidth(60);
    rueda_->setTextVisible(false);
    progreso_ = FormularioAjustes::nota(QStringLiteral("Diseñando… (puede tardar unos minutos)"), this);
    progreso_->setObjectName(QStringLiteral("progreso"));
    error_ = FormularioAjustes::nota(QString(), this);
    error_->setObjectName(QStringLiteral("error"));
    FormularioAjustes::colorear(error_, FormularioAjustes::naranja());
    disenar_ = new QPushButton(QStringLiteral("Diseñar voz"), this);
    disenar_->setObjectName(QStringLiteral("disenar"));
    // Sent as typed, untrimmed.
    connect(disenar_, &QPushButton::clicked, this, [this] { entorno_.diseno.disenar(descripcion_->toPlainText()); });
    diseno->addWidget(rueda_);
    diseno->addWidget(progreso_);
    diseno->addWidget(error_, 1);
    diseno->addStretch(1);
    diseno->addWidget(disenar_);
    filas->addLayout(diseno);
}

void AjustesVozNeural::alUsar(bool on)
{
    activada_ = on;
    entorno_.ajustes.escribir(QStringLiteral("vozNeural"), on);
    // On: a fresh service with its relaunches allowed again, even if one ran.
    if (on)
        entorno_.vozNeural.reiniciar();
    else
        entorno_.vozNeural.detener();
    pintar();
}

void AjustesVozNeural::sondear()
{
    voz_ = entorno_.vozNeural.estado();
    lista_ = voz_.listaParaHablar() && VozNeural::activada(entorno_.ajustes);
    pintar();
    // The timer goes with the panel, and the poll with it.
    sondeo_ = entorno_.reloj.despues(pausaSondeo, this, [this] { sondear(); });
}

void AjustesVozNeural::pintar()
{
    if (!usar_)
        return;
    const DisenoVoz& d = entorno_.diseno;
    estado_->setText(TextosVoz::vista(true, activada_, voz_).estado);
    probar_->setEnabled(lista_);
    original_->setEnabled(!d.disenando());
    disenar_->setEnabled(puedeDisenar(lista_, d.disenando(), descripcion_->toPlainText()));
    rueda_->setVisible(d.disenando());
    progreso_->setVisible(d.disenando());
    error_->setText(d.error().value_or(QString()));
    error_->setVisible(d.error().has_value());
}
