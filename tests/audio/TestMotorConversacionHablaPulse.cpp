// The engine's speech on the test sound server: the real player on a null
// output whose monitor is recorded, espeak-ng, and the voice service.
#include "audio/MotorConversacion.h"
#include "audio/VozNeural.h"
#include "comun/GrabadorMonitor.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/Senales.h"
#include "ServicioVozPrueba.h"

#include <QTest>

#include <atomic>

namespace {

struct Banco {
    ServicioVozPrueba servicio;
    std::shared_ptr<MotorReconocimientoGuionado> reconocimiento = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{reconocimiento};
    MicrofonoFalso microfono;
    std::unique_ptr<VozNeural> voz;
    std::unique_ptr<MotorConversacion> motor;

    explicit Banco(bool neural)
    {
        if (neural) {
            voz = std::make_unique<VozNeural>(servicio.ajustes, servicio.reloj);
            voz->arrancar();
        }
        motor = std::make_unique<MotorConversacion>(MotorConversacion::Capas{
            .reloj = servicio.reloj, .microfono = microfono, .reconocedor = reconocedor, .ajustes = servicio.ajustes,
            .reproductor = Reproductor::crear(), .sintetizador = Sintetizador::crear(), .voz = voz.get()});
    }
    ~Banco()
    {
        motor.reset();
        if (voz)
            voz->detener();
    }
};

std::optional<uint32_t> salida(const QString& nombre)
{
    for (const auto& r : DispositivosSistema::sistema().listar(false)) {
        if (r.nombre == nombre)
            return r.indice;
    }
    return std::nullopt;
}

} // namespace

class TestMotorConversacionHablaPulse : public QObject {
    Q_OBJECT

private slots:
    void init() { EXIGIR_PULSE(); }

    // The turn reports true once the sentence has come out of the output:
    // by then its audio is in the monitor's recording, and nothing follows.
    void fraseOidaAlTerminar_data()
    {
        QTest::addColumn<bool>("neural");
        QTest::newRow("voz del sistema") << false;
        QTest::newRow("servicio de voz") << true;
    }

    void fraseOidaAlTerminar()
    {
        QFETCH(bool, neural);
        Banco b(neural);
        if (neural)
            QTRY_VERIFY_WITH_TIMEOUT(b.voz->estado().listaParaHablar(), 15000);
        b.motor->arrancar(std::nullopt, salida("zuvi_altavoz"), false);
        GrabadorMonitor grabador;
        std::atomic<int> fin = -1;
        std::atomic<double> oido = 0;
        b.motor->hablar("Hola, esta es la sala de proyectos.", std::nullopt, 0.5f, [&](FinHabla f) {
            fin = int(f);
        });
        QVERIFY(b.motor->hablando());
        QTRY_VERIFY_WITH_TIMEOUT(fin.load() != -1, 15000);
        oido = grabador.segundosSonando();
        QCOMPARE(fin.load(), int(FinHabla::oido));
        QVERIFY(!b.motor->hablando());
        // espeak-ng takes about 2 s for it, a little less at 1.15.
        QVERIFY2(oido > 1.2, qPrintable(QString::number(oido)));
        // The monitor's capture reaches the test a little late on a loaded
        // machine; an end reported early would leave far more than this.
        QTest::qWait(600);
        QVERIFY2(grabador.segundosSonando() - oido < 0.3,
                 qPrintable(QStringLiteral("%1 tras %2").arg(grabador.segundosSonando()).arg(oido)));
        b.motor->detener();
    }

    // Someone talking over the room's voice, against the level the real
    // player reports while it plays: one loud block is nothing, two in a
    // row are one barge-in, and a third starts counting again.
    void vozEncimaSobreLaVozReal()
    {
        Banco b(false);
        std::atomic<int> avisos = 0;
        std::atomic<bool> fin = false;
        b.motor->onVozEncima([&] { ++avisos; });
        b.motor->arrancar(std::nullopt, salida("zuvi_altavoz"), false);
        b.motor->hablar("Esta frase dura lo bastante para hablarle encima.", std::nullopt, 0.5f,
                        [&](FinHabla) { fin = true; });
        const auto empujar = [&](float amplitud) {
            return b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, amplitud));
        };
        const auto sonando = [&] { return b.motor->nivelSalida() > 0.02f; };
        QTRY_VERIFY_WITH_TIMEOUT(sonando(), 15000);
        // Quiet blocks teach the engine how much of its voice comes back.
        for (int i = 0; i < 10; ++i)
            QVERIFY(empujar(0.01f));
        QVERIFY(empujar(0.9f));
        QVERIFY(empujar(0.01f));
        QCOMPARE(avisos.load(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(sonando(), 15000);
        QVERIFY(empujar(0.9f));
        QVERIFY(empujar(0.9f));
        QCOMPARE(avisos.load(), 1);
        QVERIFY(empujar(0.9f));
        QCOMPARE(avisos.load(), 1);
        QVERIFY(b.motor->hablando());
        QTRY_VERIFY_WITH_TIMEOUT(fin.load(), 15000);
        b.motor->detener();
    }

    // A sentence plays on the output chosen when the engine started, and
    // after another is chosen, on that one alone. The player opens its stream
    // on a thread of its own and closes it when idle, so what is checked is
    // what each output really plays.
    void cambioDeSalida()
    {
        Banco b(false);
        const auto decir = [&](const char* frase) {
            std::atomic<bool> oido = false;
            b.motor->hablar(QString::fromUtf8(frase), std::nullopt, 0.5f,
                            [&](FinHabla f) { oido = f == FinHabla::oido; });
            QTRY_VERIFY_WITH_TIMEOUT(oido.load(), 15000);
        };
        b.motor->arrancar(std::nullopt, salida("zuvi_altavoz"), false);
        {
            GrabadorMonitor altavoz("zuvi_altavoz");
            GrabadorMonitor auriculares("zuvi_auriculares");
            decir("Primero por el altavoz.");
            QVERIFY(altavoz.segundosSonando() > 0.5);
            QCOMPARE(auriculares.segundosSonando(), 0.0);
        }
        b.motor->arrancar(std::nullopt, salida("zuvi_auriculares"), false);
        {
            GrabadorMonitor altavoz("zuvi_altavoz");
            GrabadorMonitor auriculares("zuvi_auriculares");
            decir("Ahora por los auriculares.");
            QVERIFY(auriculares.segundosSonando() > 0.8);
            QCOMPARE(altavoz.segundosSonando(), 0.0);
        }
        b.motor->detener();
    }
};

QTEST_GUILESS_MAIN(TestMotorConversacionHablaPulse)
#include "TestMotorConversacionHablaPulse.moc"
