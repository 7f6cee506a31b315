#include "projects/Minuta.h"
#include "projects/PersonasSala.h"

#include <QTest>

// The meeting's texts and the choice of a returning person's project.
class TestMinuta : public QObject {
    Q_OBJECT

    static Mensaje mensaje(Mensaje::Rol rol, const QString& texto, std::optional<QString> autor, int minuto)
    {
        return Mensaje::nuevo(rol, texto, std::nullopt, std::move(autor),
                              QDateTime(QDate(2026, 12, 10), QTime(15, minuto)));
    }

    static Conversacion conversacion(const QString& titulo, int minuto, bool conMensaje = true)
    {
        Conversacion c;
        c.id = QUuid::createUuid();
        c.titulo = titulo;
        c.creada = QDateTime(QDate(2026, 12, 9), QTime(9, 0));
        c.actualizada = QDateTime(QDate(2026, 12, 10), QTime(10, minuto));
        if (conMensaje)
            c.mensajes << mensaje(Mensaje::Rol::usuario, QStringLiteral("hola"), std::nullopt, 0);
        return c;
    }

private slots:
    void cierrePresentaciones_data()
    {
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QString>("esperado");
        const QString cola = QStringLiteral(
            ". Voy tomando nota de la reunión. Cuando me necesiten, díganme «Zuvi»; al final, pídanme la minuta.");
        QTest::newRow("nadie") << QStringList() << QStringLiteral("Listo. ¿Qué vamos a trabajar?");
        QTest::newRow("una") << QStringList{"Ana"} << QStringLiteral("Gracias. Hoy estamos Ana") + cola;
        QTest::newRow("tres") << QStringList{"Ana", "Luis", "Eva"}
                              << QStringLiteral("Gracias. Hoy estamos Ana, Luis y Eva") + cola;
    }

    void cierrePresentaciones()
    {
        QFETCH(QStringList, nombres);
        QTEST(Minuta::cierrePresentaciones(nombres), "esperado");
    }

    // Without a stored list the authors come in order of first appearance,
    // so the same meeting always gives the same text.
    void asistentesEnOrden()
    {
        Conversacion c = conversacion(QStringLiteral("Reunión"), 0, false);
        for (const char* autor : {"Zoe", "Ana", "Zoe", "Bruno", "Ana"})
            c.mensajes << mensaje(Mensaje::Rol::acta, QStringLiteral("nota"), QString::fromUtf8(autor), 1);
        c.mensajes << mensaje(Mensaje::Rol::agente, QStringLiteral("respuesta"), std::nullopt, 2);
        QCOMPARE(Minuta::asistentes(c), (QStringList{"Zoe", "Ana", "Bruno"}));
        c.asistentes = QStringList{"Luis"};
        QCOMPARE(Minuta::asistentes(c), QStringList{"Luis"});
        QCOMPARE(Minuta::conAsistente({"Ana"}, QStringLiteral("Ana")), QStringList{"Ana"});
        QCOMPARE(Minuta::conAsistente({"Ana"}, QStringLiteral("Luis")), (QStringList{"Ana", "Luis"}));
    }

    void transcripcion()
    {
        const QList<Mensaje> m{
            mensaje(Mensaje::Rol::acta, QString(3000, QLatin1Char('n')), QStringLiteral("Ana"), 5),
            mensaje(Mensaje::Rol::usuario, QStringLiteral("haz un logo"), std::nullopt, 6),
            mensaje(Mensaje::Rol::agente, QString(1000, QLatin1Char('a')), std::nullopt, 7),
        };
        const QStringList lineas = Minuta::transcripcion(m).split(QLatin1Char('\n'));
        QCOMPARE(lineas.size(), 3);
        QCOMPARE(lineas[0], QStringLiteral("[15:05] Ana: ") + QString(2000, QLatin1Char('n')));
        QCOMPARE(lineas[1], QStringLiteral("[15:06] Participante (a Zuvi): haz un logo"));
        QCOMPARE(lineas[2], QStringLiteral("[15:07] Zuvi: ") + QString(400, QLatin1Char('a')));
    }

    void instruccion()
    {
        Conversacion c = conversacion(QStringLiteral("Reunión"), 0, false);
        c.asistentes = QStringList{"Ana", "Luis"};
        c.mensajes << mensaje(Mensaje::Rol::acta, QStringLiteral("Soy Ana"), QStringLiteral("Ana"), 3);
        const QString t = Minuta::instruccion(c);
        QVERIFY(t.startsWith(QStringLiteral("Haz la minuta de esta reunión y guárdala como documento Word en la "
                                            "carpeta de trabajo con el nombre «Minuta 2026-12-09.docx» (usa la "
                                            "skill zuvi-ia-office) y ábrela. Estructura: título, fecha y hora, "
                                            "asistentes (Ana, Luis), objetivo,")));
        QVERIFY(t.endsWith(QStringLiteral("dónde quedó.\n\nTranscripción de la reunión:\n[15:03] Ana: Soy Ana")));
        QCOMPARE(Minuta::titulo(QDateTime(QDate(2026, 12, 10), QTime(15, 4))),
                 QStringLiteral("Reunión 2026-12-10 15.04"));
    }

    // The latest of a person's other conversations with messages, by owner
    // or by attendee list; the selected one never.
    void ultimaDe()
    {
        Perfil ana;
        ana.id = QUuid::createUuid();
        ana.nombre = QStringLiteral("Ana");
        Conversacion propia = conversacion(QStringLiteral("Propia"), 10);
        propia.perfilID = ana.id;
        Conversacion asistio = conversacion(QStringLiteral("Asistió"), 20);
        asistio.asistentes = QStringList{"Luis", "Ana"};
        Conversacion empate = conversacion(QStringLiteral("Empate"), 20);
        empate.perfilID = ana.id;
        Conversacion vacia = conversacion(QStringLiteral("Vacía"), 50, false);
        vacia.perfilID = ana.id;
        Conversacion ajena = conversacion(QStringLiteral("Ajena"), 40);
        const QList<Conversacion> todas{propia, asistio, empate, vacia, ajena};

        QCOMPARE(PersonasSala::ultimaDe(todas, std::nullopt, ana)->titulo, QStringLiteral("Asistió"));
        QCOMPARE(PersonasSala::ultimaDe(todas, asistio.id, ana)->titulo, QStringLiteral("Empate"));
        QCOMPARE(PersonasSala::ultimaDe({ajena, vacia}, std::nullopt, ana), std::nullopt);
    }

    void saludo_data()
    {
        QTest::addColumn<bool>("nuevo");
        QTest::addColumn<QString>("enCurso");
        QTest::addColumn<QString>("anterior");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("en curso") << false << "Logo" << "Web" << "Hola, Ana. Estamos con Logo.";
        QTest::newRow("nueva") << true << "" << "" << "Mucho gusto, Ana. ¿Qué construimos hoy?";
        QTest::newRow("vuelve") << false << "" << "" << "¡Hola de nuevo, Ana! ¿Qué construimos hoy?";
        QTest::newRow("vuelve con proyecto")
            << false << "" << "Web"
            << "¡Hola de nuevo, Ana! La última vez trabajamos en: Web. ¿Seguimos con eso o empezamos algo nuevo?";
    }

    void saludo()
    {
        QFETCH(bool, nuevo);
        QFETCH(QString, enCurso);
        QFETCH(QString, anterior);
        const auto opcional = [](const QString& t) { return t.isEmpty() ? std::nullopt : std::optional(t); };
        QTEST(PersonasSala::saludo(QStringLiteral("Ana"), nuevo, opcional(enCurso), opcional(anterior)), "esperado");
    }
};

QTEST_GUILESS_MAIN(TestMinuta)
#include "TestMinuta.moc"
