#include "audio/FlujoVoz.h"
#include "audio/SaludoVoz.h"
#include "audio/VozNeural.h"

#include <QJsonDocument>
#include <QTest>

class TestProtocoloVoz : public QObject {
    Q_OBJECT

private slots:
    void saludo_data()
    {
        QTest::addColumn<QStringList>("trozos");
        QTest::addColumn<int>("puerto");  // -1: none announced
        QTest::addColumn<bool>("listo");
        QTest::addColumn<QString>("motor");  // empty: none announced
        QTest::addColumn<int>("lenta");      // -1: none announced
        QTest::newRow("juntos") << QStringList{"PUERTO=4321\nLISTO\n"} << 4321 << true << "" << -1;
        QTest::newRow("puerto cortado") << QStringList{"PUER", "TO=43", "21\nLISTO\n"} << 4321 << true << "" << -1;
        QTest::newRow("listo cortado") << QStringList{"PUERTO=80\nLIS", "TO\n"} << 80 << true << "" << -1;
        QTest::newRow("listo sin fin de linea") << QStringList{"PUERTO=80\nLISTO"} << 80 << false << "" << -1;
        QTest::newRow("signo mas") << QStringList{"PUERTO=+12\n"} << 12 << false << "" << -1;
        QTest::newRow("vacio") << QStringList{"PUERTO=\n"} << -1 << false << "" << -1;
        QTest::newRow("letras") << QStringList{"PUERTO=abc\n"} << -1 << false << "" << -1;
        QTest::newRow("mezcla") << QStringList{"PUERTO=12a\n"} << -1 << false << "" << -1;
        QTest::newRow("solo signo") << QStringList{"PUERTO=-\n"} << -1 << false << "" << -1;
        QTest::newRow("demasiado grande") << QStringList{"PUERTO=99999999999\n"} << -1 << false << "" << -1;
        QTest::newRow("listo con espacio") << QStringList{"LISTO \n"} << -1 << false << "" << -1;
        QTest::newRow("otras lineas") << QStringList{"cargando modelo…\n\n\nPUERTO=7\nruido\n"} << 7 << false << "" << -1;
        QTest::newRow("el ultimo puerto gana") << QStringList{"PUERTO=7\nPUERTO=\nPUERTO=9\n"} << 9 << false << "" << -1;
        QTest::newRow("motor natural") << QStringList{"PUERTO=80\nMOTOR=qwen3-tts\nLISTO\n"} << 80 << true << "qwen3-tts" << -1;
        QTest::newRow("motor cortado") << QStringList{"PUERTO=80\nMOT", "OR=espeak-ng\n"} << 80 << false << "espeak-ng" << -1;
        QTest::newRow("primera muestra lenta") << QStringList{"LENTA=812\n"} << -1 << false << "" << 812;
        QTest::newRow("lenta sin cifras") << QStringList{"LENTA=mucho\n"} << -1 << false << "" << -1;
    }

    void saludo()
    {
        QFETCH(QStringList, trozos);
        QFETCH(int, puerto);
        QFETCH(bool, listo);
        QFETCH(QString, motor);
        QFETCH(int, lenta);
        SaludoVoz saludo;
        std::optional<int> visto, vistaLenta;
        bool vistoListo = false;
        QString vistoMotor;
        for (const QString& t : trozos) {
            const auto a = saludo.leer(t.toUtf8());
            if (a.puerto)
                visto = a.puerto;
            vistoListo |= a.listo;
            vistoMotor = a.motor.value_or(vistoMotor);
            if (a.lentaMs)
                vistaLenta = a.lentaMs;
        }
        QCOMPARE(visto.value_or(-1), puerto);
        QCOMPARE(vistoListo, listo);
        QCOMPARE(vistoMotor, motor);
        QCOMPARE(vistaLenta.value_or(-1), lenta);
        QCOMPARE(VozNeural::motorDe(vistoMotor),
                 motor == "qwen3-tts" ? MotorVoz::neural : motor.isEmpty() ? MotorVoz::ninguno : MotorVoz::basica);
    }

    // A multi-byte character cut between reads does not break the line.
    void caracterCortado()
    {
        SaludoVoz saludo;
        const QByteArray todo = QStringLiteral("versión\nPUERTO=5\nLISTO\n").toUtf8();
        const int corte = todo.indexOf("\xc3") + 1;
        QVERIFY(!saludo.leer(todo.left(corte)).puerto);
        const auto a = saludo.leer(todo.mid(corte));
        QCOMPARE(a.puerto.value_or(-1), 5);
        QVERIFY(a.listo);
    }

    void flujo_data()
    {
        QTest::addColumn<QList<int>>("trozos");   // byte counts as they arrive
        QTest::addColumn<QList<int>>("buffers");  // frames per delivered buffer
        QTest::newRow("10 bytes") << QList<int>{10} << QList<int>{2};
        QTest::newRow("3 bytes") << QList<int>{3} << QList<int>{};
        QTest::newRow("justo un buffer") << QList<int>{9600} << QList<int>{2400};
        QTest::newRow("buffer y resto cortado") << QList<int>{5000, 4605} << QList<int>{2400, 1};
        QTest::newRow("byte a byte") << QList<int>(9603, 1) << QList<int>{2400};
        QTest::newRow("dos buffers y medio") << QList<int>{24000} << QList<int>{2400, 2400, 1200};
    }

    void flujo()
    {
        QFETCH(QList<int>, trozos);
        QFETCH(QList<int>, buffers);
        QList<int> vistos;
        QList<float> muestras;
        FlujoVoz flujo([&](const QAudioBuffer& b) {
            QCOMPARE(b.format(), VozNeural::formato());
            vistos << int(b.frameCount());
            for (int i = 0; i < b.frameCount(); ++i)
                muestras << b.constData<float>()[i];
        });
        int total = 0;
        for (int n : trozos) {
            QByteArray bytes(n, Qt::Uninitialized);
            for (int i = 0; i < n; ++i, ++total) {
                const float valor = float(total / 4);
                bytes[i] = reinterpret_cast<const char*>(&valor)[total % 4];
            }
            flujo.agregar(bytes, [] { return false; });
        }
        QCOMPARE(flujo.terminar(), !buffers.isEmpty());
        QCOMPARE(vistos, buffers);
        for (int i = 0; i < muestras.size(); ++i)
            QCOMPARE(muestras[i], float(i));
    }

    // Cancelled after the first buffer: nothing more, not even the remainder.
    void flujoCancelado()
    {
        int entregados = 0;
        FlujoVoz flujo([&](const QAudioBuffer&) { ++entregados; });
        flujo.agregar(QByteArray(9600 * 3 + 8, '\0'), [&] { return entregados >= 1; });
        QCOMPARE(entregados, 1);
        QVERIFY(flujo.huboAudio());
    }

    void identificacion_data()
    {
        QTest::addColumn<QByteArray>("respuesta");
        QTest::addColumn<QString>("id");  // empty: none
        QTest::addColumn<double>("puntaje");
        const QByteArray u = "A1B2C3D4-0000-4000-8000-00000000BEEF";
        QTest::newRow("completa") << "{\"id\":\"" + u + "\",\"puntaje\":0.93}" << QString(u) << 0.93;
        QTest::newRow("sin puntaje") << "{\"id\":\"" + u + "\"}" << QString(u) << 0.0;
        QTest::newRow("puntaje texto") << "{\"id\":\"" + u + "\",\"puntaje\":\"1\"}" << QString(u) << 0.0;
        QTest::newRow("minusculas") << "{\"id\":\"" + u.toLower() + "\",\"puntaje\":1}" << QString(u) << 1.0;
        QTest::newRow("sin id") << QByteArray("{\"puntaje\":0.5}") << QString() << 0.0;
        QTest::newRow("id no uuid") << QByteArray("{\"id\":\"ana\",\"puntaje\":0.5}") << QString() << 0.0;
        QTest::newRow("id con llaves") << "{\"id\":\"{" + u + "}\"}" << QString() << 0.0;
        QTest::newRow("id numero") << QByteArray("{\"id\":5}") << QString() << 0.0;
    }

    void identificacion()
    {
        QFETCH(QByteArray, respuesta);
        QFETCH(QString, id);
        QFETCH(double, puntaje);
        const auto r = VozNeural::identificacionDe(QJsonDocument::fromJson(respuesta).object());
        QCOMPARE(r.has_value(), !id.isEmpty());
        if (r) {
            QCOMPARE(VozNeural::textoUuid(r->id), id);
            QCOMPARE(r->puntaje, puntaje);
        }
    }

    void errorDeDiseno_data()
    {
        QTest::addColumn<QByteArray>("cuerpo");
        QTest::addColumn<QString>("descripcion");
        QTest::newRow("con error") << QByteArray("{\"error\":\"Sin memoria\"}") << "Sin memoria";
        QTest::newRow("vacio") << QByteArray() << "No se pudo diseñar la voz.";
        QTest::newRow("error no texto") << QByteArray("{\"error\":3}") << "No se pudo diseñar la voz.";
        QTest::newRow("no json") << QByteArray("<html>") << "No se pudo diseñar la voz.";
    }

    void errorDeDiseno()
    {
        QFETCH(QByteArray, cuerpo);
        QFETCH(QString, descripcion);
        const ErrorVoz e = VozNeural::errorDeDiseno(cuerpo);
        QCOMPARE(e.codigo(), 3);
        QCOMPARE(QString::fromStdString(e.what()), descripcion);
    }

    void base64()
    {
        QCOMPARE(VozNeural::base64({1.0f, -2.0f}), QStringLiteral("AACAPwAAAMA="));
        QCOMPARE(VozNeural::textoUuid(QUuid("{a1b2c3d4-0000-4000-8000-00000000beef}")),
                 QStringLiteral("A1B2C3D4-0000-4000-8000-00000000BEEF"));
    }
};

QTEST_GUILESS_MAIN(TestProtocoloVoz)
#include "TestProtocoloVoz.moc"
