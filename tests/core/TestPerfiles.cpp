#include "Almacenes.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestPerfiles : public QObject {
    Q_OBJECT

    Almacenes e;
    std::unique_ptr<Ajustes> ajustes;

    QString archivo() const { return Carpetas::datosApp() + "/perfiles.json"; }

    std::unique_ptr<Perfiles> abrir() { return std::make_unique<Perfiles>(*ajustes, e.reloj, Carpetas::datosApp()); }

private slots:
    void init()
    {
        ajustes.reset();
        e.limpiar();
        ajustes = std::make_unique<Ajustes>(e.hogar.en(".config/prueba.conf"));
    }

    void activarUnaPersonaNueva()
    {
        auto perfiles = abrir();
        QSignalSpy todos(perfiles.get(), &Perfiles::todosCambiados);
        const auto [ana, nueva] = perfiles->activar("Ana");
        QVERIFY(nueva);
        QCOMPARE(ana.nombre, "Ana");
        QCOMPARE(ana.visitas, 1);
        QCOMPARE(ana.creado, e.reloj.ahora());
        QCOMPARE(perfiles->todos(), QList<Perfil>{ana});
        QCOMPARE(perfiles->activo(), ana);
        QCOMPARE(perfiles->presentes(), QList<Perfil>{ana});
        QCOMPARE(todos.count(), 1);

        QCOMPARE(ajustes->listaTextos("terminosPerfiles"), QStringList{"Ana"});
        QCOMPARE(ajustes->texto("perfilActivo"), Codificacion::textoUuid(ana.id));
        QCOMPARE(ajustes->fecha("perfilActivoDesde"), e.reloj.ahora());
        QCOMPARE(abrir()->todos(), QList<Perfil>{ana});  // the file holds it
        QVERIFY(QFileInfo::exists(e.hogar.en("Zuvi IA/Personas/Ana/CLAUDE.md")));
        QVERIFY(!abrir()->activo());  // never restored
    }

    void buscarPorClaveYPrimeraPalabra_data()
    {
        QTest::addColumn<QStringList>("guardados");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("encontrado");  // empty: none
        QTest::newRow("mayúsculas") << QStringList{"José"} << "JOSÉ" << "José";
        QTest::newRow("puntuación") << QStringList{"José"} << "José." << "José";
        QTest::newRow("acento descompuesto") << QStringList{"José"} << QString::fromUtf8("Jose\xcc\x81") << "José";
        QTest::newRow("sin acento") << QStringList{"René"} << "Rene" << "René";
        QTest::newRow("primera palabra") << QStringList{"Ana"} << "Ana María" << "Ana";
        QTest::newRow("guardado más largo") << QStringList{"María José"} << "María" << "María José";
        QTest::newRow("otra persona") << QStringList{"José"} << "Pedro" << QString();
        QTest::newRow("solo dígitos") << QStringList{"José"} << "123" << QString();
        QTest::newRow("solo puntuación") << QStringList{"José"} << "¿?" << QString();
    }

    void buscarPorClaveYPrimeraPalabra()
    {
        QFETCH(QStringList, guardados);
        QFETCH(QString, nombre);
        QFETCH(QString, encontrado);
        auto perfiles = abrir();
        for (const QString& g : guardados)
            QVERIFY(perfiles->activar(g).nuevo);
        const auto p = perfiles->buscar(nombre);
        QCOMPARE(p ? p->nombre : QString(), encontrado);
    }

    void activarAlguienConocido()
    {
        auto perfiles = abrir();
        const Perfil jose = perfiles->activar("José").perfil;
        e.reloj.avanzar(std::chrono::minutes(5));
        const auto [otraVez, nuevo] = perfiles->activar("JOSE");
        QVERIFY(!nuevo);
        QCOMPARE(otraVez.nombre, "José");
        QCOMPARE(otraVez.visitas, 2);
        QCOMPARE(otraVez.ultimaVisita, e.reloj.ahora());
        QCOMPARE(perfiles->todos(), QList<Perfil>{otraVez});
        QCOMPARE(perfiles->presentes(), QList<Perfil>{jose});  // the older present copy stays
        QCOMPARE(abrir()->todos().first().visitas, 2);
    }

    void asignarElMismoActivoReescribeLasClaves()
    {
        auto perfiles = abrir();
        const Perfil ana = perfiles->activar("Ana").perfil;
        QSignalSpy activo(perfiles.get(), &Perfiles::activoCambiado);
        e.reloj.avanzar(std::chrono::seconds(30));
        perfiles->setActivo(ana);
        QCOMPARE(activo.count(), 0);
        QCOMPARE(ajustes->fecha("perfilActivoDesde"), e.reloj.ahora());

        e.reloj.avanzar(std::chrono::seconds(30));
        perfiles->marcarActividad();
        QCOMPARE(ajustes->fecha("perfilActivoDesde"), e.reloj.ahora());

        perfiles->setActivo(std::nullopt);
        QCOMPARE(activo.count(), 1);
        QVERIFY(!ajustes->contiene("perfilActivo"));
        const auto desde = ajustes->fecha("perfilActivoDesde");
        e.reloj.avanzar(std::chrono::seconds(30));
        perfiles->marcarActividad();  // nobody active: nothing
        QCOMPARE(ajustes->fecha("perfilActivoDesde"), desde);
    }

    void eliminarAlActivo()
    {
        auto perfiles = abrir();
        const Perfil ana = perfiles->activar("Ana").perfil;
        const Perfil luis = perfiles->activar("Luis").perfil;
        perfiles->setActivo(ana);
        const QString huella = Perfiles::carpetaHuellas() + "/" + Codificacion::textoUuid(ana.id) + ".npz";
        QVERIFY(QDir().mkpath(Perfiles::carpetaHuellas()));
        Almacenes::escribir(huella, "npz");
        QVERIFY(Perfiles::tieneHuella(ana));
        QVERIFY(!Perfiles::tieneHuella(luis));

        perfiles->eliminar(ana);
        QVERIFY(!perfiles->activo());
        QVERIFY(!ajustes->contiene("perfilActivo"));
        QVERIFY(!QFile::exists(huella));
        QCOMPARE(perfiles->todos(), QList<Perfil>{luis});
        QCOMPARE(perfiles->presentes().size(), 1);
        QCOMPARE(ajustes->listaTextos("terminosPerfiles"), QStringList{"Luis"});
        QCOMPARE(abrir()->todos(), QList<Perfil>{luis});
        QVERIFY(QFileInfo::exists(e.hogar.en("Zuvi IA/Personas/Ana/CLAUDE.md")));  // memory stays
    }

    // A person without "visitas" is not loaded, but kept as read and written
    // back in its place; the keys a newer version added to a person stay.
    void personaIlegibleSeConserva()
    {
        const QJsonObject sinVisitas{{"id", "AAAAAAAA-0000-4000-8000-00000000000A"}, {"nombre", "Ana"},
                                     {"creado", 1}, {"ultimaVisita", 2}};
        const QJsonObject luis{{"id", "BBBBBBBB-0000-4000-8000-00000000000B"}, {"nombre", "Luis"}, {"creado", 1},
                               {"ultimaVisita", 2}, {"visitas", 4}, {"apodo", "Lucho"}};
        Almacenes::escribir(archivo(), QJsonDocument(QJsonArray{sinVisitas, luis}).toJson());
        auto perfiles = abrir();
        QCOMPARE(perfiles->todos().size(), 1);
        QCOMPARE(perfiles->todos().first().nombre, "Luis");
        QVERIFY(e.apartados("perfiles.json").isEmpty());
        QVERIFY(e.registro().contains("Elemento 1 de " + archivo() + " ilegible"));
        const Perfil marta = perfiles->activar("Marta").perfil;
        const QJsonArray escrito = Almacenes::lista(archivo());
        QCOMPARE(escrito.size(), 3);
        QCOMPARE(escrito.at(0).toObject(), sinVisitas);
        QCOMPARE(escrito.at(1).toObject(), luis);
        QCOMPARE(escrito.at(2).toObject().value("nombre").toString(), marta.nombre);
    }

    void archivoIlegibleSeAparta()
    {
        const QByteArray malo = R"({"id":"AAAAAAAA-0000-4000-8000-00000000000A","nombre":"Ana"})";
        Almacenes::escribir(archivo(), malo);
        auto perfiles = abrir();
        QVERIFY(perfiles->todos().isEmpty());
        const QStringList apartados = e.apartados("perfiles.json");
        QCOMPARE(apartados.size(), 1);
        const QString apartado = Carpetas::datosApp() + "/" + apartados.first();
        QCOMPARE(Almacenes::leer(apartado), malo);
        QVERIFY(e.registro().contains(apartado));
        perfiles->activar("Luis");
        QCOMPARE(Almacenes::leer(apartado), malo);
        QCOMPARE(Almacenes::lista(archivo()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPerfiles)
#include "TestPerfiles.moc"
