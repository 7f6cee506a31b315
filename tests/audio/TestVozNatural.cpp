// The service's neural path, run for real over the stand-ins of qwen-tts,
// PyTorch and sherpa-onnx (tools/sustitutos_voz): loading, the engine in
// the handshake, cloning, streaming sentence by sentence, design and voice
// prints.
#include "HablaVoz.h"
#include "ServicioVozPrueba.h"

#include "audio/ClienteVoz.h"

#include <QJsonArray>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <memory>

namespace {

// A 16-bit mono WAV of a pure tone, as a reference voice.
void escribirTono(const QString& ruta, double hz, int tasa = 22050, double segundos = 2)
{
    const int n = int(tasa * segundos);
    QByteArray datos(n * 2, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        qToLittleEndian(qint16(std::lround(12000 * std::sin(2 * M_PI * hz * i / tasa))), datos.data() + 2 * i);
    QByteArray wav("RIFF");
    const auto u32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    const auto u16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    u32(36 + datos.size());
    wav += "WAVEfmt ";
    u32(16); u16(1); u16(1); u32(tasa); u32(tasa * 2); u16(2); u16(16);
    wav += "data";
    u32(datos.size());
    wav += datos;
    QFile f(ruta);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(wav);
}

// The tone's frequency from its rising zero crossings.
double frecuencia(const QVector<float>& x)
{
    int cruces = 0;
    for (qsizetype i = 1; i < x.size(); ++i)
        cruces += x[i - 1] < 0 && x[i] >= 0;
    return cruces * 24000.0 / x.size();
}

// The stand-in's designed voice: a tone set by the instruction's text.
double tonoDisenado(const QString& instruccion)
{
    quint64 suma = 0;
    for (char32_t c : instruccion.toUcs4())
        suma += c;
    return 150 + double(suma % 300);
}

// The stand-in speaks 60 ms per character of each sentence.
qsizetype muestrasDe(const QStringList& frases)
{
    qsizetype n = 0;
    for (const QString& f : frases)
        n += qsizetype(24000 * 0.06 * f.toUcs4().size());
    return n;
}

}

class TestVozNatural : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicioVozPrueba> s;
    std::unique_ptr<VozNeural> voz;

    void arrancada()
    {
        voz->arrancar();
        QTRY_VERIFY_WITH_TIMEOUT(voz->estado().listaParaHablar(), 15000);
    }

    // A POST straight to the service, for what the client does not return.
    QJsonObject pedir(const QString& ruta, const QJsonObject& cuerpo)
    {
        ClienteVoz cliente(voz->token());
        const auto r = esperar(cliente.enviar(*voz->estado().puerto, ruta, cuerpo, std::chrono::seconds(20)));
        return QJsonDocument::fromJson(r.cuerpo).object();
    }

private slots:
    void init()
    {
        s = std::make_unique<ServicioVozPrueba>(true);
        voz = std::make_unique<VozNeural>(s->ajustes, s->reloj);
        escribirTono(s->voz("referencia.wav"), 220);
        QFile t(s->voz("referencia.txt"));
        t.open(QIODevice::WriteOnly);
        t.write("Hola, soy la zuvi.");
    }

    void cleanup()
    {
        voz.reset();
        s.reset();
        qunsetenv("SUSTITUTO_CUDA");
        qunsetenv("SUSTITUTO_DEMORA_MS");
    }

    // The handshake names the engine that loaded; the base model is loaded
    // by its id, on the GPU only where there is one.
    void motor_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("motor");
        QTest::addColumn<QString>("dispositivo");  // empty: no model loaded
        QTest::newRow("natural en CPU") << "" << int(MotorVoz::neural) << "cpu/float32";
        QTest::newRow("natural en GPU") << "cuda" << int(MotorVoz::neural) << "cuda:0/bfloat16";
        QTest::newRow("sin pesos del modelo") << "sin-pesos" << int(MotorVoz::basica) << "";
        QTest::newRow("sin qwen-tts") << "sin-paquetes" << int(MotorVoz::basica) << "";
    }
    void motor()
    {
        QFETCH(QString, caso);
        QFETCH(int, motor);
        QFETCH(QString, dispositivo);
        if (caso == "cuda")
            qputenv("SUSTITUTO_CUDA", "1");
        if (caso == "sin-pesos")
            QFile(s->voz("sin-pesos")).open(QIODevice::WriteOnly);
        if (caso == "sin-paquetes")
            QFile::remove(s->voz("natural"));
        arrancada();
        QCOMPARE(int(voz->estado().motor), motor);
        const auto notas = s->notas();
        if (dispositivo.isEmpty()) {
            QVERIFY(notas.isEmpty());
            return;
        }
        QCOMPARE(notas.size(), 1);
        QCOMPARE(notas[0]["cargado"].toString(), QString::fromLatin1(VozNeural::modelo));
        QCOMPARE(notas[0]["device_map"].toString() + '/' + notas[0]["dtype"].toString(), dispositivo);
    }

    // The reference voice is cloned, and each sentence streams as soon as
    // it is made: the length is that of the sentences, not of the text.
    void hablaConLaVozClonada()
    {
        arrancada();
        const auto h = hablar(*voz, "Hola. ¿Qué tal estás hoy?");
        QVERIFY(h->completo);
        QCOMPARE(h->muestras.size(), muestrasDe({"Hola.", "¿Qué tal estás hoy?"}));
        for (int i = 0; i + 1 < h->frames.size(); ++i)
            QCOMPARE(h->frames[i], qint64(2400));
        QVERIFY2(std::abs(frecuencia(h->muestras) - 220) < 5, qPrintable(QString::number(frecuencia(h->muestras))));
    }

    // A design loads the design model, speaks with the new voice at once,
    // survives a restart and goes when the default voice is put back.
    void disenarCambiaLaVoz()
    {
        arrancada();
        const QString descripcion = "Voz masculina grave y serena, español latinoamericano neutro, tono cercano.";
        QCOMPARE(errorDe(voz->disenar(descripcion)).first, 0);
        const auto notas = s->notas();
        QCOMPARE(notas[1]["cargado"].toString(), QString::fromLatin1(VozNeural::modeloDiseno));
        const QString instruccion = notas[2]["instruct"].toString();
        QVERIFY2(instruccion.startsWith(descripcion) && instruccion.contains("Latin American Spanish accent")
                     && instruccion.contains("male voice"),
                 qPrintable(instruccion));
        QCOMPARE(notas[2]["language"].toString(), QString("Spanish"));
        const double disenado = tonoDisenado(instruccion);
        QVERIFY(std::abs(frecuencia(hablar(*voz, "Así sueno ahora.")->muestras) - disenado) < 5);

        voz->reiniciar();
        QTRY_VERIFY_WITH_TIMEOUT(voz->estado().listaParaHablar(), 15000);
        QVERIFY(std::abs(frecuencia(hablar(*voz, "Sigo igual.")->muestras) - disenado) < 5);
        VozNeural::prepararReferencia(true);
        const auto original = hablar(*voz, "Vuelvo a la voz de siempre.")->muestras;
        QVERIFY(std::abs(frecuencia(original) - disenado) > 20);
    }

    // The description's words give region and gender together; with no
    // region word the voice is Latin American.
    void rasgos_data()
    {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("genero");  // empty: not said
        QTest::newRow("la descripción por defecto")
            << "Voz masculina grave y serena, español latinoamericano neutro, tono cercano." << "es-419" << "m";
        QTest::newRow("español a secas") << "Una voz en español, cálida" << "es-419" << "";
        QTest::newRow("latinoamericana") << "Voz latinoamericana y suave" << "es-419" << "";
        QTest::newRow("un mexicano") << "Un mexicano alegre" << "es-419" << "m";
        QTest::newRow("voz mexicana de mujer") << "Voz mexicana de mujer" << "es-419" << "f";
        QTest::newRow("rioplatense") << "Locutora rioplatense, señora mayor" << "es-419" << "f";
        QTest::newRow("de España") << "Hombre con acento de España" << "es" << "m";
        QTest::newRow("español de España") << "Español de España, femenina" << "es" << "f";
        QTest::newRow("castellano") << "Narrador castellano" << "es" << "";
    }
    void rasgos()
    {
        QFETCH(QString, descripcion);
        QFETCH(QString, region);
        QFETCH(QString, genero);
        arrancada();
        const QJsonObject r = pedir("/disenar", {{"descripcion", descripcion}}).value("rasgos").toObject();
        QCOMPARE(r.value("region").toString(), region);
        QCOMPARE(r.value("genero").toString(), genero);
    }

    // With the speaker model the prints come from it; a print the basic
    // engine made earlier is never compared with them.
    void huellas()
    {
        const QUuid a = QUuid::createUuid();
        const auto pedro = ServicioVozPrueba::decir16k("es-419", "Me llamo Pedro y hoy vengo a revisar las cuentas.");
        QFile::remove(s->voz("natural"));
        arrancada();
        QCOMPARE(voz->estado().motor, MotorVoz::basica);
        QVERIFY(esperar(voz->registrarHuella(a, pedro)));
        QVERIFY(esperar(voz->identificar(pedro, {a})));

        QFile(s->voz("natural")).open(QIODevice::WriteOnly);
        voz->reiniciar();
        QTRY_VERIFY_WITH_TIMEOUT(voz->estado().listaParaHablar(), 15000);
        QCOMPARE(voz->estado().motor, MotorVoz::neural);
        QVERIFY(!esperar(voz->identificar(pedro, {a})));
        QVERIFY(esperar(voz->registrarHuella(a, pedro)));
        const auto otra = ServicioVozPrueba::decir16k("es-419", "Mañana tenemos reunión con el equipo de diseño.");
        const auto r = esperar(voz->identificar(otra, {a}));
        QVERIFY(r);
        QCOMPARE(r->id, a);
        QVERIFY(r->puntaje >= 0.6 && r->puntaje <= 1.0);
    }

    // A first sample slower than half a second is announced once, and the
    // client keeps it for the views.
    void primeraMuestraLenta()
    {
        qputenv("SUSTITUTO_DEMORA_MS", "600");
        arrancada();
        QVERIFY(!voz->estado().lenta);
        QVERIFY(hablar(*voz, "Hola.")->completo);
        QTRY_VERIFY(voz->estado().lenta);
    }

    // The installer's check run: the neural voice loads and speaks, or the
    // run fails with its reason for the log.
    void comprobar_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("linea");
        QTest::newRow("carga y habla") << "" << 0 << "La voz natural habló: la primera muestra tardó ";
        QTest::newRow("sin pesos") << "sin-pesos" << 1 << "✗ La voz natural no se pudo cargar (OSError).";
        QTest::newRow("sin paquetes") << "sin-paquetes" << 1 << "✗ La voz natural no se pudo cargar (ModuleNotFoundError).";
    }
    void comprobar()
    {
        QFETCH(QString, caso);
        QFETCH(int, salida);
        QFETCH(QString, linea);
        if (caso == "sin-pesos")
            QFile(s->voz("sin-pesos")).open(QIODevice::WriteOnly);
        if (caso == "sin-paquetes")
            QFile::remove(s->voz("natural"));
        QProcess p;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("ZUVIIA_VOZ_DIR", VozNeural::carpeta());
        p.setProcessEnvironment(entorno);
        p.start(s->voz(".venv/bin/python"), {Carpetas::recursos() + "/Voz/servidor_voz.py", "--comprobar"});
        QVERIFY(p.waitForFinished(20000));
        const QString texto = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), salida);
        QVERIFY2(texto.contains(linea), qPrintable(texto));
    }
};

QTEST_GUILESS_MAIN(TestVozNatural)
#include "TestVozNatural.moc"
