#include "EntornoPrueba.h"
#include "app/Fondo.h"
#include "app/ModoProyectosView.h"
#include "app/Orbe.h"
#include "comun/ModoProyectosPrueba.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>

using E = ModoProyectos::Estado;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(std::optional<QString>)

// The full-screen room: its texts and orb as pure functions, and the view
// over the real models following projects mode.
class TestModoProyectosView : public QObject {
    Q_OBJECT

    EntornoPrueba e;

    ModoProyectosPrueba estado() { return ModoProyectosPrueba{*e.modo}; }
    // The room started and past its greeting, listening.
    bool escuchando()
    {
        e.modo->iniciar();
        if (!QTest::qWaitFor([&] { return e.modo->activo(); }))
            return false;
        estado().estado(E::escuchando);
        return true;
    }
    // The view at the room's usual size, on screen.
    static bool mostrada(ModoProyectosView& v)
    {
        v.resize(1000, 700);
        v.show();
        return QTest::qWaitForWindowExposed(&v);
    }

private slots:
    void init() { e.abrir(); }
    void cleanup() { e.cerrar(); }

    void titulo_data()
    {
        QTest::addColumn<E>("estado");
        QTest::addColumn<QString>("transcripcion");
        QTest::addColumn<std::optional<QString>>("actividad");
        QTest::addColumn<std::optional<QString>>("persona");
        QTest::addColumn<QString>("titulo");
        const std::optional<QString> nadie;
        QTest::newRow("inactivo") << E::inactivo << "" << nadie << nadie << "Preparando la zuvi…";
        QTest::newRow("iniciando") << E::iniciando << "" << nadie << nadie << "Preparando la zuvi…";
        QTest::newRow("nombre") << E::preguntandoNombre << "" << nadie << nadie << "¿Con quién trabajo hoy?";
        QTest::newRow("escuchando") << E::escuchando << "" << nadie << nadie << "Te escucho";
        QTest::newRow("oyendo") << E::escuchando << "haz" << nadie << nadie << "…";
        QTest::newRow("trabajando") << E::trabajando << "" << nadie << nadie << "Trabajando…";
        QTest::newRow("con actividad") << E::trabajando << "" << std::optional<QString>("Leyendo archivos") << nadie
                                       << "Leyendo archivos";
        QTest::newRow("hablando solo") << E::hablando << "" << nadie << nadie << "Hablando con Zuvi IA";
        QTest::newRow("hablando con Ana") << E::hablando << "" << nadie << std::optional<QString>("Ana")
                                          << "Hablando con Ana";
    }

    void titulo()
    {
        QFETCH(E, estado);
        QFETCH(QString, transcripcion);
        QFETCH(std::optional<QString>, actividad);
        QFETCH(std::optional<QString>, persona);
        QTEST(ModoProyectosView::titulo(estado, transcripcion, actividad, persona), "titulo");
    }

    void subtitulo_data()
    {
        QTest::addColumn<std::optional<QString>>("aviso");
        QTest::addColumn<bool>("silencio");
        QTest::addColumn<QString>("transcripcion");
        QTest::addColumn<QString>("subtitulo");
        const std::optional<QString> aviso = QStringLiteral("Sin micrófono");
        const QString mudo = QStringLiteral("⚠︎ El sonido del computador está en silencio: sube el volumen para escuchar a la zuvi.");
        QTest::newRow("el aviso primero") << aviso << true << "hola" << *aviso;
        QTest::newRow("salida en silencio") << std::optional<QString>() << true << "hola" << mudo;
        QTest::newRow("transcripción") << std::optional<QString>() << false << "hola" << "«hola»";
        QTest::newRow("última frase") << std::optional<QString>() << false << "" << "Listo, terminé.";
    }

    void subtitulo()
    {
        QFETCH(std::optional<QString>, aviso);
        QFETCH(bool, silencio);
        QFETCH(QString, transcripcion);
        QTEST(ModoProyectosView::subtitulo(aviso, silencio, transcripcion, QStringLiteral("Listo, terminé.")), "subtitulo");
    }

    void ultimaRespuesta_data()
    {
        QTest::addColumn<int>("rol");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("tarjeta");
        QTest::newRow("del agente") << int(Mensaje::Rol::agente) << "Hecho" << true;
        QTest::newRow("error") << int(Mensaje::Rol::error) << "Falló" << true;
        QTest::newRow("del usuario") << int(Mensaje::Rol::usuario) << "Hola" << false;
        QTest::newRow("vacía") << int(Mensaje::Rol::agente) << "" << false;
    }

    void ultimaRespuesta()
    {
        QFETCH(int, rol);
        QFETCH(QString, texto);
        QFETCH(bool, tarjeta);
        QCOMPARE(ModoProyectosView::ultimaRespuesta(std::nullopt), std::nullopt);
        Conversacion c = EntornoPrueba::conversacion(QStringLiteral("x"), e.reloj.ahora(), false);
        QCOMPARE(ModoProyectosView::ultimaRespuesta(c), std::nullopt);
        c.mensajes << Mensaje::nuevo(Mensaje::Rol(rol), texto);
        QCOMPARE(ModoProyectosView::ultimaRespuesta(c), tarjeta ? std::optional(texto) : std::nullopt);
    }

    void orbe_data()
    {
        QTest::addColumn<E>("estado");
        QTest::addColumn<QList<QColor>>("colores");
        QTest::addColumn<QColor>("fondo");
        QTest::addColumn<bool>("arco");
        const QColor cian(50, 173, 230), azul(0, 122, 255), menta(0, 199, 190), naranja(255, 149, 0),
            rosa(255, 45, 85), amarillo(255, 204, 0), indigo(88, 86, 214);
        QTest::newRow("hablando") << E::hablando << QList<QColor>{cian, azul, menta} << cian << false;
        QTest::newRow("trabajando") << E::trabajando << QList<QColor>{naranja, rosa, amarillo} << naranja << true;
        QTest::newRow("escuchando") << E::escuchando << QList<QColor>{azul, indigo, cian} << azul << false;
        QTest::newRow("inactivo") << E::inactivo << QList<QColor>{azul, indigo, cian} << azul << false;
    }

    void orbe()
    {
        QFETCH(E, estado);
        QTEST(Orbe::colores(estado), "colores");
        QTEST(Fondo::colorEstado(estado), "fondo");
        QTEST(Orbe::conArco(estado), "arco");
    }

    void movimiento()
    {
        QCOMPARE(Orbe::pulso(E::escuchando, 1.0), 0.0);
        QVERIFY(Orbe::pulso(E::hablando, 0.0) >= 0.06 && Orbe::pulso(E::hablando, 0.3) <= 0.11);
        QCOMPARE(Orbe::impulso(E::escuchando, 1), 0.35);
        QCOMPARE(Orbe::impulso(E::preguntandoNombre, 0.5f), 0.175);
        QCOMPARE(Orbe::impulso(E::hablando, 1), 0.0);
        QCOMPARE(Orbe::respiro(0), 1.0);
        // Neighbouring halos turn in opposite senses.
        QCOMPARE(Orbe::giroHalo(0, 2), 40.0);
        QCOMPARE(Orbe::giroHalo(1, 2), -70.0);
        QCOMPARE(Orbe::giroHalo(2, 2), 100.0);
        QCOMPARE(Orbe::escalaHalo(2, 0, 0), 0.99);
        // The outer halo, blur and all, is what reaches furthest, and a
        // loud voice pushes it out.
        QCOMPARE(Orbe::radioVisible(E::escuchando, 0, 0), 164 * 0.99);
        QCOMPARE(Orbe::radioVisible(E::escuchando, 1, 0), 164 * 1.34);
        QCOMPARE(ModoProyectosView::segundos(QDateTime(QDate(2001, 1, 1), QTime(0, 1), QTimeZone::utc())), 60.0);
    }

    // The view follows the room: titles, the person, the answer card, the
    // hints; Escape leaves with the farewell; it animates only when shown.
    void vista()
    {
        Conversacion c = EntornoPrueba::conversacion(QStringLiteral("Taza"), e.reloj.ahora());
        e.abrir({c});
        e.almacen->setSeleccion(c.id);
        QVERIFY(escuchando());
        estado().cancelaEco(true);
        ModoProyectosView v(e.entorno());
        QVERIFY(mostrada(v));
        QVERIFY(v.animando());
        QCOMPARE(v.tituloEtiqueta()->text(), QStringLiteral("Te escucho"));
        QVERIFY(v.tarjeta()->isVisible());
        QCOMPARE(v.respuesta()->text(), QStringLiteral("Respuesta de Taza"));
        QVERIFY(!v.persona()->isVisible());
        QVERIFY(!v.tocarOrbe()->isVisible());
        QCOMPARE(v.agente()->text(), QStringLiteral("Claude"));
        QCOMPARE(v.microfono()->text(), QStringLiteral("Micrófono"));

        estado().transcripcion(QStringLiteral("haz una taza"));
        QCOMPARE(v.tituloEtiqueta()->text(), QStringLiteral("…"));
        QCOMPARE(v.subtituloEtiqueta()->text(), QStringLiteral("«haz una taza»"));
        estado().cancelaEco(false);
        QVERIFY(v.tocarOrbe()->isVisible());

        // "modoGrupo" changed elsewhere shows at the footer's next redraw.
        e.ajustes->escribir(QStringLiteral("modoGrupo"), true);
        QVERIFY(!v.pistaEtiqueta()->text().startsWith(QStringLiteral("Modo grupo")));
        estado().transcripcion(QString());
        QVERIFY(v.pistaEtiqueta()->text().startsWith(QStringLiteral("Modo grupo")));

        // A tap on the orb while listening changes nothing.
        QTest::mouseClick(v.orbe(), Qt::LeftButton, {}, v.orbe()->rect().center());
        QCOMPARE(e.modo->estado(), E::escuchando);

        QTest::keyClick(&v, Qt::Key_Escape);
        // The greeting and the farewell end as heard.
        QTRY_VERIFY(!e.motor->completar() && !e.modo->inmersivo());
        QVERIFY(!e.modo->inmersivo());
        QTRY_VERIFY(e.modo->activo());  // always-on listening keeps the window listening
        v.hide();
        QVERIFY(!v.animando());
    }

    // Hidden, the room does nothing while the voice moves the level: no
    // frame is due and the orb is left where it was; shown again, it
    // animates from where the room is now.
    void ocultaQuieta()
    {
        QVERIFY(escuchando());
        estado().nivel(0.2f);
        ModoProyectosView v(e.entorno());
        QVERIFY(mostrada(v));
        e.reloj.avanzar(100ms);
        QCOMPARE(v.orbe()->nivel(), 0.2f);

        v.hide();
        const int pendientes = e.reloj.pendientes();
        for (float nivel : {0.4f, 0.9f, 0.6f}) {
            estado().nivel(nivel);
            QCoreApplication::processEvents();
        }
        QVERIFY(!v.animando());
        QCOMPARE(e.reloj.pendientes(), pendientes);
        QCOMPARE(v.orbe()->nivel(), 0.2f);

        v.show();
        QVERIFY(v.animando());
        QCOMPARE(v.orbe()->nivel(), 0.6f);
        estado().nivel(0.3f);
        e.reloj.avanzar(100ms);
        QCOMPARE(v.orbe()->nivel(), 0.3f);
    }

    // The orb paints its whole square over the room's own background: no
    // darker square shows around the halos, in any colour of the room.
    void orbeSobreElFondo_data()
    {
        QTest::addColumn<E>("sala");
        QTest::newRow("escuchando") << E::escuchando;
        QTest::newRow("hablando") << E::hablando;
        QTest::newRow("trabajando") << E::trabajando;
    }

    void orbeSobreElFondo()
    {
        QFETCH(E, sala);
        QVERIFY(escuchando());
        ModoProyectosView v(e.entorno());
        QVERIFY(mostrada(v));
        // A change of state brings the background's colour at once.
        estado().estado(sala);
        e.reloj.avanzar(100ms);
        const QImage vista = v.grab().toImage();
        const QRect orbe = v.orbe()->geometry();
        for (int y : {orbe.center().y(), orbe.bottom() - 30}) {
            const QColor dentro = vista.pixelColor(orbe.left() + 2, y);
            const QColor fuera = vista.pixelColor(orbe.left() - 3, y);
            for (auto canal : {&QColor::red, &QColor::green, &QColor::blue})
                QVERIFY2(std::abs((dentro.*canal)() - (fuera.*canal)()) <= 3,
                         qPrintable(dentro.name() + " / " + fuera.name()));
        }
        // Around it glows the new state's colour: orange while working.
        const QColor fuera = vista.pixelColor(orbe.left() - 3, orbe.center().y());
        QVERIFY2((fuera.red() > fuera.blue()) == (sala == E::trabajando), qPrintable(fuera.name()));
    }

    // Hidden, the room leaves its labels alone while the answer grows and
    // the room moves on; shown again, it shows where things are now.
    void ocultaAlDia()
    {
        Conversacion c = EntornoPrueba::conversacion(QStringLiteral("Taza"), e.reloj.ahora());
        e.abrir({c});
        e.almacen->setSeleccion(c.id);
        QVERIFY(escuchando());
        ModoProyectosView v(e.entorno());
        QVERIFY(mostrada(v));
        QCOMPARE(v.respuesta()->text(), QStringLiteral("Respuesta de Taza"));

        v.hide();
        for (const QString& trozo : {QStringLiteral(", con asa"), QStringLiteral(" y un plato largo, muy largo")})
            e.almacen->anexarTexto(c.id, c.mensajes.last().id, trozo, false);
        estado().transcripcion(QStringLiteral("haz un plato"));
        QCoreApplication::processEvents();
        QCOMPARE(v.respuesta()->text(), QStringLiteral("Respuesta de Taza"));
        QCOMPARE(v.tituloEtiqueta()->text(), QStringLiteral("Te escucho"));

        v.show();
        QCOMPARE(v.respuesta()->text(), QStringLiteral("Respuesta de Taza, con asa y un plato largo, muy largo"));
        QCOMPARE(v.tituloEtiqueta()->text(), QStringLiteral("…"));
        QCOMPARE(v.subtituloEtiqueta()->text(), QStringLiteral("«haz un plato»"));
    }
};

QTEST_MAIN(TestModoProyectosView)
#include "TestModoProyectosView.moc"
