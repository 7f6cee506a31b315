#include "comun/ModelosPrueba.h"
#include "projects/ContextoProyecto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The room controller's state at rest, and the choice of the current
// project: a new one, or the selected conversation applied to the agent
// and the people.
class TestModoProyectos : public QObject {
    Q_OBJECT

    ModelosPrueba m;
    Ajustes* ajustes = nullptr;
    Perfiles* perfiles = nullptr;
    Almacen* almacen = nullptr;
    AsistenteVoz* asistente = nullptr;
    ModoProyectos* modo = nullptr;

    QString registro() const { return m.registro(); }

    QStringList nombres(const QList<Perfil>& lista) const
    {
        QStringList n;
        for (const Perfil& p : lista)
            n << p.nombre;
        return n;
    }

    // A selected conversation with one message and these attendees.
    QUuid conversacion(const QString& titulo, const QStringList& asistentes, bool reunion)
    {
        const QUuid id = almacen->nueva();
        almacen->cambiar(id, true, [&](Conversacion& c) {
            c.titulo = titulo;
            c.asistentes = asistentes;
            c.esReunion = reunion;
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"));
        });
        return id;
    }

private slots:
    void init()
    {
        m.abrir();
        ajustes = m.ajustes.get();
        perfiles = m.perfiles.get();
        almacen = m.almacen.get();
        asistente = m.asistente.get();
        modo = m.modo.get();
        ajustes->quitar(QStringLiteral("configuracionCompleta"));
        perfiles->activar(QStringLiteral("Ana"));
        perfiles->activar(QStringLiteral("Luis"));
        Registro::vaciar();
        m.inicioRegistro = QFileInfo(Registro::archivo()).size();
    }

    void cleanup() { m.cerrar(); }

    void enReposo()
    {
        QCOMPARE(modo->activo(), false);
        QCOMPARE(modo->inmersivo(), false);
        QCOMPARE(modo->estado(), ModoProyectos::Estado::inactivo);
        QCOMPARE(modo->transcripcion(), QString());
        QCOMPARE(modo->ultimaFrase(), QString());
        QCOMPARE(modo->nivel(), 0.0f);
        QCOMPARE(modo->aviso(), std::nullopt);
        QCOMPARE(modo->cancelaEco(), false);
        QCOMPARE(modo->musicaDeFondo(), false);
        QSignalSpy cambios(modo, &ModoProyectos::inmersivoCambiado);
        modo->setInmersivo(false);
        modo->setInmersivo(true);
        modo->setInmersivo(true);
        QCOMPARE(cambios.size(), 1);
    }

    void ajustesLeidos_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QVariant>("valor");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("escuchaSiempre ausente") << "escuchaSiempre" << QVariant() << true;
        QTest::newRow("escuchaSiempre no") << "escuchaSiempre" << QVariant(false) << false;
        QTest::newRow("escuchaSiempre sí") << "escuchaSiempre" << QVariant(true) << true;
        QTest::newRow("ignorarMusica ausente") << "ignorarMusica" << QVariant() << true;
        QTest::newRow("ignorarMusica no") << "ignorarMusica" << QVariant(false) << false;
        QTest::newRow("ignorarMusica de otro tipo") << "ignorarMusica" << QVariant(QStringLiteral("quizá")) << true;
    }

    void ajustesLeidos()
    {
        QFETCH(QString, clave);
        QFETCH(QVariant, valor);
        if (valor.isValid())
            ajustes->escribir(clave, valor);
        const bool leido = clave == QLatin1String("escuchaSiempre") ? ModoProyectos::escuchaSiempre(*ajustes)
                                                                    : ModoProyectos::ignorarMusica(*ajustes);
        QTEST(leido, "esperado");
    }

    // A new project: a fresh conversation of its own folder, nobody in the
    // room, the agent pointed at it.
    void proyectoNuevo()
    {
        conversacion(QStringLiteral("Anterior"), {QStringLiteral("Ana")}, false);
        modo->aplicarProyecto();
        QCOMPARE(nombres(perfiles->presentes()), QStringList{"Ana"});
        const qsizetype antes = almacen->conversaciones().size();
        modo->proyectoNuevo();
        QCOMPARE(almacen->conversaciones().size(), antes + 1);
        const auto actual = almacen->actual();
        QVERIFY(actual);
        QCOMPARE(actual->id, almacen->conversaciones().first().id);
        QVERIFY(actual->mensajes.isEmpty());
        QCOMPARE(asistente->carpeta(), *actual->carpeta);
        QCOMPARE(perfiles->activo(), std::nullopt);
        QVERIFY(perfiles->presentes().isEmpty());
        QCOMPARE(ajustes->booleano("modoGrupo", true), false);
        QVERIFY(registro().contains(QStringLiteral("Proyecto: «Proyecto nuevo» (0 participantes)")));
    }

    void aplicarProyecto_data()
    {
        QTest::addColumn<QStringList>("asistentes");
        QTest::addColumn<bool>("reunion");
        QTest::addColumn<QStringList>("presentes");
        QTest::addColumn<QString>("activo");
        QTest::newRow("una persona") << QStringList{"Ana"} << false << QStringList{"Ana"} << "Ana";
        QTest::newRow("reunión de una persona") << QStringList{"Ana"} << true << QStringList{"Ana"} << "";
        QTest::newRow("dos personas, en su orden") << QStringList{"Luis", "Nadie", "Ana"} << false
                                                   << QStringList{"Luis", "Ana"} << "";
        QTest::newRow("nombre exacto") << QStringList{"ana"} << false << QStringList{} << "";
        QTest::newRow("sin asistentes") << QStringList{} << false << QStringList{} << "";
    }

    void aplicarProyecto()
    {
        QFETCH(QStringList, asistentes);
        QFETCH(bool, reunion);
        QFETCH(QStringList, presentes);
        QFETCH(QString, activo);
        const QString titulo = QStringLiteral("Un título de proyecto que pasa de treinta letras");
        const QUuid id = conversacion(titulo, asistentes, reunion);
        QSignalSpy carpeta(asistente, &AsistenteVoz::carpetaCambiada);
        modo->aplicarProyecto();
        QCOMPARE(nombres(perfiles->presentes()), presentes);
        QCOMPARE(perfiles->activo() ? perfiles->activo()->nombre : QString(), activo);
        QCOMPARE(ajustes->booleano("modoGrupo", !reunion), reunion);
        QCOMPARE(asistente->carpeta(), almacen->carpeta(*almacen->conversacion(id)));
        QVERIFY(asistente->contextoPersona().has_value());
        QVERIFY(registro().contains(QStringLiteral("Proyecto: «%1» (%2 participantes)")
                                        .arg(titulo.left(30)).arg(presentes.size())));
        // The same folder again is not assigned again.
        const int asignaciones = carpeta.size();
        modo->aplicarProyecto();
        QCOMPARE(carpeta.size(), asignaciones);
    }

    // The paragraph for the agent: the project, who is in the room and
    // where their memory is, and whether it is a meeting.
    void contexto_data()
    {
        QTest::addColumn<bool>("conConversacion");
        QTest::addColumn<QStringList>("presentes");
        QTest::addColumn<QString>("activo");
        QTest::addColumn<bool>("reunion");
        QTest::addColumn<QString>("resto");
        QTest::newRow("sin conversación") << false << QStringList{} << "" << false << "-";
        QTest::newRow("nadie") << true << QStringList{} << "" << false << "";
        QTest::newRow("una persona") << true << QStringList{"Ana"} << "Ana" << false
                                     << " Participan: Ana. La memoria personal de cada uno está en su carpeta: "
                                        "Ana: {Ana}/CLAUDE.md. Te habla Ana.";
        QTest::newRow("varias") << true << QStringList{"Ana", "Luis"} << "" << false
                                << " Participan: Ana, Luis. La memoria personal de cada uno está en su carpeta: "
                                   "Ana: {Ana}/CLAUDE.md; Luis: {Luis}/CLAUDE.md.";
        QTest::newRow("reunión") << true << QStringList{"Luis"} << "Luis" << true
                                 << " Participan: Luis. La memoria personal de cada uno está en su carpeta: "
                                    "Luis: {Luis}/CLAUDE.md. Es una reunión de grupo: cada mensaje empieza con quién "
                                    "habla («Ana dice: …»). Al final te pueden pedir la minuta.";
    }

    void contexto()
    {
        QFETCH(bool, conConversacion);
        QFETCH(QStringList, presentes);
        QFETCH(QString, activo);
        QFETCH(bool, reunion);
        QFETCH(QString, resto);
        QList<Perfil> lista;
        for (const QString& n : presentes) {
            lista << *perfiles->buscar(n);
            resto.replace('{' + n + '}', lista.last().carpeta());
        }
        const auto persona = activo.isEmpty() ? std::nullopt : perfiles->buscar(activo);
        std::optional<Conversacion> c;
        if (conConversacion) {
            c = Conversacion{};
            c->titulo = QStringLiteral("Casa de campo");
            c->esReunion = reunion;
        }
        const QString t = ContextoProyecto::texto(c, QStringLiteral("/home/ana/Zuvi IA/Casa de campo"), lista, persona);
        if (resto == QLatin1String("-")) {
            QCOMPARE(t, QString());
            return;
        }
        QCOMPARE(t, QStringLiteral("Proyecto actual: «Casa de campo». Su carpeta es /home/ana/Zuvi IA/Casa de campo: "
                                   "todo lo del proyecto va ahí.")
                        + resto);
    }

    void sinConversacion()
    {
        almacen->setSeleccion(std::nullopt);
        perfiles->setPresentes({*perfiles->buscar(QStringLiteral("Ana"))});
        const QString carpeta = asistente->carpeta();
        modo->aplicarProyecto();
        QCOMPARE(asistente->carpeta(), carpeta);
        QCOMPARE(nombres(perfiles->presentes()), QStringList{"Ana"});
        QVERIFY(!ajustes->contiene("modoGrupo"));
        QVERIFY(!registro().contains(QStringLiteral("Proyecto:")));
    }
};

QTEST_GUILESS_MAIN(TestModoProyectos)
#include "TestModoProyectos.moc"
