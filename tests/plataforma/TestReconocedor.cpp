#include "comun/MotorReconocimientoGuionado.h"
#include "comun/Senales.h"
#include "plataforma/Remuestreador.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <thread>

using Paso = MotorReconocimientoGuionado::Paso;

namespace {

struct Recibido {
    std::mutex mutex;
    QStringList textos;
    QList<bool> finales;
    QStringList errores;

    TareaReconocimiento::AlTexto alTexto()
    {
        return [this](const QString& t, bool f) {
            std::lock_guard g(mutex);
            textos << t;
            finales << f;
        };
    }
    TareaReconocimiento::AlError alError()
    {
        return [this](const QString& e) {
            std::lock_guard g(mutex);
            errores << e;
        };
    }
    int cuantos()
    {
        std::lock_guard g(mutex);
        return int(textos.size() + errores.size());
    }
};

} // namespace

class TestReconocedor : public QObject {
    Q_OBJECT

private slots:
    void acumulaEnunciadosYSoloInformaCambios()
    {
        auto motor = std::make_shared<MotorReconocimientoGuionado>();
        motor->estado->guion = {
            {"hola", false, "", false},
            {"hola", false, "", false},
            {"hola mundo", false, "", false},
            // The backend's endpoint closes an utterance, not the segment.
            {"", true, "hola mundo", false},
            {"", false, "", false},
            {"qué tal", false, "", false},
        };
        motor->estado->textoFinal = "qué tal estás";
        Reconocedor reconocedor(motor);
        Recibido r;
        auto tarea = reconocedor.iniciar("es-ES", r.alTexto(), r.alError());
        QVERIFY(tarea);
        for (int i = 0; i < 6; ++i)
            tarea->anadir(Senales::seno(1024, 16000, 0.5f));
        tarea->terminar();
        QTRY_COMPARE(r.cuantos(), 4);
        QCOMPARE(r.textos, (QStringList{"hola", "hola mundo", "hola mundo qué tal", "hola mundo qué tal estás"}));
        QCOMPARE(r.finales, (QList<bool>{false, false, false, true}));
        QVERIFY(r.errores.isEmpty());
        // Fed at int16 scale.
        QVERIFY(motor->estado->maximo > 16000 && motor->estado->maximo <= 16384);
        QCOMPARE(motor->abiertos, QStringList{"es-ES"});
    }

    void remuestreaA16k()
    {
        auto motor = std::make_shared<MotorReconocimientoGuionado>();
        Reconocedor reconocedor(motor);
        Recibido r;
        auto tarea = reconocedor.iniciar("es-ES", r.alTexto(), r.alError());
        // One second of stereo at 48 kHz in capture-sized blocks.
        for (int i = 0; i < 48000 / 1000; ++i)
            tarea->anadir(Senales::seno(1000, 48000, 0.5f, 2));
        tarea->terminar();
        QTRY_COMPARE(r.cuantos(), 1);
        QVERIFY(r.finales.value(0));
        QVERIFY2(std::abs(int(motor->muestras()) - 16000) <= 16, qPrintable(QString::number(motor->muestras())));
    }

    void remuestreadorConservaElTono()
    {
        Remuestreador rm(48000, 16000);
        std::vector<float> salida;
        for (int i = 0; i < 10; ++i) {
            auto b = Senales::seno(4800, 48000, 1.0f);
            auto parte = rm.procesar(b.muestras);
            salida.insert(salida.end(), parte.begin(), parte.end());
        }
        auto resto = rm.vaciar();
        salida.insert(salida.end(), resto.begin(), resto.end());
        QVERIFY(std::abs(int(salida.size()) - 16000) <= 16);
        // A 440 Hz tone keeps its power (RMS of a unit sine is 0.707).
        double suma = 0;
        for (size_t i = 2000; i < 14000; ++i)
            suma += salida[i] * salida[i];
        QVERIFY(std::abs(std::sqrt(suma / 12000) - 0.7071) < 0.01);
    }

    void remuestreadorImposibleFalla_data()
    {
        QTest::addColumn<double>("entrada");
        QTest::addColumn<double>("salida");
        QTest::newRow("entrada cero") << 0.0 << 16000.0;
        QTest::newRow("entrada negativa") << -48000.0 << 16000.0;
        QTest::newRow("salida cero") << 48000.0 << 0.0;
        QTest::newRow("no es un número") << std::nan("") << 16000.0;
        QTest::newRow("infinita") << std::numeric_limits<double>::infinity() << 16000.0;
    }

    // A converter that cannot be made must not pass 48 kHz audio on as if
    // it were 16 kHz.
    void remuestreadorImposibleFalla()
    {
        QFETCH(double, entrada);
        QFETCH(double, salida);
        QVERIFY_THROWS_EXCEPTION(ErrorRemuestreo, Remuestreador(entrada, salida));
    }

    void terminarYCancelarDescartaElFinalPendiente()
    {
        auto motor = std::make_shared<MotorReconocimientoGuionado>();
        motor->estado->textoFinal = "no debe llegar";
        motor->cerrar();
        Reconocedor reconocedor(motor);
        Recibido r;
        auto tarea = reconocedor.iniciar("es-ES", r.alTexto(), r.alError());
        tarea->anadir(Senales::seno(1024, 16000, 0.5f));
        tarea->anadir(Senales::seno(1024, 16000, 0.5f));
        tarea->terminar();
        // The worker is held inside the backend while cancelar runs.
        std::thread soltar([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            motor->abrirCompuerta();
        });
        tarea->cancelar();
        soltar.join();
        tarea.reset();
        QCOMPARE(r.cuantos(), 0);
        QCOMPARE(motor->vivos(), 0);
    }

    void errorDelMotorLlegaComoError()
    {
        auto motor = std::make_shared<MotorReconocimientoGuionado>();
        motor->estado->guion = {{"uno", false, "", false}, {"", false, "", true}};
        Reconocedor reconocedor(motor);
        Recibido r;
        auto tarea = reconocedor.iniciar("es-ES", r.alTexto(), r.alError());
        for (int i = 0; i < 3; ++i)
            tarea->anadir(Senales::seno(1024, 16000, 0.5f));
        tarea->terminar();
        QTRY_COMPARE(r.cuantos(), 2);
        QCOMPARE(r.textos, QStringList{"uno"});
        QCOMPARE(r.errores, QStringList{"El reconocedor falló."});
    }

    void unir_data()
    {
        QTest::addColumn<QStringList>("enunciados");
        QTest::addColumn<QString>("parcial");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("nada") << QStringList{} << "" << "";
        QTest::newRow("solo parcial") << QStringList{} << " hola " << "hola";
        QTest::newRow("enunciados y parcial") << QStringList{"uno", "dos"} << "tres" << "uno dos tres";
        QTest::newRow("enunciado vacio") << QStringList{"uno", "", " "} << "" << "uno";
    }

    void unir()
    {
        QFETCH(QStringList, enunciados);
        QFETCH(QString, parcial);
        QFETCH(QString, esperado);
        QCOMPARE(TareaReconocimiento::unir(enunciados, parcial), esperado);
    }
};

QTEST_GUILESS_MAIN(TestReconocedor)
#include "TestReconocedor.moc"
