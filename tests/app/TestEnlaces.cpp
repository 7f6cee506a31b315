#include "app/Enlaces.h"
#include "app/MenuZuvi.h"
#include "app/RegistroEscritorio.h"
#include "app/TareasInicio.h"
#include "comun/ModelosPrueba.h"

#include <QAction>

#include <QTest>

Q_DECLARE_METATYPE(Enlaces::Accion)

// The "zuviia" links, what a start hands over, and the tray's texts.
class TestEnlaces : public QObject {
    Q_OBJECT

private slots:
    void accion_data()
    {
        QTest::addColumn<QString>("enlace");
        QTest::addColumn<Enlaces::Accion>("accion");
        using A = Enlaces::Accion;
        QTest::newRow("modo-proyectos") << "zuviia://modo-proyectos" << A::modoProyectos;
        QTest::newRow("con ruta") << "zuviia://modo-proyectos/sala/1" << A::modoProyectos;
        QTest::newRow("con consulta") << "zuviia://modo-proyectos?desde=siri#x" << A::modoProyectos;
        QTest::newRow("otro esquema, mismo host") << "https://modo-proyectos/" << A::soloVentana;
        QTest::newRow("http, mismo host") << "http://modo-proyectos/x" << A::soloVentana;
        QTest::newRow("abrir") << "zuviia://abrir" << A::soloVentana;
        QTest::newRow("sin host") << "zuviia:" << A::soloVentana;
        QTest::newRow("host parecido") << "zuviia://modo-proyectos2" << A::soloVentana;
        QTest::newRow("en la ruta") << "zuviia://abrir/modo-proyectos" << A::soloVentana;
        QTest::newRow("otro host") << "zuviia://ajustes" << A::soloVentana;
    }

    void accion()
    {
        QFETCH(QString, enlace);
        QTEST(Enlaces::accion(QUrl(enlace)), "accion");
    }

    void deArgumentos_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("enlace");
        QTest::newRow("sin argumentos") << QStringList{"zuviia"} << "zuviia://abrir";
        QTest::newRow("solo opciones") << QStringList{"zuviia", "--platform", "-x"} << "zuviia://abrir";
        QTest::newRow("un enlace") << QStringList{"zuviia", "zuviia://modo-proyectos"} << "zuviia://modo-proyectos";
        QTest::newRow("el primero cuenta")
            << QStringList{"zuviia", "zuviia://abrir", "zuviia://modo-proyectos"} << "zuviia://abrir";
        QTest::newRow("vacío") << QStringList{"zuviia", ""} << "zuviia://abrir";
        QTest::newRow("valor de una opción de Qt")
            << QStringList{"zuviia", "-platform", "offscreen", "zuviia://modo-proyectos"} << "zuviia://modo-proyectos";
        QTest::newRow("opción de Qt con =") << QStringList{"zuviia", "--style=fusion", "zuviia://modo-proyectos"}
                                            << "zuviia://modo-proyectos";
    }

    void deArgumentos()
    {
        QFETCH(QStringList, argumentos);
        QTEST(Enlaces::deArgumentos(argumentos).toString(), "enlace");
    }

    void menuZuvi_data()
    {
        QTest::addColumn<bool>("activo");
        QTest::addColumn<bool>("inmersivo");
        QTest::addColumn<bool>("oyeZuvi");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("simbolo");
        QTest::newRow("sala inmersiva") << true << true << false << "Zuvi inmersiva activa" << "Pausar la escucha" << "ear.fill";
        QTest::newRow("escucha en la ventana") << true << false << true << "Escuchando" << "Pausar la escucha" << "ear.fill";
        QTest::newRow("esperando la frase") << false << false << true << "Esperando «Oye Zuvi»" << "Escuchar" << "ear.fill";
        QTest::newRow("inmersivo sin sesión") << false << true << false << "En pausa" << "Escuchar" << "ear.slash";
        QTest::newRow("en pausa") << false << false << false << "En pausa" << "Escuchar" << "ear.slash";
    }

    void menuZuvi()
    {
        QFETCH(bool, activo);
        QFETCH(bool, inmersivo);
        QFETCH(bool, oyeZuvi);
        QTEST(MenuZuvi::estado(activo, inmersivo, oyeZuvi), "estado");
        QTEST(MenuZuvi::tituloEscucha(activo), "titulo");
        QTEST(MenuZuvi::simbolo(activo, oyeZuvi), "simbolo");
    }

    // The desktop entry of the installed application and its place as the
    // handler of "zuviia" links, keeping whatever else the file holds.
    void conManejador_data()
    {
        QTest::addColumn<QString>("antes");
        QTest::addColumn<QString>("despues");
        const QString nuestra = "x-scheme-handler/zuviia=cl.norp.ZuviIA.desktop\n";
        QTest::newRow("sin archivo") << "" << "[Default Applications]\n" + nuestra;
        QTest::newRow("otro grupo") << "[Added Associations]\ntext/plain=gedit.desktop;\n"
                                    << "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n" + nuestra;
        QTest::newRow("grupo con otras")
            << "[Default Applications]\ntext/html=firefox.desktop\n\n[Added Associations]\nimage/png=eog.desktop;\n"
            << "[Default Applications]\ntext/html=firefox.desktop\n" + nuestra + "\n[Added Associations]\nimage/png=eog.desktop;\n";
        QTest::newRow("manejador anterior")
            << "[Default Applications]\nx-scheme-handler/zuviia=viejo.desktop\ntext/html=firefox.desktop\n"
            << "[Default Applications]\n" + nuestra + "text/html=firefox.desktop\n";
        QTest::newRow("ya registrado") << "[Default Applications]\n" + nuestra << "[Default Applications]\n" + nuestra;
    }

    void conManejador()
    {
        QFETCH(QString, antes);
        QTEST(RegistroEscritorio::conManejador(antes), "despues");
    }

    void entradaEscritorio()
    {
        const QString entrada = RegistroEscritorio::entrada("/home/ana maría/.local/opt/ZuviIA/bin/zuviia");
        QVERIFY(entrada.contains("\nExec=\"/home/ana maría/.local/opt/ZuviIA/bin/zuviia\" %u\n"));
        QVERIFY(entrada.contains("\nMimeType=x-scheme-handler/zuviia;\n"));
        QVERIFY(entrada.startsWith("[Desktop Entry]\nType=Application\nName=Zuvi IA\n"));
        // The launcher's actions reach the running instance as intents.
        QVERIFY(entrada.contains("\nActions=modo-proyectos;dictar;nuevo-proyecto;\n"));
        QVERIFY(entrada.contains("\n[Desktop Action dictar]\nName=Dictar instrucción\n"
                                 "Exec=\"/home/ana maría/.local/opt/ZuviIA/bin/zuviia\" --dictar\n"));
        QVERIFY(entrada.contains("Exec=\"/home/ana maría/.local/opt/ZuviIA/bin/zuviia\" --modo-proyectos\n"));
        QVERIFY(entrada.contains("Exec=\"/home/ana maría/.local/opt/ZuviIA/bin/zuviia\" --nuevo-proyecto\n"));
    }

    // The tray's listening toggle and its room entry drive the room.
    void menuMueveLaSala()
    {
        ModelosPrueba m;
        m.abrir();
        MenuZuvi menu(*m.modo);
        const auto avanzar = [&] { AvanceReloj::avanzar(m.reloj, std::chrono::milliseconds(20)); };
        menu.escucha()->trigger();
        avanzar();
        QTRY_VERIFY(m.modo->activo());
        QCOMPARE(menu.escucha()->text(), QStringLiteral("Pausar la escucha"));
        menu.escucha()->trigger();
        avanzar();
        QVERIFY(!m.modo->activo());
        QCOMPARE(menu.escucha()->text(), QStringLiteral("Escuchar"));
        menu.findChild<QAction*>(QStringLiteral("inmersiva"))->trigger();
        avanzar();
        QTRY_VERIFY(m.modo->activo());
        QVERIFY(m.modo->inmersivo());
        m.modo->terminar();
        m.cerrar();
    }

    void lineaPermisos()
    {
        QCOMPARE(TareasInicio::lineaPermisos(false, false, "/home/ana/.local/opt/ZuviIA"),
                 QStringLiteral("Permisos al abrir: accesibilidad=false pantalla=false firma=/home/ana/.local/opt/ZuviIA"));
        QCOMPARE(TareasInicio::lineaPermisos(true, false, "/x"),
                 QStringLiteral("Permisos al abrir: accesibilidad=true pantalla=false firma=/x"));
    }
};

QTEST_MAIN(TestEnlaces)
#include "TestEnlaces.moc"
