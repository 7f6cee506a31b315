// The main window's speaker over a player that plays nothing (the test says
// when its markers are heard), a scripted system voice and the scripted
// voice service over real HTTP.
#include "audio/Locutor.h"
#include "audio/VozNeural.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/ReproductorFalso.h"
#include "comun/SintetizadorFalso.h"
#include "ServicioVozPrueba.h"
#include "Version.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct Banco {
    ServicioVozPrueba servicio;
    DispositivosSistemaFalso dispositivos;
    std::shared_ptr<ReproductorFalso> reproductor = std::make_shared<ReproductorFalso>();
    std::shared_ptr<SintetizadorFalso> sintetizador = std::make_shared<SintetizadorFalso>();
    std::unique_ptr<VozNeural> voz;
    std::unique_ptr<Locutor> locutor;

    explicit Banco(bool neural = false)
    {
        dispositivos.salidas = {{7, QString("altavoz"), QString("Altavoz"), std::nullopt, 0, 2},
                                {8, QString("auriculares"), QString("Auriculares"), std::nullopt, 0, 2}};
        if (neural) {
            voz = std::make_unique<VozNeural>(servicio.ajustes, servicio.reloj,
                                              QString::fromUtf8(Version::carpetaFuente) +
                                                  "/tests/audio/servicio_guionado");
            voz->arrancar();
        }
        locutor = std::make_unique<Locutor>(
            Locutor::Capas{servicio.ajustes, dispositivos, reproductor, sintetizador, voz.get()});
    }
    ~Banco()
    {
        locutor.reset();
        if (voz)
            voz->detener();
    }
    bool lista() { return voz && voz->estado().listaParaHablar(); }
};

} // namespace

class TestLocutor : public QObject {
    Q_OBJECT

private slots:
    // Speaking from decir until the audio has been heard; the signal fires
    // on changes only.
    void hablandoHastaQueSeOye()
    {
        Banco b;
        QSignalSpy cambios(b.locutor.get(), &Locutor::hablandoCambiado);
        b.servicio.ajustes.escribir("velocidadVoz", 1.5);
        b.locutor->decir("Hola.");
        QVERIFY(b.locutor->hablando());
        QCOMPARE(b.reproductor->ritmo(), 1.5f);
        // The system voice keeps its own pace and, with none given, the best
        // Spanish voice (the fake lists none).
        QCOMPARE(b.sintetizador->pedidos().back().velocidad, 0.5f);
        b.locutor->decir("Otra frase.");
        QCOMPARE(cambios.size(), 1);
        b.reproductor->sonar();
        QTRY_VERIFY(!b.locutor->hablando());
        QCOMPARE(cambios.size(), 2);
        b.locutor->decir("Y otra.");
        b.locutor->callar();
        QVERIFY(!b.locutor->hablando());
        QCOMPARE(b.reproductor->pendientes(), size_t(0));
        QTest::qWait(50);
        QCOMPARE(cambios.size(), 4);
    }

    // Another output opens the player again there; the same one, or none,
    // does not.
    void salida()
    {
        Banco b;
        b.locutor->decir("Uno.", std::nullopt, 7);
        b.locutor->decir("Dos.", std::nullopt, 7);
        b.locutor->decir("Tres.");
        b.locutor->decir("Cuatro.", std::nullopt, 8);
        // Unplugged: the default output.
        b.locutor->decir("Cinco.", std::nullopt, 99);
        QCOMPARE(b.reproductor->salidas,
                 (std::vector<std::optional<QString>>{QString("altavoz"), QString("auriculares"), std::nullopt}));
    }

    // Two decir in a row with the neural voice: the first request stops and
    // its text is never spoken later by the system voice; callar while the
    // first audio is on its way leaves nothing more to hear.
    void neuralCortado_data()
    {
        QTest::addColumn<bool>("conCallar");
        QTest::newRow("otro decir") << false;
        QTest::newRow("callar") << true;
    }

    void neuralCortado()
    {
        QFETCH(bool, conCallar);
        Banco b(true);
        QTRY_VERIFY_WITH_TIMEOUT(b.lista(), 15000);
        b.locutor->decir("lento y largo");
        QTRY_VERIFY_WITH_TIMEOUT(b.reproductor->total() >= 4800, 10000);
        if (conCallar)
            b.locutor->callar();
        else
            b.locutor->decir("Hola.");
        QCOMPARE(b.reproductor->pendientes(), size_t(0));
        QTest::qWait(3500);
        // Only the second text's 0.5 s arrived after the cut.
        QCOMPARE(b.reproductor->pendientes(), conCallar ? size_t(0) : size_t(12000));
        QVERIFY(b.sintetizador->pedidos().empty());
    }

    // The service answering with an error: the system voice says it.
    void servicioConError()
    {
        Banco b(true);
        QTRY_VERIFY_WITH_TIMEOUT(b.lista(), 15000);
        b.locutor->decir("error en el servicio", VozSistema{"roa/es", "Spanish", "es", 1, false});
        QTRY_COMPARE_WITH_TIMEOUT(b.sintetizador->pedidos().size(), size_t(1), 10000);
        QCOMPARE(b.sintetizador->pedidos()[0].texto, QString("error en el servicio"));
        QCOMPARE(b.sintetizador->pedidos()[0].voz, std::optional<QString>("roa/es"));
        QVERIFY(b.reproductor->pendientes() > 0);
    }
};

QTEST_GUILESS_MAIN(TestLocutor)
#include "TestLocutor.moc"
