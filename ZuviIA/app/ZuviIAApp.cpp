#include "app/ZuviIAApp.h"

#include "app/BandejaZuvi.h"
#include "app/Enlaces.h"
#include "vistas/Iconos.h"
#include "app/InstanciaUnica.h"
#include "app/MenuZuvi.h"
#include "app/RegistroEscritorio.h"
#include "app/ServicioIntents.h"
#include "app/TraduccionQt.h"
#include "app/VentanaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "core/Almacen.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/ComprobacionPermisos.h"
#include "plataforma/Reloj.h"
#include "plataforma/SenalesSalida.h"
#include "projects/EnlaceEscucha.h"
#include "projects/ModoProyectos.h"
#include "settings/AjustesView.h"
#include "setup/Actualizador.h"
#include "setup/FirmaActualizacion.h"
#include "setup/OrdenesActualizacion.h"

#include <QApplication>
#include <QDBusConnection>
#include <QScreen>
#include <QTextStream>

ZuviIAApp::ZuviIAApp(int& argc, char** argv)
{
    QStringList argumentos;
    for (int i = 0; i < argc; ++i)
        argumentos << QString::fromLocal8Bit(argv[i]);
    if (Intents::pideAyuda(argumentos)) {
        QTextStream(stdout) << Intents::ayuda();
        entregado_ = true;
        estadoSalida_ = 0;
        return;
    }
    if (argumentos.contains(QString::fromLatin1(RegistroEscritorio::opcion))) {
        // Run by the installation: no window, no instance.
        QCoreApplication nucleo(argc, argv);
        entregado_ = true;
        estadoSalida_ = RegistroEscritorio::registrar(QCoreApplication::applicationFilePath()) ? 0 : 1;
        return;
    }
    {
        // Asked by the update script of an installed build: no window either.
        QTextStream salida(stdout);
        QTextStream errores(stderr);
        if (const auto estado = OrdenesActualizacion::atender(argumentos, FirmaActualizacion::clavePorDefecto(),
                                                              salida, errores)) {
            entregado_ = true;
            estadoSalida_ = *estado;
            return;
        }
    }
    primerEnlace_ = Enlaces::deArgumentos(argumentos);
    {
        QString error;
        primerPedido_ = Intents::deArgumentos(argumentos, &error);
        if (!error.isEmpty()) {
            QTextStream(stderr) << error << '\n';
            entregado_ = true;
            estadoSalida_ = 2;
            return;
        }
    }
    opciones_.socket = InstanciaUnica::rutaPorDefecto();
    {
        // A later start needs no display: it only hands its link or its
        // intent over.
        QCoreApplication nucleo(argc, argv);
        const InstanciaUnica::Entrega entrega = entregarPrimero();
        if (entrega.estado != InstanciaUnica::Entrega::Estado::sinInstancia) {
            // An instance that holds the socket but does not answer is not
            // replaced: this start says so and ends.
            if (!entrega)
                QTextStream(stderr) << InstanciaUnica::explicar(entrega) << '\n';
            entregado_ = true;
            estadoSalida_ = entrega ? 0 : 1;
            return;
        }
    }
    qapp_ = std::make_unique<QApplication>(argc, argv);
    prepararAplicacion();
    SenalesSalida::seguir(this, [](int senal) {
        Registro::anotar(QStringLiteral("Señal %1: Zuvi IA se cierra").arg(senal));
        QCoreApplication::quit();
    });
    entorno_.emplace(Entorno::shared());
    opciones_.servicios = TareasInicio::Servicios::sistema();
    opciones_.programarActualizaciones = [] { Actualizador::shared().programar(); };
    opciones_.buscarActualizaciones = [] { Actualizador::shared().buscar(false); };
    opciones_.ajustes = [] {
        EntornoAjustes entorno = EntornoAjustes::shared();
        entorno.actualizador = &Actualizador::shared();
        return entorno;
    };
    opciones_.servicioIntents = QString::fromLatin1(ServicioIntents::servicio);
    opciones_.iniciarEscucha = [] { EscuchaZuvi::shared().iniciar(); };
}

InstanciaUnica::Entrega ZuviIAApp::entregarPrimero() const
{
    return primerPedido_ ? InstanciaUnica::entregar(opciones_.socket, Intents::codificar(*primerPedido_))
                         : InstanciaUnica::entregar(opciones_.socket, primerEnlace_);
}

ZuviIAApp::ZuviIAApp(const Entorno& entorno, Opciones opciones) : entorno_(entorno), opciones_(std::move(opciones)) {}

ZuviIAApp::~ZuviIAApp()
{
    for (const auto& v : ventanas_)
        delete v.data();
    delete ajustes_.data();
}

void ZuviIAApp::prepararAplicacion()
{
    QApplication::setApplicationName(QStringLiteral("zuviia"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zuvi IA"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cl.norp.ZuviIA"));
    TraduccionQt::cargar();
    Iconos::prepararTema();
    QApplication::setWindowIcon(Iconos::icono(QStringLiteral("ear.fill")));
}

int ZuviIAApp::ejecutar()
{
    if (entregado_)
        return estadoSalida_;
    if (!arrancar()) {
        // Another instance started at the same moment and won the socket.
        const InstanciaUnica::Entrega entrega = entregarPrimero();
        if (!entrega)
            QTextStream(stderr) << InstanciaUnica::explicar(entrega) << '\n';
        return entrega ? 0 : 1;
    }
    escucharFrase();
    if (primerPedido_) {
        ejecutarAlCargar(*primerPedido_);
    } else {
        abrirEnlace(primerEnlace_);
    }
    return QApplication::exec();
}

// The wake-phrase listener of the process: its links open here, in
// process, and it starts when the room does not listen always.
void ZuviIAApp::escucharFrase()
{
    EscuchaZuvi& escucha = entorno_->escuchaEnUso();
    EnlaceEscucha::conectar(escucha, entorno_->asistente, entorno_->modo, entorno_->ajustes);
    escucha.setDespacho([this](const QUrl& enlace) { abrirEnlace(enlace); });
    if (bandeja_)
        bandeja_->seguir(escucha);
}

bool ZuviIAApp::arrancar()
{
    instancia_ = new InstanciaUnica(opciones_.socket, this);
    if (!instancia_->escuchar())
        return false;
    connect(instancia_, &InstanciaUnica::enlaceRecibido, this, &ZuviIAApp::abrirEnlace);
    connect(instancia_, &InstanciaUnica::intentoRecibido, this, &ZuviIAApp::recibirIntento);
    intents_ = new Intents(*entorno_, [this] { mostrarVentana(); }, this);
    if (!opciones_.servicioIntents.isEmpty()) {
        servicio_ = new ServicioIntents(*intents_, this);
        servicio_->registrar(QDBusConnection::sessionBus(), opciones_.servicioIntents);
    }

    // Closing the last window keeps the application while a tray exists.
    QApplication::setQuitOnLastWindowClosed(false);
    bandeja_ = new BandejaZuvi(entorno_->modo, this);
    connect(bandeja_->menu(), &MenuZuvi::abrirPedido, this, [this] { abrirEnlace(QUrl(QString::fromLatin1(Enlaces::abrir))); });
    connect(bandeja_->menu(), &MenuZuvi::ajustesPedido, this, &ZuviIAApp::mostrarAjustes);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ZuviIAApp::alSalir);
    // The full-screen room wants a window in front: the shown one, or a new one.
    connect(&entorno_->modo, &ModoProyectos::ventanaPedida, this, [this] { mostrarVentana(); });
    // Work that exists once per process (the update schedule) starts here,
    // not with each window.
    if (opciones_.programarActualizaciones)
        opciones_.programarActualizaciones();
    return true;
}

void ZuviIAApp::abrirEnlace(const QUrl& enlace)
{
    mostrarVentana();
    // The room picks its conversation from the store: not before it is read.
    if (Enlaces::accion(enlace) == Enlaces::Accion::modoProyectos)
        entorno_->almacen.alCargar(this, [this] { entorno_->modo.iniciar(); });
}

void ZuviIAApp::recibirIntento(const QByteArray& linea)
{
    const auto pedido = Intents::decodificar(linea);
    if (!pedido) {
        Registro::anotar(QStringLiteral("Instancia: se ignora un intento ilegible"));
        return;
    }
    ejecutarAlCargar(*pedido);
}

// An intent acts on the conversations: it waits until they are read.
void ZuviIAApp::ejecutarAlCargar(const Intents::Pedido& pedido)
{
    entorno_->almacen.alCargar(this, [this, pedido] {
        if (const auto error = intents_->ejecutar(pedido))
            Registro::anotar(*error);
    });
}

QList<VentanaPrincipal*> ZuviIAApp::ventanas() const
{
    QList<VentanaPrincipal*> abiertas;
    for (const auto& v : ventanas_)
        if (v)
            abiertas << v.data();
    return abiertas;
}

VentanaPrincipal* ZuviIAApp::mostrarVentana()
{
    if (const auto abiertas = ventanas(); !abiertas.isEmpty()) {
        VentanaPrincipal* v = abiertas.first();
        v->setWindowState((v->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        v->show();
        v->raise();
        v->activateWindow();
        return v;
    }
    auto* v = new VentanaPrincipal(*entorno_);
    v->setAttribute(Qt::WA_DeleteOnClose);
    connect(v, &QObject::destroyed, this, &ZuviIAApp::alCerrarVentana, Qt::QueuedConnection);
    ventanas_ << v;
    connect(v, &VentanaPrincipal::ajustesPedido, this, &ZuviIAApp::mostrarAjustes);
    connect(v, &VentanaPrincipal::buscarActualizacionesPedido, this, [this] {
        if (opciones_.buscarActualizaciones)
            opciones_.buscarActualizaciones();
    });
    if (const QScreen* pantalla = v->screen())
        v->move(pantalla->availableGeometry().center() - v->rect().center());
    v->show();
    v->raise();
    v->activateWindow();
    TareasInicio::lanzar(v, entorno_->estadoIA, opciones_.servicios);
    escucharAlAbrir(v);
    return v;
}

AjustesView* ZuviIAApp::mostrarAjustes()
{
    if (!opciones_.ajustes) {
        Registro::anotar(QStringLiteral("Ajustes: esta instancia no tiene ventana de ajustes"));
        return nullptr;
    }
    if (!ajustes_) {
        EntornoAjustes entorno = opciones_.ajustes();
        // "Abrir" the setup assistant must show it even when only the
        // settings window is open.
        if (!entorno.mostrarPrincipal)
            entorno.mostrarPrincipal = [this] { mostrarVentana(); };
        ajustes_ = new AjustesView(entorno);
        ajustes_->setWindowFlag(Qt::Window);
        ajustes_->setAttribute(Qt::WA_DeleteOnClose);
        if (const QScreen* pantalla = ajustes_->screen())
            ajustes_->move(pantalla->availableGeometry().center() - ajustes_->rect().center());
    }
    ajustes_->setWindowState(ajustes_->windowState() & ~Qt::WindowMinimized);
    ajustes_->show();
    ajustes_->raise();
    ajustes_->activateWindow();
    return ajustes_;
}

// The last launch task: a second after the window, always-on listening in
// the window when it can start without asking, else the wake phrase.
void ZuviIAApp::escucharAlAbrir(VentanaPrincipal* ventana)
{
    Entorno e = *entorno_;
    e.reloj.despues(std::chrono::seconds(1), ventana, [this, e, ventana] {
        if (!ModoProyectos::escuchaSiempre(e.ajustes)) {
            if (opciones_.iniciarEscucha)
                opciones_.iniciarEscucha();
            return;
        }
        e.comprobacion().comprobar(ventana, [e](ComprobacionPermisos::Respuesta r) {
            if (r.voz && r.microfono && e.ajustes.booleano(QStringLiteral("configuracionCompleta"), false))
                e.modo.escucharSiempre();
        });
    }).soltar();
}

void ZuviIAApp::alCerrarVentana()
{
    ventanas_.removeAll(nullptr);
    if (!ventanas_.isEmpty() || saliendo_ || (bandeja_ && bandeja_->disponible()))
        return;
    Registro::anotar(QStringLiteral("Sin bandeja del sistema: al cerrar la última ventana, Zuvi IA termina"));
    QCoreApplication::quit();
}

void ZuviIAApp::alSalir()
{
    if (saliendo_)
        return;
    saliendo_ = true;
    AsistenteVoz& asistente = entorno_->asistente;
    Registro::anotar(QStringLiteral("Salir: se detienen los agentes y se guardan las conversaciones"));
    if (asistente.ejecutando())
        asistente.cancelar();
    asistente.cancelarFondo();
    entorno_->almacen.guardar();
    // Bounded: a stuck disk must not keep a closing application alive.
    if (!entorno_->almacen.esperarGuardado(std::chrono::seconds(3)))
        Registro::anotar(QStringLiteral("Salir: las conversaciones no terminaron de guardarse a tiempo"));
    Registro::vaciar();
}
