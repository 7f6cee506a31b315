#include "setup/PasoActivacion.h"

#include "vistas/Iconos.h"
#include "audio/EscuchaZuvi.h"
#include "core/InicioSesion.h"
#include "plataforma/Permisos.h"
#include "setup/AtajoSiri.h"
#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"
#include "vistas/Paleta.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QWidget* columna(QVBoxLayout*& capa)
{
    auto* w = new QWidget;
    capa = new QVBoxLayout(w);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(6);
    return w;
}

}

PasoActivacion::EstadoOye PasoActivacion::estadoOye(bool escuchando, bool reconocimiento, bool microfono)
{
    if (escuchando)
        return {QStringLiteral("Escuchando"), QStringLiteral("checkmark.circle.fill"), true};
    if (reconocimiento && microfono)
        return {QStringLiteral("En pausa"), QStringLiteral("pause.circle"), false};
    if (!reconocimiento)
        return {QStringLiteral("Falta el modelo de voz (paso Voz)"), QStringLiteral("pause.circle"), false};
    return {QStringLiteral("Sin micrófono (paso Voz)"), QStringLiteral("pause.circle"), false};
}

PasoActivacion::PasoActivacion(EscuchaZuvi& oye, Permisos& permisos, QWidget* parent)
    : QWidget(parent), oye_(oye), permisos_(permisos)
{
    setObjectName(QStringLiteral("pasoActivacion"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(10);
    capa->addWidget(new Encabezado(
        QStringLiteral("waveform.circle"), QStringLiteral("Activación"),
        QStringLiteral("Cómo despiertas a la zuvi. Recomendado: «Oye Zuvi», que escucha el propio computador; así los "
                       "parlantes inteligentes u otros asistentes de voz no responden por él."),
        this));

    QVBoxLayout* c = nullptr;
    QWidget* accesorio = columna(c);
    oyeZuvi_ = new QCheckBox(accesorio);
    oyeZuvi_->setObjectName(QStringLiteral("oyeZuvi"));
    oyeZuvi_->setAccessibleName(QStringLiteral("«Oye Zuvi»"));
    estadoEscucha_ = Rotulos::texto(QString(), accesorio);
    estadoEscucha_->setObjectName(QStringLiteral("estadoOye"));
    estadoEscucha_->setWordWrap(false);
    Rotulos::fuente(estadoEscucha_, 0.85, QFont::Normal);
    c->addWidget(oyeZuvi_, 0, Qt::AlignRight);
    filaEscucha_ = Rotulos::conSimbolo(QStringLiteral("pause.circle"), estadoEscucha_, accesorio);
    c->addWidget(filaEscucha_, 0, Qt::AlignRight);
    connect(oyeZuvi_, &QCheckBox::clicked, this, [this](bool on) { oye_.setActivada(on); });
    capa->addWidget(new Tarjeta(QStringLiteral("ear.and.waveform"), QStringLiteral("«Oye Zuvi»"),
                                QStringLiteral("Di «Oye Zuvi» o «Modo proyectos» y la zuvi se abre y te recibe. El audio "
                                               "se procesa en el computador, sin internet."),
                                accesorio, this));

    accesorio = columna(c);
    alEncender_ = new QCheckBox(accesorio);
    alEncender_->setObjectName(QStringLiteral("alEncender"));
    alEncender_->setAccessibleName(QStringLiteral("Abrir al encender el computador"));
    alEncender_->setChecked(InicioSesion::activo());
    error_ = Rotulos::texto(QString(), accesorio);
    error_->setObjectName(QStringLiteral("errorInicio"));
    error_->setMaximumWidth(260);
    Rotulos::fuente(error_, 0.85, QFont::Normal);
    Paleta::colorear(error_, Rotulos::naranja);
    error_->hide();
    c->addWidget(alEncender_, 0, Qt::AlignRight);
    c->addWidget(error_, 0, Qt::AlignRight);
    connect(alEncender_, &QCheckBox::clicked, this, &PasoActivacion::cambiarInicio);
    capa->addWidget(new Tarjeta(QStringLiteral("power"), QStringLiteral("Abrir al encender el computador"),
                                QStringLiteral("Zuvi IA se abre sola al iniciar sesión y queda escuchando «Oye Zuvi»."),
                                accesorio, this));

    accesorio = columna(c);
    insigniaAtajo_ = new InsigniaEstado(atajo_, accesorio);
    anadir_ = new QPushButton(QStringLiteral("Añadir al lanzador"), accesorio);
    anadir_->setObjectName(QStringLiteral("anadirAtajo"));
    anadir_->setAutoDefault(false);
    connect(anadir_, &QPushButton::clicked, this, &PasoActivacion::crearAtajo);
    c->addWidget(insigniaAtajo_, 0, Qt::AlignRight);
    c->addWidget(anadir_, 0, Qt::AlignRight);
    capa->addWidget(new Tarjeta(QStringLiteral("mic.badge.plus"), QStringLiteral("Lanzador «Modo proyectos» (opcional)"),
                                QStringLiteral("Busca «Modo proyectos» en el lanzador del escritorio y la zuvi abre la "
                                               "sala. Para hablarle sin tocar nada conviene «Oye Zuvi»."),
                                accesorio, this));
    capa->addStretch(1);

    connect(&oye_, &EscuchaZuvi::activadaCambiada, this, &PasoActivacion::mostrarOye);
    connect(&oye_, &EscuchaZuvi::escuchandoCambiado, this, &PasoActivacion::mostrarOye);
    mostrarOye();
    // What showing the step does: read the login entry and the launcher
    // again, and let the listener start if its own conditions hold.
    alEncender_->setChecked(InicioSesion::activo());
    comprobarAtajo();
    oye_.iniciar();
}

void PasoActivacion::mostrarOye()
{
    oyeZuvi_->setChecked(oye_.activada());
    filaEscucha_->setVisible(oye_.activada());
    // The model first: without it the microphone does not matter.
    const bool reconocimiento = permisos_.reconocimiento();
    const EstadoOye e = estadoOye(oye_.escuchando(), reconocimiento, reconocimiento && permisos_.microfono());
    estadoEscucha_->setText(e.texto);
    Rotulos::simboloDe(filaEscucha_)->setPixmap(Iconos::icono(e.simbolo).pixmap(16, 16));
    Paleta::colorear(estadoEscucha_, e.verde ? Rotulos::verde : Rotulos::secundario(this));
}

// The switch shows the entry as it is after the attempt, so a file that
// could not be written never looks switched on.
void PasoActivacion::cambiarInicio(bool on)
{
    try {
        InicioSesion::activar(on);
        error_->clear();
    } catch (const InicioSesion::ErrorInicioSesion& e) {
        error_->setText(e.mensaje());
    }
    error_->setVisible(!error_->text().isEmpty());
    alEncender_->setChecked(InicioSesion::activo());
}

void PasoActivacion::comprobarAtajo()
{
    setAtajo(AtajoSiri::instalado() ? EstadoPaso::listo() : EstadoPaso::falta());
}

void PasoActivacion::crearAtajo()
{
    try {
        AtajoSiri::crear();
    } catch (const AtajoSiri::ErrorAtajo& e) {
        setAtajo(EstadoPaso::error(e.mensaje()));
        return;
    }
    // The entry counts once it is written: check it at once.
    comprobarAtajo();
}

void PasoActivacion::setAtajo(const EstadoPaso& e)
{
    atajo_ = e;
    insigniaAtajo_->setEstado(e);
    anadir_->setVisible(!e.es(EstadoPaso::Tipo::listo));
}
