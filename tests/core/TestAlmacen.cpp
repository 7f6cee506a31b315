#include "Almacenes.h"
#include "core/Almacen.h"
#include "core/CarpetasMemoria.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QString idA = QStringLiteral("AAAAAAAA-0000-4000-8000-000000000001");
const QString idB = QStringLiteral("BBBBBBBB-0000-4000-8000-000000000002");
const QString idC = QStringLiteral("CCCCCCCC-0000-4000-8000-000000000003");

QJsonObject mensajeJson(const QString& texto = QStringLiteral("hola"))
{
    return {{"id", "DDDDDDDD-0000-4000-8000-000000000004"}, {"rol", "usuario"}, {"texto", texto}, {"fecha", 1.5}};
}

QJsonObject conversacionJson(const QString& id, double actualizada, QJsonArray mensajes = {})
{
    return {{"id", id}, {"titulo", "t " + id.left(1)}, {"mensajes", mensajes}, {"creada", 0.25},
            {"actualizada", actualizada}};
}

QByteArray json(const QJsonArray& a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

QUuid uuid(const QString& s) { return QUuid::fromString(s); }

}

class TestAlmacen : public QObject {
    Q_OBJECT

    Almacenes e;
    QString archivo() const { return Almacenes::archivo(); }

    std::unique_ptr<Almacen> abrir()
    {
        return std::make_unique<Almacen>(e.reloj, *e.perfiles, Carpetas::datosApp());
    }

    // The file once every save asked for has been written.
    QJsonArray enDisco(Almacen& almacen) const
    {
        almacen.esperarGuardado();
        return Almacenes::lista(archivo());
    }

    std::unique_ptr<Almacen> abrirCon(const QJsonArray& conversaciones)
    {
        Almacenes::escribir(archivo(), json(conversaciones));
        return abrir();
    }

private slots:
    void init() { e.empezar(); }

    void sinArchivoLaPrimeraNuevaCreaProyecto()
    {
        const QString antes = e.registro();
        auto almacen = abrir();
        QVERIFY(almacen->conversaciones().isEmpty());
        QVERIFY(!almacen->actual());
        QCOMPARE(e.registro(), antes);  // a missing file is not worth a log line
        QVERIFY(!almacen->apartado());

        const QUuid id = almacen->nueva();
        QCOMPARE(almacen->seleccion(), id);
        const Conversacion c = *almacen->actual();
        QCOMPARE(c.titulo, "Proyecto nuevo");
        QCOMPARE(c.creada, e.reloj.ahora());
        QCOMPARE(*c.carpeta, e.hogar.en("Zuvi IA/Proyectos/") + CarpetasMemoria::nombreProyecto(e.reloj.ahora()));
        QVERIFY(QFileInfo::exists(*c.carpeta + "/CLAUDE.md"));
        QCOMPARE(enDisco(*almacen).size(), 1);
        QVERIFY(e.apartados("conversaciones.json").isEmpty());
    }

    void cargaOrdenadaYEstable()
    {
        auto almacen = abrirCon({conversacionJson(idA, 10), conversacionJson(idB, 20), conversacionJson(idC, 10)});
        QList<QUuid> orden;
        for (const auto& c : almacen->conversaciones())
            orden << c.id;
        QCOMPARE(orden, (QList<QUuid>{uuid(idB), uuid(idA), uuid(idC)}));
        QCOMPARE(almacen->seleccion(), uuid(idB));
    }

    void nuevaReutilizaLaPrimeraVacia_data()
    {
        QTest::addColumn<bool>("conCarpeta");
        QTest::newRow("con carpeta propia") << true;
        QTest::newRow("sin carpeta") << false;
    }

    void nuevaReutilizaLaPrimeraVacia()
    {
        QFETCH(bool, conCarpeta);
        QJsonObject reunion = conversacionJson(idB, 5);
        reunion["perfilID"] = idC;
        reunion["esReunion"] = true;
        reunion["asistentes"] = QJsonArray{"Ana", "Luis"};
        reunion["sesionClaude"] = "s-1";
        if (conCarpeta)
            reunion["carpeta"] = "/tmp/propia";
        auto almacen = abrirCon({conversacionJson(idA, 30, {mensajeJson()}), reunion, conversacionJson(idC, 1)});
        e.reloj.avanzar(std::chrono::seconds(3));

        QCOMPARE(almacen->nueva(), uuid(idB));
        QCOMPARE(almacen->seleccion(), uuid(idB));
        QCOMPARE(almacen->conversaciones().size(), 3);
        const Conversacion c = almacen->conversaciones().at(1);
        QCOMPARE(c.id, uuid(idB));
        QCOMPARE(c.titulo, "Proyecto nuevo");
        QVERIFY(!c.perfilID && !c.esReunion && !c.asistentes);
        QCOMPARE(c.sesionClaude, "s-1");
        QCOMPARE(c.creada, Codificacion::fechaDesde2001(0.25));
        QCOMPARE(c.actualizada, e.reloj.ahora());
        if (conCarpeta)
            QCOMPARE(*c.carpeta, "/tmp/propia");
        else
            QVERIFY(c.carpeta->startsWith(e.hogar.en("Zuvi IA/Proyectos/")));
        const QJsonObject guardada = enDisco(*almacen).at(1).toObject();
        QCOMPARE(guardada["titulo"].toString(), "Proyecto nuevo");
        QVERIFY(!guardada.contains("perfilID"));
    }

    void nuevaSinVaciasInsertaDelante()
    {
        auto almacen = abrirCon({conversacionJson(idA, 30, {mensajeJson()})});
        QSignalSpy lista(almacen.get(), &Almacen::conversacionesCambiadas);
        const QUuid id = almacen->nueva();
        QCOMPARE(almacen->conversaciones().size(), 2);
        QCOMPARE(almacen->conversaciones().first().id, id);
        QCOMPARE(lista.count(), 1);
        QCOMPARE(enDisco(*almacen).size(), 2);
    }

    void cambiarSellaYAvisaUnaVez()
    {
        auto almacen = abrirCon({conversacionJson(idA, 30, {mensajeJson()}), conversacionJson(idB, 20)});
        QSignalSpy una(almacen.get(), &Almacen::conversacionCambiada);
        QSignalSpy lista(almacen.get(), &Almacen::conversacionesCambiadas);
        e.reloj.avanzar(std::chrono::seconds(1));

        almacen->cambiar(uuid(idB), false, [](Conversacion& c) {
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, "x", AgenteCLI::codex);
            c.actualizada = QDateTime::fromSecsSinceEpoch(0);
        });
        const Conversacion b = almacen->conversaciones().at(1);
        QCOMPARE(b.actualizada, e.reloj.ahora());
        QCOMPARE(b.mensajes.size(), 1);
        QCOMPARE(una.count(), 1);
        QCOMPARE(una.first().first().value<QUuid>(), uuid(idB));
        QCOMPARE(lista.count(), 0);
        // guardar false leaves the file alone; the order stays until the next launch
        QCOMPARE(enDisco(*almacen).at(1).toObject()["mensajes"].toArray().size(), 0);
        QCOMPARE(almacen->conversaciones().first().id, uuid(idA));

        // same clock, nothing edited: silent
        almacen->cambiar(uuid(idB), false, [](Conversacion&) {});
        QCOMPARE(una.count(), 1);

        almacen->cambiar(uuid(idB), true, [](Conversacion& c) { c.titulo = "otro"; });
        QCOMPARE(enDisco(*almacen).at(1).toObject()["titulo"].toString(), "otro");
    }

    void cambiarIdDesconocidoNoEscribe()
    {
        auto almacen = abrirCon({conversacionJson(idA, 30)});
        QFile::remove(archivo());
        QSignalSpy una(almacen.get(), &Almacen::conversacionCambiada);
        bool llamado = false;
        almacen->cambiar(uuid(idC), true, [&](Conversacion&) { llamado = true; });
        QVERIFY(!llamado);
        QCOMPARE(una.count(), 0);
        almacen->esperarGuardado();
        QVERIFY(!QFile::exists(archivo()));
    }

    // Streamed text goes into its message in memory; only a save touches
    // the file, and an unknown conversation or message changes nothing.
    void anexarTexto()
    {
        auto almacen = abrirCon({conversacionJson(idA, 30, {mensajeJson("Hola")})});
        const QUuid mensaje = almacen->conversaciones().first().mensajes.first().id;
        QSignalSpy una(almacen.get(), &Almacen::conversacionCambiada);
        e.reloj.avanzar(std::chrono::seconds(1));

        almacen->anexarTexto(uuid(idA), mensaje, ", Ana", false);
        almacen->anexarTexto(uuid(idA), mensaje, QString(), false);
        almacen->anexarTexto(uuid(idA), QUuid::createUuid(), "x", true);
        almacen->anexarTexto(uuid(idC), mensaje, "x", true);
        QCOMPARE(almacen->conversaciones().first().mensajes.first().texto, "Hola, Ana");
        QCOMPARE(almacen->conversaciones().first().actualizada, e.reloj.ahora());
        QCOMPARE(una.count(), 1);
        QCOMPARE(enDisco(*almacen).at(0).toObject()["mensajes"].toArray().at(0).toObject()["texto"].toString(), "Hola");

        almacen->anexarTexto(uuid(idA), mensaje, ".", true);
        QCOMPARE(enDisco(*almacen).at(0).toObject()["mensajes"].toArray().at(0).toObject()["texto"].toString(),
                 "Hola, Ana.");
    }

    void eliminarYSeleccion_data()
    {
        QTest::addColumn<QStringList>("enArchivo");
        QTest::addColumn<QString>("seleccion");
        QTest::addColumn<QString>("borrar");
        QTest::addColumn<QString>("despues");  // empty: nothing selected
        QTest::addColumn<int>("quedan");
        QTest::newRow("la seleccionada") << QStringList{idA, idB, idC} << idA << idA << idB << 2;
        QTest::newRow("otra") << QStringList{idA, idB, idC} << idC << idB << idC << 2;
        QTest::newRow("la única") << QStringList{idA} << idA << idA << QString() << 0;
        QTest::newRow("desconocida") << QStringList{idA, idB} << idB << idC << idB << 2;
    }

    void eliminarYSeleccion()
    {
        QFETCH(QStringList, enArchivo);
        QFETCH(QString, seleccion);
        QFETCH(QString, borrar);
        QFETCH(QString, despues);
        QFETCH(int, quedan);
        QJsonArray a;
        double fecha = 100;
        for (const QString& id : enArchivo)
            a.append(conversacionJson(id, fecha--));
        auto almacen = abrirCon(a);
        almacen->setSeleccion(uuid(seleccion));
        QFile::remove(archivo());

        almacen->eliminar(uuid(borrar));
        QCOMPARE(almacen->conversaciones().size(), quedan);
        QCOMPARE(almacen->seleccion(), despues.isEmpty() ? std::nullopt : std::optional(uuid(despues)));
        QCOMPARE(enDisco(*almacen).size(), quedan);  // written in every case
    }

    void carpetaDeUnaConversacion()
    {
        auto almacen = abrir();
        const auto ana = e.perfiles->activar("Ana").perfil;
        Conversacion c;
        QCOMPARE(almacen->carpeta(c), e.hogar.en("Zuvi IA"));
        c.perfilID = ana.id;
        QCOMPARE(almacen->carpeta(c), e.hogar.en("Zuvi IA/Personas/Ana"));
        c.carpeta = "/tmp/x";
        QCOMPARE(almacen->carpeta(c), "/tmp/x");
        c.carpeta.reset();
        e.perfiles->eliminar(ana);
        QCOMPARE(almacen->carpeta(c), e.hogar.en("Zuvi IA"));
    }

    // Forgetting a person must not move their projects to the root: only
    // their own conversations without a folder are pinned, unstamped.
    void fijarCarpetaDePersona()
    {
        const auto ana = e.perfiles->activar("Ana").perfil;
        const auto beto = e.perfiles->activar("Beto").perfil;
        QJsonObject deAna = conversacionJson(idA, 100);
        deAna["perfilID"] = ana.id.toString(QUuid::WithoutBraces).toUpper();
        QJsonObject conCarpeta = conversacionJson(idB, 200);
        conCarpeta["perfilID"] = deAna["perfilID"];
        conCarpeta["carpeta"] = "/tmp/propia";
        QJsonObject deBeto = conversacionJson(idC, 300);
        deBeto["perfilID"] = beto.id.toString(QUuid::WithoutBraces).toUpper();
        auto almacen = abrirCon({deAna, conCarpeta, deBeto});
        const QDateTime actualizada = almacen->conversacion(uuid(idA))->actualizada;
        QSignalSpy cambiadas(almacen.get(), &Almacen::conversacionCambiada);
        e.reloj.avanzar(std::chrono::hours(1));

        almacen->fijarCarpetaDePersona(ana);
        e.perfiles->eliminar(ana);
        const auto c = almacen->conversacion(uuid(idA));
        QVERIFY(c);
        QCOMPARE(almacen->carpeta(*c), e.hogar.en("Zuvi IA/Personas/Ana"));
        QCOMPARE(c->actualizada, actualizada);
        QCOMPARE(cambiadas.count(), 1);
        QCOMPARE(almacen->conversacion(uuid(idB))->carpeta, std::optional<QString>("/tmp/propia"));
        QCOMPARE(almacen->conversacion(uuid(idC))->carpeta, std::nullopt);

        // Stored as it is in memory, so a restart keeps the folder too.
        almacen.reset();
        almacen = abrir();
        QCOMPARE(almacen->carpeta(*almacen->conversacion(uuid(idA))), e.hogar.en("Zuvi IA/Personas/Ana"));
        QCOMPARE(almacen->conversacion(uuid(idA))->actualizada, c->actualizada);
    }

    void archivoIlegibleSeAparta_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("JSON roto") << QByteArray("[{\"id\":");
        QTest::newRow("no es una lista") << json({}).replace('[', '{').replace(']', '}');
    }

    void archivoIlegibleSeAparta()
    {
        QFETCH(QByteArray, contenido);
        Almacenes::escribir(archivo(), contenido);
        auto almacen = abrir();
        QVERIFY(almacen->conversaciones().isEmpty());
        QVERIFY(!almacen->seleccion());
        const QStringList apartados = e.apartados("conversaciones.json");
        QCOMPARE(apartados, QStringList{"conversaciones.json.ilegible-"
                                        + e.reloj.ahora().toLocalTime().toString("yyyyMMdd-HHmmss")});
        const QString apartado = Carpetas::datosApp() + "/" + apartados.first();
        QCOMPARE(Almacenes::leer(apartado), contenido);
        QVERIFY(e.registro().contains(apartado));
        QCOMPARE(almacen->apartado(), apartado);
        QSignalSpy descartado(almacen.get(), &Almacen::apartadoCambiado);
        almacen->descartarApartado();
        QVERIFY(!almacen->apartado());
        QCOMPARE(descartado.count(), 1);

        almacen->nueva();  // the next save writes a new file beside it
        QCOMPARE(Almacenes::leer(apartado), contenido);
        QCOMPARE(enDisco(*almacen).size(), 1);
    }

    // A newer version's file: a conversation this one cannot read is logged,
    // kept out of the list and written back in its place; the rest load and
    // keep the keys they do not know.
    void conversacionIlegibleSeConserva_data()
    {
        QTest::addColumn<QJsonObject>("ilegible");
        QJsonObject malRol = mensajeJson();
        malRol["rol"] = "sistema";
        QTest::newRow("mensaje vacío") << conversacionJson(idA, 3, {QJsonObject()});
        QTest::newRow("rol desconocido") << conversacionJson(idA, 3, {malRol});
        QTest::newRow("fecha desbordada") << conversacionJson(idA, 1e17);
        QJsonObject malId = conversacionJson(idA, 3);
        malId["id"] = "A-1";
        QTest::newRow("uuid malo") << malId;
    }

    void conversacionIlegibleSeConserva()
    {
        QFETCH(QJsonObject, ilegible);
        QJsonObject nueva = conversacionJson(idB, 2, {mensajeJson()});
        nueva["etiquetas"] = QJsonArray{"web"};
        QJsonObject mensaje = mensajeJson();
        mensaje["adjunto"] = QJsonObject{{"ruta", "/a.png"}};
        nueva["mensajes"] = QJsonArray{mensaje};
        const QJsonArray archivoEntero{nueva, ilegible, conversacionJson(idC, 1)};
        Almacenes::escribir(archivo(), json(archivoEntero));
        auto almacen = abrir();
        QCOMPARE(almacen->conversaciones().size(), 2);
        QCOMPARE(almacen->seleccion(), uuid(idB));
        QVERIFY(e.apartados("conversaciones.json").isEmpty());
        QVERIFY(e.registro().contains("Elemento 2 de " + archivo() + " ilegible"));

        almacen->cambiar(uuid(idB), true, [](Conversacion& c) { c.titulo = "cambiado"; });
        QJsonArray esperado = archivoEntero;
        nueva["titulo"] = "cambiado";
        nueva["actualizada"] = Codificacion::segundosDesde2001(e.reloj.ahora());
        esperado[0] = nueva;
        // Compared as values: Qt writes an integral 1e17 without exponent.
        QCOMPARE(enDisco(*almacen).toVariantList(), esperado.toVariantList());
    }

    void guardadoFallidoSeAnota()
    {
        auto almacen = abrir();
        const QString carpeta = Carpetas::datosApp();
        QDir(carpeta).removeRecursively();
        Almacenes::escribir(carpeta, "no es una carpeta");  // even root cannot write inside a file
        const QUuid id = almacen->nueva();
        almacen->esperarGuardado();
        QCOMPARE(almacen->conversaciones().size(), 1);
        QCOMPARE(almacen->seleccion(), id);
        QVERIFY(e.registro().contains("No se pudo guardar " + archivo()));
        QFile::remove(carpeta);
    }
};

QTEST_GUILESS_MAIN(TestAlmacen)
#include "TestAlmacen.moc"
