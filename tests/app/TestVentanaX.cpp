#include "ConfiguracionPrueba.h"
#include "app/BandejaZuvi.h"
#include "app/AvisoAlmacen.h"
#include "app/TarjetaAviso.h"
#include "app/BarraConversaciones.h"
#include "vistas/Iconos.h"
#include "app/MenuZuvi.h"
#include "app/ModoProyectosView.h"
#include "comun/ModoProyectosPrueba.h"
#include "app/ModeloConversaciones.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "app/ZuviIAApp.h"
#include "setup/OnboardingView.h"
#include "setup/RegistroView.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QUuid>

// The real window on a real X server (Xvfb), with a tray host on the test
// session bus. Screenshots go to the build folder to be looked at.
class TestVentanaX : public QObject {
    Q_OBJECT

    ConfiguracionPrueba e;
    QTemporaryDir runtime;

    ZuviIAApp::Opciones opciones() const
    {
        ZuviIAApp::Opciones o;
        o.socket = runtime.path() + QStringLiteral("/zuviia.sock");
        return o;
    }

    static void capturar(QWidget* ventana, const QString& nombre)
    {
        QTest::qWait(300);  // the first frames are painted
        const QPixmap imagen = ventana->screen()->grabWindow(ventana->winId());
        QVERIFY(!imagen.isNull());
        QCOMPARE(imagen.size(), ventana->size() * ventana->devicePixelRatio());
        QVERIFY(imagen.save(QStringLiteral(ZUVI_CAPTURAS "/") + nombre));
    }

    // The labels and buttons under `raiz` whose text does not fit the
    // place the layout gave them: a wrapped label shorter than its text
    // needs at its width, any other narrower or shorter than its size hint.
    // A button that elides its text on purpose carries the whole of it as
    // its tooltip.
    static QStringList recortados(QWidget* raiz)
    {
        QStringList lista;
        const auto anotar = [&](QWidget* w, const QString& texto, QSize falta) {
            lista << QStringLiteral("%1 «%2»: %3x%4, necesita %5x%6")
                         .arg(w->objectName(), texto.left(40))
                         .arg(w->width())
                         .arg(w->height())
                         .arg(falta.width())
                         .arg(falta.height());
        };
        for (QLabel* l : raiz->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(raiz) || l->text().isEmpty())
                continue;
            const QSize hint = l->wordWrap() ? QSize(l->width(), l->heightForWidth(l->width())) : l->sizeHint();
            if (hint.width() > l->width() + 1 || hint.height() > l->height() + 1)
                anotar(l, l->text(), hint);
        }
        // Content wider than its scroll area hides text sideways.
        for (QScrollArea* a : raiz->findChildren<QScrollArea*>())
            if (a->isVisibleTo(raiz) && a->horizontalScrollBar()->maximum() > 0)
                anotar(a, QStringLiteral("(desplazamiento lateral)"), a->widget()->size());
        for (QPushButton* b : raiz->findChildren<QPushButton*>()) {
            if (!b->isVisibleTo(raiz) || b->text().isEmpty() || !b->toolTip().isEmpty())
                continue;
            const QSize hint = b->sizeHint();
            if (hint.width() > b->width() + 1 || hint.height() > b->height() + 1)
                anotar(b, b->text(), hint);
        }
        return lista;
    }

    static void sinRecortes(QWidget* raiz)
    {
        const QStringList lista = recortados(raiz);
        QVERIFY2(lista.isEmpty(), qPrintable(lista.join(QStringLiteral("\n"))));
    }

    static QSize minimo(QWidget* ventana) { return ventana->minimumSize().expandedTo(ventana->minimumSizeHint()); }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Iconos::prepararTema();
    }

    void cleanup() { e.cerrarConfiguracion(); }

    void ventanaPrincipal()
    {
        const QDateTime ahora = e.reloj.ahora();
        Conversacion reunion = EntornoPrueba::conversacion(QStringLiteral("Reunión de planificación"), ahora.addSecs(-900));
        reunion.esReunion = true;
        reunion.asistentes = QStringList{"Ana", "Luis", "Marta"};
        Conversacion largo = EntornoPrueba::conversacion(
            QStringLiteral("Un proyecto con un título bastante más largo que la columna"), ahora.addDays(-1));
        largo.mensajes.last().texto = QStringLiteral("Dejé el informe en la carpeta.\nFaltan las pruebas.");
        e.abrir({reunion, EntornoPrueba::conversacion(QStringLiteral("Página web de la tienda"), ahora.addSecs(-3600)),
                 largo, EntornoPrueba::conversacion(QStringLiteral("Presupuesto 2027"), ahora.addDays(-4)),
                 EntornoPrueba::conversacion(QStringLiteral("Notas antiguas"), ahora.addDays(-40))});

        ZuviIAApp app(e.entorno(), opciones());
        QVERIFY(app.arrancar());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QCOMPARE(v->size(), QSize(1000, 700));
        QVERIFY(v->vista()->isVisible());
        QVERIFY(v->vista()->barra()->lista()->isVisible());
        QVERIFY(v->vista()->detalle()->isVisible());
        QVERIFY(v->barraHerramientas()->isVisible());
        QVERIFY(!v->vista()->barra()->vacio()->isVisible());
        QCOMPARE(v->vista()->barra()->modelo()->rowCount(), 9);
        QVERIFY(v->vista()->barra()->lista()->width() >= 200);
        capturar(v, QStringLiteral("ventana-principal.png"));
    }

    // The banner of a store set aside at start, above the empty screen.
    void almacenApartado()
    {
        e.crudo = QByteArray("[{\"id\":");
        e.abrir();
        e.crudo.reset();
        ZuviIAApp app(e.entorno(), opciones());
        QVERIFY(app.arrancar());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        auto* aviso = v->findChild<AvisoAlmacen*>();
        QVERIFY(aviso && aviso->isVisible());
        QVERIFY(aviso->tarjeta()->boton()->isVisible());
        capturar(v, QStringLiteral("almacen-apartado.png"));
    }

    // The empty screen with its suggestions, at the window's usual and
    // smallest sizes.
    void pantallaVacia()
    {
        e.abrir();
        ZuviIAApp app(e.entorno(), opciones());
        QVERIFY(app.arrancar());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QCOMPARE(v->windowTitle(), QStringLiteral("Zuvi IA"));
        capturar(v, QStringLiteral("pantalla-vacia.png"));
        sinRecortes(v);
        v->resize(minimo(v));
        QTRY_COMPARE(v->size(), minimo(v));
        capturar(v, QStringLiteral("pantalla-vacia-minima.png"));
        sinRecortes(v);
    }

    // Every step of the setup assistant, drawn in the window.
    void asistente()
    {
        e.abrirConfiguracion({}, false);
        e.instalados->insert(QStringLiteral("claude-code"), QStringLiteral("2.1.3"));
        for (const char* s : {"blender-mcp", "office-word", "impresion-3d", "zuvi-ia-control"}) {
            const QString ruta = e.recursos() + QStringLiteral("/SkillsPack/%1/SKILL.md").arg(QLatin1String(s));
            QDir().mkpath(QFileInfo(ruta).path());
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        e.sistema.entradas = {{3, QStringLiteral("usb_mic"), QStringLiteral("Yeti Stereo Microphone"),
                               QStringLiteral("Blue"), 0x75736220, 1}};
        e.sistema.salidas = {{5, QStringLiteral("parlantes"), QStringLiteral("Parlantes internos"), std::nullopt,
                              0x626c746e, 2}};
        e.asistente->refrescarDispositivos();
        ZuviIAApp app(e.entorno(), opciones());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        OnboardingView* asistente = v->configuracion();
        QVERIFY(asistente && asistente->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(e.instalador->conexiones().size() == 4 && !e.instalador->agentes().isEmpty()
                                     && !e.instalador->agentes().value(Agente::codex).es(EstadoPaso::Tipo::comprobando),
                                 30000);
        QCOMPARE(v->windowTitle(), QStringLiteral("Zuvi IA"));
        for (int i = 0; i < 8; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(asistente->paso() == PasoConfig::listo || asistente->primario()->isEnabled(), 30000);
            const QString paso = QStringLiteral("%1-%2").arg(i + 1).arg(Pasos::titulo(asistente->paso()));
            v->resize(1000, 700);
            capturar(v, QStringLiteral("configuracion-%1.png").arg(paso));
            sinRecortes(v);
            // The smallest window still shows every text whole.
            v->resize(minimo(v));
            QTRY_COMPARE(v->size(), minimo(v));
            capturar(v, QStringLiteral("configuracion-%1-minima.png").arg(paso));
            sinRecortes(v);
            if (i < 7)
                asistente->pulsarPrincipal();
        }
        QTest::mouseClick(asistente->registro(), Qt::LeftButton);
        QVERIFY(asistente->registroAbierto());
        QVERIFY(QTest::qWaitForWindowExposed(asistente->registroAbierto()));
        capturar(asistente->registroAbierto(), QStringLiteral("configuracion-registro.png"));
        asistente->registroAbierto()->close();
    }

    // The full-screen room over the window, while the room speaks to Ana.
    void salaInmersiva()
    {
        Conversacion taza = EntornoPrueba::conversacion(QStringLiteral("Taza con logo"), e.reloj.ahora());
        taza.mensajes.last().texto = QStringLiteral("Listo: modelé la taza en Blender y guardé el archivo taza.blend "
                                                    "en la carpeta del proyecto.");
        e.abrir({taza});
        e.almacen->setSeleccion(taza.id);
        ZuviIAApp app(e.entorno(), opciones());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        Perfil ana;
        ana.id = QUuid::createUuid();
        ana.nombre = QStringLiteral("Ana");
        e.modo->iniciar();
        QTRY_VERIFY(e.modo->activo());
        // The greeting starts with nobody in the room.
        e.perfiles->setActivo(ana);
        ModoProyectosPrueba m{*e.modo};
        m.estado(ModoProyectos::Estado::hablando);
        m.ultimaFrase(QStringLiteral("Listo, la taza ya está en la carpeta del proyecto."));
        QVERIFY(v->sala()->isVisible());
        QCOMPARE(v->sala()->geometry(), v->centralWidget()->rect());
        QVERIFY(!v->barraHerramientas()->isVisible());
        QCOMPARE(v->sala()->tituloEtiqueta()->text(), QStringLiteral("Hablando con Ana"));
        QVERIFY(v->sala()->persona()->isVisible());
        capturar(v, QStringLiteral("sala-inmersiva.png"));
        // Leaving the room brings the toolbar back.
        v->sala()->salir()->click();
        // The greeting and the farewell end as heard.
        QTRY_VERIFY(!e.motor->completar() && !e.modo->inmersivo());
        QVERIFY(!v->sala()->isVisible());
        QVERIFY(v->barraHerramientas()->isVisible());
    }

    // No tray until a host comes onto the bus; then the icon with its
    // menu registers with it, and follows the wake-phrase listener.
    void bandeja()
    {
        e.abrirConfiguracion({}, true);
        e.ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        ZuviIAApp app(e.entorno(), opciones());
        QVERIFY(app.arrancar());
        app.escucharFrase();
        QTest::qWait(300);
        QVERIFY(!app.bandeja()->disponible());

        QProcess anfitrion;
        anfitrion.start(QStringLiteral(ZUVI_BANDEJA_FALSA));
        QVERIFY(anfitrion.waitForReadyRead(10000));
        QCOMPARE(anfitrion.readLine().trimmed(), QByteArray("listo"));
        QTRY_VERIFY_WITH_TIMEOUT(app.bandeja()->disponible(), 10000);
        QSystemTrayIcon* icono = app.bandeja()->icono();
        QVERIFY(icono->isVisible());
        QCOMPARE(icono->contextMenu(), app.bandeja()->menu());
        QByteArray salida;
        QTRY_VERIFY2_WITH_TIMEOUT((salida += anfitrion.readAll()).contains("registrado"), salida.constData(), 10000);
        QCOMPARE(app.bandeja()->menu()->lineaEstado()->text(), QStringLiteral("En pausa"));
        QCOMPARE(app.bandeja()->menu()->escucha()->text(), QStringLiteral("Escuchar"));
        e.escucha->iniciar();
        QTRY_COMPARE(app.bandeja()->menu()->lineaEstado()->text(), QStringLiteral("Esperando «Oye Zuvi»"));
        e.escucha->detener();
        QCOMPARE(app.bandeja()->menu()->lineaEstado()->text(), QStringLiteral("En pausa"));

        // With a tray, closing the window keeps the application.
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        v->close();
        QTRY_VERIFY(app.ventanas().isEmpty());
        QTest::qWait(100);
        QVERIFY(!e.registro().contains(QStringLiteral("Sin bandeja del sistema")));
        // "Abrir Zuvi IA" opens a new window.
        app.bandeja()->menu()->abrirZuvi()->trigger();
        QCOMPARE(app.ventanas().size(), 1);
        anfitrion.terminate();
        anfitrion.waitForFinished(5000);
    }
};

QTEST_MAIN(TestVentanaX)
#include "TestVentanaX.moc"
