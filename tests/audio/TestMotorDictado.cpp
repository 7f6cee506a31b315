#include "audio/MotorDictado.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/EscritorTuberia.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/Senales.h"

#include <QElapsedTimer>
#include <QTest>

#include <mutex>
#include <thread>

namespace {

// What a dictation reported, from whichever thread.
struct Informes {
    std::mutex mutex;
    QStringList textos;
    QList<bool> finales;
    std::vector<float> niveles;
    QStringList errores;

    void iniciar(MotorDictado& m, std::optional<uint32_t> dispositivo)
    {
        m.iniciar(
            dispositivo,
            [this](const QString& t, bool f) {
                std::lock_guard g(mutex);
                textos << t;
                finales << f;
            },
            [this](float n) {
                std::lock_guard g(mutex);
                niveles.push_back(n);
            },
            [this](const QString& e) {
                std::lock_guard g(mutex);
                errores << e;
            });
    }
    int textosRecibidos()
    {
        std::lock_guard g(mutex);
        return int(textos.size());
    }
    float nivelMaximo()
    {
        std::lock_guard g(mutex);
        return niveles.empty() ? -1 : *std::max_element(niveles.begin(), niveles.end());
    }
};

// A dictation engine over fakes, with one listed microphone (id 3).
struct Banco {
    HogarTemporal hogar;
    std::shared_ptr<MotorReconocimientoGuionado> voz = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{voz};
    MicrofonoFalso microfono;
    DispositivosSistemaFalso dispositivos;

    Banco() { dispositivos.entradas = {{3, QString("usb_mic"), QString("Micrófono USB"), std::nullopt, 0, 1}}; }
};

// The test server's pipe microphone, when it is listed.
std::optional<uint32_t> microfonoPrueba()
{
    for (const auto& r : DispositivosSistema::sistema().listar(true))
        if (r.nombre == QString("zuvi_microfono"))
            return r.indice;
    return std::nullopt;
}

} // namespace

class TestMotorDictado : public QObject {
    Q_OBJECT

private slots:
    void elegirLocale_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QStringList>("soportados");
        QTest::addColumn<QString>("elegido");
        QTest::newRow("chileno con guion bajo") << "es_CL" << QStringList{"es-ES", "es-CL"} << "es-CL";
        QTest::newRow("inglés, México antes que España") << "en_US" << QStringList{"es-ES", "es-MX"} << "es-MX";
        QTest::newRow("sin español") << "es_CL" << QStringList{"en-US", "fr-FR"} << "es-ES";
        QTest::newRow("nada soportado") << "es_CL" << QStringList{} << "es-ES";
        QTest::newRow("actual no español") << "en_US" << QStringList{"en-US"} << "es-ES";
        QTest::newRow("soportado con guion bajo") << "en_US" << QStringList{"es_US"} << "es-US";
        QTest::newRow("argentino actual") << "es_AR" << QStringList{"es-AR", "es-ES"} << "es-AR";
        QTest::newRow("solo idioma") << "es" << QStringList{"es"} << "es";
    }

    void elegirLocale()
    {
        QFETCH(QString, actual);
        QFETCH(QStringList, soportados);
        QFETCH(QString, elegido);
        QCOMPARE(MotorDictado::elegirLocale(actual, soportados), elegido);
    }

    void nivel_data()
    {
        QTest::addColumn<std::vector<float>>("muestras");
        QTest::addColumn<int>("canales");
        QTest::addColumn<float>("nivel");
        QTest::newRow("silencio") << std::vector<float>(1024, 0.0f) << 1 << 0.0f;
        std::vector<float> cuadrada(1024);
        for (size_t i = 0; i < cuadrada.size(); ++i)
            cuadrada[i] = (i / 32) % 2 ? 1.0f : -1.0f;
        QTest::newRow("cuadrada a escala completa") << cuadrada << 1 << 1.0f;
        QTest::newRow("-20 dB") << std::vector<float>(1024, 0.1f) << 1 << 0.7f;
        QTest::newRow("-55 dB") << std::vector<float>(1024, 0.00177828f) << 1 << 0.0f;
        QTest::newRow("sin frames") << std::vector<float>{} << 1 << 0.0f;
        // Only the first channel counts.
        std::vector<float> estereo(2048);
        for (size_t i = 0; i < estereo.size(); i += 2)
            estereo[i + 1] = 1.0f;
        QTest::newRow("primer canal mudo") << estereo << 2 << 0.0f;
    }

    void nivel()
    {
        QFETCH(std::vector<float>, muestras);
        QFETCH(int, canales);
        QFETCH(float, nivel);
        BloqueAudio b;
        b.muestras = muestras;
        b.canales = canales;
        b.frecuencia = 48000;
        QVERIFY(std::abs(MotorDictado::nivel(b) - nivel) < 1e-4f);
    }

    void erroresDeInicio_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("sin reconocedor") << 0 << "El reconocimiento de voz en español no está disponible ahora.";
        QTest::newRow("id no listado") << 1 << "No se pudo usar ese micrófono (error 5).";
        QTest::newRow("el sistema rechaza el micrófono") << 2 << "No se pudo usar ese micrófono (error 17).";
        QTest::newRow("sin formato") << 3 << "El micrófono no entrega audio. ¿Está conectado?";
        QTest::newRow("formato en cero") << 4 << "El micrófono no entrega audio. ¿Está conectado?";
    }

    void erroresDeInicio()
    {
        QFETCH(int, caso);
        QFETCH(QString, mensaje);
        Banco b;
        std::optional<uint32_t> dispositivo = 3;
        if (caso == 0)
            b.voz->esDisponible = false;
        if (caso == 1)
            dispositivo = 99;
        if (caso == 2)
            b.microfono.errorAlAbrir = ErrorCaptura(ErrorCaptura::Tipo::dispositivo, 17, "");
        if (caso == 3)
            b.microfono.errorAlAbrir = ErrorCaptura(ErrorCaptura::Tipo::formato, 0, "");
        if (caso == 4)
            b.microfono.frecuencia = 0;
        MotorDictado motor(b.reconocedor, b.microfono, b.dispositivos);
        Informes informes;
        try {
            informes.iniciar(motor, dispositivo);
            QFAIL("debía fallar");
        } catch (const ErrorDictado& e) {
            QCOMPARE(e.descripcion(), mensaje);
        }
        QCOMPARE(b.voz->vivos(), 0);
    }

    void arranqueFallidoNoDejaReconocimientoVivo()
    {
        Banco b;
        b.microfono.errorAlIniciar = ErrorCaptura(ErrorCaptura::Tipo::arranque, 1, "No se pudo abrir el micrófono.");
        MotorDictado motor(b.reconocedor, b.microfono, b.dispositivos);
        Informes informes;
        QVERIFY_THROWS_EXCEPTION(ErrorCaptura, informes.iniciar(motor, 3));
        QTRY_COMPARE(b.voz->vivos(), 0);
    }

    // A recognizer still busy (a slow model load) is let go without
    // waiting for it, and says nothing more once let go.
    void cancelarNoEsperaAlReconocedor()
    {
        Banco b;
        b.voz->estado->guion = {{"hola", false, "", false}};
        b.voz->cerrar();
        MotorDictado motor(b.reconocedor, b.microfono, b.dispositivos);
        Informes informes;
        informes.iniciar(motor, 3);
        QVERIFY(b.microfono.empujar(Senales::seno(1024, 16000, 0.5f)));
        QTRY_VERIFY([&] {
            std::lock_guard g(b.voz->estado->mutex);
            return !b.voz->estado->demoras.empty();
        }());
        QElapsedTimer t;
        t.start();
        motor.cancelar();
        QVERIFY2(t.elapsed() < 50, qPrintable(QString::number(t.elapsed())));
        b.voz->abrirCompuerta();
        QTRY_COMPARE(b.voz->vivos(), 0);
        QTest::qWait(50);
        QCOMPARE(informes.textosRecibidos(), 0);
    }

    void dictadoDeUnMicrofonoElegido()
    {
        Banco b;
        b.voz->soportados = {"es-MX"};
        b.voz->estado->guion = {{"hola", false, "", false}, {"hola Zuvi", false, "", false}};
        b.voz->estado->textoFinal = "hola Zuvi";
        MotorDictado motor(b.reconocedor, b.microfono, b.dispositivos, "en_US");
        QCOMPARE(motor.locale(), QString("es-MX"));
        Informes informes;
        informes.iniciar(motor, 3);
        QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>("usb_mic"));
        QCOMPARE(b.voz->abiertos, QStringList{"es-MX"});
        QVERIFY(b.microfono.empujar(Senales::seno(1024, 16000, 0.5f)));
        QVERIFY(b.microfono.empujar(Senales::seno(1024, 16000, 0.5f)));
        QTRY_COMPARE(informes.textosRecibidos(), 2);
        motor.terminar();
        QVERIFY(!b.microfono.empujar(Senales::seno(1024, 16000, 0.5f)));
        QTRY_COMPARE(informes.textosRecibidos(), 3);
        QCOMPARE(informes.textos, (QStringList{"hola", "hola Zuvi", "hola Zuvi"}));
        QCOMPARE(informes.finales, (QList<bool>{false, false, true}));
        QCOMPARE(informes.niveles.size(), size_t(2));
        motor.cancelar();
        QTRY_COMPARE(b.voz->vivos(), 0);

        // No device given: the system's default input.
        informes.iniciar(motor, std::nullopt);
        QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>());
    }

    void terminarYCancelarDescartaElFinalPendiente()
    {
        Banco b;
        b.voz->estado->textoFinal = "no debe llegar";
        MotorDictado motor(b.reconocedor, b.microfono, b.dispositivos);
        Informes informes;
        informes.iniciar(motor, 3);
        b.voz->cerrar();
        QVERIFY(b.microfono.empujar(Senales::seno(1024, 16000, 0.5f)));
        motor.terminar();
        std::thread soltar([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            b.voz->abrirCompuerta();
        });
        motor.cancelar();
        soltar.join();
        QCOMPARE(informes.textosRecibidos(), 0);
    }

    void permisos()
    {
        struct PermisosFalsos final : Permisos {
            bool microfono() override { return true; }
            bool reconocimiento() override { return false; }
        } falsos;
        auto futuro = MotorDictado::pedirPermisos(falsos);
        futuro.waitForFinished();
        QVERIFY(futuro.result().microfono);
        QVERIFY(!futuro.result().voz);
    }

    // Unplugged mid-dictation: reported once through the error path, and
    // no level follows.
    void microfonoDesenchufado()
    {
        EXIGIR_PULSE();
        HogarTemporal hogar;
        auto voz = std::make_shared<MotorReconocimientoGuionado>();
        Reconocedor reconocedor(voz);
        MotorDictado motor(reconocedor);
        Informes informes;
        informes.iniciar(motor, microfonoPrueba());
        {
            EscritorTuberia escritor(0.5f);
            QTRY_VERIFY_WITH_TIMEOUT(informes.nivelMaximo() > 0.9f, 10000);
        }
        {
            const PulsePrueba::MicrofonoDesenchufado desenchufado;
            QVERIFY(desenchufado.hecho());
            QTRY_COMPARE_WITH_TIMEOUT(informes.errores.size(), 1, 5000);
            QCOMPARE(informes.errores.first(), QStringLiteral("El micrófono dejó de entregar audio."));
            const size_t niveles = informes.niveles.size();
            QTest::qWait(700);
            QCOMPARE(informes.errores.size(), 1);
            QCOMPARE(informes.niveles.size(), niveles);
        }
        motor.cancelar();
        QTRY_VERIFY(microfonoPrueba());
    }

    // The real sound server: the pipe microphone by its id, with its level.
    void capturaRealConNivel()
    {
        EXIGIR_PULSE();
        HogarTemporal hogar;
        auto voz = std::make_shared<MotorReconocimientoGuionado>();
        Reconocedor reconocedor(voz);
        MotorDictado motor(reconocedor);
        const std::optional<uint32_t> id = microfonoPrueba();
        QVERIFY(id);
        Informes informes;
        informes.iniciar(motor, id);
        EscritorTuberia escritor(0.5f);
        // A 0.5 sine: RMS 0.354, -9.03 dB, level 0.919.
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(informes.nivelMaximo() - 0.9194f) < 0.01f, 10000);
        // The recognizer hears it, resampled.
        QTRY_VERIFY(voz->muestras() > 0);
        motor.terminar();
        QTRY_VERIFY(informes.finales.contains(true));
        motor.cancelar();

        // An id that is not listed (any more).
        try {
            informes.iniciar(motor, 0xfffffff0u);
            QFAIL("debía fallar");
        } catch (const ErrorDictado& e) {
            QCOMPARE(e.caso(), ErrorDictado::Caso::dispositivo);
        }
    }
};

QTEST_GUILESS_MAIN(TestMotorDictado)
#include "TestMotorDictado.moc"
