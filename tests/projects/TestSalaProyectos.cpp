#include "assistant/TurnoAgente.h"
#include "comun/SalaPrueba.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

// The room's session and its speech queue over the scripted engine: the
// lifecycle as sequences of events, start failures, greetings and
// farewells, and how an agent's streamed answer is cut, cleaned and limited.
class TestSalaProyectos : public QObject {
    Q_OBJECT

    SalaPrueba sala;
    ModelosPrueba& m = sala.m;
    ModoProyectos* modo = nullptr;
    MotorSalaGuionado* motor = nullptr;
    std::function<void(ModoProyectos::AlPermisos)> retenido;
    ModoProyectos::AlPermisos respuesta;

    void avanzar(std::chrono::milliseconds ms = 20ms) { sala.avanzar(ms); }

    void hablarTodo() { sala.hablarTodo(); }

    int bienvenidas() const
    {
        return int(motor->textosDichos().filter(QStringLiteral("Bienvenidos")).size());
    }

    void evento(const QString& e)
    {
        if (e == QLatin1String("siempre"))
            modo->escucharSiempre();
        else if (e == QLatin1String("iniciar"))
            modo->iniciar();
        else if (e == QLatin1String("terminar"))
            modo->terminar();
        else if (e == QLatin1String("salir"))
            modo->salir(false);
        else if (e == QLatin1String("despedirse"))
            modo->salir(true);
        else if (e == QLatin1String("completar"))
            motor->completar();
        else if (e == QLatin1String("paso"))
            avanzar();
        else if (e == QLatin1String("retener"))
            m.permisos = [this](ModoProyectos::AlPermisos listo) { respuesta = std::move(listo); };
        else if (e == QLatin1String("conceder"))
            respuesta(true, true);
        else if (e == QLatin1String("negar"))
            m.permisos = [](ModoProyectos::AlPermisos listo) { listo(false, true); };
        else
            QFAIL(qPrintable(QStringLiteral("evento desconocido: ") + e));
    }

private slots:
    void init()
    {
        sala.abrir();
        modo = m.modo.get();
        motor = m.motor;
    }

    void cleanup() { sala.cerrar(); }

    void ciclo_data()
    {
        QTest::addColumn<QString>("eventos");
        QTest::addColumn<bool>("siempre");
        QTest::addColumn<ModoProyectos::Estado>("estado");
        QTest::addColumn<bool>("activo");
        QTest::addColumn<bool>("inmersivo");
        QTest::addColumn<int>("pausas");
        QTest::addColumn<int>("reanudaciones");
        QTest::addColumn<int>("arranques");
        QTest::addColumn<int>("bienvenidas");
        using E = ModoProyectos::Estado;
        QTest::newRow("escucha en la ventana") << "siempre paso" << true << E::escuchando << true << false << 1 << 0 << 1 << 0;
        QTest::newRow("sala: saluda y escucha") << "iniciar paso completar paso" << true << E::escuchando << true << true << 1 << 0 << 1 << 1;
        QTest::newRow("sala sobre la ventana") << "siempre paso iniciar paso" << true << E::hablando << true << true << 1 << 0 << 1 << 1;
        QTest::newRow("dos aperturas en un turno") << "iniciar iniciar paso" << true << E::hablando << true << true << 1 << 0 << 1 << 1;
        QTest::newRow("apertura mientras arranca") << "retener siempre paso iniciar conceder paso" << true << E::hablando << true << true << 1 << 0 << 1 << 1;
        QTest::newRow("terminar durante los permisos") << "retener siempre paso terminar conceder paso" << false << E::inactivo << false << false << 0 << 0 << 0 << 0;
        QTest::newRow("terminar sin sesión") << "terminar" << false << E::inactivo << false << false << 0 << 0 << 0 << 0;
        QTest::newRow("terminar devuelve la pausa") << "siempre paso terminar" << false << E::inactivo << false << false << 1 << 1 << 1 << 0;
        QTest::newRow("escucha siempre guarda la pausa") << "siempre paso terminar siempre paso terminar" << true << E::inactivo << false << false << 1 << 0 << 2 << 0;
        QTest::newRow("permiso negado") << "negar iniciar paso" << false << E::inactivo << false << false << 0 << 0 << 0 << 0;
        QTest::newRow("salir queda en la ventana") << "iniciar paso completar paso salir" << true << E::escuchando << true << false << 1 << 0 << 1 << 1;
        QTest::newRow("salir termina") << "iniciar paso completar paso salir" << false << E::inactivo << false << false << 1 << 1 << 1 << 1;
        QTest::newRow("despedida cierra") << "iniciar paso completar paso despedirse paso completar paso" << false << E::inactivo << false << false << 1 << 1 << 1 << 1;
        QTest::newRow("reabrir durante la despedida") << "iniciar paso completar paso despedirse paso iniciar paso" << false << E::hablando << true << true << 1 << 0 << 1 << 2;
    }

    void ciclo()
    {
        QFETCH(QString, eventos);
        QFETCH(bool, siempre);
        m.ajustes->escribir(QStringLiteral("escuchaSiempre"), siempre);
        for (const QString& e : eventos.split(QLatin1Char(' ')))
            evento(e);
        QTEST(modo->estado(), "estado");
        QTEST(modo->activo(), "activo");
        QTEST(modo->inmersivo(), "inmersivo");
        QTEST(m.pausas, "pausas");
        QTEST(m.reanudaciones, "reanudaciones");
        QTEST(int(motor->arranques.size()), "arranques");
        QTEST(bienvenidas(), "bienvenidas");
        QCOMPARE(motor->corriendo(), modo->activo());
        QCOMPARE(m.asistente->vozPropiaSilenciada(), modo->activo());
        QCOMPARE(bool(m.asistente->turno().alTerminar), modo->activo());
    }

    void fallaElMotor_data()
    {
        QTest::addColumn<QString>("fallo");
        QTest::addColumn<bool>("eco");
        QTest::addColumn<bool>("activo");
        QTest::addColumn<int>("arranques");
        QTest::newRow("sin eco al segundo intento") << "eco" << true << true << 2;
        QTest::newRow("falla con y sin eco") << "siempre" << true << false << 2;
        QTest::newRow("falla sin eco pedido") << "siempre" << false << false << 1;
    }

    void fallaElMotor()
    {
        QFETCH(QString, fallo);
        QFETCH(bool, eco);
        QFETCH(bool, activo);
        m.ajustes->escribir(QStringLiteral("escuchaSiempre"), false);
        m.ajustes->escribir(QStringLiteral("cancelacionEco"), eco);
        motor->fallo = fallo;
        modo->iniciar();
        avanzar();
        QCOMPARE(modo->activo(), activo);
        QTEST(int(motor->arranques.size()), "arranques");
        QCOMPARE(modo->cancelaEco(), false);
        if (activo) {
            QVERIFY(m.registro().contains(QStringLiteral("Modo proyectos: motor en marcha (mic=-, salida=-, eco=false, "
                                                         "idioma=es-CL, local=true)")));
            return;
        }
        QCOMPARE(modo->aviso(), QStringLiteral("No pude usar el micrófono: el dispositivo no responde"));
        QCOMPARE(modo->inmersivo(), false);
        QCOMPARE(modo->estado(), ModoProyectos::Estado::inactivo);
        QCOMPARE(m.reanudaciones, 1);
        QVERIFY(m.registro().contains(
            QStringLiteral("Modo proyectos: ERROR al iniciar motor: el dispositivo no responde")));
    }

    // A turn cut by a newer one ends while the newer still speaks: the
    // room stays speaking, and only the newer's end lets it listen.
    void turnoCortadoNoCambiaElEstado()
    {
        modo->escucharSiempre();
        avanzar();
        bool cortado = true;
        modo->decir(QStringLiteral("Primera frase."), [&](bool oido) { cortado = !oido; });
        modo->decir(QStringLiteral("Segunda frase."));
        avanzar();
        QVERIFY(cortado);
        QCOMPARE(modo->estado(), ModoProyectos::Estado::hablando);
        motor->completar();
        avanzar();
        QCOMPARE(modo->estado(), ModoProyectos::Estado::escuchando);
    }

    void saludos_data()
    {
        QTest::addColumn<QStringList>("asistentes");
        QTest::addColumn<QString>("dicho");
        QTest::newRow("sin conversación") << QStringList{"-"}
                                          << "Bienvenidos a nuestra zuvi inmersiva de inteligencia artificial. "
                                             "¿Hoy trabajamos de forma individual o en grupo?";
        QTest::newRow("nadie") << QStringList{} << "Hola. Seguimos con Cocina.";
        QTest::newRow("una persona") << QStringList{"Ana"} << "Hola. Seguimos con Cocina.";
        QTest::newRow("tres personas") << QStringList{"Ana", "Luis", "Eva"}
                                       << "Hola. Seguimos con Cocina. Están Ana, Luis y Eva.";
    }

    void saludos()
    {
        QFETCH(QStringList, asistentes);
        QFETCH(QString, dicho);
        if (asistentes != QStringList{"-"}) {
            const QUuid id = m.almacen->nueva();
            m.almacen->cambiar(id, true, [&](Conversacion& c) {
                c.titulo = QStringLiteral("Cocina");
                c.asistentes = asistentes;
                c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"));
            });
        }
        modo->iniciar();
        avanzar();
        QCOMPARE(motor->textosDichos(), QStringList{dicho});
    }

    void despedidas_data()
    {
        QTest::addColumn<QString>("persona");
        QTest::addColumn<QString>("dicho");
        QTest::newRow("sin persona") << "" << "Hasta pronto.";
        QTest::newRow("con Ana") << "Ana" << "Hasta pronto, Ana. Aquí estaré cuando me necesites.";
    }

    void despedidas()
    {
        QFETCH(QString, persona);
        if (!persona.isEmpty())
            m.perfiles->activar(persona);
        modo->iniciar();
        avanzar();
        hablarTodo();
        modo->salir(true);
        avanzar();
        QTEST(motor->textosDichos().last(), "dicho");
    }

    // The agent's answer as it streams: cut into sentences, cleaned for the
    // voice, and limited to four sentences and 519 characters.
    void respuestaHablada_data()
    {
        QTest::addColumn<QStringList>("fragmentos");
        QTest::addColumn<QStringList>("dichos");
        const QString s200 = QString(199, QLatin1Char('a')) + QLatin1Char('.');
        const QString s50 = QString(49, QLatin1Char('b')) + QLatin1Char('.');
        QTest::newRow("punto temprano no corta") << QStringList{"Hola. Esto es una prueba", " larga. Y sigue"}
                                                 << QStringList{"Hola. Esto es una prueba larga.", "Y sigue"};
        QTest::newRow("coma de la primera oración")
            << QStringList{"Primero reviso los archivos del proyecto, después te cuento, si puedo"}
            << QStringList{"Primero reviso los archivos del proyecto,", "después te cuento, si puedo"};
        QTest::newRow("bloque de código callado") << QStringList{"Mira:\n```\ncodigo();\n```\nListo el cambio."}
                                                  << QStringList{"Mira:", "Listo el cambio."};
        QTest::newRow("enlace y marcas")
            << QStringList{"Está en https://x.cl/a ahora.\n", "**Negrita** y `código` | tabla.\n", "- una viñeta\n"}
            << QStringList{"Está en el enlace ahora.", "Negrita y código   tabla.", "una viñeta"};
        QTest::newRow("sin letras") << QStringList{"Esto sí se dice.\n", "... ---\n", "(ignorado)\n"}
                                    << QStringList{"Esto sí se dice."};
        QTest::newRow("cuatro oraciones")
            << QStringList{"Oración número uno. Oración número dos. Oración número tres. Oración número cuatro. "
                           "Oración número cinco. Oración número seis."}
            << QStringList{"Oración número uno.", "Oración número dos.", "Oración número tres.",
                           "Oración número cuatro.", "Te dejo el resto en pantalla."};
        QTest::newRow("519 letras") << QStringList{s200 + " " + s200 + " " + s200 + " " + s50}
                                    << QStringList{s200, s200, "Te dejo el resto en pantalla.", s50};
    }

    void respuestaHablada()
    {
        QFETCH(QStringList, fragmentos);
        modo->escucharSiempre();
        avanzar();
        TurnoAgente& turno = m.asistente->turno();
        for (const QString& f : fragmentos)
            turno.alFragmento(f);
        turno.alFinBloque();
        hablarTodo();
        QTEST(motor->textosDichos(), "dichos");
        QCOMPARE(motor->dichos.front().velocidad, 0.5f);
    }
};

QTEST_GUILESS_MAIN(TestSalaProyectos)
#include "TestSalaProyectos.moc"
