#include "app/VentanaPrincipal.h"

#include "Version.h"
#include "vistas/Iconos.h"
#include "app/ModoProyectosView.h"
#include "app/VistaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "plataforma/Ajustes.h"
#include "projects/ModoProyectos.h"
#include "setup/OnboardingView.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QStackedWidget>
#include <QToolBar>

namespace {

const QString claveConfiguracion = QStringLiteral("configuracionCompleta");

}

VentanaPrincipal::VentanaPrincipal(const Entorno& entorno, QWidget* parent) : QMainWindow(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("ventanaPrincipal"));
    setWindowTitle(QStringLiteral("Zuvi IA"));
    setWindowIcon(Iconos::icono(QStringLiteral("ear.fill")));
    setMinimumSize(760, 560);
    resize(1000, 700);

    nuevoProyecto_ = new QAction(Iconos::icono(QStringLiteral("folder.badge.plus")), QStringLiteral("Nuevo proyecto"), this);
    nuevoProyecto_->setObjectName(QStringLiteral("nuevoProyecto"));
    nuevoProyecto_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    nuevoProyecto_->setToolTip(QStringLiteral("Nuevo proyecto (Ctrl+N)"));
    connect(nuevoProyecto_, &QAction::triggered, this, [this] { entorno_.modo.proyectoNuevo(); });

    barraHerramientas_ = addToolBar(QStringLiteral("Barra de herramientas"));
    barraHerramientas_->setObjectName(QStringLiteral("barraHerramientas"));
    barraHerramientas_->setMovable(false);
    barraHerramientas_->setFloatable(false);
    barraHerramientas_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    barraHerramientas_->addAction(nuevoProyecto_);

    // The menus first: the conversation's toolbar connects to their actions.
    construirMenus();
    pila_ = new QStackedWidget(this);
    vista_ = new VistaPrincipal(entorno_, pila_);
    pila_->addWidget(vista_);
    setCentralWidget(pila_);

    connect(&entorno_.ajustes, &Ajustes::cambiado, this, [this](const QString& clave) {
        if (clave == claveConfiguracion)
            seguirConfiguracion();
    });
    connect(&entorno_.modo, &ModoProyectos::activoCambiado, this, &VentanaPrincipal::seguirSala);
    connect(&entorno_.modo, &ModoProyectos::inmersivoCambiado, this, &VentanaPrincipal::seguirSala);
    seguirConfiguracion();
}

bool VentanaPrincipal::configuracionCompleta() const
{
    return entorno_.ajustes.booleano(claveConfiguracion, false);
}

bool VentanaPrincipal::mostrandoConfiguracion() const
{
    return configuracion_ && pila_->currentWidget() == configuracion_;
}

void VentanaPrincipal::construirMenus()
{
    QMenu* app = menuBar()->addMenu(QStringLiteral("&Zuvi IA"));
    QAction* acerca = app->addAction(QStringLiteral("Acerca de Zuvi IA"));
    connect(acerca, &QAction::triggered, this, [this] {
        QMessageBox::about(this, QStringLiteral("Acerca de Zuvi IA"),
                           QStringLiteral("Zuvi IA %1 (%2)").arg(QString::fromUtf8(Version::texto)).arg(Version::build));
    });
    QAction* buscar = app->addAction(QStringLiteral("Buscar actualizaciones…"));
    buscar->setObjectName(QStringLiteral("buscarActualizaciones"));
    connect(buscar, &QAction::triggered, this, &VentanaPrincipal::buscarActualizacionesPedido);
    app->addSeparator();
    ajustes_ = app->addAction(QStringLiteral("Ajustes…"));
    ajustes_->setObjectName(QStringLiteral("ajustes"));
    ajustes_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(ajustes_, &QAction::triggered, this, &VentanaPrincipal::ajustesPedido);
    app->addSeparator();
    QAction* salir = app->addAction(QStringLiteral("Salir de Zuvi IA"));
    salir->setObjectName(QStringLiteral("salir"));
    salir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(salir, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);

    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    archivo->addAction(nuevoProyecto_);

    QMenu* voz = menuBar()->addMenu(QStringLiteral("&Voz"));
    QAction* modo = voz->addAction(QStringLiteral("Modo proyectos"));
    modo->setObjectName(QStringLiteral("modoProyectos"));
    modo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(modo, &QAction::triggered, &entorno_.modo, &ModoProyectos::iniciar);
    voz->addSeparator();
    QAction* hablar = voz->addAction(QStringLiteral("Hablar / dejar de escuchar"));
    hablar->setObjectName(QStringLiteral("hablar"));
    hablar->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    connect(hablar, &QAction::triggered, &entorno_.asistente, &AsistenteVoz::alternarDictado);
    QAction* callar = voz->addAction(QStringLiteral("Callar la respuesta"));
    callar->setObjectName(QStringLiteral("callar"));
    callar->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Period));
    connect(callar, &QAction::triggered, this, [this] {
        entorno_.callar();
        entorno_.modo.interrumpir();
    });
}

void VentanaPrincipal::seguirConfiguracion()
{
    const bool completa = configuracionCompleta();
    // The assistant is built anew each time it is shown, so it starts at
    // the welcome step; it goes later, as its own button may be what set
    // the setting.
    if (completa && configuracion_) {
        pila_->removeWidget(configuracion_);
        configuracion_->deleteLater();
        configuracion_ = nullptr;
    } else if (!completa && !configuracion_) {
        configuracion_ = new OnboardingView(entorno_, pila_);
        pila_->addWidget(configuracion_);
    }
    pila_->setCurrentWidget(completa ? static_cast<QWidget*>(vista_) : configuracion_);
    nuevoProyecto_->setEnabled(completa);
    seguirSala();
}

// The toolbar belongs to the main view, and gives way to the full-screen room.
void VentanaPrincipal::seguirSala()
{
    const bool sala = entorno_.modo.activo() && entorno_.modo.inmersivo();
    barraHerramientas_->setVisible(!sala && configuracionCompleta());
    if (sala && !sala_) {
        // Over the whole content, not a page of it: the conversation screen
        // beneath keeps working (an intent's request is taken there).
        sala_ = new ModoProyectosView(entorno_, pila_);
        pila_->installEventFilter(this);
    }
    if (!sala_)
        return;
    if (sala) {
        sala_->setGeometry(pila_->rect());
        sala_->raise();
        sala_->show();
        sala_->setFocus();
    } else {
        sala_->hide();
    }
}

bool VentanaPrincipal::eventFilter(QObject* objeto, QEvent* e)
{
    if (sala_ && objeto == pila_ && e->type() == QEvent::Resize)
        sala_->setGeometry(pila_->rect());
    return QMainWindow::eventFilter(objeto, e);
}
