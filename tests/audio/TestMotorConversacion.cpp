#include "audio/ErrorDictado.h"
#include "audio/MotorConversacion.h"
#include "comun/CapasMotorFalsas.h"
#include "core/Registro.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <mutex>

namespace {

using Paso = MotorReconocimientoGuionado::Paso;

// What the engine reported, from whichever thread.
struct Informes {
    std::mutex mutex;
    QStringList textos;
    QList<int> segmentosTexto;
    QList<int> fines;
    std::vector<float> niveles;
    QStringList avisos;

    void conectar(MotorConversacion& m)
    {
        m.onTexto([this](const QString& t, int n) {
            std::lock_guard g(mutex);
            textos << t;
            segmentosTexto << n;
        });
        m.onFinSegmento([this](int n) {
            std::lock_guard g(mutex);
            fines << n;
        });
        m.onNivel([this](float n) {
            std::lock_guard g(mutex);
            niveles.push_back(n);
        });
        m.onAviso([this](const QString& a) {
            std::lock_guard g(mutex);
            avisos << a;
        });
    }
    int cuantosTextos() { std::lock_guard g(mutex); return int(textos.size()); }
    int cuantosFines() { std::lock_guard g(mutex); return int(fines.size()); }
    size_t cuantosNiveles() { std::lock_guard g(mutex); return niveles.size(); }
};

// Echo cancellation that silences every block, so its work is visible.
struct EcoFalso final : CancelacionEco {
    bool fallar = false;
    bool activo = false;
    void activar(int, int) override
    {
        if (fallar)
            throw std::runtime_error("No se pudo activar la cancelación de eco.");
        activo = true;
    }
    void desactivar() override { activo = false; }
    void procesar(BloqueAudio& b) override { std::fill(b.muestras.begin(), b.muestras.end(), 0.0f); }
};

// The fake layers, with this file's echo cancellation when a test sets one.
struct Banco : CapasMotorFalsas {
    std::shared_ptr<EcoFalso> eco;
    MotorConversacion::Capas capas() { return CapasMotorFalsas::capas(eco); }
};

QString leerRegistro()
{
    Registro::vaciar();
    QFile f(Registro::archivo());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestMotorConversacion : public QObject {
    Q_OBJECT

private slots:
    void elegirLocale_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QStringList>("soportados");
        QTest::addColumn<QString>("elegido");
        QTest::newRow("el actual primero") << "es_MX" << QStringList{"es-ES", "es-MX"} << "es-MX";
        QTest::newRow("Chile antes que España") << "en_US" << QStringList{"es-ES", "es-CL"} << "es-CL";
        QTest::newRow("España antes que México") << "en_US" << QStringList{"es-MX", "es-ES"} << "es-ES";
        QTest::newRow("México antes que EE. UU.") << "en_US" << QStringList{"es-US", "es_MX"} << "es-MX";
        QTest::newRow("sin español") << "en_US" << QStringList{"en-US"} << "es-ES";
        QTest::newRow("nada soportado") << "es_CL" << QStringList{} << "es-ES";
    }

    void elegirLocale()
    {
        QFETCH(QString, actual);
        QFETCH(QStringList, soportados);
        QFETCH(QString, elegido);
        QCOMPARE(MotorConversacion::elegirLocale(actual, soportados), elegido);
    }

    // The floor is updated with the block before the block is judged.
    void pisoDeRuido_data()
    {
        QTest::addColumn<float>("rms");
        QTest::addColumn<float>("piso");
        QTest::addColumn<float>("pisoNuevo");
        QTest::addColumn<bool>("voz");
        QTest::newRow("silencio: baja rápido") << 0.0f << 0.01f << 0.007f << false;
        QTest::newRow("ruido: sube despacio") << 0.02f << 0.01f << 0.01005f << false;
        QTest::newRow("piso asentado, justo encima") << 0.0253f << 0.01f << 0.0100765f << true;
        QTest::newRow("piso asentado, justo debajo") << 0.0251f << 0.01f << 0.0100755f << false;
        QTest::newRow("mínimo 0.006 en sala callada") << 0.006f << 0.001f << 0.001025f << false;
        QTest::newRow("sobre el mínimo") << 0.0065f << 0.001f << 0.0010275f << true;
    }

    void pisoDeRuido()
    {
        QFETCH(float, rms);
        QFETCH(float, piso);
        QFETCH(float, pisoNuevo);
        QFETCH(bool, voz);
        const float p = MotorConversacion::pisoSiguiente(rms, piso);
        QVERIFY(std::abs(p - pisoNuevo) < 1e-7f);
        QCOMPARE(MotorConversacion::esVoz(rms, p), voz);
    }

    void cuantosRecientes_data()
    {
        QTest::addColumn<std::vector<double>>("duraciones");
        QTest::addColumn<double>("segundos");
        QTest::addColumn<int>("cuantos");
        QTest::newRow("justo alcanza") << std::vector<double>{0.5, 0.5, 0.5} << 1.0 << 2;
        QTest::newRow("el último pasa de largo") << std::vector<double>{0.4, 0.4, 0.4} << 1.0 << 3;
        QTest::newRow("pide más de lo guardado") << std::vector<double>{0.3, 0.3} << 5.0 << 2;
        QTest::newRow("nada guardado") << std::vector<double>{} << 1.0 << 0;
        QTest::newRow("cero segundos") << std::vector<double>{0.5} << 0.0 << 0;
    }

    void cuantosRecientes()
    {
        QFETCH(std::vector<double>, duraciones);
        QFETCH(double, segundos);
        QFETCH(int, cuantos);
        QCOMPARE(int(MotorConversacion::cuantosRecientes(duraciones, segundos)), cuantos);
    }

    void promediar16k_data()
    {
        QTest::addColumn<int>("frecuencia");
        QTest::addColumn<int>("canales");
        QTest::addColumn<std::vector<float>>("muestras");
        QTest::addColumn<std::vector<float>>("salida");
        QTest::newRow("48 kHz: media de tres") << 48000 << 1 << std::vector<float>{1, 2, 3, 4, 5, 6}
                                               << std::vector<float>{2, 5};
        QTest::newRow("16 kHz: igual") << 16000 << 1 << std::vector<float>{1, 2} << std::vector<float>{1, 2};
        QTest::newRow("estéreo: primer canal") << 32000 << 2 << std::vector<float>{1, 9, 3, 9, 5, 9, 7, 9}
                                               << std::vector<float>{2, 6};
        QTest::newRow("44.1 kHz: cajas desiguales") << 44100 << 1 << std::vector<float>{1, 1, 4, 4, 4, 7, 7, 7}
                                                     << std::vector<float>{1, 4, 7};
        QTest::newRow("sin frames") << 48000 << 1 << std::vector<float>{} << std::vector<float>{};
    }

    void promediar16k()
    {
        QFETCH(int, frecuencia);
        QFETCH(int, canales);
        QFETCH(std::vector<float>, muestras);
        QFETCH(std::vector<float>, salida);
        BloqueAudio b;
        b.frecuencia = frecuencia;
        b.canales = canales;
        b.muestras = muestras;
        QCOMPARE(MotorConversacion::promediar16k(b), salida);
    }

    void terminos()
    {
        Banco b;
        QCOMPARE(MotorConversacion::terminos(b.ajustes).size(), 36);
        b.ajustes.escribir("terminosPerfiles", QStringList{"Álvaro", "Ximena"});
        const QStringList t = MotorConversacion::terminos(b.ajustes);
        QCOMPARE(t.first(), QString("Zuvi IA"));
        QCOMPARE(t.mid(36), (QStringList{"Álvaro", "Ximena"}));
    }

    // The start goes through the chosen devices and layers, then a first
    // segment in the chosen locale.
    void arrancarConSusCapas()
    {
        Banco b;
        b.eco = std::make_shared<EcoFalso>();
        b.voz->soportados = {"es-MX", "es-CL"};
        MotorConversacion motor(b.capas(), "en_US");
        Informes informes;
        informes.conectar(motor);
        motor.arrancar(3, 7, true);
        QCOMPARE(motor.locale(), QString("es-CL"));
        QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>("usb_mic"));
        QCOMPARE(b.reproductor->salidas.back(), std::optional<QString>("altavoz"));
        QCOMPARE(b.voz->abiertos, QStringList{"es-CL"});
        QVERIFY(motor.cancelaEco());
        QVERIFY(b.empujar(0.5f));
        // The level is taken after echo cancellation cleaned the block.
        QCOMPARE(informes.niveles, std::vector<float>{0.0f});
        motor.detener();
        QVERIFY(!b.eco->activo);
        QVERIFY(!b.empujar());

        // Default devices; an unlisted output stays on the default one.
        motor.arrancar(std::nullopt, 99, false);
        QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>());
        QCOMPARE(b.reproductor->salidas.back(), std::optional<QString>());
        QVERIFY(!motor.cancelaEco());
    }

    void erroresDeArranque_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("sin reconocedor") << "sinReconocedor"
                                         << "El reconocimiento de voz en español no está disponible ahora.";
        QTest::newRow("id no listado") << "noListado" << "No se pudo usar ese micrófono (error 5).";
        QTest::newRow("el sistema rechaza el micrófono") << "rechazo" << "No se pudo usar ese micrófono (error 17).";
        QTest::newRow("sin formato") << "formato" << "El micrófono no entrega audio. ¿Está conectado?";
        QTest::newRow("frecuencia cero") << "cero" << "El micrófono no entrega audio. ¿Está conectado?";
        QTest::newRow("no arranca") << "arranque" << "No se pudo abrir el micrófono.";
        QTest::newRow("eco sin capa") << "ecoSinCapa" << "La cancelación de eco no está disponible en este equipo.";
        QTest::newRow("eco falla") << "ecoFalla" << "No se pudo activar la cancelación de eco.";
        QTest::newRow("salida falla") << "salida" << "No se pudo usar la salida de audio.";
    }

    // A failed start leaves nothing running: no capture, no recognition, no
    // segment; the owner can retry without echo cancellation.
    void erroresDeArranque()
    {
        QFETCH(QString, caso);
        QFETCH(QString, mensaje);
        Banco b;
        std::optional<uint32_t> dispositivo = 3;
        const bool conEco = caso.startsWith("eco");
        if (caso == "ecoFalla") {
            b.eco = std::make_shared<EcoFalso>();
            b.eco->fallar = true;
        }
        MotorConversacion motor(b.capas());
        motor.arrancar(3, std::nullopt, false);
        const int antes = motor.segmento();
        b.voz->esDisponible = caso != "sinReconocedor";
        if (caso == "noListado")
            dispositivo = 99;
        if (caso == "rechazo")
            b.microfono.errorAlAbrir = ErrorCaptura(ErrorCaptura::Tipo::dispositivo, 17, "");
        if (caso == "formato")
            b.microfono.errorAlAbrir = ErrorCaptura(ErrorCaptura::Tipo::formato, 0, "");
        if (caso == "cero")
            b.microfono.frecuencia = 0;
        if (caso == "arranque")
            b.microfono.errorAlIniciar = ErrorCaptura(ErrorCaptura::Tipo::arranque, 1, "No se pudo abrir el micrófono.");
        b.reproductor->fallar = caso == "salida";
        try {
            motor.arrancar(dispositivo, std::nullopt, conEco);
            QFAIL("debía fallar");
        } catch (const std::exception& e) {
            QCOMPARE(QString::fromUtf8(e.what()), mensaje);
        }
        QVERIFY(!b.empujar());
        QVERIFY(!motor.cancelaEco());
        QVERIFY(motor.segmento() > antes);
        QTRY_COMPARE(b.voz->vivos(), 0);
        if (conEco) {
            motor.arrancar(dispositivo, std::nullopt, false);
            QVERIFY(b.empujar());
        }
    }

    void resultados_data()
    {
        QTest::addColumn<QList<Paso>>("guion");
        QTest::addColumn<QStringList>("perfiles");
        QTest::addColumn<QStringList>("textos");
        QTest::addColumn<int>("fines");
        QTest::newRow("parcial: solo texto") << QList<Paso>{{"hola", false, "", false}} << QStringList{}
                                             << QStringList{"hola"} << 0;
        QTest::newRow("enunciado del motor: no termina el segmento")
            << QList<Paso>{{"", true, "hola zuvi", false}, {"qué tal", false, "", false}} << QStringList{}
            << QStringList{"hola zuvi", "hola zuvi qué tal"} << 0;
        QTest::newRow("error: solo fin") << QList<Paso>{{"", false, "", true}} << QStringList{} << QStringList{} << 1;
        QTest::newRow("términos reescritos") << QList<Paso>{{"oye subí", false, "", false}} << QStringList{}
                                             << QStringList{"Oye Zuvi"} << 0;
        QTest::newRow("nombres de personas") << QList<Paso>{{"hola alvaro", false, "", false}}
                                             << QStringList{"Álvaro"} << QStringList{"hola Álvaro"} << 0;
    }

    void resultados()
    {
        QFETCH(QList<Paso>, guion);
        QFETCH(QStringList, perfiles);
        QFETCH(QStringList, textos);
        QFETCH(int, fines);
        Banco b;
        b.ajustes.escribir("terminosPerfiles", perfiles);
        b.voz->estado->guion.assign(guion.begin(), guion.end());
        MotorConversacion motor(b.capas());
        Informes informes;
        informes.conectar(motor);
        motor.arrancar(3, std::nullopt, false);
        for (qsizetype i = 0; i < guion.size(); ++i)
            QVERIFY(b.empujar());
        QTRY_COMPARE(informes.cuantosTextos() + informes.cuantosFines(), int(textos.size()) + fines);
        QTest::qWait(50);
        std::lock_guard g(informes.mutex);
        QCOMPARE(informes.textos, textos);
        QCOMPARE(informes.fines.size(), fines);
        for (int n : informes.segmentosTexto + informes.fines)
            QCOMPARE(n, motor.segmento());
    }

    // A result of a segment that has ended never reaches the owner, and what
    // was already delivered carries a number the owner finds stale after its
    // hop.
    void resultadosViejosSeDescartan()
    {
        Banco b;
        b.voz->guionesPorFlujo = {{{"viejo", false, "", false}}, {{"nuevo", false, "", false}}};
        MotorConversacion motor(b.capas());
        Informes informes;
        informes.conectar(motor);
        motor.arrancar(3, std::nullopt, false);
        const int primero = motor.segmento();
        b.voz->cerrar();
        QVERIFY(b.empujar());
        QTRY_COMPARE(b.voz->estado->demoras.size(), size_t(1)); // held at the gate
        motor.nuevoSegmento();
        b.voz->abrirCompuerta();
        QVERIFY(b.empujar());
        QTRY_COMPARE(informes.cuantosTextos(), 1);
        QTest::qWait(100);
        QCOMPARE(informes.textos, QStringList{"nuevo"});
        QCOMPARE(informes.segmentosTexto, QList<int>{motor.segmento()});
        QVERIFY(informes.segmentosTexto.first() > primero);
        motor.nuevoSegmento();
        QVERIFY(informes.segmentosTexto.first() != motor.segmento());
    }

    // An owner that starts the next segment from inside the end callback
    // (on the recognition thread) does not wait for itself; three errors in
    // a row make the next segment wait a second, with one notice and one
    // log line, until a text arrives.
    void erroresSeguidosEsperan()
    {
        Banco b;
        const std::vector<Paso> falla{{"", false, "", true}};
        b.voz->guionesPorFlujo = {falla, falla, falla, falla, {{"hola", false, "", false}}, falla};
        MotorConversacion motor(b.capas());
        Informes informes;
        informes.conectar(motor);
        motor.onFinSegmento([&](int n) {
            {
                std::lock_guard g(informes.mutex);
                informes.fines << n;
            }
            motor.nuevoSegmento();
        });
        const int lineasAntes = int(leerRegistro().count("El reconocedor falló"));
        motor.arrancar(3, std::nullopt, false);
        for (int i = 1; i <= 3; ++i) {
            QTRY_COMPARE(b.voz->abiertos.size(), i);
            QVERIFY(b.empujar());
            QTRY_COMPARE(informes.cuantosFines(), i);
        }
        // The fourth segment waits for the clock.
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QCOMPARE(b.voz->abiertos.size(), 3);
        QVERIFY(b.empujar()); // no segment: nothing to fail
        b.reloj.avanzar(std::chrono::milliseconds(999));
        QCOMPARE(b.voz->abiertos.size(), 3);
        b.reloj.avanzar(std::chrono::milliseconds(1));
        QCOMPARE(b.voz->abiertos.size(), 4);
        QVERIFY(b.empujar());
        QTRY_COMPARE(informes.cuantosFines(), 4);
        QCoreApplication::processEvents();
        b.reloj.avanzar(std::chrono::milliseconds(1000));
        QCOMPARE(b.voz->abiertos.size(), 5);
        // A text ends the streak: the next error's segment starts at once.
        QVERIFY(b.empujar());
        QTRY_COMPARE(informes.cuantosTextos(), 1);
        motor.nuevoSegmento();
        QCOMPARE(b.voz->abiertos.size(), 6);
        QCOMPARE(informes.avisos.size(), 1);
        QCOMPARE(int(leerRegistro().count("El reconocedor falló")) - lineasAntes, 3);
        QVERIFY(leerRegistro().contains("Reconocimiento: 3 errores seguidos, espero 1 s entre segmentos"));
    }

    // Voice activity stamps the clock's time; a quiet room never does.
    void vozDetectada()
    {
        Banco b;
        MotorConversacion motor(b.capas());
        motor.arrancar(3, std::nullopt, false);
        const QDateTime nunca = motor.ultimaVozDetectada();
        for (int i = 0; i < 20; ++i)
            QVERIFY(b.empujar(0.004f)); // RMS 0.0028: under the minimum
        QCOMPARE(motor.ultimaVozDetectada(), nunca);
        b.reloj.avanzar(std::chrono::seconds(3));
        QVERIFY(b.empujar(0.2f));
        QCOMPARE(motor.ultimaVozDetectada(), b.reloj.ahora());
        QCOMPARE(motor.inicioSegmento(), b.reloj.ahora().addSecs(-3));
    }

    // The voice print holds the current segment's audio only, re-fed audio
    // once, and never more than 30 s.
    void audioDeHuella()
    {
        Banco b;
        MotorConversacion motor(b.capas());
        motor.arrancar(3, std::nullopt, false);
        for (int i = 0; i < 10; ++i)
            QVERIFY(b.empujar());
        QCOMPARE(motor.tomarAudioSegmento().size(), size_t(10 * 1024));
        QVERIFY(motor.tomarAudioSegmento().empty());
        for (int i = 0; i < 10; ++i)
            QVERIFY(b.empujar());
        QTRY_COMPARE(b.voz->muestras(), size_t(20 * 1024));
        const size_t oidas = b.voz->muestras();
        // 0.2 s: three 64 ms blocks fall short, the fourth is taken.
        motor.nuevoSegmentoConLoUltimo(0.2);
        QCOMPARE(motor.tomarAudioSegmento().size(), size_t(4 * 1024));
        QTRY_COMPARE(b.voz->muestras(), oidas + 4 * 1024);
        // More than the 1.2 s kept: all 18 kept blocks.
        for (int i = 0; i < 30; ++i)
            QVERIFY(b.empujar());
        motor.nuevoSegmentoConLoUltimo(5);
        QCOMPARE(motor.tomarAudioSegmento().size(), size_t(18 * 1024));
        motor.nuevoSegmento();
        QVERIFY(motor.tomarAudioSegmento().empty());

        for (int i = 0; i < 480; ++i)
            QVERIFY(b.empujar(0.1f));
        for (int i = 0; i < 10; ++i)
            QVERIFY(b.empujar(0.0f));
        const std::vector<float> huella = motor.tomarAudioSegmento();
        QCOMPARE(huella.size(), MotorConversacion::maxMuestrasHuella);
        QCOMPARE(huella.back(), 0.0f); // the newest are kept
        QVERIFY(std::abs(huella.front()) > 0);
    }

    // A Bluetooth headset at 8 kHz: the voice print is resampled to 16 kHz,
    // so a 440 Hz tone still crosses zero 880 times a second.
    void huellaDeEntradaLenta()
    {
        Banco b;
        b.microfono.frecuencia = 8000;
        MotorConversacion motor(b.capas());
        motor.arrancar(3, std::nullopt, false);
        for (int i = 0; i < 16; ++i) {
            BloqueAudio bloque = Senales::seno(1024, 8000, 0.5f);
            // A continuous tone across blocks.
            for (int k = 0; k < 1024; ++k)
                bloque.muestras[size_t(k)] = 0.5f * float(std::sin(2 * M_PI * 440 * double(i * 1024 + k) / 8000));
            QVERIFY(b.microfono.empujar(bloque));
        }
        const std::vector<float> huella = motor.tomarAudioSegmento();
        QVERIFY2(huella.size() > 30000 && huella.size() <= 16 * 2048, qPrintable(QString::number(huella.size())));
        int cruces = 0;
        for (size_t i = 1000; i < huella.size(); ++i)
            cruces += (huella[i - 1] < 0) != (huella[i] < 0);
        const double porSegundo = cruces / (double(huella.size() - 1000) / 16000);
        QVERIFY2(std::abs(porSegundo - 880) < 20, qPrintable(QString::number(porSegundo)));
    }

    // Only the first channel reaches the recognizer.
    void primerCanalAlReconocedor()
    {
        Banco b;
        b.microfono.canales = 2;
        MotorConversacion motor(b.capas());
        motor.arrancar(3, std::nullopt, false);
        BloqueAudio bloque = Senales::seno(1024, 16000, 0.5f, 2);
        for (size_t i = 1; i < bloque.muestras.size(); i += 2)
            bloque.muestras[i] = 0;
        QVERIFY(b.microfono.empujar(bloque));
        QTRY_VERIFY(b.voz->muestras() == 1024);
        std::lock_guard g(b.voz->estado->mutex);
        QVERIFY(b.voz->estado->maximo > 0.45f * 32768);
    }

    // A device change reopens the running capture with a new segment; while
    // stopped it is ignored, so no microphone is taken back from the wake
    // listener.
    void cambioDeDispositivos()
    {
        Banco b;
        MotorConversacion motor(b.capas());
        motor.arrancar(std::nullopt, std::nullopt, false);
        const int segmento = motor.segmento();
        b.dispositivos.cambiar();
        QCOMPARE(b.microfono.abiertos.size(), size_t(2));
        QVERIFY(motor.segmento() > segmento);
        QVERIFY(b.empujar());
        motor.detener();
        b.dispositivos.cambiar();
        QCOMPARE(b.microfono.abiertos.size(), size_t(2));
        QVERIFY(!b.empujar());
    }
};

QTEST_GUILESS_MAIN(TestMotorConversacion)
#include "TestMotorConversacion.moc"
