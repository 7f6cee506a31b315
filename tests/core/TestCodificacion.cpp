#include "core/Codificacion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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
    void decodificarConversaciones_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<bool>("valido");

        QTest::newRow("correcto") << bytes(conversacion()) << true;
        QTest::newRow("lista vacía") << QByteArray("[]") << true;
        QTest::newRow("opcional null") << bytes(con(conversacion(), [](auto& o) { o["sesionClaude"] = QJsonValue(); }))
                                       << true;
        QTest::newRow("clave desconocida") << bytes(con(conversacion(), [](auto& o) { o["extra"] = 1; })) << true;
        QTest::newRow("uuid en minúsculas")
            << bytes(con(conversacion(), [](auto& o) { o["id"] = uuidA.toLower(); })) << true;

        QTest::newRow("rol desconocido")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["rol"] = "sistema"; }))) << false;
        QTest::newRow("agente desconocido")
            << bytes(conversacion(con(mensaje(), [](auto& m) { m["agente"] = "gemini"; }))) << false;
        QTest::newRow("falta titulo") << bytes(con(conversacion(), [](auto& o) { o.remove("titulo"); })) << false;
        QTest::newRow("requerido null") << bytes(con(conversacion(), [](auto& o) { o["creada"] = QJsonValue(); }))
                                        << false;
        QTest::newRow("titulo numérico") << bytes(con(conversacion(), [](auto& o) { o["titulo"] = 3; })) << false;
        QTest::newRow("fecha en texto") << bytes(conversacion(con(mensaje(), [](auto& m) { m["fecha"] = "ayer"; })))
                                        << false;
        QTest::newRow("uuid sin guiones")
            << bytes(con(conversacion(), [](auto& o) { o["id"] = QString(uuidA).remove('-'); })) << false;
        QTest::newRow("uuid con llaves")
            << bytes(con(conversacion(), [](auto& o) { o["perfilID"] = "{" + uuidA + "}"; })) << false;
        QTest::newRow("esReunion en texto") << bytes(con(conversacion(), [](auto& o) { o["esReunion"] = "true"; }))
                                            << false;
        QTest::newRow("asistente numérico")
            << bytes(con(conversacion(), [](auto& o) { o["asistentes"] = QJsonArray{"Ana", 2}; })) << false;
        QTest::newRow("no es lista") << QByteArray("{}") << false;
        QTest::newRow("elemento no objeto") << QByteArray("[1]") << false;
        QTest::newRow("JSON roto") << QByteArray("[") << false;
    }

    void decodificarConversaciones()
    {
        QFETCH(QByteArray, datos);
        QFETCH(bool, valido);
        bool leido = true;
        try {
            Codificacion::decodificarConversaciones(datos);
        } catch (const Codificacion::ErrorDecodificacion&) {
            leido = false;
        }
        QCOMPARE(leido, valido);
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
        QCOMPARE(Codificacion::decodificarConversaciones(datos), QList<Conversacion>{c});

        const Perfil p{QUuid::createUuid(), "Ana", momento, momento.addDays(1), 7};
        QCOMPARE(Codificacion::decodificarPerfiles(Codificacion::codificar(QList<Perfil>{p})), QList<Perfil>{p});
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
        QCOMPARE(Codificacion::decodificarConversaciones(datos), lista);  // order kept
        datos.replace(datos.lastIndexOf("\"codex\""), 7, "\"gemini\"");
        QVERIFY_THROWS_EXCEPTION(Codificacion::ErrorDecodificacion, Codificacion::decodificarConversaciones(datos));
    }

    void fechasDesde2001()
    {
        const QDateTime momento(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC);
        QCOMPARE(Codificacion::segundosDesde2001(momento), 1.5);
        QCOMPARE(Codificacion::fechaDesde2001(-0.25), QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 750), Qt::UTC));
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
        bool leido = true;
        try {
            Codificacion::decodificarPerfiles(bytes(o));
        } catch (const Codificacion::ErrorDecodificacion&) {
            leido = false;
        }
        QCOMPARE(leido, valido);
    }
};

QTEST_GUILESS_MAIN(TestCodificacion)
#include "TestCodificacion.moc"
