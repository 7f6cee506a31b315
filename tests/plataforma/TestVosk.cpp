#include "comun/HogarTemporal.h"
#include "plataforma/Vosk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <mutex>

namespace {

// Sets an environment variable for one scope and puts the old value back.
struct VariableTemporal {
    VariableTemporal(const char* n, const QString& valor) : nombre(n), antes(qgetenv(n)), habia(qEnvironmentVariableIsSet(n))
    {
        qputenv(nombre, valor.toUtf8());
    }
    ~VariableTemporal()
    {
        if (habia)
            qputenv(nombre, antes);
        else
            qunsetenv(nombre);
    }
    const char* nombre;
    QByteArray antes;
    bool habia;
};

} // namespace

class TestVosk : public QObject {
    Q_OBJECT

private slots:
    // Only what the model can write, spelled as it spells it.
    void gramatica_data()
    {
        QTest::addColumn<QStringList>("frases");
        QTest::addColumn<QStringList>("vocabulario");
        QTest::addColumn<QString>("json");
        const QStringList vocabulario = {"<eps>", "hola", "oye", "subí", "su", "vi", "modo", "proyectos", "Sube"};
        QTest::newRow("todas conocidas") << QStringList{"oye su vi", "modo proyectos"} << vocabulario
                                         << R"(["oye su vi","modo proyectos","[unk]"])";
        QTest::newRow("tilde del vocabulario") << QStringList{"hola subi"} << vocabulario << R"(["hola subí","[unk]"])";
        QTest::newRow("mayúscula del vocabulario") << QStringList{"oye sube"} << vocabulario << R"(["oye Sube","[unk]"])";
        QTest::newRow("palabra que no conoce") << QStringList{"oye zubi", "hola su vi"} << vocabulario
                                               << R"(["hola su vi","[unk]"])";
        QTest::newRow("repetidas una vez") << QStringList{"oye subi", "oye subí"} << vocabulario
                                           << R"(["oye subí","[unk]"])";
        QTest::newRow("ninguna") << QStringList{"oye zubi"} << vocabulario << "";
        QTest::newRow("sin vocabulario") << QStringList{"oye subi"} << QStringList{} << "";
    }

    void gramatica()
    {
        QFETCH(QStringList, frases);
        QFETCH(QStringList, vocabulario);
        QTEST(Vosk::gramatica(frases, vocabulario), "json");
    }

    void localeDeCarpeta_data()
    {
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("locale");
        QTest::newRow("modelo pequeño") << "vosk-model-small-es-0.42" << "es";
        QTest::newRow("modelo grande") << "vosk-model-es-0.42" << "es";
        QTest::newRow("con país") << "vosk-model-small-en-us-0.15" << "en-US";
        QTest::newRow("nombre de locale") << "es-CL" << "es-CL";
        QTest::newRow("guion bajo") << "es_MX" << "es-MX";
        QTest::newRow("solo idioma") << "es" << "es";
        QTest::newRow("sin locale") << "modelos" << "";
        QTest::newRow("palabra") << "spanish" << "";
    }

    void localeDeCarpeta()
    {
        QFETCH(QString, carpeta);
        QFETCH(QString, locale);
        QCOMPARE(Vosk::localeDeCarpeta(carpeta), locale);
    }

    void elegirModelo_data()
    {
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QString>("pedido");
        QTest::addColumn<int>("indice");
        QTest::newRow("igual") << QStringList{"es", "es-CL"} << "es-CL" << 1;
        QTest::newRow("guion bajo") << QStringList{"en-US", "es-MX"} << "es_MX" << 1;
        QTest::newRow("mismo idioma") << QStringList{"en-US", "es"} << "es-ES" << 1;
        QTest::newRow("otro idioma") << QStringList{"en-US"} << "es-ES" << -1;
        QTest::newRow("ninguno") << QStringList{} << "es-ES" << -1;
    }

    void elegirModelo()
    {
        QFETCH(QStringList, locales);
        QFETCH(QString, pedido);
        QFETCH(int, indice);
        QCOMPARE(Vosk::elegirModelo(locales, pedido), indice);
    }

    void sinBibliotecaNoHayReconocimiento()
    {
        HogarTemporal hogar;
        VariableTemporal sinBiblioteca("ZUVI_LIBVOSK", hogar.en("no-existe/libvosk.so"));
        QDir().mkpath(Vosk::carpetaModelos() + "/vosk-model-small-es-0.42");
        QDir().mkpath(Vosk::carpetaModelos() + "/es-CL");
        auto motor = Vosk::motor();
        QCOMPARE(motor->locales(), (QStringList{"es-CL", "es"}));
        QVERIFY(!motor->disponible());
        QVERIFY2(motor->motivo().contains("no se pudo cargar"), qPrintable(motor->motivo()));
        QVERIFY(!motor->abrir("es-ES"));
    }

    // Binds every function of the real library (CI fetches it with
    // tools/instalar-vosk.sh) and calls into it.
    void bibliotecaRealEnlazaTodo()
    {
        const QString ruta = Vosk::rutaBiblioteca();
        if (!QFileInfo::exists(ruta)) {
            // CI installs it, so there a missing library is a failure.
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(qPrintable("CI sin libvosk.so en " + ruta));
            QSKIP("libvosk.so no está instalada (tools/instalar-vosk.sh)");
        }
        QString error;
        const BibliotecaVosk* b = BibliotecaVosk::cargar(ruta, error);
        QVERIFY2(b, qPrintable(error));
        QVERIFY(b->model_new && b->model_free && b->recognizer_new && b->recognizer_free
                && b->recognizer_accept_waveform_f && b->recognizer_result && b->recognizer_partial_result
                && b->recognizer_final_result && b->set_log_level);
        // The wake listener's grammar needs it; the library we ship has it.
        QVERIFY(b->recognizer_new_grm);
        b->set_log_level(-1);

        // A folder that is no model fails to load: the recognizer says why.
        HogarTemporal hogar;
        VariableTemporal biblioteca("ZUVI_LIBVOSK", ruta);
        QDir().mkpath(Vosk::carpetaModelos() + "/vosk-model-small-es-0.42");
        auto motor = Vosk::motor();
        QTRY_VERIFY(!motor->disponible());
        QVERIFY2(motor->motivo().contains("no se pudo cargar el modelo"), qPrintable(motor->motivo()));
    }

    // The model loads on a worker: asking whether recognition is there, or
    // opening a stream, never waits for it; the stream's first audio does.
    void elModeloSeCargaEnOtroHilo()
    {
        HogarTemporal hogar;
        VariableTemporal biblioteca("ZUVI_LIBVOSK", ZUVI_VOSK_LENTO);
        const QString modelo = Vosk::carpetaModelos() + "/vosk-model-small-es-0.42";
        QDir().mkpath(modelo);
        auto motor = Vosk::motor();
        QVERIFY(motor->disponible());
        QTRY_VERIFY(QFileInfo::exists(modelo + "/cargando"));
        QVERIFY(motor->disponible());
        QCOMPARE(motor->locales(), QStringList{"es"});
        QVERIFY(motor->motivo().isEmpty());

        Reconocedor reconocedor(motor);
        std::mutex mutex;
        QStringList finales;
        auto tarea = reconocedor.iniciar("es-CL", [&](const QString& t, bool final) {
            std::lock_guard g(mutex);
            if (final)
                finales << t;
        }, {});
        QVERIFY(tarea);
        BloqueAudio bloque;
        bloque.frecuencia = 16000;
        bloque.muestras.assign(1600, 0.1f);
        tarea->anadir(bloque);
        tarea->terminar();
        QTest::qWait(100);
        QVERIFY(!QFileInfo::exists(modelo + "/cargado"));
        QFile(modelo + "/soltar").open(QIODevice::WriteOnly);
        QTRY_VERIFY([&] {
            std::lock_guard g(mutex);
            return finales == QStringList{"hola mundo"};
        }());
    }

    void bibliotecaQueNoEsVosk()
    {
        QString error;
        QVERIFY(!BibliotecaVosk::cargar("libc.so.6", error));
        QVERIFY2(error.contains("vosk_model_new"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestVosk)
#include "TestVosk.moc"
