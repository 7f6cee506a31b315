#include "settings/SeccionEscucha.h"

#include "audio/EscuchaZuvi.h"
#include "core/InicioSesion.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "projects/ModoProyectos.h"
#include "setup/AtajoSiri.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString claveSiempre = QStringLiteral("escuchaSiempre");
const QString claveGrupo = QStringLiteral("modoGrupo");

}

QString SeccionEscucha::mensajeInicio(bool on)
{
    return on ? QStringLiteral("No se pudo activar el inicio con la sesión. Revisa que puedas escribir en la carpeta "
                               "~/.config/autostart.")
              : QStringLiteral("No se pudo desactivar el inicio con la sesión. Revisa que puedas borrar archivos de "
                               "la carpeta ~/.config/autostart.");
}

SeccionEscucha::SeccionEscucha(const EntornoAjustes& entorno, QWidget* parent)
    : FormularioAjustes(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("seccionEscucha"));
    Ajustes& ajustes = entorno_.ajustes;

    const Grupo escucha = seccion(QStringLiteral("Escucha"),
                                  QStringLiteral("Todo el reconocimiento de voz ocurre en este computador."));
    siempre_ = interruptor(QStringLiteral("Escuchar siempre mientras Zuvi IA está abierta"),
                           ModoProyectos::escuchaSiempre(ajustes), QStringLiteral("siempre"), escucha.marco);
    connect(siempre_, &QCheckBox::clicked, this, &SeccionEscucha::cambiarSiempre);
    oye_ = interruptor(QStringLiteral("Abrir la zuvi inmersiva al decir «Oye Zuvi»"), entorno_.escucha.activada(),
                       QStringLiteral("oye"), escucha.marco);
    connect(oye_, &QCheckBox::clicked, this, [this](bool on) { entorno_.escucha.setActivada(on); });
    escucha.filas->addWidget(siempre_);
    escucha.filas->addWidget(oye_);

    const Grupo reuniones = seccion(QStringLiteral("Reuniones"),
                                    QStringLiteral("En modo grupo, lo que se conversa entre personas queda en el acta "
                                                   "y se puede pedir la minuta."));
    grupo_ = interruptor(QStringLiteral("Modo grupo: responder solo cuando digan «Zuvi» o den una instrucción"),
                         ajustes.booleano(claveGrupo, false), QStringLiteral("grupo"), reuniones.marco);
    connect(grupo_, &QCheckBox::clicked, this, [this](bool on) { entorno_.ajustes.escribir(claveGrupo, on); });
    reuniones.filas->addWidget(grupo_);

    const Grupo activacion = seccion(QStringLiteral("Activación"));
    alEncender_ = interruptor(QStringLiteral("Abrir Zuvi IA al encender el computador"), InicioSesion::activo(),
                              QStringLiteral("alEncender"), activacion.marco);
    connect(alEncender_, &QCheckBox::clicked, this, &SeccionEscucha::cambiarInicio);
    activacion.filas->addWidget(alEncender_);
    errorInicio_ = nota(QString(), activacion.marco);
    errorInicio_->setObjectName(QStringLiteral("errorInicio"));
    colorear(errorInicio_, naranja());
    errorInicio_->hide();
    activacion.filas->addWidget(errorInicio_);

    auto* lanzador = new QWidget(activacion.marco);
    auto* h = new QHBoxLayout(lanzador);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(new QLabel(QStringLiteral("Lanzador «Modo proyectos» en tus aplicaciones"), lanzador));
    h->addStretch(1);
    atajo_ = nota(QString(), lanzador);
    atajo_->setObjectName(QStringLiteral("atajo"));
    atajo_->hide();
    h->addWidget(atajo_, 1);
    crearAtajo_ = new QPushButton(QStringLiteral("Crear lanzador"), lanzador);
    crearAtajo_->setObjectName(QStringLiteral("crearAtajo"));
    connect(crearAtajo_, &QPushButton::clicked, this, &SeccionEscucha::crear);
    h->addWidget(crearAtajo_);
    activacion.filas->addWidget(lanzador);
}

void SeccionEscucha::cambiarSiempre(bool on)
{
    entorno_.ajustes.escribir(claveSiempre, on);
    if (on) {
        entorno_.modo.escucharSiempre();
        return;
    }
    // Off ends the room, and the wake-phrase listener takes the microphone
    // back.
    entorno_.modo.setInmersivo(false);
    entorno_.modo.terminar();
    entorno_.escucha.iniciar();
}

void SeccionEscucha::cambiarInicio(bool on)
{
    try {
        InicioSesion::activar(on);
        errorInicio_->hide();
    } catch (const InicioSesion::ErrorInicioSesion& e) {
        Registro::anotar(e.mensaje());
        errorInicio_->setText(mensajeInicio(on));
        errorInicio_->show();
    }
    // The switch shows what the desktop will do, not what was asked.
    alEncender_->setChecked(InicioSesion::activo());
}

void SeccionEscucha::crear()
{
    try {
        AtajoSiri::crear();
        atajo_->setText(QString::fromUtf8(atajoListo));
    } catch (const AtajoSiri::ErrorAtajo& e) {
        // The cause is the file system's, in English: for the log.
        Registro::anotar(e.mensaje());
        atajo_->setText(QStringLiteral("No se pudo crear el lanzador. Revisa que puedas escribir en la carpeta "
                                       "~/.local/share/applications."));
    }
    atajo_->show();
}
