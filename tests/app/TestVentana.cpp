#include "ConfiguracionPrueba.h"
#include "app/AvisoAlmacen.h"
#include "app/BarraConversaciones.h"
#include "vistas/Iconos.h"
#include "app/MenuZuvi.h"
#include "app/ModoProyectosView.h"
#include "app/ModeloConversaciones.h"
#include "app/TraduccionQt.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "app/TarjetaAviso.h"
#include "app/ZuviIAApp.h"
#include "assistant/TurnoAgente.h"
#include "setup/OnboardingView.h"
#include "comun/AgenteFalso.h"
#include "comun/ModoProyectosPrueba.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <csignal>
#include <memory>

namespace {

QStringList titulos(const ModeloConversaciones& m)
{
    QStringList t;
    for (int i = 0; i < m.rowCount(); ++i)
        t << m.index(i).data().toString();
    return t;
}

bool vivo(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

}

// The main window over real stores in a temporary home, offscreen.
class TestVentana : public QObject {
    Q_OBJECT

    ConfiguracionPrueba e;
    std::unique_ptr<VentanaPrincipal> ventana;

    VentanaPrincipal& abrirVentana(const QList<Conversacion>& conversaciones = {}, bool completa = true)
    {
        ventana.reset();
        e.abrirConfiguracion(conversaciones, completa);
        ventana = std::make_unique<VentanaPrincipal>(e.entorno());
        ventana->show();
        return *ventana;
    }

    BarraConversaciones& barra() { return *ventana->vista()->barra(); }

    QDateTime hace(int dias, int horas = 0) const { return e.reloj.ahora().addDays(-dias).addSecs(-3600 * horas); }

    // A turn that writes a first fragment, then works for a long time.
    void turnoLargo(AgenteFalso& agente, qint64& pid)
    {
        agente.turnos({AgenteFalso::pasos(R"([{"sistema":"init"},{"bloque":"text"},{"delta":"Empiezo"},
            {"esperar":60000,"delta":" y sigo"},{"resultado":""}])")});
        e.asistente->setCarpeta(e.hogar.ruta());
        // Claude refuses full control to a root process, as the tests may run.
        e.asistente->setNivel(NivelPermiso::editar);
        QVERIFY(e.asistente->enviar(QStringLiteral("Trabaja mucho")));
        QTRY_COMPARE_WITH_TIMEOUT(agente.procesos(), 1, 15000);
        pid = agente.inicio(0).value("pid").toInteger();
        QTRY_VERIFY_WITH_TIMEOUT(e.almacen->actual() && e.almacen->actual()->mensajes.size() == 2
                                     && !e.almacen->actual()->mensajes.last().texto.isEmpty(), 15000);
    }

private slots:
    void initTestCase() { Iconos::prepararTema(); }

    // Qt's own menus and buttons speak Spanish.
    void textosDeQt()
    {
        QVERIFY(TraduccionQt::cargar());
        QLineEdit campo(QStringLiteral("hola"));
        const std::unique_ptr<QMenu> menu(campo.createStandardContextMenu());
        QStringList textos;
        for (const QAction* a : menu->actions())
            if (!a->isSeparator())
                textos << a->text().section(u'\t', 0, 0);
        QVERIFY2(textos.contains(QStringLiteral("Seleccionar todo")), qPrintable(textos.join(", ")));
        for (const char* ingles : {"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Delete", "Select All"})
            QVERIFY2(!textos.contains(QLatin1String(ingles)), ingles);
        QDialogButtonBox botones(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(botones.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
    }

    void cleanup()
    {
        ventana.reset();
        e.cerrarConfiguracion();
    }

    void tamanos()
    {
        VentanaPrincipal& v = abrirVentana();
        QCOMPARE(v.size(), QSize(1000, 700));
        QCOMPARE(v.minimumSize(), QSize(760, 560));
        // With nothing to show in the projects root, the title is the
        // application's alone, never its name twice.
        QCOMPARE(v.windowTitle(), QStringLiteral("Zuvi IA"));
    }

    // Until setup is complete the window shows the setup assistant; its
    // last button switches to the main view, and clearing the setting
    // brings the assistant back at its first step.
    void configuracion()
    {
        VentanaPrincipal& v = abrirVentana({}, false);
        QVERIFY(v.mostrandoConfiguracion());
        QVERIFY(!v.nuevoProyecto()->isEnabled());
        QVERIFY(!v.barraHerramientas()->isVisible());
        // The voice step's own install holds the bar until it ends.
        for (int i = 0; i < 7; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(v.configuracion()->primario()->isEnabled(), 30000);
            QTest::mouseClick(v.configuracion()->primario(), Qt::LeftButton);
        }
        QCOMPARE(v.configuracion()->paso(), PasoConfig::listo);
        QTest::mouseClick(v.configuracion()->empezar(), Qt::LeftButton);
        QCOMPARE(e.ajustes->booleano("configuracionCompleta", false), true);
        QVERIFY(!v.mostrandoConfiguracion());
        QVERIFY(v.vista()->isVisible());
        QVERIFY(v.nuevoProyecto()->isEnabled());
        QVERIFY(v.barraHerramientas()->isVisible());
        QTRY_VERIFY(!v.findChild<OnboardingView*>());
        e.ajustes->escribir("configuracionCompleta", false);
        QVERIFY(v.mostrandoConfiguracion());
        QCOMPARE(v.configuracion()->paso(), PasoConfig::bienvenida);
        QVERIFY(!v.nuevoProyecto()->isEnabled());
    }

    // Items whose operation is not built are there, disabled.
    void menus_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QKeySequence>("atajo");
        QTest::addColumn<bool>("activo");
        QTest::newRow("buscar") << "buscarActualizaciones" << "Buscar actualizaciones…" << QKeySequence() << true;
        QTest::newRow("ajustes") << "ajustes" << "Ajustes…" << QKeySequence("Ctrl+,") << true;
        QTest::newRow("salir") << "salir" << "Salir de Zuvi IA" << QKeySequence("Ctrl+Q") << true;
        QTest::newRow("nuevo") << "nuevoProyecto" << "Nuevo proyecto" << QKeySequence("Ctrl+N") << true;
        QTest::newRow("modo") << "modoProyectos" << "Modo proyectos" << QKeySequence("Ctrl+Shift+P") << true;
        QTest::newRow("hablar") << "hablar" << "Hablar / dejar de escuchar" << QKeySequence("Ctrl+Shift+D") << true;
        QTest::newRow("callar") << "callar" << "Callar la respuesta" << QKeySequence("Ctrl+Shift+.") << true;
    }

    void menus()
    {
        QFETCH(QString, nombre);
        VentanaPrincipal& v = abrirVentana();
        const auto acciones = v.findChildren<QAction*>(nombre);
        QCOMPARE(acciones.size(), 1);
        QTEST(acciones.first()->text(), "titulo");
        QTEST(acciones.first()->shortcut(), "atajo");
        QTEST(acciones.first()->isEnabled(), "activo");
        QStringList menus;
        for (QAction* m : v.menuBar()->actions())
            menus << m->text();
        QCOMPARE(menus, (QStringList{"&Zuvi IA", "&Archivo", "&Voz"}));
    }

    // The toolbar's gear and the menu item open the same settings.
    void ajustesDesdeLaBarra()
    {
        VentanaPrincipal& v = abrirVentana();
        QSignalSpy pedidos(&v, &VentanaPrincipal::ajustesPedido);
        auto* engranaje = v.barraHerramientas()->findChild<QToolButton*>(QStringLiteral("configuracion"));
        QVERIFY(engranaje);
        engranaje->click();
        QCOMPARE(pedidos.size(), 1);
    }

    // "Modo proyectos" opens the room; "Callar la respuesta" silences every
    // voice and interrupts the room while it speaks.
    void voz()
    {
        VentanaPrincipal& v = abrirVentana();
        v.findChild<QAction*>(QStringLiteral("modoProyectos"))->trigger();
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(e.modo->inmersivo());
        QVERIFY(v.sala()->isVisible());
        ModoProyectosPrueba{*e.modo}.estado(ModoProyectos::Estado::hablando);
        v.findChild<QAction*>(QStringLiteral("callar"))->trigger();
        QCOMPARE(e.callados, 1);
        QCOMPARE(e.modo->estado(), ModoProyectos::Estado::escuchando);
        v.findChild<QAction*>(QStringLiteral("callar"))->trigger();
        QCOMPARE(e.callados, 2);
    }

    // The tray's toggle pauses (leaving the room first) and listens again.
    void bandejaEscucha()
    {
        e.abrir();
        MenuZuvi menu(*e.modo);
        e.modo->iniciar();
        QTRY_VERIFY(e.modo->activo());
        QCOMPARE(menu.escucha()->text(), QStringLiteral("Pausar la escucha"));
        menu.escucha()->trigger();
        QVERIFY(!e.modo->inmersivo());
        QVERIFY(!e.modo->activo());
        QCOMPARE(menu.lineaEstado()->text(), QStringLiteral("En pausa"));
        menu.escucha()->trigger();
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(!e.modo->inmersivo());
        QCOMPARE(menu.lineaEstado()->text(), QStringLiteral("Escuchando"));
        menu.inmersiva()->trigger();
        QVERIFY(e.modo->inmersivo());
    }

    // The menu and the toolbar share one action: one press, one project.
    void ctrlN()
    {
        VentanaPrincipal& v = abrirVentana({EntornoPrueba::conversacion("Vieja", hace(3))});
        QVERIFY(QTest::qWaitForWindowActive(&v));
        QSignalSpy disparos(v.nuevoProyecto(), &QAction::triggered);
        QTest::keyClick(&v, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(disparos.size(), 1);
        QCOMPARE(e.almacen->conversaciones().size(), 2);
        const Conversacion nueva = e.almacen->conversaciones().first();
        QCOMPARE(e.almacen->seleccion(), nueva.id);
        QCOMPARE(e.asistente->carpeta(), *nueva.carpeta);
        QCOMPARE(titulos(*barra().modelo()), (QStringList{"Hoy", "Proyecto nuevo", "Últimos 7 días", "Vieja"}));
        QCOMPARE(barra().lista()->currentIndex().row(), 1);
        // One "Nuevo proyecto" in the toolbar, beside the conversation screen's own bar.
        QCOMPARE(v.barraHerramientas()->actions().count(v.nuevoProyecto()), 1);
    }

    void seleccionEnAmbosSentidos()
    {
        abrirVentana({EntornoPrueba::conversacion("A", hace(0, 1)), EntornoPrueba::conversacion("B", hace(0, 2))});
        const QUuid a = e.almacen->conversaciones()[0].id, b = e.almacen->conversaciones()[1].id;
        QSignalSpy cambios(e.almacen.get(), &Almacen::seleccionCambiada);
        QListView* lista = barra().lista();
        const QRect filaB = lista->visualRect(barra().modelo()->index(barra().modelo()->fila(b)));
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, filaB.center());
        QCOMPARE(e.almacen->seleccion(), b);
        QCOMPARE(cambios.size(), 1);
        e.almacen->setSeleccion(a);
        QCOMPARE(cambios.size(), 2);
        QCOMPARE(lista->selectionModel()->selectedIndexes().value(0).row(), barra().modelo()->fila(a));
        e.almacen->setSeleccion(std::nullopt);
        QCOMPARE(cambios.size(), 3);
        QVERIFY(!lista->selectionModel()->hasSelection());
    }

    void eliminarSeleccion()
    {
        abrirVentana({EntornoPrueba::conversacion("A", hace(5)), EntornoPrueba::conversacion("B", hace(0)),
                      EntornoPrueba::conversacion("C", hace(0, 1))});
        const auto lista = e.almacen->conversaciones();
        e.almacen->setSeleccion(lista[1].id);
        barra().eliminar(lista[1].id);
        QCOMPARE(e.almacen->conversaciones().size(), 2);
        QCOMPARE(e.almacen->seleccion(), lista[0].id);
        QCOMPARE(barra().lista()->currentIndex().data().toString(), lista[0].titulo);
        QCOMPARE(titulos(*barra().modelo()), (QStringList{"Hoy", "B", "Últimos 7 días", "A"}));
    }

    void vacio()
    {
        abrirVentana();
        QVERIFY(barra().vacio()->isVisible());
        QCOMPARE(barra().vacio()->text(), QStringLiteral("Tus proyectos aparecerán aquí"));
        // Only empty, unselected conversations: an empty list, no text.
        abrirVentana({EntornoPrueba::conversacion("Vacía", hace(0), false)});
        QCOMPARE(barra().modelo()->rowCount(), 2);  // listed while it is the selection
        e.almacen->setSeleccion(std::nullopt);
        QVERIFY(!barra().vacio()->isVisible());
        QCOMPARE(barra().modelo()->rowCount(), 0);
    }

    // The window opens before the store is read: the sidebar says so, then
    // lists what was read.
    void cargando()
    {
        e.carga = Almacen::Carga::enSegundoPlano;
        abrirVentana({EntornoPrueba::conversacion("Una", hace(0))});
        e.carga = Almacen::Carga::ahora;
        QVERIFY(!e.almacen->cargado());
        QVERIFY(barra().vacio()->isVisible());
        QCOMPARE(barra().vacio()->text(), QStringLiteral("Cargando conversaciones…"));
        QTRY_VERIFY(e.almacen->cargado());
        QVERIFY(!barra().vacio()->isVisible());
        QCOMPARE(titulos(*barra().modelo()).filter("Una").size(), 1);
        e.almacen->eliminar(e.almacen->conversaciones()[0].id);
        QCOMPARE(barra().vacio()->text(), QStringLiteral("Tus proyectos aparecerán aquí"));
    }

    // A store set aside at start is told, with where its copy is, until the
    // user dismisses it; the copy keeps its bytes.
    void almacenApartado()
    {
        const QByteArray truncado("[{\"id\":\"AAAA");
        e.crudo = truncado;
        abrirVentana();
        e.crudo.reset();
        const auto apartado = e.almacen->apartado();
        QVERIFY(apartado);
        QFile copia(*apartado);
        QVERIFY(copia.open(QIODevice::ReadOnly));
        QCOMPARE(copia.readAll(), truncado);
        auto* aviso = ventana->findChild<AvisoAlmacen*>();
        QVERIFY(aviso && aviso->isVisible());
        QCOMPARE(aviso->tarjeta()->titulo()->text(),
                 "No pude leer tus conversaciones; guardé una copia en ~/.local/share/ZuviIA/"
                     + QFileInfo(*apartado).fileName() + " y empecé de cero.");
        QCOMPARE(aviso->tarjeta()->boton()->text(), QStringLiteral("Mostrar en el gestor de archivos"));

        QStringList mostradas;
        QWidget marco;
        auto* otro = new AvisoAlmacen(*e.almacen, [&](const QString& r) { mostradas << r; }, &marco);
        otro->tarjeta()->boton()->click();
        QCOMPARE(mostradas, QStringList{*apartado});

        aviso->descartar()->click();
        QVERIFY(!aviso->isVisible());
        QVERIFY(otro->isHidden());
        QVERIFY(!e.almacen->apartado());
        QVERIFY(copia.exists());
    }

    // A streamed fragment touches its own row, never the whole list.
    void fragmento()
    {
        abrirVentana({EntornoPrueba::conversacion("A", hace(0, 1)), EntornoPrueba::conversacion("B", hace(2))});
        const Conversacion a = e.almacen->conversaciones()[0];
        const int antes = barra().modelo()->reagrupaciones();
        QSignalSpy repintadas(barra().modelo(), &ModeloConversaciones::filaCambiada);
        QSignalSpy cambiadas(barra().modelo(), &QAbstractItemModel::dataChanged);
        for (int i = 0; i < 5; ++i)
            e.almacen->anexarTexto(a.id, a.mensajes.last().id, QStringLiteral(" más"), false);
        QCOMPARE(barra().modelo()->reagrupaciones(), antes);
        QCOMPARE(repintadas.size(), 5);
        QCOMPARE(cambiadas.size(), 0);
        QCOMPARE(barra().modelo()->index(barra().modelo()->fila(a.id)).data(ModeloConversaciones::RolSubtitulo).toString(),
                 QStringLiteral("Respuesta de A más más más más más"));
        // Past what the caption shows, a fragment repaints nothing.
        e.almacen->anexarTexto(a.id, a.mensajes.last().id, QString(400, u'x'), false);
        repintadas.clear();
        e.almacen->anexarTexto(a.id, a.mensajes.last().id, QStringLiteral(" más"), false);
        QCOMPARE(repintadas.size(), 0);
        // A fragment into the older one moves it under "Hoy".
        const Conversacion b = e.almacen->conversaciones()[1];
        e.reloj.avanzar(std::chrono::seconds(1));
        e.almacen->anexarTexto(b.id, b.mensajes.last().id, QStringLiteral("!"), false);
        QCOMPARE(titulos(*barra().modelo()), (QStringList{"Hoy", "B", "A"}));

        // The first words of an empty answer give the row its caption line:
        // a new height, laid out again.
        QUuid respuesta;
        e.almacen->cambiar(a.id, false, [&](Conversacion& c) {
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, QString(), AgenteCLI::claude);
            respuesta = c.mensajes.last().id;
        });
        cambiadas.clear();
        e.almacen->anexarTexto(a.id, respuesta, QStringLiteral("Hola"), false);
        QCOMPARE(cambiadas.size(), 1);
    }

    // The agent stops with the conversation it was writing into.
    void eliminarConTurno()
    {
        abrirVentana();
        AgenteFalso agente(e.hogar);
        qint64 pid = 0;
        turnoLargo(agente, pid);
        QVERIFY(vivo(pid));
        const QUuid id = *e.almacen->seleccion();
        barra().eliminar(id);
        QVERIFY(!e.almacen->conversacion(id));
        QTRY_VERIFY_WITH_TIMEOUT(!e.asistente->ejecutando(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!vivo(pid), 10000);
    }

    // Quitting stops the running turn and saves what it wrote.
    void salir()
    {
        e.abrirConfiguracion({}, true);
        AgenteFalso agente(e.hogar);
        ZuviIAApp app(e.entorno(), ZuviIAApp::Opciones{});
        qint64 pid = 0;
        turnoLargo(agente, pid);
        app.alSalir();
        QTRY_VERIFY_WITH_TIMEOUT(!vivo(pid), 10000);
        QVERIFY(!e.asistente->ejecutando());
        Almacen leido(e.reloj, *e.perfiles, Carpetas::datosApp());
        const QList<Mensaje> mensajes = leido.conversaciones().value(0).mensajes;
        // What it wrote, then the stop's mark.
        QCOMPARE(mensajes.size(), 3);
        QVERIFY2(mensajes[1].texto.startsWith(QStringLiteral("Empiezo")), qPrintable(mensajes[1].texto));
        QCOMPARE(mensajes.last().texto, QStringLiteral("Detenido."));
        QVERIFY(e.registro().contains(QStringLiteral("Salir: se detienen los agentes")));
    }

    // Every new main window runs the launch tasks again; without a tray,
    // closing the last one quits.
    void tareasPorVentana()
    {
        e.abrirConfiguracion({}, true);
        int voz = 0, login = 0, skills = 0;
        ZuviIAApp::Opciones opciones;
        opciones.servicios.vozNeural = [&] { ++voz; };
        opciones.servicios.inicioSesion = [&] { ++login; };
        opciones.servicios.actualizarSkills = [&] { ++skills; };
        opciones.servicios.firma = QStringLiteral("/opt/prueba");
        ZuviIAApp app(e.entorno(), opciones);
        VentanaPrincipal* primera = app.mostrarVentana();
        QCOMPARE(app.mostrarVentana(), primera);
        QTRY_COMPARE(skills, 1);
        QTRY_COMPARE(e.busquedas->load(), 1);
        QCOMPARE(voz, 1);
        QCOMPARE(login, 1);
        QTRY_VERIFY(e.registro().contains("Permisos al abrir: accesibilidad="));
        QVERIFY(e.registro().contains(" firma=/opt/prueba"));

        QSignalSpy salida(qApp, &QCoreApplication::aboutToQuit);
        primera->close();
        QTRY_VERIFY(app.ventanas().isEmpty());
        QTRY_VERIFY(e.registro().contains("Sin bandeja del sistema"));

        VentanaPrincipal* segunda = app.mostrarVentana();
        QVERIFY(segunda);
        QTRY_COMPARE(skills, 2);
        QTRY_COMPARE(e.busquedas->load(), 2);
        QCOMPARE(voz, 2);
        QCOMPARE(login, 2);
        QTRY_COMPARE(e.registro().count("Permisos al abrir:"), 2);
    }
};

QTEST_MAIN(TestVentana)
#include "TestVentana.moc"
