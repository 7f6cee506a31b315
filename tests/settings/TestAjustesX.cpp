#include "BancoAjustes.h"
#include "app/BandejaZuvi.h"
#include "vistas/Iconos.h"
#include "app/MenuZuvi.h"
#include "app/VentanaPrincipal.h"
#include "app/ZuviIAApp.h"
#include "settings/AjustesView.h"

#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

// The settings window on a real X server (Xvfb), opened the ways a user
// opens it; a screenshot of every section goes to the build folder.
class TestAjustesX : public QObject {
    Q_OBJECT

    BancoAjustes b;
    QTemporaryDir runtime;

    static void capturar(QWidget* ventana, const QString& nombre)
    {
        QTest::qWait(300);  // the first frames are painted
        const QPixmap imagen = ventana->screen()->grabWindow(ventana->winId());
        QVERIFY(!imagen.isNull());
        QVERIFY(imagen.save(QStringLiteral(ZUVI_CAPTURAS "/") + nombre));
    }

    // An application over the bench, its socket in the test's runtime folder.
    Entorno entornoApp() { return Entorno{*b.ajustes, b.reloj, *b.almacen, *b.perfiles, *b.estadoIA, *b.asistente, *b.modo}; }

    ZuviIAApp::Opciones opcionesApp()
    {
        ZuviIAApp::Opciones o;
        o.socket = runtime.path() + QStringLiteral("/zuviia.sock");
        o.ajustes = [this] { return b.entorno(); };
        return o;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Iconos::prepararTema();
    }

    void cleanup() { b.cerrarTodo(); }

    // Ctrl+, in the menu, the toolbar's "Configuración" and the tray all
    // bring the one settings window, which opens with no section chosen.
    void abrir()
    {
        b.abrirCon();
        ZuviIAApp app(entornoApp(), opcionesApp());
        QVERIFY(app.arrancar());
        VentanaPrincipal* v = app.mostrarVentana();
        QVERIFY(QTest::qWaitForWindowActive(v));
        QTest::keyClick(v, Qt::Key_Comma, Qt::ControlModifier);
        AjustesView* ajustes = nullptr;
        const auto abiertas = [] {
            QList<AjustesView*> l;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* a = qobject_cast<AjustesView*>(w); a && a->isVisible())
                    l << a;
            return l;
        };
        QTRY_COMPARE(abiertas().size(), 1);
        ajustes = abiertas().first();
        QVERIFY(QTest::qWaitForWindowExposed(ajustes));
        QCOMPARE(ajustes->size(), QSize(780, 560));
        QCOMPARE(ajustes->seccion(), std::nullopt);
        QCOMPARE(ajustes->windowTitle(), QStringLiteral("Inteligencia artificial"));
        capturar(ajustes, QStringLiteral("ajustes-abierto.png"));

        auto* configuracion = v->barraHerramientas()->findChild<QToolButton*>("configuracion");
        QVERIFY(configuracion && configuracion->isEnabled());
        configuracion->click();
        app.bandeja()->menu()->findChild<QAction*>("ajustes")->trigger();
        QCOMPARE(abiertas(), QList<AjustesView*>{ajustes});
        ajustes->close();
        QTRY_VERIFY(abiertas().isEmpty());
    }

    // With only the settings open, "Abrir" the setup assistant shows it in
    // a main window it brings up.
    void abrirAsistenteSinVentana()
    {
        b.abrirCon({{"configuracionCompleta", true}});
        ZuviIAApp app(entornoApp(), opcionesApp());
        QVERIFY(app.arrancar());
        AjustesView* ajustes = app.mostrarAjustes();
        QVERIFY(QTest::qWaitForWindowExposed(ajustes));
        QVERIFY(app.ventanas().isEmpty());
        ajustes->lista()->item(AjustesView::secciones().indexOf(AjustesView::Seccion::avanzado))->setSelected(true);
        ajustes->vista()->findChild<QPushButton*>("abrirAsistente")->click();
        QCOMPARE(b.ajustes->valor("configuracionCompleta"), QVariant(false));
        QCOMPARE(app.ventanas().size(), 1);
        QVERIFY(app.ventanas().first()->mostrandoConfiguracion());
        QVERIFY(QTest::qWaitForWindowExposed(app.ventanas().first()));
        QVERIFY(ajustes->isVisible());
        ajustes->close();
    }

    void secciones()
    {
        b.abrirCon({{"velocidadVoz", 1.3f}, {"nivel", "editar"}, {"instruccionesExtra", "Somos el equipo de Norp."}});
        AjustesView v(b.entorno());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        for (AjustesView::Seccion s : AjustesView::secciones()) {
            v.lista()->item(AjustesView::secciones().indexOf(s))->setSelected(true);
            QCOMPARE(v.mostrada(), s);
            const QString nombre = AjustesView::datos(s).etiqueta.toLower().replace(' ', '-');
            capturar(&v, QStringLiteral("ajustes-%1.png").arg(nombre));
        }
    }

    // The neural voice ready, after a design the service did not answer.
    void vozNeural()
    {
        b.abrirCon();
        BancoAjustes::instalarVoz(1);  // nothing listens there
        b.voz->arrancar();
        QTRY_VERIFY(b.voz->estado().listaParaHablar());
        b.diseno->disenar("Voz de mujer joven");
        QTRY_VERIFY(b.diseno->error().has_value());
        AjustesView v(b.entorno());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.lista()->item(1)->setSelected(true);
        capturar(&v, QStringLiteral("ajustes-voz-neural.png"));
    }
};

QTEST_MAIN(TestAjustesX)
#include "TestAjustesX.moc"
