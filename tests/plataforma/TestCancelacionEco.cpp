// The echo canceller on the test sound server: our player speaks into the
// null output while its monitor is the microphone, so the capture hears
// exactly the room's own voice.
#include "comun/HablaSintetica.h"
#include "plataforma/CancelacionEco.h"
#include "plataforma/Microfono.h"
#include "plataforma/Remuestreador.h"
#include "plataforma/Reproductor.h"

#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <cmath>
#include <mutex>

class TestCancelacionEco : public QObject {
    Q_OBJECT

private slots:
    void init() { EXIGIR_PULSE(); }

    void quitaLaVozPropia()
    {
        const std::vector<float> frase48 =
            HablaSintetica::decir("Hola, soy la sala de proyectos. Te leo la respuesta completa del agente.");
        if (frase48.empty())
            QSKIP("sin espeak-ng");
        Remuestreador r(48000, Reproductor::frecuencia);
        std::vector<float> frase = r.procesar(frase48);

        auto reproductor = Reproductor::crear();
        reproductor->preparar(QString("zuvi_altavoz"));
        auto eco = CancelacionEco::crear(reproductor);
        // The monitor as an input the microphone layer lists, for this test only.
        const QString modulo = PulsePrueba::pactl({"load-module", "module-remap-source", "master=zuvi_altavoz.monitor",
                                                   "source_name=zuvi_eco", "channels=1"});
        QVERIFY(!modulo.isEmpty());
        auto quitar = qScopeGuard([&] { PulsePrueba::pactl({"unload-module", modulo}); });
        std::unique_ptr<CapturaAudio> captura;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                try {
                    captura = Microfono::sistema().abrir(QString("zuvi_eco"));
                } catch (const ErrorCaptura&) {
                }
                return captura != nullptr;
            }(),
            5000);
        eco->activar(captura->frecuencia(), captura->canales());

        // Phase 1: the room's own voice; phase 2: someone else (another
        // player the canceller does not know) in the same room.
        std::mutex mutex;
        double crudo[3] = {};
        double limpio[3] = {};
        std::atomic<int> fase = 0;
        captura->iniciar([&](const BloqueAudio& b) {
            BloqueAudio copia = b;
            eco->procesar(copia);
            const int f = fase;
            if (f == 0)
                return;
            double c = 0;
            double l = 0;
            for (size_t i = 0; i < b.muestras.size(); ++i) {
                c += double(b.muestras[i]) * b.muestras[i];
                l += double(copia.muestras[i]) * copia.muestras[i];
            }
            std::lock_guard g(mutex);
            crudo[f] += c;
            limpio[f] += l;
        });
        // The first time through the canceller learns the path; the echo is
        // measured over the second and third.
        std::atomic<int> dichas = 0;
        for (int i = 0; i < 3; ++i) {
            reproductor->programar(frase);
            reproductor->programarFin([&](bool) {
                if (++dichas == 1)
                    fase = 1;
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(dichas.load(), 3, 30000);
        QTest::qWait(300);
        auto persona = Reproductor::crear();
        persona->preparar(QString("zuvi_altavoz"));
        std::vector<float> tono(size_t(Reproductor::frecuencia));
        for (size_t i = 0; i < tono.size(); ++i)
            tono[i] = 0.2f * float(std::sin(2 * M_PI * 300 * double(i) / Reproductor::frecuencia));
        std::atomic<bool> oida = false;
        fase = 2;
        persona->programar(tono);
        persona->programarFin([&](bool) { oida = true; });
        QTRY_VERIFY_WITH_TIMEOUT(oida.load(), 10000);
        fase = 0;
        captura->detener();
        std::lock_guard g(mutex);
        QVERIFY(crudo[1] > 0 && crudo[2] > 0);
        auto db = [&](int f) { return 10 * std::log10(std::max(limpio[f], 1e-12) / crudo[f]); };
        qInfo("eco residual: %.1f dB; otra voz: %.1f dB", db(1), db(2));
        // Well below: a tenth of the energy at most.
        QVERIFY2(db(1) < -10, qPrintable(QString::number(db(1))));
        // What the room did not say itself still comes through.
        QVERIFY2(db(2) > -6, qPrintable(QString::number(db(2))));
    }
};

QTEST_GUILESS_MAIN(TestCancelacionEco)
#include "TestCancelacionEco.moc"
