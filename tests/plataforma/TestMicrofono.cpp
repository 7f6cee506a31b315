#include "comun/EscritorTuberia.h"
#include "plataforma/Microfono.h"

#include <QTest>

#include <mutex>

class TestMicrofono : public QObject {
    Q_OBJECT

private slots:
    void capturaBloquesFijosDelMicrofono()
    {
        EXIGIR_PULSE();
        auto captura = Microfono::sistema().abrir(QString("zuvi_microfono"));
        QCOMPARE(captura->frecuencia(), 48000);
        QCOMPARE(captura->canales(), 1);

        std::mutex mutex;
        std::vector<BloqueAudio> bloques;
        captura->iniciar([&](const BloqueAudio& b) {
            std::lock_guard g(mutex);
            bloques.push_back(b);
        });
        EscritorTuberia escritor(0.5f);
        auto rmsMaximo = [&] {
            std::lock_guard g(mutex);
            double mejor = 0;
            for (const auto& b : bloques) {
                double s = 0;
                for (float m : b.muestras)
                    s += double(m) * m;
                mejor = std::max(mejor, std::sqrt(s / double(b.muestras.size())));
            }
            return mejor;
        };
        // A 0.5 sine has an RMS of 0.354.
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(rmsMaximo() - 0.3536) < 0.01, 10000);
        captura->detener();
        std::lock_guard g(mutex);
        const size_t cuantos = bloques.size();
        for (const auto& b : bloques) {
            QCOMPARE(b.frames(), Microfono::framesPorBloque);
            QCOMPARE(b.frecuencia, 48000);
        }
        QTest::qWait(100);
        QCOMPARE(bloques.size(), cuantos);
    }

    void dispositivoQueNoEstaListado()
    {
        EXIGIR_PULSE();
        try {
            Microfono::sistema().abrir(QString("zuvi_no_existe"));
            QFAIL("debía fallar");
        } catch (const ErrorCaptura& e) {
            QCOMPARE(e.tipo(), ErrorCaptura::Tipo::dispositivo);
            QCOMPARE(e.estado(), Microfono::sinDispositivo);
        }
    }
};

QTEST_GUILESS_MAIN(TestMicrofono)
#include "TestMicrofono.moc"
