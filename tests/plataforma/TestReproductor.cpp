#include "comun/GrabadorMonitor.h"
#include "plataforma/Reproductor.h"
#include "plataforma/Ritmo.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cmath>
#include <numbers>

namespace {

std::vector<float> seno(double segundos, double hz = 440, float amplitud = 0.3f, int frecuencia = 24000)
{
    std::vector<float> m(size_t(segundos * frecuencia));
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = amplitud * float(std::sin(2 * std::numbers::pi * hz * double(i) / frecuencia));
    return m;
}

// Zero crossings per second: the pitch of a sine.
double cruces(const std::vector<float>& m, int frecuencia = 24000)
{
    int n = 0;
    for (size_t i = 1; i < m.size(); ++i)
        n += (m[i - 1] < 0) != (m[i] < 0);
    return double(n) / 2 / (double(m.size()) / frecuencia);
}

// The sink our one stream plays on, from the server's own list.
QString sinkDelStream()
{
    const QString lista = PulsePrueba::pactl({"list", "short", "sink-inputs"});
    const QStringList campos = lista.split('\t');
    return campos.size() > 1 ? campos[0] + ':' + campos[1] : QString();
}

} // namespace

class TestReproductor : public QObject {
    Q_OBJECT

private slots:
    void ritmoCambiaLaDuracionSinCambiarElTono_data()
    {
        QTest::addColumn<float>("velocidad");
        QTest::newRow("como se grabó") << 1.0f;
        QTest::newRow("por defecto") << 1.15f;
        QTest::newRow("rápida") << 1.5f;
        QTest::newRow("lenta") << 0.8f;
    }

    void ritmoCambiaLaDuracionSinCambiarElTono()
    {
        QFETCH(float, velocidad);
        Ritmo ritmo(24000);
        ritmo.setVelocidad(velocidad);
        const auto entrada = seno(2.0, 300);
        std::vector<float> salida;
        // Fed in the voice service's 0.1 s buffers, as playback does.
        for (size_t i = 0; i < entrada.size(); i += 2400) {
            const auto trozo = ritmo.procesar(std::span(entrada).subspan(i, std::min<size_t>(2400, entrada.size() - i)));
            salida.insert(salida.end(), trozo.begin(), trozo.end());
        }
        const auto resto = ritmo.vaciar();
        salida.insert(salida.end(), resto.begin(), resto.end());
        const double esperado = 2.0 / velocidad;
        QVERIFY2(std::abs(double(salida.size()) / 24000 - esperado) < 0.03,
                 qPrintable(QString::number(double(salida.size()) / 24000)));
        QVERIFY(std::abs(cruces(salida) - 300) < 6);
        // The next utterance starts clean.
        QVERIFY(ritmo.vaciar().empty());
    }

    void marcaAvisaCuandoElAudioSeOyo()
    {
        EXIGIR_PULSE();
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        GrabadorMonitor grabador;
        std::atomic<int> orden = 0;
        std::atomic<int> primera = -1;
        std::atomic<int> segunda = -1;
        std::atomic<double> oidoAlAvisar = 0;
        r->velocidad(1);
        r->programar(seno(0.6));
        r->programarFin([&](bool sonado) {
            primera = sonado ? ++orden : 0;
        });
        r->programar(seno(0.4, 660));
        r->programarFin([&](bool sonado) {
            segunda = sonado ? ++orden : 0;
        });
        QTRY_VERIFY_WITH_TIMEOUT(primera != -1, 10000);
        oidoAlAvisar = grabador.segundosSonando();
        QTRY_VERIFY_WITH_TIMEOUT(segunda != -1, 10000);
        QCOMPARE(primera.load(), 1);
        QCOMPARE(segunda.load(), 2);
        // The first marker waited for its 0.6 s to come out of the output,
        // not for the moment they were handed over.
        QVERIFY2(oidoAlAvisar >= 0.5, qPrintable(QString::number(oidoAlAvisar)));
        QTest::qWait(200);
        QVERIFY(std::abs(grabador.segundosSonando() - 1.0) < 0.12);
    }

    void detenerCallaAlMomentoYLasMarcasDicenFalso()
    {
        EXIGIR_PULSE();
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        GrabadorMonitor grabador;
        std::atomic<int> aviso = -1;
        r->programar(seno(4));
        r->programarFin([&](bool sonado) { aviso = sonado; });
        QTRY_VERIFY_WITH_TIMEOUT(grabador.segundosSonando() > 0.3, 10000);
        r->detener();
        QTRY_COMPARE_WITH_TIMEOUT(aviso.load(), 0, 2000);
        QTest::qWait(600);
        const auto niveles = grabador.niveles();
        // The last 300 ms recorded are silent: the queued seconds were cut.
        QVERIFY(niveles.size() > 15);
        for (size_t i = niveles.size() - 15; i < niveles.size(); ++i)
            QVERIFY2(niveles[i] < 0.01f, qPrintable(QString::number(niveles[i])));
        QVERIFY(grabador.segundosSonando() < 2.5);

        // The player goes on after a stop.
        std::atomic<bool> otra = false;
        r->programar(seno(0.3));
        r->programarFin([&](bool sonado) { otra = sonado; });
        QTRY_VERIFY_WITH_TIMEOUT(otra.load(), 10000);
    }

    // One level a block as it is heard: the sentence's blocks carry its RMS,
    // the silence after it brings the level down.
    void nivelDeLoQueSeOye()
    {
        EXIGIR_PULSE();
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        std::mutex mutex;
        std::vector<float> niveles;
        auto observacion = r->observarNivel([&](float rms) {
            std::lock_guard g(mutex);
            niveles.push_back(rms);
        });
        std::atomic<bool> listo = false;
        r->velocidad(1);
        r->programar(seno(0.5));
        r->programarFin([&](bool) { listo = true; });
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard g(mutex);
                return std::any_of(niveles.begin(), niveles.end(), [](float n) { return n > 0.1f; });
            }(),
            10000);
        QTRY_VERIFY_WITH_TIMEOUT(listo.load(), 10000);
        QTest::qWait(300);
        observacion.reset();
        size_t antes;
        {
            std::lock_guard g(mutex);
            const auto altos = std::count_if(niveles.begin(), niveles.end(), [](float n) { return n > 0.1f; });
            // 0.5 s are 11.7 blocks of 1024 frames.
            QVERIFY2(altos >= 10 && altos <= 13, qPrintable(QString::number(altos)));
            const float maximo = *std::max_element(niveles.begin(), niveles.end());
            QVERIFY2(std::abs(maximo - 0.3f / std::sqrt(2.0f)) < 0.02f, qPrintable(QString::number(maximo)));
            QVERIFY(niveles.back() < 0.01f);
            antes = niveles.size();
        }
        // Once the observation is gone nothing more is reported.
        QTest::qWait(200);
        std::lock_guard g(mutex);
        QCOMPARE(niveles.size(), antes);
    }

    void velocidadSeOyeEnLaDuracion()
    {
        EXIGIR_PULSE();
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        GrabadorMonitor grabador;
        std::atomic<bool> listo = false;
        r->velocidad(2);
        r->programar(seno(1.6));
        r->programarFin([&](bool) { listo = true; });
        QTRY_VERIFY_WITH_TIMEOUT(listo.load(), 10000);
        QTest::qWait(200);
        QVERIFY2(std::abs(grabador.segundosSonando() - 0.8) < 0.1, qPrintable(QString::number(grabador.segundosSonando())));
    }

    void cambiaDeSalidaSoloCuandoEsOtra()
    {
        EXIGIR_PULSE();
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        // Speech keeps the output open while the device changes.
        r->programar(seno(3, 440, 0.0f));
        QString antes;
        QTRY_VERIFY_WITH_TIMEOUT(!(antes = sinkDelStream()).isEmpty(), 5000);
        r->preparar(QString("zuvi_altavoz"));
        QTest::qWait(100);
        QCOMPARE(sinkDelStream(), antes);

        r->preparar(QString("zuvi_auriculares"));
        QString despues;
        QTRY_VERIFY_WITH_TIMEOUT(!(despues = sinkDelStream()).isEmpty() && despues != antes, 5000);
        r->detener();
        const QString auriculares = PulsePrueba::pactl({"list", "short", "sinks"})
                                        .split('\n')
                                        .filter("zuvi_auriculares")
                                        .value(0)
                                        .section('\t', 0, 0);
        QCOMPARE(despues.section(':', 1), auriculares);

        GrabadorMonitor grabador("zuvi_auriculares");
        std::atomic<bool> listo = false;
        r->programar(seno(0.4));
        r->programarFin([&](bool sonado) { listo = sonado; });
        QTRY_VERIFY_WITH_TIMEOUT(listo.load(), 10000);
        // The sound reached the headphones; when a marker fires is pinned
        // on one output above.
        QTRY_VERIFY_WITH_TIMEOUT(grabador.segundosSonando() > 0.3, 3000);
    }

    // The server is not kept playing silence: the stream closes soon after
    // the last sentence, and a cut closes it without opening another.
    void cierraLaSalidaSinAudio_data()
    {
        QTest::addColumn<bool>("cortar");
        QTest::newRow("tras la frase") << false;
        QTest::newRow("tras un corte") << true;
    }

    void cierraLaSalidaSinAudio()
    {
        EXIGIR_PULSE();
        QFETCH(bool, cortar);
        auto r = Reproductor::crear();
        r->preparar(QString("zuvi_altavoz"));
        std::atomic<int> aviso = -1;
        r->programar(seno(cortar ? 4 : 0.3));
        r->programarFin([&](bool sonado) { aviso = sonado; });
        QTRY_VERIFY_WITH_TIMEOUT(!sinkDelStream().isEmpty(), 5000);
        if (cortar)
            r->detener();
        QTRY_COMPARE_WITH_TIMEOUT(aviso.load(), cortar ? 0 : 1, 10000);
        // The idle time is under half a second; pactl itself takes a moment.
        QTRY_VERIFY_WITH_TIMEOUT(sinkDelStream().isEmpty(), 2000);
        QTest::qWait(600);
        QVERIFY(sinkDelStream().isEmpty());
    }

    void salidaQueNoExisteFalla()
    {
        EXIGIR_PULSE();
        std::mutex mutex;
        QStringList lineas;
        auto r = Reproductor::crear([&](const QString& l) {
            std::lock_guard g(mutex);
            lineas << l;
        });
        // Never waited for: the missing output is logged.
        r->preparar(QString("zuvi_no_existe"));
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard g(mutex);
                return lineas.contains(QStringLiteral("Reproductor: No se encontró la salida de sonido."));
            }(),
            5000);
        // Markers still end when nothing can be opened.
        std::atomic<int> aviso = -1;
        r->programar(seno(0.2));
        r->programarFin([&](bool sonado) { aviso = sonado; });
        QTRY_COMPARE_WITH_TIMEOUT(aviso.load(), 0, 5000);
    }
};

QTEST_GUILESS_MAIN(TestReproductor)
#include "TestReproductor.moc"
