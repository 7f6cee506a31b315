#include "app/BarraHerramientas.h"

#include "app/BotonEscucha.h"
#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"
#include "projects/ModoProyectos.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QUrl>

QString BarraHerramientas::tituloNivel(NivelPermiso nivel)
{
    switch (nivel) {
    case NivelPermiso::responder:
        return QStringLiteral("Solo conversar y leer");
    case NivelPermiso::editar:
        return QStringLiteral("Crear y editar archivos del proyecto");
    case NivelPermiso::total:
        break;
    }
    return QStringLiteral("Control total del computador");
}

QString BarraHerramientas::simboloProyecto(NivelPermiso nivel)
{
    return nivel == NivelPermiso::total ? QStringLiteral("lock.open.fill") : QStringLiteral("folder");
}

QString BarraHerramientas::ayudaProyecto(const QString& carpeta, NivelPermiso nivel)
{
    return QStringLiteral("Carpeta: ") + carpeta + QStringLiteral(" · ") + tituloNivel(nivel);
}

BarraHerramientas::BarraHerramientas(const Entorno& entorno, QWidget* parent)
    : QWidget(parent), voz_(entorno.asistente), modo_(entorno.modo)
{
    setObjectName(QStringLiteral("barraConversacion"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(6);

    // The agent picker, two segments in the centre.
    agentes_ = new QButtonGroup(this);
    agentes_->setExclusive(true);
    auto* picker = new QWidget(this);
    picker->setObjectName(QStringLiteral("agente"));
    picker->setToolTip(QStringLiteral("Qué agente recibe tus instrucciones"));
    picker->setAccessibleName(QStringLiteral("Agente"));
    auto* segmentos = new QHBoxLayout(picker);
    segmentos->setContentsMargins(0, 0, 0, 0);
    segmentos->setSpacing(0);
    const std::pair<AgenteCLI, std::pair<const char*, const char*>> opciones[] = {
        {AgenteCLI::claude, {"Claude", "sparkle"}},
        {AgenteCLI::codex, {"Codex", "chevron.left.forwardslash.chevron.right"}},
    };
    for (const auto& [agente, etiqueta] : opciones) {
        auto* b = new QToolButton(picker);
        b->setObjectName(QStringLiteral("agente") + QString::fromLatin1(etiqueta.first));
        b->setText(QString::fromLatin1(etiqueta.first));
        b->setIcon(Iconos::icono(QString::fromLatin1(etiqueta.second)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setCheckable(true);
        b->setToolTip(picker->toolTip());
        agentes_->addButton(b, int(agente));
        segmentos->addWidget(b);
    }
    connect(agentes_, &QButtonGroup::idClicked, this, [this](int id) { voz_.setAgente(AgenteCLI(id)); });

    fila->addStretch(1);
    fila->addWidget(picker);
    fila->addStretch(1);

    escucha_ = new BotonEscucha(entorno, this);
    fila->addWidget(escucha_);
    inmersiva_ =
        boton(QStringLiteral("inmersiva"), QStringLiteral("Zuvi inmersiva"), QStringLiteral("sparkles.tv"),
              QStringLiteral("Pantalla completa de la zuvi: bienvenida y ¿con quién trabajo? (Ctrl+Mayús+P o di «Oye Zuvi»)"));
    connect(inmersiva_, &QToolButton::clicked, this, [this] { modo_.iniciar(); });
    fila->addWidget(inmersiva_);
    construirProyecto();
    fila->addWidget(proyecto_);
    QToolButton* configuracion =
        boton(QStringLiteral("configuracion"), QStringLiteral("Configuración"), QStringLiteral("gearshape"),
              QStringLiteral("Configuración: modelo de IA, voz, escucha, personas… (Ctrl+,)"));
    connect(configuracion, &QToolButton::clicked, this, &BarraHerramientas::ajustesPedido);
    fila->addWidget(configuracion);
    leer_ = boton(QStringLiteral("leerRespuestas"), QStringLiteral("Leer respuestas"), QString(),
                  QStringLiteral("Leer las respuestas en voz alta"));
    leer_->setCheckable(true);
    connect(leer_, &QToolButton::clicked, this, [this](bool activo) { voz_.setLeerRespuesta(activo); });
    fila->addWidget(leer_);

    connect(&voz_, &AsistenteVoz::agenteCambiado, this, &BarraHerramientas::seguirAgente);
    connect(&voz_, &AsistenteVoz::ejecutandoCambiado, this, &BarraHerramientas::seguirAgente);
    connect(&voz_, &AsistenteVoz::nivelCambiado, this, &BarraHerramientas::seguirNivel);
    connect(&voz_, &AsistenteVoz::carpetaCambiada, this, &BarraHerramientas::seguirNivel);
    connect(&voz_, &AsistenteVoz::leerRespuestaCambiado, this, &BarraHerramientas::seguirLectura);
    seguirAgente();
    seguirNivel();
    seguirLectura();
}

QToolButton* BarraHerramientas::boton(const QString& nombre, const QString& texto, const QString& simbolo,
                                      const QString& ayuda)
{
    auto* b = new QToolButton(this);
    b->setObjectName(nombre);
    b->setText(texto);
    if (!simbolo.isEmpty())
        b->setIcon(Iconos::icono(simbolo));
    b->setToolTip(ayuda);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

void BarraHerramientas::construirProyecto()
{
    proyecto_ = boton(QStringLiteral("proyecto"), QStringLiteral("Proyecto"), QString(), QString());
    proyecto_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(proyecto_);
    menu->setObjectName(QStringLiteral("menuProyecto"));
    menu->addSection(QStringLiteral("Nivel de control"));
    niveles_ = new QActionGroup(menu);
    niveles_->setExclusive(true);
    for (NivelPermiso nivel : {NivelPermiso::responder, NivelPermiso::editar, NivelPermiso::total}) {
        QAction* a = menu->addAction(tituloNivel(nivel));
        a->setObjectName(QStringLiteral("nivel_") + valorCrudo(nivel));
        a->setCheckable(true);
        a->setData(int(nivel));
        niveles_->addAction(a);
        connect(a, &QAction::triggered, this, [this, nivel] { voz_.setNivel(nivel); });
    }
    menu->addSeparator();
    QAction* cambiar = menu->addAction(QStringLiteral("Cambiar carpeta del proyecto…"));
    cambiar->setObjectName(QStringLiteral("cambiarCarpeta"));
    connect(cambiar, &QAction::triggered, this, [this] { voz_.elegirCarpeta(); });
    QAction* mostrar = menu->addAction(QStringLiteral("Mostrar carpeta en el gestor de archivos"));
    mostrar->setObjectName(QStringLiteral("mostrarCarpeta"));
    // A failed open is ignored.
    connect(mostrar, &QAction::triggered, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(voz_.carpeta())); });
    proyecto_->setMenu(menu);
}

void BarraHerramientas::seguirAgente()
{
    if (QAbstractButton* b = agentes_->button(int(voz_.agente())))
        b->setChecked(true);
    // Only the agent is fixed while a turn runs.
    const bool libre = !voz_.ejecutando();
    for (QAbstractButton* b : agentes_->buttons())
        b->setEnabled(libre);
}

void BarraHerramientas::seguirNivel()
{
    const NivelPermiso nivel = voz_.nivel();
    proyecto_->setIcon(Iconos::icono(simboloProyecto(nivel)));
    proyecto_->setProperty("simbolo", simboloProyecto(nivel));
    proyecto_->setToolTip(ayudaProyecto(voz_.carpeta(), nivel));
    for (QAction* a : niveles_->actions())
        a->setChecked(a->data().toInt() == int(nivel));
}

void BarraHerramientas::seguirLectura()
{
    const bool activo = voz_.leerRespuesta();
    leer_->setChecked(activo);
    const QString simbolo = activo ? QStringLiteral("speaker.wave.2.fill") : QStringLiteral("speaker.slash");
    leer_->setIcon(Iconos::icono(simbolo));
    leer_->setProperty("simbolo", simbolo);
}
