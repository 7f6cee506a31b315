// The conversation engine over the test sound server: audio written into its
// pipe microphone (48 kHz mono), the real device layer and its notices, and
// the scripted recognizer.
#include "audio/MotorConversacion.h"
#include "comun/HablaSintetica.h"
#include "comun/HogarTemporal.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PulsePrueba.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// The system's microphone, counting how often it is opened.
class MicrofonoContado final : public Microfono {
public:
    std::atomic<int> aperturas = 0;
    std::unique_ptr<CapturaAudio> abrir(const std::optional<QString>& uid) override
    {
        ++aperturas;
        return Microfono::sistema().abrir(uid);
    }
};

struct Banco {
    HogarTemporal hogar;
    std::shared_ptr<MotorReconocimientoGuionado> voz = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{voz};
    MicrofonoContado microfono;
    Ajustes ajustes{hogar.en(".config/cl.norp.ZuviIA.conf")};
    MotorConversacion motor{{.microfono = microfono, .reconocedor = reconocedor, .ajustes = ajustes}};

    std::optional<uint32_t> microfonoDePrueba()
    {
        for (const auto& r : DispositivosSistema::sistema().listar(true)) {
            if (r.nombre == QStringLiteral("zuvi_microfono"))
                return r.indice;
        }
        return std::nullopt;
    }
};

std::vector<float> unir(std::initializer_list<std::vector<float>> partes)
{
    std::vector<float> r;
    for (const auto& p : partes)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}

bool hayVoz(const MotorConversacion& m)
{
    return m.ultimaVozDetectada().toMSecsSinceEpoch() > 0;
}

} // namespace

class TestMotorConversacionPulse : public QObject {
    Q_OBJECT

private slots:
    void init() { EXIGIR_PULSE(); }

    // A spoken sentence is voice, silence is not; the voice print of a
    // 48 kHz capture comes at 16 kHz and holds the sentence.
    void vozFrenteASilencio()
    {
        const std::vector<float> frase = HablaSintetica::decir("Hola, soy la sala de proyectos. ¿Qué hacemos hoy?");
        if (frase.empty())
            QSKIP("sin espeak-ng");
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        HablaSintetica::Escritor escritor(unir({HablaSintetica::silencio(2.0), frase}));
        b.motor.arrancar(id, std::nullopt, false);
        QTest::qWait(1200);
        QVERIFY(!hayVoz(b.motor));
        b.motor.nuevoSegmento();
        const auto inicio = std::chrono::steady_clock::now();
        QTRY_VERIFY_WITH_TIMEOUT(hayVoz(b.motor), 5000);
        QTest::qWait(int(frase.size() / 48));
        const std::vector<float> huella = b.motor.tomarAudioSegmento();
        const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
        // 16,000 samples a second of capture (a block or two may be in flight).
        QVERIFY2(std::abs(double(huella.size()) / 16000 - segundos) < 0.25,
                 qPrintable(QString("%1 muestras en %2 s").arg(huella.size()).arg(segundos)));
        QVERIFY(*std::max_element(huella.begin(), huella.end()) > 0.1f);
        b.motor.detener();
    }

    // A steady hum raises the floor so slowly that it never counts as
    // voice; after a silence the floor has sunk and the same hum does.
    void pisoQueSeAsienta()
    {
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        // RMS 0.012: above the 0.006 minimum, under 2.5 times the first floor.
        const std::vector<float> zumbido = HablaSintetica::seno(3.0, 0.017f);
        HablaSintetica::Escritor escritor(unir({zumbido, HablaSintetica::silencio(1.5), zumbido}));
        b.motor.arrancar(id, std::nullopt, false);
        QTest::qWait(2500);
        QVERIFY(!hayVoz(b.motor));
        QTRY_VERIFY_WITH_TIMEOUT(hayVoz(b.motor), 5000);
        b.motor.detener();
    }

    // The re-fed segment gets at least the last second again, recorded once
    // for the voice print.
    void segmentoRealimentado()
    {
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        HablaSintetica::Escritor escritor(HablaSintetica::seno(10, 0.3f));
        b.motor.arrancar(id, std::nullopt, false);
        QTest::qWait(1500);
        const size_t antes = b.voz->muestras();
        b.motor.nuevoSegmentoConLoUltimo(1.0);
        const size_t huella = b.motor.tomarAudioSegmento().size();
        QVERIFY2(huella >= 16000 && huella < 16000 * 1.25, qPrintable(QString::number(huella)));
        QTRY_VERIFY(b.voz->muestras() >= antes + 16000);
        b.motor.detener();
    }

    // Devices added and removed with pactl reopen a running capture, and
    // leave a stopped engine stopped.
    void dispositivosConPactl()
    {
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        b.motor.arrancar(id, std::nullopt, false);
        QCOMPARE(b.microfono.aperturas.load(), 1);
        auto cargar = [] {
            return PulsePrueba::pactl({"load-module", "module-null-sink", "sink_name=zuvi_motor_conversacion"});
        };
        QString modulo = cargar();
        QVERIFY(!modulo.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(b.microfono.aperturas.load() >= 2, 5000);
        QVERIFY(!PulsePrueba::pactl({"unload-module", modulo}).isNull());
        QTest::qWait(500);

        b.motor.detener();
        const int aperturas = b.microfono.aperturas.load();
        modulo = cargar();
        QVERIFY(!modulo.isNull());
        QTest::qWait(500);
        QVERIFY(!PulsePrueba::pactl({"unload-module", modulo}).isNull());
        QTest::qWait(1000);
        QCOMPARE(b.microfono.aperturas.load(), aperturas);
    }

    // An unplugged microphone is a notice for the owner, once, not only a
    // log line: the room would otherwise sit deaf.
    void microfonoDesenchufadoAvisa()
    {
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        std::mutex mutex;
        QStringList avisos;
        b.motor.onAviso([&](const QString& a) {
            std::lock_guard g(mutex);
            avisos << a;
        });
        HablaSintetica::Escritor escritor(HablaSintetica::silencio(1.0));
        b.motor.arrancar(id, std::nullopt, false);
        QTRY_VERIFY_WITH_TIMEOUT(b.voz->muestras() > 0, 5000);
        {
            PulsePrueba::MicrofonoDesenchufado fuera;
            QVERIFY(fuera.hecho());
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    std::lock_guard g(mutex);
                    return !avisos.isEmpty();
                }(),
                5000);
            QTest::qWait(1000);
        }
        b.motor.detener();
        std::lock_guard g(mutex);
        QCOMPARE(avisos.size(), 1);
        QVERIFY2(avisos.first().startsWith(QStringLiteral("El micrófono dejó de entregar audio.")),
                 qPrintable(avisos.first()));
    }

    // A sound server that stops answering holds the audio threads, never
    // the GUI thread: starting and stopping capture, preparing the player
    // and letting the engine go each return within a frame, and the event
    // loop keeps turning.
    void servidorParadoNoFrenaLaVentana()
    {
        Banco b;
        const auto id = b.microfonoDePrueba();
        QVERIFY(id);
        // The device list is another layer's; the one in the record is listed.
        DispositivosSistemaFalso dispositivos;
        dispositivos.entradas = {{*id, QString("zuvi_microfono"), QString("Micrófono de prueba"), std::nullopt, 0, 1}};
        auto motor = std::make_unique<MotorConversacion>(MotorConversacion::Capas{
            .reconocedor = b.reconocedor, .ajustes = b.ajustes, .dispositivos = dispositivos,
            .reproductor = Reproductor::crear()});

        qint64 peor = 0;
        QElapsedTimer desde;
        desde.start();
        QTimer vigia;
        vigia.setInterval(5);
        QObject::connect(&vigia, &QTimer::timeout, [&] { peor = std::max(peor, desde.restart()); });
        auto medir = [&](const char* que, const std::function<void()>& f) {
            QElapsedTimer t;
            t.start();
            f();
            QVERIFY2(t.elapsed() < 50, qPrintable(QString("%1: %2 ms").arg(QLatin1String(que)).arg(t.elapsed())));
        };

        PulsePrueba::ServidorParado parado;
        QVERIFY(parado.hecho());
        desde.restart();
        vigia.start();
        medir("arrancar", [&] { motor->arrancar(id, std::nullopt, false); });
        QTest::qWait(300);
        medir("detener", [&] { motor->detener(); });
        medir("arrancar otra vez", [&] { motor->arrancar(id, std::nullopt, false); });
        QTest::qWait(300);
        medir("soltar el motor", [&] { motor.reset(); });
        QTest::qWait(300);
        vigia.stop();
        QVERIFY2(peor < 50, qPrintable(QString("%1 ms sin volver al bucle").arg(peor)));
    }
};

QTEST_GUILESS_MAIN(TestMotorConversacionPulse)
#include "TestMotorConversacionPulse.moc"
