#include "comun/MotorSalaGuionado.h"
#include "app/BarraHerramientas.h"
#include "app/BurbujaMensaje.h"
#include "app/Compositor.h"
#include "app/ConversacionView.h"
#include "vistas/IndicadorActividad.h"
#include "app/ListaMensajes.h"
#include "app/TextoSeleccionable.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "app/AppRouter.h"
#include "app/PantallaVacia.h"
#include <QPushButton>
#include "comun/AgenteFalso.h"
#include "comun/PermisosVozFalsos.h"
#include "plataforma/ComprobacionPermisos.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/ModelosPrueba.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "core/TextoHablado.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include <memory>

namespace {

// Records what the application asks the desktop to open.
class Escritorio : public QObject {
    Q_OBJECT
public:
    QList<QUrl> abiertas;
public slots:
    void abrir(const QUrl& url) { abiertas << url; }
};

}

// The conversation screen in a real main window, over the real stores and
// the fake agent installed as `claude` in a temporary home.
class TestConversacionView : public QObject {
    Q_OBJECT

    ModelosPrueba m;
    HogarTemporal& hogar = m.hogar;
    RelojFalso& reloj = m.reloj;
    DispositivosSistemaFalso& sistema = m.sistema;
    Escritorio escritorio;
    std::unique_ptr<AgenteFalso> agente;
    PermisosVozFalsos permisos;
    ComprobacionPermisos comprobacion{permisos};
    AppRouter router;
    std::unique_ptr<VentanaPrincipal> ventana;
    QStringList leidos;

    ConversacionView* pantalla() const { return qobject_cast<ConversacionView*>(ventana->vista()->detalle()); }
    QPlainTextEdit* campo() const { return pantalla()->compositor()->campo(); }
    QToolButton* boton(const char* nombre) const
    {
        return ventana->findChild<QToolButton*>(QString::fromLatin1(nombre));
    }
    // The bubbles with every change drawn (the fake clock never lets a
    // frame pass on its own) and new ones shown.
    const std::vector<BurbujaMensaje*>& burbujas() const
    {
        pantalla()->lista()->sincronizar();
        QCoreApplication::processEvents();
        return pantalla()->lista()->burbujas();
    }
    QString ultimoTexto() const
    {
        const auto c = m.almacen->actual();
        return c && !c->mensajes.isEmpty() ? c->mensajes.last().texto : QString();
    }

    void escribir(const QString& texto)
    {
        campo()->setFocus();
        QTest::keyClicks(campo(), texto);
    }
    void esperarFinTurno() { QTRY_VERIFY_WITH_TIMEOUT(!m.asistente->ejecutando(), 15000); }

    // One turn that streams its answer in pieces, then waits before ending.
    void turnoLento(const QStringList& trozos, int espera)
    {
        QJsonArray pasos = AgenteFalso::pasos(R"([{"sistema":"init"},{"bloque":"text"}])");
        for (const QString& t : trozos)
            pasos.append(QJsonObject{{"delta", t}, {"esperar", 30}});
        pasos.append(QJsonObject{{"finBloque", true}, {"esperar", espera}});
        pasos.append(QJsonObject{{"resultado", ""}});
        agente->turnos({pasos});
    }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &escritorio, "abrir");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &escritorio, "abrir");
        QDesktopServices::setUrlHandler(QStringLiteral("zuviia"), &escritorio, "abrir");
    }

    void cleanupTestCase()
    {
        for (const char* esquema : {"https", "file", "zuviia"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(esquema));
    }

    void init()
    {
        escritorio.abiertas.clear();
        agente = std::make_unique<AgenteFalso>(hogar);
        m.detectar = &AgenteFalso::detectar;
        leidos.clear();
        m.voz.decir = [this](const QString& texto, const std::optional<QString>&, std::optional<uint32_t>) {
            leidos << texto;
        };
        m.abrir();
        m.asistente->setCarpeta(hogar.en("Informe anual"));
        m.asistente->setLeerRespuesta(false);
        m.asistente->setNivel(NivelPermiso::editar);
        ventana = std::make_unique<VentanaPrincipal>(
            Entorno{*m.ajustes, reloj, *m.almacen, *m.perfiles, *m.estadoIA, *m.asistente, *m.modo, &router, &comprobacion});
        m.almacen->nueva();
        QDir().mkpath(hogar.en("Informe anual"));
        m.asistente->usarCarpeta(hogar.en("Informe anual"));
        ventana->show();
        QVERIFY(QTest::qWaitForWindowExposed(ventana.get()));
    }

    void cleanup()
    {
        if (m.asistente->ejecutando())
            m.asistente->cancelar();
        esperarFinTurno();
        if (auto s = m.asistente->sesionClaude()) {
            s->cerrar();
            QTRY_VERIFY(!s->enMarcha());
        }
        ventana.reset();
        m.cerrar();
        agente.reset();
    }

    // An example instruction sends itself; a second one while that turn
    // runs sends nothing.
    void ideaSinTurnoEnCurso()
    {
        PantallaVacia* vacia = pantalla()->vacia();
        QCOMPARE(pantalla()->contenido(), static_cast<QWidget*>(vacia));
        QCOMPARE(vacia->chips().size(), 4);
        // The hint under the title keeps every line it needs.
        QLabel* ayuda = vacia->subtituloEtiqueta();
        QVERIFY(ayuda->height() >= ayuda->heightForWidth(ayuda->width()));
        turnoLento({"Listo"}, 600);
        vacia->chips()[0]->click();
        QVERIFY(m.asistente->ejecutando());
        vacia->chips()[1]->click();
        esperarFinTurno();
        QStringList enviadas;
        const auto conversacion = m.almacen->actual();
        for (const Mensaje& msj : conversacion->mensajes)
            if (msj.rol == Mensaje::Rol::usuario)
                enviadas << msj.texto;
        QCOMPARE(enviadas, QStringList{PantallaVacia::ideasPorDefecto()[0].second});
    }

    // Type, Return: the answer streams into one bubble and into the store,
    // the indicator rides on that bubble only, the title names the
    // conversation and the folder.
    void escribirYLeer()
    {
        QCOMPARE(pantalla()->contenido()->objectName(), QStringLiteral("pantallaVacia"));
        QCOMPARE(ventana->windowTitle(), QStringLiteral("Zuvi IA — Informe anual"));
        turnoLento({"# Plan\n", "- leer", " el informe\n", "- responder"}, 400);
        escribir(QStringLiteral("Revisa el informe"));
        QTest::keyClick(campo(), Qt::Key_Return);
        QVERIFY(m.asistente->ejecutando());
        QCOMPARE(campo()->toPlainText(), QString());
        QTRY_COMPARE(pantalla()->contenido(), static_cast<QWidget*>(pantalla()->lista()));
        QCOMPARE(ventana->windowTitle(), QStringLiteral("Revisa el informe — Informe anual"));

        QTRY_VERIFY_WITH_TIMEOUT(ultimoTexto().contains(QStringLiteral("leer")) || !m.asistente->ejecutando(), 15000);
        QVERIFY2(ultimoTexto().contains(QStringLiteral("leer")), qPrintable(ultimoTexto()));
        QTRY_COMPARE(burbujas().size(), size_t(2));
        BurbujaMensaje* respuesta = burbujas().back();
        int conIndicador = 0;
        for (BurbujaMensaje* b : burbujas())
            conIndicador += b->escribiendo();
        QCOMPARE(conIndicador, 1);
        QVERIFY(respuesta->escribiendo());
        QVERIFY(respuesta->findChild<IndicadorActividad*>()->isVisible());

        esperarFinTurno();
        pantalla()->lista()->sincronizar();
        QCOMPARE(burbujas().size(), size_t(2));
        QCOMPARE(burbujas().back(), respuesta);
        const QString esperado = QStringLiteral("# Plan\n- leer el informe\n- responder");
        QCOMPARE(ultimoTexto(), esperado);
        QCOMPARE(respuesta->texto(), esperado);
        QVERIFY(!respuesta->escribiendo());
        QVERIFY(!respuesta->findChild<IndicadorActividad*>()->isVisible());
        QStringList dibujado;
        for (const TextoSeleccionable* t : respuesta->findChildren<TextoSeleccionable*>())
            dibujado << t->document()->toPlainText();
        QCOMPARE(dibujado, QStringList{QStringLiteral("# Plan\n• leer el informe\n• responder")});
    }

    // While the agent works: Return is refused and keeps the text, only the
    // agent picker is disabled, and Ctrl+. stops the turn.
    void detenerConCtrlPunto()
    {
        turnoLento({"Pensando en voz alta"}, 20000);
        escribir(QStringLiteral("Primero"));
        QTest::keyClick(campo(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(ultimoTexto().contains(QStringLiteral("Pensando")), 15000);

        escribir(QStringLiteral("Segundo"));
        QTest::keyClick(campo(), Qt::Key_Return);
        QCOMPARE(campo()->toPlainText(), QStringLiteral("Segundo"));
        QCOMPARE(m.asistente->texto(), QStringLiteral("Segundo"));
        QVERIFY(!boton("agenteClaude")->isEnabled());
        QVERIFY(!boton("agenteCodex")->isEnabled());
        QVERIFY(boton("proyecto")->isEnabled());
        QVERIFY(boton("leerRespuestas")->isEnabled());
        QVERIFY(boton("detener")->isVisible());
        QVERIFY(!boton("enviar")->isVisible());

        QTest::keyClick(ventana.get(), Qt::Key_Period, Qt::ControlModifier);
        esperarFinTurno();
        // What the agent had written stays, with the stop's mark after it.
        const auto mensajes = m.almacen->actual()->mensajes;
        QCOMPARE(mensajes.value(mensajes.size() - 2).texto, QStringLiteral("Pensando en voz alta"));
        QCOMPARE(ultimoTexto(), QStringLiteral("Detenido."));
        QVERIFY(boton("agenteClaude")->isEnabled());
        QVERIFY(boton("enviar")->isVisible());
        QCOMPARE(campo()->toPlainText(), QStringLiteral("Segundo"));
    }

    // Blank text is never sent and stays in the field; only spaces and tabs
    // disable the send button.
    void enBlanco_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("botonActivo");
        QTest::newRow("espacios y tabuladores") << " \t  " << false;
        QTest::newRow("saltos de linea") << "\n\n" << true;
    }

    void enBlanco()
    {
        QFETCH(QString, texto);
        campo()->setPlainText(texto);
        QTEST(boton("enviar")->isEnabled(), "botonActivo");
        QTest::keyClick(campo(), Qt::Key_Return);
        if (boton("enviar")->isEnabled())
            QTest::mouseClick(boton("enviar"), Qt::LeftButton);
        QVERIFY(!m.asistente->ejecutando());
        QCOMPARE(campo()->toPlainText(), texto);
        QCOMPARE(m.almacen->actual()->mensajes.size(), 0);
    }

    // "Copiar" leaves the raw text, marks included, and "Leer en voz alta"
    // reads it without marks, only after the turn; an error offers neither.
    void acciones()
    {
        turnoLento({QStringLiteral("**Hecho**: ver [guía](https://e.cl/g)")}, 0);
        QVERIFY(m.asistente->enviar(QStringLiteral("Hazlo")));
        esperarFinTurno();
        pantalla()->lista()->sincronizar();
        BurbujaMensaje* respuesta = burbujas().back();
        auto* acciones = respuesta->findChild<QWidget*>(QStringLiteral("acciones"));
        QVERIFY(!acciones->isVisible());
        QEnterEvent entrar(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(respuesta, &entrar);
        QVERIFY(acciones->isVisible());
        QApplication::clipboard()->setText(QStringLiteral("antes"));
        QTest::mouseClick(respuesta->findChild<QToolButton*>(QStringLiteral("copiar")), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("**Hecho**: ver [guía](https://e.cl/g)"));
        QTest::mouseClick(respuesta->findChild<QToolButton*>(QStringLiteral("leer")), Qt::LeftButton);
        QCOMPARE(leidos, QStringList{TextoHablado::respuestaLeida(QStringLiteral("**Hecho**: ver [guía](https://e.cl/g)"))});
        QVERIFY(!leidos[0].contains(u'*'));

        Mensaje error = Mensaje::nuevo(Mensaje::Rol::error, QStringLiteral("No hubo respuesta (código 1)."));
        m.almacen->cambiar(*m.almacen->seleccion(), false, [&](Conversacion& c) { c.mensajes << error; });
        pantalla()->lista()->sincronizar();
        QVERIFY(!burbujas().back()->findChild<QWidget*>(QStringLiteral("acciones")));
    }

    // A long conversation opens with only its last messages built; nearing
    // the top builds the batch before them, and what the reader looks at
    // stays where it was. New messages still come at the end.
    void conversacionLarga()
    {
        constexpr int total = 1000;
        QList<Mensaje> mensajes;
        for (int i = 0; i < total; ++i)
            mensajes << Mensaje::nuevo(i % 2 ? Mensaje::Rol::agente : Mensaje::Rol::usuario,
                                       QStringLiteral("Mensaje %1").arg(i), AgenteCLI::claude);
        m.almacen->cambiar(*m.almacen->seleccion(), false, [&](Conversacion& c) { c.mensajes = mensajes; });
        ListaMensajes* lista = pantalla()->lista();
        QTRY_COMPARE(lista->burbujas().size(), size_t(ListaMensajes::lote));
        QCOMPARE(lista->primera(), total - ListaMensajes::lote);
        QCOMPARE(lista->burbujas().back()->id(), mensajes.last().id);
        QScrollBar* barra = lista->verticalScrollBar();
        QTRY_VERIFY(barra->maximum() > 0);
        QTRY_COMPARE(barra->value(), barra->maximum());
        // At the end, nothing more is built.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(lista->primera(), total - ListaMensajes::lote);

        barra->setValue(0);
        BurbujaMensaje* arriba = lista->burbujas().front();
        const int y = arriba->mapTo(lista->viewport(), QPoint()).y();
        QTRY_COMPARE(lista->primera(), total - 2 * ListaMensajes::lote);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(lista->burbujas().size(), size_t(2 * ListaMensajes::lote));
        QCOMPARE(lista->burbujas()[ListaMensajes::lote], arriba);
        QCOMPARE(arriba->mapTo(lista->viewport(), QPoint()).y(), y);
        for (size_t i = 0; i < lista->burbujas().size(); ++i)
            QCOMPARE(lista->burbujas()[i]->id(), mensajes[lista->primera() + qsizetype(i)].id);

        const Mensaje otro = Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Otra pregunta"));
        m.almacen->cambiar(*m.almacen->seleccion(), false, [&](Conversacion& c) { c.mensajes << otro; });
        QCOMPARE(burbujas().back()->id(), otro.id);
        QCOMPARE(lista->primera(), total - 2 * ListaMensajes::lote);
        QTRY_COMPARE(barra->value(), barra->maximum());
    }

    // Fragments arriving faster than frames are drawn together, a frame
    // after the last drawing, and never in between.
    void dibujaPorCuadros()
    {
        const Mensaje respuesta = Mensaje::nuevo(Mensaje::Rol::agente, QStringLiteral("Uno"), AgenteCLI::claude);
        m.almacen->cambiar(*m.almacen->seleccion(), false, [&](Conversacion& c) { c.mensajes << respuesta; });
        ListaMensajes* lista = pantalla()->lista();
        QTRY_COMPARE(lista->burbujas().size(), size_t(1));
        for (const char* mas : {" dos", " tres"}) {
            m.almacen->anexarTexto(*m.almacen->seleccion(), respuesta.id, QString::fromLatin1(mas), false);
            QCoreApplication::processEvents();
        }
        QCOMPARE(lista->burbujas().back()->findChild<TextoSeleccionable*>()->toPlainText(), QStringLiteral("Uno"));
        reloj.avanzar(ListaMensajes::entreDibujos);
        QCOMPARE(lista->burbujas().back()->findChild<TextoSeleccionable*>()->toPlainText(),
                 QStringLiteral("Uno dos tres"));
    }

    // Only web and mail links reach the desktop, whatever the text says.
    void enlaces_data()
    {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<bool>("abre");
        QTest::newRow("https") << "https://e.cl/g" << true;
        QTest::newRow("zuviia") << "zuviia://modo-proyectos" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
    }

    void enlaces()
    {
        QFETCH(QString, destino);
        QFETCH(bool, abre);
        const Mensaje enlace = Mensaje::nuevo(Mensaje::Rol::agente, QStringLiteral("[aquí](%1)").arg(destino), AgenteCLI::claude);
        m.almacen->cambiar(*m.almacen->seleccion(), false, [&](Conversacion& c) { c.mensajes << enlace; });
        pantalla()->lista()->sincronizar();
        auto* texto = burbujas().back()->findChild<TextoSeleccionable*>();
        emit texto->anchorClicked(QUrl(destino));
        QCOMPARE(escritorio.abiertas, abre ? QList<QUrl>{QUrl(destino)} : QList<QUrl>{});
    }

    void mostrarCarpeta()
    {
        auto* menu = boton("proyecto")->menu();
        menu->findChild<QAction*>(QStringLiteral("mostrarCarpeta"))->trigger();
        QCOMPARE(escritorio.abiertas, QList<QUrl>{QUrl::fromLocalFile(hogar.en("Informe anual"))});
        menu->findChild<QAction*>(QStringLiteral("nivel_responder"))->trigger();
        QCOMPARE(m.asistente->nivel(), NivelPermiso::responder);
        QCOMPARE(boton("proyecto")->property("simbolo").toString(), QStringLiteral("folder"));
        QCOMPARE(ventana->findChild<QLabel*>(QStringLiteral("nivelEstado"))->text(),
                 QStringLiteral("Solo conversar y leer"));
    }

    // The warning follows the reading setting, the outputs there are and
    // the output's volume.
    void avisoSilencio()
    {
        auto* aviso = ventana->findChild<QLabel*>(QStringLiteral("avisoSilencio"));
        QTest::mouseClick(boton("leerRespuestas"), Qt::LeftButton);
        QVERIFY(m.asistente->leerRespuesta());
        QVERIFY(aviso->isVisible());
        QVERIFY2(aviso->text().startsWith(QStringLiteral("No hay salida de sonido")), qPrintable(aviso->text()));
        QTest::mouseClick(boton("leerRespuestas"), Qt::LeftButton);
        QVERIFY(!aviso->isVisible());
        sistema.salidas = {{7, QStringLiteral("parlantes"), QStringLiteral("Parlantes"), std::nullopt, 0, 2}};
        sistema.cambiar();
        QTRY_COMPARE(m.asistente->salidas().size(), 1);
        sistema.estados[7] = {true, 1.0f};
        sistema.salidaPorDefecto = 7;
        sistema.cambiarSalidas();
        QVERIFY(!aviso->isVisible());
        QTest::mouseClick(boton("leerRespuestas"), Qt::LeftButton);
        QVERIFY(m.asistente->leerRespuesta());
        QVERIFY(aviso->isVisible());
        sistema.estados[7] = {false, 0.8f};
        sistema.cambiarSalidas();
        QVERIFY(!aviso->isVisible());
        sistema.estados[7] = {false, 0.01f};
        sistema.cambiarSalidas();
        QVERIFY(aviso->isVisible());
    }

    void tituloVentana_data()
    {
        QTest::addColumn<std::optional<QString>>("titulo");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("con mensajes") << std::optional<QString>(QStringLiteral("Plan")) << "/home/ana/Zuvi IA/Web"
                                      << "Plan — Web";
        QTest::newRow("sin mensajes") << std::optional<QString>() << "/home/ana/Zuvi IA/Web" << "Zuvi IA — Web";
        QTest::newRow("barra final") << std::optional<QString>() << "/home/ana/Web/" << "Zuvi IA — Web";
        QTest::newRow("raíz sin mensajes") << std::optional<QString>() << "/home/ana/Zuvi IA" << "Zuvi IA";
        QTest::newRow("raíz con mensajes") << std::optional<QString>(QStringLiteral("Plan")) << "/home/ana/Zuvi IA"
                                           << "Plan — Zuvi IA";
        QTest::newRow("sin carpeta") << std::optional<QString>(QStringLiteral("Plan")) << "" << "Plan";
    }

    void tituloVentana()
    {
        QFETCH(std::optional<QString>, titulo);
        QFETCH(QString, carpeta);
        QTEST(ConversacionView::tituloVentana(titulo, carpeta), "esperado");
    }

    void niveles_data()
    {
        QTest::addColumn<NivelPermiso>("nivel");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("simbolo");
        QTest::newRow("responder") << NivelPermiso::responder << "Solo conversar y leer" << "folder";
        QTest::newRow("editar") << NivelPermiso::editar << "Crear y editar archivos del proyecto" << "folder";
        QTest::newRow("total") << NivelPermiso::total << "Control total del computador" << "lock.open.fill";
    }

    void niveles()
    {
        QFETCH(NivelPermiso, nivel);
        QFETCH(QString, titulo);
        QCOMPARE(BarraHerramientas::tituloNivel(nivel), titulo);
        QTEST(BarraHerramientas::simboloProyecto(nivel), "simbolo");
        QCOMPARE(BarraHerramientas::ayudaProyecto(QStringLiteral("/p/Web"), nivel),
                 QStringLiteral("Carpeta: /p/Web · ") + titulo);
    }

    void estadoTexto_data()
    {
        QTest::addColumn<bool>("activo");
        QTest::addColumn<ModoProyectos::Estado>("estado");
        QTest::addColumn<QString>("esperado");
        using E = ModoProyectos::Estado;
        QTest::newRow("inactivo") << false << E::trabajando << "En pausa";
        QTest::newRow("iniciando") << true << E::iniciando << "Preparando el micrófono…";
        QTest::newRow("trabajando") << true << E::trabajando << "Trabajando… (te sigo escuchando)";
        QTest::newRow("hablando") << true << E::hablando << "Hablando";
        QTest::newRow("preguntando nombre") << true << E::preguntandoNombre << "Escuchando";
        QTest::newRow("escuchando") << true << E::escuchando << "Escuchando";
        QTest::newRow("activo sin estado") << true << E::inactivo << "Escuchando";
    }

    void estadoTexto()
    {
        QFETCH(bool, activo);
        QFETCH(ModoProyectos::Estado, estado);
        QTEST(Compositor::estadoTexto(activo, estado), "esperado");
    }
};

QTEST_MAIN(TestConversacionView)
#include "TestConversacionView.moc"
