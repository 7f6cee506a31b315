// The engine's music state from its classifier's results, barge-in over
// music, and the two queries projects mode asks when it closes an utterance.
#include "audio/MotorConversacion.h"
#include "comun/CapasMotorFalsas.h"
#include "comun/SintetizadorFalso.h"

#include <QTest>

#include <atomic>

namespace {

// Keeps the engine's receiver, so a test plays the results; records what
// it was given to analyse.
struct ClasificadorFalso final : ClasificadorSonido {
    AlResultado resultado;
    std::vector<int64_t> posiciones;
    bool preparar(int, int, AlResultado al) override
    {
        resultado = std::move(al);
        posiciones.clear();
        return true;
    }
    void analizar(std::shared_ptr<const BloqueAudio>, int64_t posicion) override { posiciones.push_back(posicion); }
};

struct Banco : CapasMotorFalsas {
    std::shared_ptr<ClasificadorFalso> clasificador = std::make_shared<ClasificadorFalso>();
    std::shared_ptr<SintetizadorFalso> sintetizador = std::make_shared<SintetizadorFalso>();
    MotorConversacion motor{[this] {
        MotorConversacion::Capas c = capas(nullptr, clasificador);
        c.sintetizador = sintetizador;
        return c;
    }()};
};

} // namespace

class TestMotorConversacionMusica : public QObject {
    Q_OBJECT

private slots:
    // Only changes are reported; exactly 0.4 is no music.
    void anunciaLosCambios_data()
    {
        QTest::addColumn<QList<double>>("musicas");
        QTest::addColumn<QList<bool>>("anuncios");
        QTest::newRow("0.5, 0.5, 0.3") << QList<double>{0.5, 0.5, 0.3} << QList<bool>{true, false};
        QTest::newRow("0.4 no es música") << QList<double>{0.4, 0.4} << QList<bool>{};
        QTest::newRow("va y vuelve") << QList<double>{0.9, 0.1, 0.41} << QList<bool>{true, false, true};
    }

    void anunciaLosCambios()
    {
        QFETCH(QList<double>, musicas);
        QFETCH(QList<bool>, anuncios);
        Banco b;
        QList<bool> vistos;
        b.motor.onMusica([&](bool m) { vistos << m; });
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        QVERIFY(b.clasificador->resultado);
        for (double m : musicas)
            b.clasificador->resultado(m, 0.1);
        QCOMPARE(vistos, anuncios);
    }

    // Kept blocks reach the classifier at running frame positions, from 0
    // again on every start.
    void posiciones()
    {
        Banco b;
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        QVERIFY(b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, 0.1f)));
        QVERIFY(b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, 0.1f)));
        QCOMPARE(b.clasificador->posiciones, (std::vector<int64_t>{0, 1024}));
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        QVERIFY(b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, 0.1f)));
        QCOMPARE(b.clasificador->posiciones, (std::vector<int64_t>{0}));
    }

    void hayMusicaAhora()
    {
        Banco b;
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        QVERIFY(!b.motor.hayMusicaAhora());
        b.clasificador->resultado(0.8, 0);
        QVERIFY(b.motor.hayMusicaAhora());
        b.reloj.avanzar(std::chrono::milliseconds(2499));
        QVERIFY(b.motor.hayMusicaAhora());
        b.reloj.avanzar(std::chrono::milliseconds(1));
        QVERIFY(!b.motor.hayMusicaAhora());
        b.clasificador->resultado(0.4, 0);
        QVERIFY(!b.motor.hayMusicaAhora());
    }

    // Someone talking over the room's voice while music plays: ignored
    // unless "ignorarMusica" is an explicit false.
    void vozEncimaConMusica_data()
    {
        QTest::addColumn<double>("musica");
        QTest::addColumn<QVariant>("ignorar");
        QTest::addColumn<int>("avisos");
        QTest::newRow("sin música") << 0.1 << QVariant() << 1;
        QTest::newRow("música, ajuste ausente") << 0.9 << QVariant() << 0;
        QTest::newRow("música, true") << 0.9 << QVariant(true) << 0;
        QTest::newRow("música, no booleano") << 0.9 << QVariant(QStringLiteral("quizás")) << 0;
        QTest::newRow("música, false") << 0.9 << QVariant(false) << 1;
    }

    void vozEncimaConMusica()
    {
        QFETCH(double, musica);
        QFETCH(QVariant, ignorar);
        QFETCH(int, avisos);
        Banco b;
        if (ignorar.isValid())
            b.ajustes.escribir(QStringLiteral("ignorarMusica"), ignorar);
        std::atomic<int> vistos = 0;
        b.motor.onVozEncima([&] { ++vistos; });
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        b.motor.hablar(QStringLiteral("Hola, ¿qué hacemos?"), std::nullopt, 0.5f, {});
        QVERIFY(b.motor.hablando());
        b.clasificador->resultado(musica, 0.2);
        b.reproductor->nivel(0.1f);
        QVERIFY(b.empujar(0.9f));
        QVERIFY(b.empujar(0.9f));
        QCOMPARE(vistos.load(), avisos);
    }

    void musicaDominante_data()
    {
        QTest::addColumn<std::vector<double>>("musicas");
        QTest::addColumn<bool>("dominante");
        QTest::newRow("ninguna") << std::vector<double>{} << false;
        QTest::newRow("justo la mitad") << std::vector<double>{0.5, 0.1} << true;
        QTest::newRow("menos de la mitad") << std::vector<double>{0.5, 0.1, 0.4} << false;
        QTest::newRow("todas") << std::vector<double>{0.9, 0.41} << true;
    }

    void musicaDominante()
    {
        QFETCH(std::vector<double>, musicas);
        QFETCH(bool, dominante);
        QCOMPARE(MotorConversacion::musicaDominante(musicas), dominante);
    }

    void cercaniaDeVoz_data()
    {
        QTest::addColumn<std::vector<float>>("niveles");
        QTest::addColumn<float>("cercania");
        QTest::newRow("cuatro niveles") << std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f} << 0.0f;
        // n = 5: loud index 3, quiet index 0.
        QTest::newRow("cinco") << std::vector<float>{0.4f, 0.01f, 0.2f, 0.5f, 0.1f} << 40.0f;
        QTest::newRow("silencio abajo") << std::vector<float>{0, 0, 0, 0.1f, 0.2f} << 200.0f;
    }

    void cercaniaDeVoz()
    {
        QFETCH(std::vector<float>, niveles);
        QFETCH(float, cercania);
        QVERIFY(std::abs(MotorConversacion::cercaniaDeVoz(niveles) - cercania) < 1e-3f);
    }

    // The queries take what came since the date.
    void desdeUnaFecha()
    {
        Banco b;
        b.motor.arrancar(std::nullopt, std::nullopt, false);
        b.clasificador->resultado(0.1, 0);
        for (int i = 0; i < 5; ++i)
            QVERIFY(b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, 0.001f)));
        b.reloj.avanzar(std::chrono::seconds(1));
        const QDateTime desde = b.reloj.ahora();
        QVERIFY(!b.motor.musicaDominante(desde));
        b.clasificador->resultado(0.9, 0);
        QVERIFY(b.motor.musicaDominante(desde));
        QCOMPARE(b.motor.cercaniaDeVoz(desde), 0.0f);
        for (float a : {0.001f, 0.001f, 0.001f, 0.1f, 0.1f})
            QVERIFY(b.microfono.empujar(Senales::seno(1024, b.microfono.frecuencia, a)));
        QVERIFY(b.motor.cercaniaDeVoz(desde) > 50);
    }
};

QTEST_GUILESS_MAIN(TestMotorConversacionMusica)
#include "TestMotorConversacionMusica.moc"
