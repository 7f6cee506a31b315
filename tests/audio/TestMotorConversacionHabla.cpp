// The engine's speech turns over a player that plays nothing (the test says
// when its end markers are heard), a scripted system voice and, where a turn
// needs the neural voice, a scripted voice service over real HTTP.
#include "audio/CajaConversor.h"
#include "audio/MotorConversacion.h"
#include "audio/VozNeural.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/ReproductorFalso.h"
#include "comun/SintetizadorFalso.h"
#include "ServicioVozPrueba.h"
#include "Version.h"

#include <QTest>

#include <mutex>

namespace {

// Every end a turn reported, from whichever thread.
struct Fines {
    std::mutex mutex;
    std::vector<FinHabla> fines;
    MotorConversacion::AlTerminarHabla anotar()
    {
        return [this](FinHabla f) {
            std::lock_guard g(mutex);
            fines.push_back(f);
        };
    }
    std::vector<FinHabla> leer()
    {
        std::lock_guard g(mutex);
        return fines;
    }
};

struct Banco {
    ServicioVozPrueba servicio;  // the home, settings and clock too
    std::shared_ptr<MotorReconocimientoGuionado> reconocimiento = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{reconocimiento};
    MicrofonoFalso microfono;
    DispositivosSistemaFalso dispositivos;
    std::shared_ptr<ReproductorFalso> reproductor = std::make_shared<ReproductorFalso>();
    std::shared_ptr<SintetizadorFalso> sintetizador = std::make_shared<SintetizadorFalso>();
    std::unique_ptr<VozNeural> voz;
    std::unique_ptr<MotorConversacion> motor;

    explicit Banco(bool neural = false)
    {
        if (neural) {
            voz = std::make_unique<VozNeural>(servicio.ajustes, servicio.reloj,
                                              QString::fromUtf8(Version::carpetaFuente) +
                                                  "/tests/audio/servicio_guionado");
            voz->arrancar();
        }
        motor = std::make_unique<MotorConversacion>(
            MotorConversacion::Capas{.reloj = servicio.reloj, .microfono = microfono, .reconocedor = reconocedor,
                                     .ajustes = servicio.ajustes, .dispositivos = dispositivos,
                                     .reproductor = reproductor, .sintetizador = sintetizador, .voz = voz.get()});
    }
    ~Banco()
    {
        motor.reset();
        if (voz)
            voz->detener();
    }

    bool lista() { return voz && voz->estado().listaParaHablar(); }
};

} // namespace

class TestMotorConversacionHabla : public QObject {
    Q_OBJECT

private slots:
    void velocidadVoz_data()
    {
        QTest::addColumn<QVariant>("guardada");
        QTest::addColumn<float>("ritmo");
        QTest::newRow("sin guardar") << QVariant() << 1.15f;
        QTest::newRow("cero") << QVariant(0.0) << 1.15f;
        QTest::newRow("negativa") << QVariant(-1.0) << 1.15f;
        QTest::newRow("1,4") << QVariant(1.4) << 1.4f;
    }

    // Read at every turn and applied to the player for either voice.
    void velocidadVoz()
    {
        QFETCH(QVariant, guardada);
        QFETCH(float, ritmo);
        Banco b;
        if (guardada.isValid())
            b.servicio.ajustes.escribir("velocidadVoz", guardada);
        QCOMPARE(SalidaVoz::velocidadVoz(b.servicio.ajustes), ritmo);
        b.motor->hablar("Hola.", std::nullopt, 0.5f, {});
        QCOMPARE(b.reproductor->ritmo(), ritmo);
    }

    void mejorVoz_data()
    {
        const VozSistema es{"roa/es", "Spanish (Spain)", "es", 1, false};
        const VozSistema latina{"roa/es-419", "Spanish (Latin America)", "es-419", 1, false};
        const VozSistema espana{"es-ES-x", "Jorge", "es-ES", 2, false};
        const VozSistema mexico{"es-MX-x", "Paulina", "es-MX", 2, false};
        const VozSistema chile{"es-CL-x", "Francisca", "es-CL", 1, false};
        const VozSistema ingles{"en-us", "English", "en-US", 3, false};
        const VozSistema broma{"es-broma", "Burbujas", "es-ES", 5, true};
        const VozSistema eloquence{"com.eloquence.es", "Eddy", "es-MX", 5, false};
        QTest::addColumn<std::vector<VozSistema>>("voces");
        QTest::addColumn<QString>("preferida");
        QTest::addColumn<QString>("elegida");
        QTest::newRow("las de espeak-ng: la latinoamericana") << std::vector{es, latina} << QString() << "roa/es-419";
        QTest::newRow("la preferida española") << std::vector{es, latina} << "roa/es" << "roa/es";
        QTest::newRow("preferida no española se ignora") << std::vector{ingles, es, latina} << "en-us" << "roa/es-419";
        QTest::newRow("preferida que no está") << std::vector{es, latina} << "mb/mb-es1" << "roa/es-419";
        QTest::newRow("México antes que España") << std::vector{espana, mexico} << QString() << "es-MX-x";
        QTest::newRow("la calidad antes que la región") << std::vector{chile, espana} << QString() << "es-ES-x";
        QTest::newRow("sin bromas ni eloquence") << std::vector{broma, eloquence, es} << QString() << "roa/es";
        QTest::newRow("ninguna española") << std::vector{ingles} << QString() << QString();
    }

    void mejorVoz()
    {
        QFETCH(std::vector<VozSistema>, voces);
        QFETCH(QString, preferida);
        QFETCH(QString, elegida);
        const auto voz = MotorConversacion::mejorVoz(preferida.isEmpty() ? std::nullopt : std::optional(preferida), voces);
        QCOMPARE(voz ? voz->identificador : QString(), elegida);
    }

    // espeak-ng's own list gives its two Spanish voices, the Latin American
    // one first among equals.
    void vocesDeEspeak()
    {
        const auto voces = MotorConversacion::vocesEspanol();
        QStringList ids;
        for (const auto& v : voces)
            ids << v.identificador;
        QVERIFY2(ids.contains("roa/es") && ids.contains("roa/es-419"), qPrintable(ids.join(',')));
        QCOMPARE(MotorConversacion::mejorVoz()->identificador, QString("roa/es-419"));
    }

    // The turn ends when its end marker has been heard, not when its audio
    // was handed over; at 24 kHz, mono.
    void vozDelSistemaTerminaAlOirse()
    {
        Banco b;
        Fines f;
        b.motor->hablar("Hola, ¿qué hacemos?", QString("roa/es"), 0.7f, f.anotar());
        const auto pedidos = b.sintetizador->pedidos();
        QCOMPARE(pedidos.size(), size_t(1));
        QCOMPARE(pedidos[0].voz, std::optional<QString>("roa/es"));
        QCOMPARE(pedidos[0].velocidad, 0.7f);
        // 0.4 s of voice, then the 0.1 s pause after it.
        QVERIFY2(std::abs(double(b.reproductor->total()) - 0.5 * 24000) < 300,
                 qPrintable(QString::number(b.reproductor->total())));
        QCOMPARE(b.reproductor->marcas(), size_t(1));
        QVERIFY(b.motor->hablando());
        QVERIFY(f.leer().empty());
        b.reproductor->sonar();
        QCOMPARE(f.leer(), std::vector{FinHabla::oido});
        QVERIFY(!b.motor->hablando());
    }

    // A text that gives no audio at all ends the turn at once instead of
    // leaving the engine speaking forever.
    void vozDelSistemaSinAudioTerminaEnseguida()
    {
        Banco b;
        Fines f;
        b.motor->hablar("mudo…", std::nullopt, 0.5f, f.anotar());
        QCOMPARE(f.leer(), std::vector{FinHabla::oido});
        QVERIFY(!b.motor->hablando());
        QCOMPARE(b.reproductor->marcas(), size_t(0));
    }

    // A newer turn, or callar, ends the old one once as cut; what its voice
    // still renders is dropped.
    void turnoCortadoPorOtro_data()
    {
        QTest::addColumn<bool>("conCallar");
        QTest::newRow("otro hablar") << false;
        QTest::newRow("callar") << true;
    }

    void turnoCortadoPorOtro()
    {
        QFETCH(bool, conCallar);
        Banco b;
        Fines primero;
        Fines segundo;
        b.sintetizador->retener = true;
        b.motor->hablar("Primera frase.", std::nullopt, 0.5f, primero.anotar());
        if (conCallar)
            b.motor->callar();
        b.sintetizador->retener = false;
        if (!conCallar)
            b.motor->hablar("Segunda frase.", std::nullopt, 0.5f, segundo.anotar());
        b.sintetizador->entregar();  // the first one's, already stale
        QCOMPARE(primero.leer(), std::vector{FinHabla::cortado});
        QCOMPARE(b.motor->hablando(), !conCallar);
        b.reproductor->sonar();
        QCOMPARE(primero.leer(), std::vector{FinHabla::cortado});
        QCOMPARE(segundo.leer(), conCallar ? std::vector<FinHabla>{} : std::vector{FinHabla::oido});
        // Only the second sentence was scheduled.
        QCOMPARE(b.reproductor->total() > 0, !conCallar);
    }

    // callar stops the player even when no turn is speaking: audio of a
    // broken-off stream may still be playing.
    void callarSiempreDetieneElReproductor()
    {
        Banco b;
        QVERIFY(!b.motor->hablando());
        const int antes = b.reproductor->detenciones();
        b.motor->callar();
        QCOMPARE(b.reproductor->detenciones(), antes + 1);
    }

    // The output level follows the blocks heard: the peak, falling by a
    // tenth a block.
    void nivelDeSalida()
    {
        Banco b;
        b.microfono.frecuencia = 16000;
        b.motor->arrancar(std::nullopt, std::nullopt, false);
        QCOMPARE(b.reproductor->observadoresNivel(), size_t(1));
        b.reproductor->nivel(0.2f);
        QCOMPARE(b.motor->nivelSalida(), 0.2f);
        b.reproductor->nivel(0.0f);
        QCOMPARE(b.motor->nivelSalida(), 0.18f);
        b.reproductor->nivel(0.5f);
        QCOMPARE(b.motor->nivelSalida(), 0.5f);
        // A second start keeps one tap.
        b.motor->arrancar(std::nullopt, std::nullopt, false);
        QCOMPARE(b.reproductor->observadoresNivel(), size_t(1));
        b.motor.reset();
        QCOMPARE(b.reproductor->observadoresNivel(), size_t(0));
    }

    // Neural turns, against the scripted service.
    void neuralTerminaAlOirse_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<FinHabla>("fin");
        QTest::addColumn<int>("sistema");
        QTest::newRow("completa") << "Hola." << FinHabla::oido << 0;
        // Cut off mid-sentence: what came plays, then the turn ends as failed.
        QTest::newRow("cortada por el servicio") << "corte de red" << FinHabla::fallo << 0;
        // No audio at all: the system voice says it, once.
        QTest::newRow("sin audio") << "error del servicio" << FinHabla::oido << 1;
    }

    void neuralTerminaAlOirse()
    {
        QFETCH(QString, texto);
        QFETCH(FinHabla, fin);
        QFETCH(int, sistema);
        Banco b(true);
        QTRY_VERIFY_WITH_TIMEOUT(b.lista(), 15000);
        Fines f;
        b.motor->hablar(texto, QString("roa/es"), 0.6f, f.anotar());
        QTRY_COMPARE_WITH_TIMEOUT(b.reproductor->marcas(), size_t(1), 10000);
        QVERIFY(b.reproductor->total() > 0);
        // Still speaking while the audio plays.
        QVERIFY(b.motor->hablando());
        QVERIFY(f.leer().empty());
        b.reproductor->sonar();
        QCOMPARE(f.leer(), std::vector{fin});
        QVERIFY(!b.motor->hablando());
        const auto pedidos = b.sintetizador->pedidos();
        QCOMPARE(int(pedidos.size()), sistema);
        if (sistema) {
            QCOMPARE(pedidos[0].texto, texto);
            QCOMPARE(pedidos[0].voz, std::optional<QString>("roa/es"));
            QCOMPARE(pedidos[0].velocidad, 0.6f);
        }
    }

    // Two turns in a row: the first's request is cancelled and its later
    // audio dropped, it ends once as cut, and no fallback speaks it; callar
    // does the same without a second turn.
    void neuralCortado_data()
    {
        QTest::addColumn<bool>("conCallar");
        QTest::newRow("otro hablar") << false;
        QTest::newRow("callar") << true;
    }

    void neuralCortado()
    {
        QFETCH(bool, conCallar);
        Banco b(true);
        QTRY_VERIFY_WITH_TIMEOUT(b.lista(), 15000);
        Fines primero;
        Fines segundo;
        b.motor->hablar("lento y largo", std::nullopt, 0.5f, primero.anotar());
        // The first 0.2 s arrive; the rest would come 3 s later.
        QTRY_VERIFY_WITH_TIMEOUT(b.reproductor->total() >= 4800, 10000);
        if (conCallar)
            b.motor->callar();
        else
            b.motor->hablar("Hola.", std::nullopt, 0.5f, segundo.anotar());
        QCOMPARE(primero.leer(), std::vector{FinHabla::cortado});
        if (!conCallar) {
            QTRY_COMPARE_WITH_TIMEOUT(b.reproductor->marcas(), size_t(1), 10000);
            b.reproductor->sonar();
            QCOMPARE(segundo.leer(), std::vector{FinHabla::oido});
        }
        const size_t total = b.reproductor->total();
        QTest::qWait(3500);
        // Nothing of the first arrived after the cut.
        QCOMPARE(b.reproductor->total(), total);
        QCOMPARE(primero.leer(), std::vector{FinHabla::cortado});
        QVERIFY(b.sintetizador->pedidos().empty());
        QVERIFY(!b.motor->hablando());
    }

    // One converter for the whole utterance: the tone crosses the buffer
    // boundaries as smoothly as inside them.
    void conversionSinSaltos()
    {
        CajaConversor caja(24000);
        std::vector<float> salida;
        for (int i = 0; i < 20; ++i) {
            const auto m = caja.convertir(SintetizadorFalso::tono(441, i * 441));
            salida.insert(salida.end(), m.begin(), m.end());
        }
        const auto resto = caja.vaciar();
        salida.insert(salida.end(), resto.begin(), resto.end());
        QVERIFY(std::abs(double(salida.size()) - 20 * 441 * 24000.0 / 22050) < 4);
        // 300 Hz at 0.3: neighbouring samples differ by at most 0.0236.
        float salto = 0;
        for (size_t i = 200; i + 200 < salida.size(); ++i)
            salto = std::max(salto, std::abs(salida[i] - salida[i - 1]));
        QVERIFY2(salto < 0.026f, qPrintable(QString::number(salto)));
    }
};

QTEST_GUILESS_MAIN(TestMotorConversacionHabla)
#include "TestMotorConversacionHabla.moc"
