#include "assistant/AsistenteVoz.h"
#include "assistant/TurnoAgente.h"
#include "audio/EscuchaZuvi.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/RelojFalso.h"
#include "comun/Senales.h"
#include "comun/SonidosFalsos.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QTest>
#include <QThreadPool>

using namespace std::chrono_literals;
using Paso = MotorReconocimientoGuionado::Paso;

namespace {

Paso parcial(const QString& texto)
{
    Paso p;
    p.parcial = texto;
    return p;
}

struct Dicho {
    QString texto;
    std::optional<QString> voz;
    std::optional<uint32_t> salida;
};

} // namespace

// Push-to-talk dictation on the assistant over a scripted recognizer, a
// fake microphone and the fake clock; the wake-phrase listener is a real
// one that never starts.
class TestAsistenteDictado : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    RelojFalso reloj;
    DispositivosSistemaFalso sistema;
    std::shared_ptr<MotorReconocimientoGuionado> voz;
    std::unique_ptr<Reconocedor> reconocedor;
    MicrofonoFalso microfono;
    MicrofonoFalso microfonoEscucha;
    PermisosVozFalsos permisos;
    SonidosFalsos sonidos;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<EstadoIA> deteccion;
    std::unique_ptr<EscuchaZuvi> escucha;
    std::unique_ptr<AsistenteVoz> asistente;
    QList<Dicho> dichos;
    int callados = 0;

    // One block, which plays the recognizer's next step.
    void empujar() { QVERIFY(microfono.empujar(Senales::seno(1024, 16000, 0.1f))); }

    void guion(std::vector<Paso> pasos, const QString& final = QString())
    {
        std::lock_guard g(voz->estado->mutex);
        voz->estado->guion = std::move(pasos);
        voz->estado->paso = 0;
        voz->estado->textoFinal = final;
    }

    void iniciar()
    {
        asistente->iniciarDictado();
        QTRY_VERIFY(asistente->escuchando());
    }

    // The user messages of the selected conversation.
    QStringList enviados() const
    {
        QStringList t;
        if (const auto c = almacen->actual())
            for (const Mensaje& m : c->mensajes)
                if (m.rol == Mensaje::Rol::usuario)
                    t << m.texto;
        return t;
    }

private slots:
    void init()
    {
        voz = std::make_shared<MotorReconocimientoGuionado>();
        reconocedor = std::make_unique<Reconocedor>(voz);
        sistema = DispositivosSistemaFalso();
        sistema.entradas = {{3, QString("usb_mic"), QString("Micrófono USB"), std::nullopt, 0, 1}};
        microfono.abiertos.clear();
        permisos.mic = true;
        permisos.voz = true;
        permisos.consultas = 0;
        {
            std::lock_guard g(sonidos.mutex);
            sonidos.pedidos.clear();
        }
        dichos.clear();
        callados = 0;
        QFile::remove(hogar.en(".config/cl.norp.ZuviIA.conf"));
        QFile::remove(Carpetas::datosApp() + QStringLiteral("/conversaciones.json"));
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(reloj, *perfiles, Carpetas::datosApp());
        deteccion = std::make_unique<EstadoIA>(reloj, [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
        escucha = std::make_unique<EscuchaZuvi>(EscuchaZuvi::Capas{
            .motor = {.reloj = reloj, .microfono = microfonoEscucha, .reconocedor = *reconocedor,
                      .ajustes = *ajustes, .dispositivos = sistema},
            .permisos = permisos,
            .sonidos = sonidos});
        AsistenteVoz::Voz v;
        v.reconocedor = reconocedor.get();
        v.microfono = &microfono;
        v.permisos = &permisos;
        v.sonidos = &sonidos;
        v.escucha = escucha.get();
        v.decir = [this](const QString& t, const std::optional<QString>& vz, std::optional<uint32_t> s) {
            dichos << Dicho{t, vz, s};
        };
        v.callar = [this] { ++callados; };
        asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, *deteccion, std::move(v));
        asistente->setCarpeta(hogar.ruta());
    }

    void cleanup()
    {
        // A turn that was sent ends (no agent here) before its objects go.
        QTRY_VERIFY_WITH_TIMEOUT(!asistente->ejecutando(), 30000);
        asistente.reset();
        escucha.reset();
        QThreadPool::globalInstance()->waitForDone();
        deteccion.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        reconocedor.reset();
    }

    // Dictated text goes after what was typed, with one space; an empty
    // composer gets no leading space.
    void prefijo_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QString>("compuesto");
        QTest::newRow("con texto escrito") << "hola" << "hola qué tal";
        QTest::newRow("compositor vacío") << "" << "qué tal";
    }

    void prefijo()
    {
        QFETCH(QString, escrito);
        asistente->setEnviarAlCallar(false);
        asistente->setTexto(escrito);
        guion({parcial("qué"), parcial("qué tal")});
        iniciar();
        // An answer read aloud would play into the microphone.
        QCOMPARE(callados, 1);
        QCOMPARE(microfono.abiertos.back(), std::optional<QString>("usb_mic"));
        QCOMPARE(sonidos.sonados(), QStringList{"Tink"});
        QCOMPARE(escucha->pausas(), 1);
        empujar();
        empujar();
        QFETCH(QString, compuesto);
        QTRY_COMPARE(asistente->texto(), compuesto);
        asistente->detenerDictado();
        QCOMPARE(sonidos.sonados(), (QStringList{"Tink", "Pop"}));
        QCOMPARE(escucha->pausas(), 0);
        QCOMPARE(asistente->nivelAudio(), 0.0f);
    }

    // Results at 0, 1.5 and 3 s send once, 2 s after the last one, with
    // "Pop" first; what the stopped capture says after the send does not
    // come back into the emptied composer.
    void envioAlCallar()
    {
        guion({parcial("abre"), parcial("abre el"), parcial("abre el proyecto")}, "abre el proyecto nuevo");
        iniciar();
        empujar();
        QTRY_COMPARE(asistente->texto(), QString("abre"));
        reloj.avanzar(1500ms);
        empujar();
        QTRY_COMPARE(asistente->texto(), QString("abre el"));
        reloj.avanzar(1500ms);
        empujar();
        QTRY_COMPARE(asistente->texto(), QString("abre el proyecto"));
        reloj.avanzar(1999ms);
        QVERIFY(asistente->escuchando());
        QVERIFY(!asistente->ejecutando());
        reloj.avanzar(1ms);
        QVERIFY(!asistente->escuchando());
        QVERIFY(asistente->ejecutando());
        QCOMPARE(sonidos.sonados(), (QStringList{"Tink", "Pop"}));
        QTRY_COMPARE(enviados(), QStringList{"abre el proyecto"});
        QCOMPARE(escucha->pausas(), 0);
        // The recognizer's last word of the stopped capture arrives late.
        QTest::qWait(200);
        QCOMPARE(asistente->texto(), QString());
        reloj.avanzar(10s);
        QCOMPARE(enviados().size(), 1);
    }

    // Test mode never sends; a second press within the 2 s stops and sends
    // nothing, and the last word of the capture still completes the text.
    void sinEnvio_data()
    {
        QTest::addColumn<bool>("prueba");
        QTest::newRow("modo prueba") << true;
        QTest::newRow("segunda pulsación") << false;
    }

    void sinEnvio()
    {
        QFETCH(bool, prueba);
        asistente->setModoPrueba(prueba);
        guion({parcial("hola")}, "hola zuvi");
        iniciar();
        empujar();
        QTRY_COMPARE(asistente->texto(), QString("hola"));
        reloj.avanzar(1s);
        if (!prueba) {
            asistente->alternarDictado();
            QVERIFY(!asistente->escuchando());
            QTRY_COMPARE(asistente->texto(), QString("hola zuvi"));
        }
        for (int i = 0; i < 10; ++i) {
            if (prueba) {
                empujar(); // the microphone stays alive
                QCoreApplication::processEvents();
            }
            reloj.avanzar(1s);
        }
        QCOMPARE(asistente->escuchando(), prueba);
        QVERIFY(enviados().isEmpty());
        if (prueba)
            asistente->detenerDictado();
    }

    // A second press while the permissions are asked starts no second
    // capture and pauses the listener once.
    void pulsacionDuranteElPermiso()
    {
        asistente->alternarDictado();
        asistente->alternarDictado();
        asistente->iniciarDictado();
        QTRY_VERIFY(asistente->escuchando());
        QTest::qWait(100);
        QCOMPARE(microfono.abiertos.size(), size_t(1));
        QCOMPARE(escucha->pausas(), 1);
        QCOMPARE(sonidos.sonados(), QStringList{"Tink"});
        QCOMPARE(permisos.consultas.load(), 1);
        // Granted once, never asked again.
        asistente->detenerDictado();
        iniciar();
        QCOMPARE(permisos.consultas.load(), 1);
        asistente->detenerDictado();
    }

    // Stopping while the permissions are asked (leaving the voice step, say)
    // cancels the start: no capture opens later, no sound, no pause.
    void pararDuranteElPermiso()
    {
        asistente->iniciarDictado();
        asistente->detenerDictado();
        QTRY_COMPARE(permisos.consultas.load(), 1);
        QTest::qWait(100);
        QVERIFY(!asistente->escuchando());
        QVERIFY(microfono.abiertos.empty());
        QVERIFY(sonidos.sonados().isEmpty());
        QCOMPARE(escucha->pausas(), 0);
        iniciar();
        asistente->detenerDictado();
    }

    // A start that cannot go: the notice, no sound, the listener untouched;
    // the next press asks again.
    void arranqueFallido_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("sin micrófono") << "mic"
                                       << "Zuvi IA necesita un micrófono: conecta uno y revisa que aparezca en la "
                                          "configuración de sonido del sistema.";
        QTest::newRow("sin modelo de voz") << "voz"
                                           << "Zuvi IA necesita el modelo de reconocimiento de voz en español: "
                                              "instálalo desde el asistente de configuración, en el paso de voz.";
        QTest::newRow("el motor no arranca") << "motor"
                                             << "El reconocimiento de voz en español no está disponible ahora.";
    }

    void arranqueFallido()
    {
        QFETCH(QString, caso);
        permisos.mic = caso != "mic";
        permisos.voz = caso != "voz";
        voz->esDisponible = caso != "motor";
        asistente->iniciarDictado();
        QTRY_VERIFY(asistente->aviso().has_value());
        QTEST(*asistente->aviso(), "aviso");
        QVERIFY(!asistente->escuchando());
        QVERIFY(sonidos.sonados().isEmpty());
        QCOMPARE(escucha->pausas(), 0);
        if (caso != "motor") {
            permisos.mic = true;
            permisos.voz = true;
            iniciar();
            QCOMPARE(permisos.consultas.load(), 2);
            QVERIFY(!asistente->aviso());
            asistente->detenerDictado();
        }
    }

    // A recognizer that fails, or a microphone that goes quiet, ends the
    // dictation with "Pop"; the notice only when nothing was dictated or
    // typed.
    void sinOir_data()
    {
        QTest::addColumn<QString>("causa");
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<bool>("aviso");
        QTest::newRow("el reconocedor falla") << "falla" << "" << true;
        QTest::newRow("el reconocedor falla con texto escrito") << "falla" << "hola" << false;
        QTest::newRow("el micrófono calla") << "calla" << "" << true;
    }

    void sinOir()
    {
        QFETCH(QString, causa);
        QFETCH(QString, escrito);
        QFETCH(bool, aviso);
        asistente->setTexto(escrito);
        Paso fallo;
        fallo.fallar = true;
        guion({fallo});
        iniciar();
        if (causa == "falla") {
            empujar();
        } else {
            reloj.avanzar(2s);
            QVERIFY(asistente->escuchando());
            reloj.avanzar(1s);
        }
        QTRY_VERIFY(!asistente->escuchando());
        QCOMPARE(sonidos.sonados(), (QStringList{"Tink", "Pop"}));
        QCOMPARE(escucha->pausas(), 0);
        QCOMPARE(asistente->aviso().has_value(), aviso);
        if (aviso)
            QCOMPARE(*asistente->aviso(), QString("No te escuché. Revisa el micrófono e inténtalo de nuevo."));
    }

    void detenerSinDictado()
    {
        escucha->setPausas(1);
        asistente->detenerDictado();
        QCOMPARE(escucha->pausas(), 1);
        QVERIFY(sonidos.sonados().isEmpty());
    }

    // The read text, the stored voice and the chosen output; an unplugged
    // output means the default one.
    void hablar()
    {
        sistema.salidas = {{7, QString("altavoz"), QString("Altavoz"), std::nullopt, 0, 2}};
        asistente->refrescarDispositivos();
        asistente->setSalidaUID(QString("altavoz"));
        ajustes->escribir("vozID", "es-419");
        asistente->hablar("## Listo\n```\nmake\n```\nCompilé **todo**.");
        QCOMPARE(dichos.size(), 1);
        QCOMPARE(dichos[0].texto, QString("Listo Compilé todo."));
        QCOMPARE(dichos[0].voz, std::optional<QString>("es-419"));
        QCOMPARE(dichos[0].salida, std::optional<uint32_t>(7));
        asistente->setSalidaUID(QString("auriculares"));
        ajustes->quitar("vozID");
        asistente->hablar("```\nsolo código\n```");
        QCOMPARE(dichos[1].texto, QString("Listo."));
        QCOMPARE(dichos[1].voz, std::optional<QString>());
        QCOMPARE(dichos[1].salida, std::optional<uint32_t>());
    }
};

QTEST_GUILESS_MAIN(TestAsistenteDictado)
#include "TestAsistenteDictado.moc"
