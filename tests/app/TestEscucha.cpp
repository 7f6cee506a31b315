#include "EntornoPrueba.h"
#include "vistas/ActivarEscucha.h"
#include "app/AvisoPermisos.h"
#include "app/BotonEscucha.h"
#include "vistas/BotonMicrofono.h"
#include "app/ConversacionView.h"
#include "app/PantallaVacia.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "comun/ModoProyectosPrueba.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using E = ModoProyectos::Estado;
using A = BotonMicrofono::Accion;
using Respuesta = ComprobacionPermisos::Respuesta;
Q_DECLARE_METATYPE(std::optional<Respuesta>)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<bool>)

// Switching listening on from the window: the toolbar button, the round
// microphone, the permissions banner and the empty screen, over the real
// models in a real window, with the microphone and model answers faked.
class TestEscucha : public QObject {
    Q_OBJECT

    EntornoPrueba e;
    std::unique_ptr<VentanaPrincipal> ventana;

    ConversacionView* pantalla() const { return qobject_cast<ConversacionView*>(ventana->vista()->detalle()); }
    AvisoPermisos* avisoPermisos() const { return pantalla()->avisoPermisos(); }
    ModoProyectosPrueba estado() { return ModoProyectosPrueba{*e.modo}; }

    void abrirVentana(bool mic = true, bool voz = true)
    {
        e.permisosFalsos.mic = mic;
        e.permisosFalsos.voz = voz;
        ventana = std::make_unique<VentanaPrincipal>(e.entorno());
        ventana->show();
        QVERIFY(QTest::qWaitForWindowExposed(ventana.get()));
        // The last answer shows at once; the fresh one follows.
        QTRY_COMPARE(avisoPermisos()->listos(), std::optional(mic && voz));
    }

    static void alVolver() { emit qApp->applicationStateChanged(Qt::ApplicationActive); }

private slots:
    void init()
    {
        e.abrir();
        e.paneles.clear();
        e.permisosFalsos.mic = true;
        e.permisosFalsos.voz = true;
    }
    void cleanup()
    {
        ventana.reset();
        e.cerrar();
    }

    void microfono_data()
    {
        QTest::addColumn<bool>("continuo");
        QTest::addColumn<bool>("activo");
        QTest::addColumn<E>("estado");
        QTest::addColumn<bool>("dictando");
        QTest::addColumn<A>("accion");
        QTest::newRow("continuo apagado") << true << false << E::inactivo << false << A::activar;
        QTest::newRow("continuo escuchando") << true << true << E::escuchando << false << A::pausar;
        QTest::newRow("continuo trabajando") << true << true << E::trabajando << false << A::pausar;
        QTest::newRow("continuo hablando") << true << true << E::hablando << false << A::interrumpir;
        QTest::newRow("continuo, dictado aparte") << true << false << E::inactivo << true << A::activar;
        QTest::newRow("dictado apagado") << false << true << E::hablando << false << A::iniciarDictado;
        QTest::newRow("dictado en curso") << false << false << E::inactivo << true << A::detenerDictado;
    }

    void microfono()
    {
        QFETCH(bool, continuo);
        QFETCH(bool, activo);
        QFETCH(E, estado);
        QFETCH(bool, dictando);
        QTEST(BotonMicrofono::decision(continuo, activo, estado, dictando), "accion");
    }

    void aspectoMicrofono_data()
    {
        QTest::addColumn<bool>("continuo");
        QTest::addColumn<bool>("escuchando");
        QTest::addColumn<QString>("simbolo");
        QTest::addColumn<QString>("ayuda");
        QTest::addColumn<QString>("etiqueta");
        QTest::addColumn<QColor>("color");
        QTest::newRow("continuo apagado") << true << false << "mic.fill" << "Escuchar" << "Escuchar" << QColor(10, 132, 255);
        QTest::newRow("continuo escuchando") << true << true << "ear.fill" << "Te estoy escuchando. Pulsa para pausar."
                                             << "Pausar la escucha" << QColor(52, 199, 89);
        QTest::newRow("dictado apagado") << false << false << "mic.fill" << "Escuchar" << "Escuchar" << QColor(10, 132, 255);
        QTest::newRow("dictando") << false << true << "stop.fill" << "Dejar de escuchar" << "Pausar la escucha"
                                  << QColor(255, 59, 48);
    }

    void aspectoMicrofono()
    {
        QFETCH(bool, continuo);
        QFETCH(bool, escuchando);
        QTEST(BotonMicrofono::simbolo(continuo, escuchando), "simbolo");
        QTEST(BotonMicrofono::ayuda(continuo, escuchando), "ayuda");
        QTEST(BotonMicrofono::etiqueta(escuchando), "etiqueta");
        QTEST(BotonMicrofono::color(continuo, escuchando), "color");
    }

    void anillo()
    {
        QCOMPARE(BotonMicrofono::escalaAnillo(false, 1), std::nullopt);
        QCOMPARE(BotonMicrofono::escalaAnillo(true, 0), std::optional<double>(1.0));
        QCOMPARE(BotonMicrofono::escalaAnillo(true, 1), std::optional<double>(1.55));
        QCOMPARE(BotonMicrofono::escalaAnillo(true, 7), std::optional<double>(1.55));
    }

    void botonEscucha()
    {
        using B = BotonEscucha;
        QCOMPARE(B::decision(true), B::Accion::pausar);
        QCOMPARE(B::decision(false), B::Accion::activar);
        QCOMPARE(B::aspecto(true).titulo, QStringLiteral("Escuchando"));
        QCOMPARE(B::aspecto(true).simbolo, QStringLiteral("ear.fill"));
        QCOMPARE(B::aspecto(true).ayuda, QStringLiteral("La zuvi te está escuchando. Pulsa para pausar."));
        QCOMPARE(B::aspecto(false).titulo, QStringLiteral("En pausa"));
        QCOMPARE(B::aspecto(false).simbolo, QStringLiteral("ear.slash"));
        QCOMPARE(B::aspecto(false).ayuda, QStringLiteral("Pulsa para que la zuvi te escuche siempre."));
    }

    void banner_data()
    {
        QTest::addColumn<std::optional<Respuesta>>("permisos");
        QTest::addColumn<std::optional<QString>>("aviso");
        QTest::addColumn<std::optional<EstadoPaso>>("modelo");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("inicioDetalle");
        QTest::addColumn<QString>("boton");
        const QString pide = QStringLiteral("Zuvi IA necesita tu permiso para escucharte");
        const std::optional<QString> aviso = QStringLiteral("No se pudo iniciar el micrófono.");
        const std::optional<EstadoPaso> nada;
        const std::optional<Respuesta> sinModelo = Respuesta{true, false};
        QTest::newRow("sin respuesta aún") << std::optional<Respuesta>() << aviso << nada << "" << "" << "";
        QTest::newRow("listos sin aviso") << std::optional(Respuesta{true, true}) << std::optional<QString>() << nada
                                          << "" << "" << "";
        QTest::newRow("listos con aviso") << std::optional(Respuesta{true, true}) << aviso << nada << *aviso
                                          << "Al reintentar, Zuvi IA busca de nuevo el micrófono" << "Reintentar";
        QTest::newRow("sin micrófono") << std::optional(Respuesta{false, true}) << aviso << nada << pide
                                       << "Falta un micrófono" << "Dar permiso";
        QTest::newRow("sin modelo") << sinModelo << std::optional<QString>() << std::optional(EstadoPaso::falta())
                                    << pide << "Falta el modelo de reconocimiento de voz en español (39 MB)"
                                    << "Instalar reconocimiento de voz en español";
        QTest::newRow("sin modelo, instalándolo") << sinModelo << std::optional<QString>()
                                                  << std::optional(EstadoPaso::trabajando()) << pide
                                                  << "Instalando el modelo" << "Instalando…";
        QTest::newRow("sin modelo, falló") << sinModelo << std::optional<QString>()
                                           << std::optional(EstadoPaso::error("No hay espacio suficiente."))
                                           << pide << "No hay espacio suficiente." << "Reintentar";
        QTest::newRow("sin nada") << std::optional(Respuesta{false, false}) << std::optional<QString>() << nada
                                  << pide << "Faltan un micrófono y el modelo" << "Dar permiso";
    }

    void banner()
    {
        QFETCH(std::optional<Respuesta>, permisos);
        QFETCH(std::optional<QString>, aviso);
        QFETCH(std::optional<EstadoPaso>, modelo);
        QFETCH(QString, titulo);
        const auto c = AvisoPermisos::contenido(permisos, aviso, modelo);
        QCOMPARE(c.has_value(), !titulo.isEmpty());
        if (!c)
            return;
        QCOMPARE(c->titulo, titulo);
        QFETCH(QString, inicioDetalle);
        QVERIFY2(c->detalle.startsWith(inicioDetalle), qPrintable(c->detalle));
        QVERIFY(c->detalle.endsWith(QStringLiteral("El audio se procesa en este computador.")));
        QTEST(c->boton, "boton");
    }

    void reanudar_data()
    {
        QTest::addColumn<std::optional<bool>>("antes");
        QTest::addColumn<bool>("ahora");
        QTest::addColumn<bool>("siempre");
        QTest::addColumn<bool>("activo");
        QTest::addColumn<bool>("reanuda");
        QTest::newRow("recién concedidos") << std::optional(false) << true << true << false << true;
        QTest::newRow("ya concedidos: la pausa se respeta") << std::optional(true) << true << true << false << false;
        QTest::newRow("aún sin saber") << std::optional<bool>() << true << true << false << false;
        QTest::newRow("escucha siempre apagada") << std::optional(false) << true << false << false << false;
        QTest::newRow("ya activo") << std::optional(false) << true << true << true << false;
        QTest::newRow("siguen faltando") << std::optional(false) << false << true << false << false;
    }

    void reanudar()
    {
        QFETCH(std::optional<bool>, antes);
        QFETCH(bool, ahora);
        QFETCH(bool, siempre);
        QFETCH(bool, activo);
        QTEST(AvisoPermisos::reanudar(antes, ahora, siempre, activo), "reanuda");
    }

    void vacia_data()
    {
        QTest::addColumn<bool>("activo");
        QTest::addColumn<QString>("transcripcion");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("subtitulo");
        QTest::newRow("en pausa") << false << "hola" << "¿Qué construimos hoy?"
                                  << "La escucha está en pausa. Pulsa el micrófono para que la zuvi te escuche siempre.";
        QTest::newRow("escuchando") << true << "" << "Te escucho"
                                    << "Habla cuando quieras: al hacer una pausa, lo envío. Di «Oye Zuvi» para la zuvi inmersiva.";
        QTest::newRow("oyendo") << true << "haz un cubo" << "…" << "«haz un cubo»";
    }

    void vacia()
    {
        QFETCH(bool, activo);
        QFETCH(QString, transcripcion);
        QTEST(PantallaVacia::titulo(activo, transcripcion), "titulo");
        QTEST(PantallaVacia::subtitulo(activo, transcripcion), "subtitulo");
    }

    void panel()
    {
        QCOMPARE(ActivacionEscucha::panelQueFalta({false, false}), std::optional<QString>("Privacy_Microphone"));
        QCOMPARE(ActivacionEscucha::panelQueFalta({false, true}), std::optional<QString>("Privacy_Microphone"));
        QCOMPARE(ActivacionEscucha::panelQueFalta({true, false}), std::optional<QString>("Privacy_SpeechRecognition"));
        QCOMPARE(ActivacionEscucha::panelQueFalta({true, true}), std::nullopt);
    }

    // The toolbar button turns listening on, reads "Escuchando" whoever
    // started it, and a press in the room closes the room and pauses.
    void escucharYPausar()
    {
        e.ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        abrirVentana();
        BotonEscucha* boton = pantalla()->barra()->escucha();
        QCOMPARE(boton->text(), QStringLiteral("En pausa"));
        boton->click();
        QTRY_VERIFY(e.modo->activo());
        QCOMPARE(e.ajustes->valor(QStringLiteral("escuchaSiempre")), QVariant(true));
        QCOMPARE(boton->text(), QStringLiteral("Escuchando"));
        QCOMPARE(pantalla()->vacia()->tituloEtiqueta()->text(), QStringLiteral("Te escucho"));

        e.modo->iniciar();

        QTRY_VERIFY(e.modo->activo());
        QVERIFY(e.modo->inmersivo());
        QVERIFY(!ventana->barraHerramientas()->isVisible());
        boton->click();
        QVERIFY(!e.modo->inmersivo());
        QVERIFY(!e.modo->activo());
        QCOMPARE(boton->text(), QStringLiteral("En pausa"));
        QCOMPARE(e.ajustes->valor(QStringLiteral("escuchaSiempre")), QVariant(true));
    }

    // What is missing opens its pane; nothing starts and nothing is stored.
    void faltaPermiso_data()
    {
        QTest::addColumn<bool>("mic");
        QTest::addColumn<bool>("voz");
        QTest::addColumn<QString>("panel");
        QTest::newRow("sin micrófono") << false << true << "Privacy_Microphone";
        QTest::newRow("sin nada") << false << false << "Privacy_Microphone";
    }

    void faltaPermiso()
    {
        QFETCH(bool, mic);
        QFETCH(bool, voz);
        abrirVentana(mic, voz);
        QVERIFY(avisoPermisos()->isVisible());
        QCOMPARE(avisoPermisos()->boton()->text(), QStringLiteral("Dar permiso"));
        avisoPermisos()->boton()->click();
        QTRY_COMPARE(e.paneles.size(), 1);
        QTEST(e.paneles.first(), "panel");
        QVERIFY(!e.modo->activo());
        QVERIFY(!e.ajustes->contiene(QStringLiteral("escuchaSiempre")));
    }

    // The model alone missing: the banner's button installs it, and says
    // how that went.
    void bannerInstalaElModelo()
    {
        abrirVentana(true, false);
        QVERIFY(avisoPermisos()->isVisible());
        QCOMPARE(avisoPermisos()->boton()->text(), QStringLiteral("Instalar reconocimiento de voz en español"));
        avisoPermisos()->boton()->click();
        QVERIFY(e.paneles.isEmpty());
        // The test's model lives on a server that is not there.
        QTRY_COMPARE(avisoPermisos()->boton()->text(), QStringLiteral("Reintentar"));
        QVERIFY(avisoPermisos()->detalle()->text().contains(QStringLiteral("revisa tu conexión a internet")));
    }

    // Ready with no notice: no banner and no room for one; a notice shows
    // with "Reintentar".
    void bannerListo()
    {
        abrirVentana();
        QVERIFY(!avisoPermisos()->isVisible());
        QCOMPARE(pantalla()->contenido()->geometry().top(), 0);
        estado().aviso(QStringLiteral("No se pudo iniciar el micrófono."));
        QVERIFY(avisoPermisos()->isVisible());
        QCOMPARE(avisoPermisos()->titulo()->text(), QStringLiteral("No se pudo iniciar el micrófono."));
        QCOMPARE(avisoPermisos()->boton()->text(), QStringLiteral("Reintentar"));
        estado().aviso(std::nullopt);
        QVERIFY(!avisoPermisos()->isVisible());
    }

    // Coming back to the window after a pause keeps the pause; coming back
    // after the missing microphone appeared starts listening.
    void alVolverAlFrente()
    {
        abrirVentana();
        e.modo->escucharSiempre();
        QTRY_VERIFY(e.modo->activo());
        pantalla()->barra()->escucha()->click();
        QVERIFY(!e.modo->activo());
        const int antes = e.permisosFalsos.consultas;
        alVolver();
        QTRY_VERIFY(e.permisosFalsos.consultas > antes);
        QTest::qWait(50);
        QVERIFY(!e.modo->activo());

        e.permisosFalsos.mic = false;
        alVolver();
        QTRY_COMPARE(avisoPermisos()->listos(), std::optional(false));
        QVERIFY(avisoPermisos()->isVisible());
        e.permisosFalsos.mic = true;
        alVolver();
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(!avisoPermisos()->isVisible());
    }

    // The round microphone in continuous mode: a press while the room
    // speaks only interrupts; a press while it listens closes the room and
    // stops.
    void microfonoContinuo()
    {
        abrirVentana();
        BotonMicrofono* boton = pantalla()->vacia()->microfono();
        QCOMPARE(boton->tamano(), 104);
        QVERIFY(boton->continuo());
        e.modo->iniciar();
        QTRY_VERIFY(e.modo->activo());
        estado().estado(E::hablando);
        boton->click();
        QTRY_VERIFY(e.modo->activo());
        QVERIFY(e.modo->inmersivo());
        QCOMPARE(e.modo->estado(), E::escuchando);
        boton->click();
        QVERIFY(!e.modo->activo());
        QVERIFY(!e.modo->inmersivo());
        QCOMPARE(boton->property("simbolo").toString(), QStringLiteral("mic.fill"));
    }
};

QTEST_MAIN(TestEscucha)
#include "TestEscucha.moc"
