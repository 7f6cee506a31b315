#include "core/Codificacion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

namespace {

const QString uuidA = QStringLiteral("AAAAAAAA-0000-4000-8000-00000000000A");

QJsonObject mensaje()
{
    return {{"id", uuidA}, {"rol", "agente"}, {"texto", "hola"}, {"fecha", 10.5}};
}

QJsonObject conversacion(const QJsonObject& m = mensaje())
{
    return {{"id", uuidA}, {"titulo", "t"}, {"mensajes", QJsonArray{m}}, {"creada", 1}, {"actualizada", 2.25}};
}

QByteArray bytes(const QJsonObject& c) { return QJsonDocument(QJsonArray{c}).toJson(QJsonDocument::Compact); }

template <typename F>
QJsonObject con(QJsonObject o, F f)
{
    f(o);
    return o;
}

}

class TestCodificacion : public QObject {
    Q_OBJECT

private slots:
    // "leída": one conversation; "ilegible": kept as read, apart; "apartada":
    // the whole file cannot be a store.
    void decodificarConversaciones_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QString>("resultado");

        QTest::newRow("correcto") << bytes(conversacion()) << "leída";
        QTest::newRow("lista vacía") << QByteArray("[]") << "vacía";
        QTest::newRow("opcional null") << bytes(con(conversacion(), [](auto& o) { o["sesionClaude"] = QJsonValue(); }))
                                       << "leída";
        QTest::newRow("clave desconocida") << bytes(con(conversacion(), [](auto& o) { o["extra"] = 1; })) << "leída";
        QTest::newRow("uuid en minúsculas")
            << bytes(con(conversacion(), [](auto& o) { o["id"] = uuidA.toLower(); })) << "leída";

        QTest::newRow("rol desconocido")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["rol"] = "sistema"; }))) << "ilegible";
        QTest::newRow("agente desconocido")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["agente"] = "gemini"; }))) << "ilegible";
        QTest::newRow("falta titulo") << bytes(con(conversacion(), [](auto& o) { o.remove("titulo"); })) << "ilegible";
        QTest::newRow("requerido null") << bytes(con(conversacion(), [](auto& o) { o["creada"] = QJsonValue(); }))
                                        << "ilegible";
        QTest::newRow("titulo numérico") << bytes(con(conversacion(), [](auto& o) { o["titulo"] = 3; })) << "ilegible";
        QTest::newRow("fecha en texto")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["fecha"] = "ayer"; }))) << "ilegible";
        // Seconds whose milliseconds pass a 64-bit count, either way.
        QTest::newRow("fecha desbordada")
            << bytes(con(conversacion(), [](auto& o) { o["actualizada"] = 9.3e15; })) << "ilegible";
        QTest::newRow("fecha desbordada hacia atrás")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["fecha"] = -9.3e15; }))) << "ilegible";
        QTest::newRow("uuid sin guiones")
            << bytes(con(conversacion(), [](auto& o) { o["id"] = QString(uuidA).remove('-'); })) << "ilegible";
        QTest::newRow("uuid con llaves")
            << bytes(con(conversacion(), [](auto& o) { o["perfilID"] = "{" + uuidA + "}"; })) << "ilegible";
        QTest::newRow("esReunion en texto") << bytes(con(conversacion(), [](auto& o) { o["esReunion"] = "true"; }))
                                            << "ilegible";
        QTest::newRow("asistente numérico")
            << bytes(con(conversacion(), [](auto& o) { o["asistentes"] = QJsonArray{"Ana", 2}; })) << "ilegible";
        QTest::newRow("elemento no objeto") << QByteArray("[1]") << "ilegible";
        QTest::newRow("no es lista") << QByteArray("{}") << "apartada";
        QTest::newRow("JSON roto") << QByteArray("[") << "apartada";
    }

    void decodificarConversaciones()
    {
        QFETCH(QByteArray, datos);
        QFETCH(QString, resultado);
        std::optional<Codificacion::Lectura<Conversacion>> lectura;
        try {
            lectura = Codificacion::decodificarConversaciones(datos);
        } catch (const Codificacion::ErrorDecodificacion&) {
        }
        QCOMPARE(lectura.has_value(), resultado != "apartada");
        if (!lectura)
            return;
        QCOMPARE(lectura->elementos.size(), resultado == "leída" ? 1 : 0);
        QCOMPARE(lectura->ilegibles.size(), resultado == "ilegible" ? 1 : 0);
        if (resultado == "ilegible") {
            QCOMPARE(lectura->ilegibles.first().valor, QJsonDocument::fromJson(datos).array().first());
            QVERIFY(!lectura->ilegibles.first().motivo.isEmpty());
            // Written back as it was read.
            QCOMPARE(QJsonDocument::fromJson(Codificacion::codificar(lectura->elementos, lectura->ilegibles)),
                     QJsonDocument::fromJson(datos));
        }
    }

    // A newer version's keys at every level, and elements this one cannot
    // read between readable ones, come back unchanged and in place.
    void versionNuevaSeConserva()
    {
        const QJsonObject rara = con(conversacion(con(mensaje(), [](auto& m) { m["rol"] = "sistema"; })),
                                     [](auto& o) { o["id"] = "BBBBBBBB-0000-4000-8000-00000000000B"; });
        const QJsonObject conExtras = con(
            conversacion(con(mensaje(), [](auto& m) { m["adjuntos"] = QJsonArray{QJsonObject{{"n", "a.png"}}}; })),
            [](auto& o) {
                o["etiquetas"] = QJsonArray{"web", 3};
                o["archivada"] = true;
                o["nota \"x\"\n"] = QJsonValue();
            });
        const QJsonArray archivo{rara, conExtras, "¿?", conversacion()};
        const QByteArray datos = QJsonDocument(archivo).toJson(QJsonDocument::Compact);
        const auto lectura = Codificacion::decodificarConversaciones(datos);
        QCOMPARE(lectura.elementos.size(), 2);
        QCOMPARE(lectura.elementos.first().otras.keys(), (QStringList{"archivada", "etiquetas", "nota \"x\"\n"}));
        QCOMPARE(lectura.elementos.first().mensajes.first().otras.keys(), QStringList{"adjuntos"});
        QCOMPARE(lectura.ilegibles.size(), 2);
        QCOMPARE(lectura.ilegibles.at(0).posicion, 0);
        QCOMPARE(lectura.ilegibles.at(1).posicion, 2);
        QCOMPARE(QJsonDocument::fromJson(Codificacion::codificar(lectura.elementos, lectura.ilegibles)).array(),
                 archivo);
        // A list that shrank still writes every unreadable element, last.
        const QJsonArray corta =
            QJsonDocument::fromJson(Codificacion::codificar(QList<Conversacion>{}, lectura.ilegibles)).array();
        QCOMPARE(corta, (QJsonArray{rara, "¿?"}));

        QJsonObject persona{{"id", uuidA}, {"nombre", "Ana"}, {"creado", 1}, {"ultimaVisita", 2}, {"visitas", 3},
                            {"voz", QJsonObject{{"tono", 1.5}}}};
        const QJsonArray gente{persona, QJsonObject{{"id", uuidA}, {"nombre", "Sin visitas"}}};
        const auto perfiles = Codificacion::decodificarPerfiles(QJsonDocument(gente).toJson());
        QCOMPARE(perfiles.elementos.size(), 1);
        QCOMPARE(perfiles.elementos.first().otras, (QJsonObject{{"voz", QJsonObject{{"tono", 1.5}}}}));
        QCOMPARE(perfiles.ilegibles.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(Codificacion::codificar(perfiles.elementos, perfiles.ilegibles)).array(),
                 gente);
    }

    void sinOpcionalesSoloLasClavesFijas()
    {
        Conversacion c;
        c.id = QUuid::createUuid();
        c.creada = c.actualizada = QDateTime::currentDateTime();
        c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, "hola");
        const QJsonObject o = QJsonDocument::fromJson(Codificacion::codificar(QList<Conversacion>{c}))
                                  .array().first().toObject();
        QCOMPARE(o.keys(), (QStringList{"actualizada", "creada", "id", "mensajes", "titulo"}));
        QCOMPARE(o["mensajes"].toArray().first().toObject().keys(), (QStringList{"fecha", "id", "rol", "texto"}));
        QCOMPARE(o["id"].toString(), c.id.toString(QUuid::WithoutBraces).toUpper());
    }

    void idaYVuelta()
    {
        const QDateTime momento(QDate(2026, 3, 9), QTime(9, 5, 3, 7), Qt::UTC);
        Conversacion c;
        c.id = QUuid::createUuid();
        c.titulo = "Reunión «1»";
        c.creada = momento;
        c.actualizada = momento.addSecs(60);
        c.mensajes << Mensaje::nuevo(Mensaje::Rol::acta, "dicho", AgenteCLI::claude, "José", momento)
                   << Mensaje::nuevo(Mensaje::Rol::error, "", std::nullopt, std::nullopt, momento)
                   << Mensaje::nuevo(Mensaje::Rol::usuario, QString::fromUtf8("\"a\\b\n\t\x01 ñ 🎉"),
                                     std::nullopt, std::nullopt, momento);
        c.sesionClaude = "sesion";
        c.perfilID = QUuid::createUuid();
        c.carpeta = "/home/x/Zuvi IA";
        c.esReunion = false;
        c.asistentes = QStringList{};
        const QByteArray datos = Codificacion::codificar(QList<Conversacion>{c});
        QVERIFY(!datos.contains(' ') || datos.contains("Zuvi IA"));
        QVERIFY(!datos.contains('\n'));
        QCOMPARE(Codificacion::decodificarConversaciones(datos).elementos, QList<Conversacion>{c});

        const Perfil p{QUuid::createUuid(), "Ana", momento, momento.addDays(1), 7};
        QCOMPARE(Codificacion::decodificarPerfiles(Codificacion::codificar(QList<Perfil>{p})).elementos,
                 QList<Perfil>{p});
    }

    void listaGrandeEnParalelo()
    {
        QList<Conversacion> lista;
        for (int i = 0; i < 500; ++i) {
            Conversacion c;
            c.id = QUuid::createUuid();
            c.titulo = QString::number(i);
            c.creada = c.actualizada = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(i);
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, "x", AgenteCLI::codex, std::nullopt, c.creada);
            lista << c;
        }
        QByteArray datos = Codificacion::codificar(lista);
        QCOMPARE(QJsonDocument::fromJson(datos).array().size(), 500);
        QCOMPARE(Codificacion::decodificarConversaciones(datos).elementos, lista);  // order kept
        datos.replace(datos.lastIndexOf("\"codex\""), 7, "\"gemini\"");
        const auto lectura = Codificacion::decodificarConversaciones(datos);
        QCOMPARE(lectura.elementos, lista.mid(0, 499));
        QCOMPARE(lectura.ilegibles.size(), 1);
        QCOMPARE(lectura.ilegibles.first().posicion, 499);
    }

    void fechasDesde2001()
    {
        const QDateTime momento(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC);
        QCOMPARE(Codificacion::segundosDesde2001(momento), 1.5);
        QCOMPARE(Codificacion::fechaDesde2001(-0.25), QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 750), Qt::UTC));
        QCOMPARE(Codificacion::fechaDesde2001(9.3e15), std::nullopt);
        QCOMPARE(Codificacion::fechaDesde2001(std::numeric_limits<double>::infinity()), std::nullopt);
    }

    void perfilSinVisitasNoSeLee_data()
    {
        QTest::addColumn<QJsonValue>("visitas");
        QTest::addColumn<bool>("valido");
        QTest::newRow("entero") << QJsonValue(3) << true;
        QTest::newRow("falta") << QJsonValue(QJsonValue::Undefined) << false;
        QTest::newRow("fraccion") << QJsonValue(2.5) << false;
        QTest::newRow("texto") << QJsonValue("3") << false;
    }

    void perfilSinVisitasNoSeLee()
    {
        QFETCH(QJsonValue, visitas);
        QFETCH(bool, valido);
        QJsonObject o{{"id", uuidA}, {"nombre", "Ana"}, {"creado", 1}, {"ultimaVisita", 2}};
        if (!visitas.isUndefined())
            o["visitas"] = visitas;
        const auto lectura = Codificacion::decodificarPerfiles(bytes(o));
        QCOMPARE(lectura.elementos.size(), valido ? 1 : 0);
        QCOMPARE(lectura.ilegibles.size(), valido ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestCodificacion)
#include "TestCodificacion.moc"
