#include "app/ConversacionView.h"

#include "vistas/ActivarEscucha.h"
#include "app/AppRouter.h"
#include "app/AvisoAccesibilidad.h"
#include "app/AvisoActualizacion.h"
#include "app/AvisoAlmacen.h"
#include "app/AvisoPermisos.h"
#include "app/BarraHerramientas.h"
#include "app/Compositor.h"
#include "app/ListaMensajes.h"
#include "app/PantallaVacia.h"
#include "app/VentanaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "plataforma/Permisos.h"
#include "projects/ModoProyectos.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

QString ConversacionView::tituloVentana(const std::optional<QString>& titulo, const QString& carpeta)
{
    const QString nombre = QFileInfo(QDir::cleanPath(carpeta)).fileName();
    const QString principal = titulo.value_or(QStringLiteral("Zuvi IA"));
    // The projects root itself is called "Zuvi IA": its name would only repeat.
    return nombre.isEmpty() || nombre == principal ? principal : principal + QStringLiteral(" — ") + nombre;
}

ConversacionView::ConversacionView(const Entorno& entorno, QWidget* parent) : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("conversacion"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);

    barra_ = new BarraHerramientas(entorno_, this);
    // In the window's toolbar, which hides with setup and the full-screen
    // room; on its own screen elsewhere.
    auto* ventana = qobject_cast<VentanaPrincipal*>(window());
    if (ventana && ventana->barraHerramientas()) {
        barra_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        enBarraVentana_ = ventana->barraHerramientas()->addWidget(barra_);
        connect(barra_, &BarraHerramientas::ajustesPedido, ventana->ajustes(), &QAction::trigger);
    } else {
        capa->addWidget(barra_);
    }

    // The banners above the messages, each with its own state from now.
    avisos_ = new QVBoxLayout;
    avisos_->setContentsMargins(0, 0, 0, 0);
    avisos_->setSpacing(0);
    avisos_->addWidget(new AvisoAlmacen(entorno_.almacen, {}, this));
    if (entorno_.actualizador)
        avisos_->addWidget(new AvisoActualizacion(*entorno_.actualizador, this));
    aviso_ = new AvisoPermisos(entorno_, this);
    avisos_->addWidget(aviso_);
    if (entorno_.accesibilidad)
        avisos_->addWidget(new AvisoAccesibilidad(*entorno_.accesibilidad, entorno_.reloj, entorno_.ajustes,
                                                     Permisos::sesionWayland(), {}, this));
    capa->addLayout(avisos_);

    pila_ = new QStackedWidget(this);
    // A short window (a banner above, say) scrolls the empty screen rather
    // than squeezing its texts into each other.
    desplazableVacia_ = new QScrollArea(pila_);
    desplazableVacia_->setFrameShape(QFrame::NoFrame);
    desplazableVacia_->setWidgetResizable(true);
    desplazableVacia_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vacia_ = new PantallaVacia(entorno_, PantallaVacia::ideasPorDefecto());
    desplazableVacia_->setWidget(vacia_);
    lista_ = new ListaMensajes(entorno_.almacen, entorno_.asistente, entorno_.reloj, pila_);
    pila_->addWidget(desplazableVacia_);
    pila_->addWidget(lista_);
    capa->addWidget(pila_, 1);
    compositor_ = new Compositor(entorno_, this);
    capa->addWidget(compositor_);

    connect(&entorno_.almacen, &Almacen::seleccionCambiada, this, &ConversacionView::alCambiarSeleccion);
    connect(&entorno_.almacen, &Almacen::conversacionCambiada, this, [this](const QUuid& id) {
        if (entorno_.almacen.seleccion() == id)
            seguirConversacion();
    });
    connect(&entorno_.almacen, &Almacen::conversacionesCambiadas, this, &ConversacionView::seguirConversacion);
    connect(&entorno_.asistente, &AsistenteVoz::carpetaCambiada, this, &ConversacionView::seguirTitulo);
    connect(&entorno_.enrutador(), &AppRouter::dictadoPendienteCambiado, this, &ConversacionView::seguirDictado);
    seguirConversacion();
}

ConversacionView::~ConversacionView()
{
    // The window's toolbar outlives this screen; the action takes the bar with it.
    delete enBarraVentana_;
}

void ConversacionView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    seguirTitulo();
    seguirDictado();
    // The first appearance applies the selection to projects mode, without warming up.
    if (!aplicado_) {
        aplicado_ = true;
        entorno_.modo.aplicarProyecto();
    }
}

void ConversacionView::alCambiarSeleccion()
{
    entorno_.modo.aplicarProyecto();
    entorno_.asistente.precalentar();
    seguirConversacion();
}

void ConversacionView::seguirConversacion()
{
    const std::optional<QUuid> id = entorno_.almacen.seleccion();
    bool conMensajes = false;
    for (const Conversacion& c : entorno_.almacen.conversaciones())
        if (id && c.id == *id)
            conMensajes = !c.mensajes.isEmpty();
    if (lista_->conversacion() != id || !conMensajes)
        lista_->mostrar(conMensajes ? id : std::nullopt);
    pila_->setCurrentWidget(conMensajes ? static_cast<QWidget*>(lista_) : desplazableVacia_);
    seguirTitulo();
}

QWidget* ConversacionView::contenido() const
{
    QWidget* visible = pila_->currentWidget();
    return visible == desplazableVacia_ ? vacia_ : visible;
}

QString ConversacionView::titulo() const
{
    const std::optional<QUuid> id = entorno_.almacen.seleccion();
    std::optional<QString> titulo;
    for (const Conversacion& c : entorno_.almacen.conversaciones())
        if (id && c.id == *id && !c.mensajes.isEmpty())
            titulo = c.titulo;
    return tituloVentana(titulo, entorno_.asistente.carpeta());
}

void ConversacionView::seguirTitulo()
{
    if (QWidget* w = window(); w && w != this)
        w->setWindowTitle(titulo());
}

// A request an intent left: taken once, whichever screen sees it first.
void ConversacionView::seguirDictado()
{
    if (!isVisible())
        return;
    if (entorno_.enrutador().tomarDictado())
        activarEscucha(entorno_, this);
}
