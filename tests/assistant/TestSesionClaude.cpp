#include "assistant/SesionClaude.h"
#include "core/EjecutorProceso.h"
#include "comun/AgenteFalso.h"
#include "comun/HogarTemporal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <optional>

namespace {

// What a session hands back, in the order it came.
struct Recogido {
    QStringList lineas;
    QString errores;
    std::optional<int> fin;
    int fines = 0;
    QStringList orden;   // "linea", "error" and "fin" as they arrived
};

const QStringList argumentosSesion{"-p", "--input-format", "stream-json", "--output-format", "stream-json"};

}

class TestSesionClaude : public QObject {
    Q_OBJECT

    std::unique_ptr<HogarTemporal> hogar;
    std::unique_ptr<AgenteFalso> agente;

    std::shared_ptr<SesionClaude> abrir(Recogido& r, const QString& ruta = {}, const QString& carpeta = {},
                                        const QStringList& argumentos = argumentosSesion)
    {
        return std::make_shared<SesionClaude>(
            QUuid::createUuid(), ClaveSesion{}, ruta.isEmpty() ? agente->ruta() : ruta, argumentos,
            carpeta.isEmpty() ? hogar->ruta() : carpeta,
            [this, &r](const QString& l) { alHilo([&r, l] { r.lineas << l; r.orden << "linea"; }); },
            [this, &r](const QString& e) { alHilo([&r, e] { r.errores += e; r.orden << "error"; }); },
            [this, &r](int c) { alHilo([&r, c] { r.fin = c; ++r.fines; r.orden << "fin"; }); });
    }

    // The callbacks come on the runner's thread; the test reads on its own.
    template <typename F>
    void alHilo(F f)
    {
        QMetaObject::invokeMethod(this, f, Qt::QueuedConnection);
    }

private slots:
    void init()
    {
        hogar = std::make_unique<HogarTemporal>();
        agente = std::make_unique<AgenteFalso>(*hogar);
    }
    void cleanup()
    {
        agente.reset();
        hogar.reset();
    }

    void claveComparaSusPartes()
    {
        ClaveSesion a{"/p|total", "editar", "sonnet", "", "", std::nullopt, false};
        ClaveSesion b{"/p", "total|editar", "sonnet", "", "", std::nullopt, false};
        QCOMPARE(a.texto(), b.texto());   // the joined text collides...
        QVERIFY(!(a == b));                // ...the parts do not
        ClaveSesion nueva = a, llamadaNueva = a;
        llamadaNueva.reanudar = "nueva";
        QCOMPARE(nueva.texto(), QString("/p|total|editar|sonnet|||nueva"));
        QVERIFY(!(nueva == llamadaNueva));
        ClaveSesion copia = llamadaNueva;
        copia.copia = true;
        QCOMPARE(copia.texto(), QString("/p|total|editar|sonnet|||nueva|copia"));
        QVERIFY(!(copia == llamadaNueva));
    }

    void partirLineas_data()
    {
        QTest::addColumn<QByteArray>("turno");
        QTest::addColumn<QStringList>("lineas");
        QTest::addColumn<int>("codigo");
        QTest::newRow("línea partida en dos lecturas")
            << QByteArray(R"([{"hex":"61"},{"esperar":80,"hex":"620a"},{"salir":0}])") << QStringList{"ab"} << 0;
        QTest::newRow("dos saltos seguidos dan una línea vacía")
            << QByteArray(R"([{"hex":"780a0a790a"},{"salir":0}])") << QStringList{"x", "", "y"} << 0;
        QTest::newRow("CRLF deja el retorno en la línea")
            << QByteArray(R"([{"hex":"780d0a"},{"salir":0}])") << QStringList{"x\r"} << 0;
        QTest::newRow("UTF-8 inválido se repara")
            << QByteArray(R"([{"hex":"ff410a"},{"salir":0}])") << QStringList{QString(QChar(0xFFFD)) + "A"} << 0;
        QTest::newRow("acento partido entre lecturas")
            << QByteArray(R"([{"hex":"c3"},{"esperar":80,"hex":"a10a"},{"salir":0}])") << QStringList{"á"} << 0;
        QTest::newRow("último resultado sin salto y salida inmediata")
            << QByteArray(R"([{"delta":"Hola"},{"resultado":"Hola","sinSalto":true},{"salir":0}])")
            << QStringList{R"({"type":"stream_event","event":{"type":"content_block_delta","index":0,"delta":{"type":"text_delta","text":"Hola"}},"session_id":"sesion-falsa"})",
                           R"({"type":"result","subtype":"success","is_error":false,"result":"Hola","session_id":"sesion-falsa"})"}
            << 0;
        QTest::newRow("salida con código propio")
            << QByteArray(R"([{"linea":"adiós"},{"salir":3}])") << QStringList{"adiós"} << 3;
    }

    void partirLineas()
    {
        QFETCH(QByteArray, turno);
        agente->turnos({AgenteFalso::pasos(turno)});
        Recogido r;
        auto sesion = abrir(r);
        sesion->enviar("hola");
        QTRY_VERIFY(r.fin.has_value());
        QTEST(r.lineas, "lineas");
        QTEST(*r.fin, "codigo");
        QCOMPARE(r.fines, 1);
        QCOMPARE(r.orden.last(), QString("fin"));
        QVERIFY(!sesion->enMarcha());
    }

    void lineaInconclusaEsperaSuSaltoYSeEntregaAlFinal()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"hex":"61"},{"esperar":80,"hex":"620a63"},{"atascar":true}])")});
        Recogido r;
        auto sesion = abrir(r);
        sesion->enviar("hola");
        QTRY_COMPARE(r.lineas, QStringList{"ab"});
        QTest::qWait(150);
        QCOMPARE(r.lineas, QStringList{"ab"});
        sesion->cerrar();
        QTRY_VERIFY(r.fin.has_value());
        QCOMPARE(*r.fin, 15);
        QCOMPARE(r.lineas, (QStringList{"ab", "c"}));
        QCOMPARE(r.orden, (QStringList{"linea", "linea", "fin"}));
    }

    void pedidosPorLaEntrada()
    {
        agente->escenario(R"({"turnos":[[{"atascar":true}]]})");
        Recogido r;
        auto sesion = abrir(r);
        sesion->enviar("abre «Blender»\ny sigue");
        sesion->interrumpir();
        sesion->interrumpir();
        QTRY_COMPARE(agente->entradas().size(), 3);
        const QStringList entradas = agente->entradas();

        const QJsonObject turno = QJsonDocument::fromJson(entradas[0].toUtf8()).object();
        QCOMPARE(turno.size(), 2);
        QCOMPARE(turno["type"].toString(), QString("user"));
        QCOMPARE(turno["message"].toObject(),
                 (QJsonObject{{"role", "user"}, {"content", "abre «Blender»\ny sigue"}}));

        QStringList ids;
        const QRegularExpression uuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        for (int i = 1; i < 3; ++i) {
            const QJsonObject pedido = QJsonDocument::fromJson(entradas[i].toUtf8()).object();
            QCOMPARE(pedido.size(), 3);
            QCOMPARE(pedido["type"].toString(), QString("control_request"));
            QCOMPARE(pedido["request"].toObject(), (QJsonObject{{"subtype", "interrupt"}}));
            ids << pedido["request_id"].toString();
            QVERIFY2(uuid.match(ids.last()).hasMatch(), qPrintable(ids.last()));
        }
        QVERIFY(ids[0] != ids[1]);
        // The fake answers each interrupt as the agent does.
        QTRY_VERIFY(r.lineas.join('\n').contains(ids[1]));
        sesion->cerrar();
        QTRY_VERIFY(r.fin.has_value());
    }

    void programaCarpetaYEntorno()
    {
        qputenv("PATH", "/usr/bin:/bin");
        qputenv("NO_COLOR", "0");
        const QString carpeta = hogar->en("Zuvi IA/proyecto");
        QDir().mkpath(carpeta);
        Recogido r;
        auto sesion = abrir(r, {}, carpeta, {"-p", "--model", "opus", "con espacio"});
        QTRY_VERIFY(r.fin.has_value());   // one-shot form: plays one turn and exits
        const QJsonObject inicio = agente->inicio(0);
        QCOMPARE(agente->argv(0), (QStringList{"-p", "--model", "opus", "con espacio"}));
        QCOMPARE(inicio["carpeta"].toString(), carpeta);
        const QJsonObject entorno = inicio["entorno"].toObject();
        QCOMPARE(entorno["PATH"].toString(),
                 hogar->en(".local/bin") + ":" + hogar->en(".local/bin") + ":/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin");
        QCOMPARE(entorno["NO_COLOR"].toString(), QString("1"));
        QCOMPARE(entorno["ZUVI_FALSO_REGISTRO"].toString(), hogar->en("agente-registro.jsonl"));
    }

    void errorDeInicio_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("programa ausente") << "bin/no-existe" << "" << "el programa no existe";
        QTest::newRow("carpeta ausente") << "" << "no/existe" << "no/existe» no existe";
        QTest::newRow("no ejecutable") << "texto.txt" << "" << "no se puede ejecutar";
    }

    void errorDeInicio()
    {
        QFETCH(QString, ruta);
        QFETCH(QString, carpeta);
        QFETCH(QString, mensaje);
        QFile texto(hogar->en("texto.txt"));
        QVERIFY(texto.open(QIODevice::WriteOnly));
        texto.close();
        Recogido r;
        try {
            abrir(r, ruta.isEmpty() ? QString() : hogar->en(ruta), carpeta.isEmpty() ? QString() : hogar->en(carpeta));
            QFAIL("se esperaba un error");
        } catch (const ErrorProceso& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(mensaje), e.what());
        }
        QTest::qWait(50);
        QVERIFY(r.orden.isEmpty());
        QCOMPARE(agente->procesos(), 0);
    }

    void erroresLleganEnteros()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"error":"fallo "},{"errorHex":"c3"},{"esperar":80,"errorHex":"a10a"},{"salir":1}])")});
        Recogido r;
        auto sesion = abrir(r);
        sesion->enviar("hola");
        QTRY_VERIFY(r.fin.has_value());
        QCOMPARE(r.errores, QString("fallo á\n"));
        QCOMPARE(*r.fin, 1);
    }

    void sesionSoltadaSigueHastaSuFin()
    {
        agente->turnos({AgenteFalso::pasos(R"([{"esperar":150,"linea":"tarde"},{"salir":0}])")});
        Recogido r;
        auto sesion = abrir(r);
        sesion->enviar("hola");
        sesion.reset();
        QTRY_VERIFY(r.fin.has_value());
        QCOMPARE(*r.fin, 0);
        QVERIFY(r.lineas.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSesionClaude)
#include "TestSesionClaude.moc"
