#include "plataforma/Sintetizador.h"

#include <QTest>

#include <atomic>
#include <mutex>

namespace {

// What one request delivered.
struct Entrega {
    std::mutex mutex;
    std::vector<BloqueAudio> bloques;
    std::atomic<bool> terminado = false;

    std::function<void(const BloqueAudio&)> recibir()
    {
        return [this](const BloqueAudio& b) {
            std::lock_guard g(mutex);
            bloques.push_back(b);
            if (b.muestras.empty())
                terminado = true;
        };
    }
    size_t muestras()
    {
        std::lock_guard g(mutex);
        size_t n = 0;
        for (const auto& b : bloques)
            n += b.muestras.size();
        return n;
    }
};

} // namespace

class TestSintetizador : public QObject {
    Q_OBJECT

private slots:
    void palabrasPorMinuto_data()
    {
        QTest::addColumn<float>("velocidad");
        QTest::addColumn<int>("ppm");
        QTest::newRow("la más lenta") << 0.0f << 80;
        QTest::newRow("normal") << 0.5f << 175;
        QTest::newRow("la más rápida") << 1.0f << 450;
        QTest::newRow("entre lenta y normal") << 0.25f << 128;
        QTest::newRow("entre normal y rápida") << 0.75f << 313;
        QTest::newRow("bajo cero") << -1.0f << 80;
        QTest::newRow("sobre uno") << 2.0f << 450;
    }

    void palabrasPorMinuto()
    {
        QFETCH(float, velocidad);
        QFETCH(int, ppm);
        QCOMPARE(Sintetizador::palabrasPorMinuto(velocidad), ppm);
    }

    void nombreVoz_data()
    {
        QTest::addColumn<QString>("identificador");
        QTest::addColumn<QString>("motor");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("España") << "roa/es" << "Spanish_(Spain)" << "Español (España)";
        QTest::newRow("Latinoamérica") << "roa/es-419" << "Spanish_(Latin_America)" << "Español (Latinoamérica)";
        QTest::newRow("otra lengua") << "gmw/en" << "English_(Great_Britain)" << "English (Great Britain)";
    }

    void nombreVoz()
    {
        QFETCH(QString, identificador);
        QFETCH(QString, motor);
        QTEST(Sintetizador::nombreVoz(identificador, motor), "nombre");
    }

    void vocesEspanolasQueHablanSolas()
    {
        const auto voces = Sintetizador::crear()->voces();
        QStringList espanol;
        for (const auto& v : voces) {
            QVERIFY(!v.identificador.startsWith("mb/"));
            if (v.idioma.startsWith("es"))
                espanol << v.identificador + '=' + v.idioma;
            // Every Spanish voice is offered under a Spanish name.
            if (v.idioma.startsWith("es"))
                QVERIFY2(v.nombre.startsWith(QStringLiteral("Español")), qPrintable(v.nombre));
        }
        QVERIFY2(espanol.contains("roa/es=es"), qPrintable(espanol.join(' ')));
        QVERIFY(espanol.contains("roa/es-419=es-419"));
    }

    void escribeBloquesYTerminaConUnoVacio_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<std::optional<QString>>("voz");
        QTest::addColumn<bool>("seOye");
        QTest::newRow("voz por defecto") << "Hola, ¿cómo estás?" << std::optional<QString>() << true;
        QTest::newRow("latinoamericana") << "Buenos días" << std::optional<QString>("roa/es-419") << true;
        QTest::newRow("voz desconocida") << "Buenos días" << std::optional<QString>("no/existe") << true;
        QTest::newRow("sin texto") << "" << std::optional<QString>() << false;
    }

    void escribeBloquesYTerminaConUnoVacio()
    {
        QFETCH(QString, texto);
        QFETCH(std::optional<QString>, voz);
        QFETCH(bool, seOye);
        auto s = Sintetizador::crear();
        Entrega e;
        s->escribir({texto, voz, 0.5f}, e.recibir());
        QTRY_VERIFY_WITH_TIMEOUT(e.terminado.load(), 10000);
        std::lock_guard g(e.mutex);
        QVERIFY(e.bloques.back().muestras.empty());
        float pico = 0;
        for (const auto& b : e.bloques) {
            QCOMPARE(b.canales, 1);
            QCOMPARE(b.frecuencia, 22050);
            for (float m : b.muestras)
                pico = std::max(pico, std::abs(m));
        }
        QCOMPARE(pico > 0.05f, seOye);
    }

    void laVelocidadAlargaOAcorta()
    {
        auto s = Sintetizador::crear();
        Entrega lenta;
        Entrega rapida;
        const QString frase = "Esta frase se dice una vez despacio y otra vez deprisa.";
        s->escribir({frase, std::nullopt, 0.0f}, lenta.recibir());
        s->escribir({frase, std::nullopt, 1.0f}, rapida.recibir());
        QTRY_VERIFY_WITH_TIMEOUT(rapida.terminado.load(), 10000);
        QVERIFY(lenta.terminado.load());
        QVERIFY(lenta.muestras() > 3 * rapida.muestras());
    }

    void detenerCortaSoloLoDeSuDueno()
    {
        auto uno = Sintetizador::crear();
        auto otro = Sintetizador::crear();
        Entrega larga;
        Entrega ajena;
        uno->escribir({QString("Una frase muy larga que nunca debería terminar de decirse. ").repeated(20),
                       std::nullopt, 0.0f},
                      larga.recibir());
        otro->escribir({"Esta sí se dice entera.", std::nullopt, 0.5f}, ajena.recibir());
        QTRY_VERIFY_WITH_TIMEOUT(larga.muestras() > 0, 10000);
        uno->detener();
        const size_t alDetener = larga.muestras();
        QTRY_VERIFY_WITH_TIMEOUT(ajena.terminado.load(), 10000);
        // At most the block being handed over when it stopped.
        QVERIFY(larga.muestras() - alDetener <= 22050 / 5);
        QVERIFY(!larga.terminado.load());
        // Its next request is spoken.
        Entrega despues;
        uno->escribir({"Sigo aquí.", std::nullopt, 0.5f}, despues.recibir());
        QTRY_VERIFY_WITH_TIMEOUT(despues.terminado.load(), 10000);
        QVERIFY(despues.muestras() > 0);
    }
};

QTEST_GUILESS_MAIN(TestSintetizador)
#include "TestSintetizador.moc"
