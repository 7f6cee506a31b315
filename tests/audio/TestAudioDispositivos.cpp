#include "audio/AudioDispositivos.h"
#include "comun/DispositivosSistemaFalso.h"

#include <QTest>

using Registro = DispositivosSistema::Registro;
using Estado = DispositivosSistema::EstadoSalida;

class TestAudioDispositivos : public QObject {
    Q_OBJECT

private slots:
    void conexionYSimbolo_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("conexion");
        QTest::addColumn<QString>("simbolo");
        QTest::newRow("integrado") << "bltn" << "Integrado" << "laptopcomputer";
        QTest::newRow("usb") << "usb " << "USB" << "mic.fill";
        QTest::newRow("bluetooth") << "blue" << "Bluetooth" << "headphones";
        QTest::newRow("bluetooth le") << "blea" << "Bluetooth" << "headphones";
        QTest::newRow("camara con cable") << "ccwd" << "iPhone" << "iphone";
        QTest::newRow("camara sin cable") << "ccwl" << "iPhone" << "iphone";
        QTest::newRow("agregado") << "grup" << "Virtual" << "waveform";
        QTest::newRow("virtual") << "virt" << "Virtual" << "waveform";
        QTest::newRow("airplay") << "airp" << "AirPlay" << "homepod.2";
        QTest::newRow("displayport") << "dprt" << "Pantalla" << "display";
        QTest::newRow("hdmi") << "hdmi" << "Pantalla" << "display";
        QTest::newRow("otro codigo") << "pci " << "Otro" << "mic";
        QTest::newRow("usb sin espacio") << "usbx" << "Otro" << "mic";
        QTest::newRow("cero") << "" << "Otro" << "mic";
    }

    void conexionYSimbolo()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, conexion);
        QFETCH(QString, simbolo);
        uint32_t t = 0;
        for (QChar c : codigo)
            t = (t << 8) | uint8_t(c.toLatin1());
        DispositivoAudio d;
        d.transporte = t;
        QCOMPARE(d.conexion(), conexion);
        QCOMPARE(d.simbolo(), simbolo);
    }

    void listadoConRespaldos()
    {
        DispositivosSistemaFalso sistema;
        sistema.entradas = {
            {3, QString("alsa_input.usb"), QString("Micrófono USB"), QString("Acme"), codigoCuatro("usb "), 1},
            {7, std::nullopt, std::nullopt, std::nullopt, 0, 2},
            {9, QString("sin.canales"), QString("Nada"), std::nullopt, 0, 0},
        };
        sistema.salidas = {{7, std::nullopt, std::nullopt, std::nullopt, 0, 2}};

        const auto entradas = AudioDispositivos::dispositivos(true, sistema);
        QCOMPARE(entradas.size(), 2);
        QCOMPARE(entradas[0], (DispositivoAudio{3, "alsa_input.usb", "Micrófono USB", "Acme", codigoCuatro("usb ")}));
        // Unreadable name, UID and maker; the id stands in.
        QCOMPARE(entradas[1], (DispositivoAudio{7, "7", "Micrófono 7", "", 0}));
        QCOMPARE(entradas[1].conexion(), QString("Otro"));

        // The same fallback among the outputs.
        const auto salidas = AudioDispositivos::dispositivos(false, sistema);
        QCOMPARE(salidas.size(), 1);
        QCOMPARE(salidas[0].nombre, QString("Micrófono 7"));
    }

    void igualdadCubreLosCincoCampos()
    {
        const DispositivoAudio a{1, "u", "n", "f", codigoCuatro("bltn")};
        DispositivoAudio b = a;
        QCOMPARE(qHash(a), qHash(b));
        b.fabricante = "otro";
        QVERIFY(a != b);
        b = a;
        b.transporte = 0;
        QVERIFY(a != b);
    }

    void silencio_data()
    {
        QTest::addColumn<std::optional<bool>>("silenciada");
        QTest::addColumn<std::optional<float>>("volumen");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("silenciada a todo volumen") << std::optional(true) << std::optional(1.0f) << true;
        QTest::newRow("volumen 0.04") << std::optional(false) << std::optional(0.04f) << true;
        QTest::newRow("volumen 0.05") << std::optional(false) << std::optional(0.05f) << false;
        QTest::newRow("volumen ilegible") << std::optional(false) << std::optional<float>() << false;
        QTest::newRow("nada legible") << std::optional<bool>() << std::optional<float>() << false;
        QTest::newRow("silencio ilegible, volumen 0") << std::optional<bool>() << std::optional(0.0f) << true;
    }

    void silencio()
    {
        QFETCH(std::optional<bool>, silenciada);
        QFETCH(std::optional<float>, volumen);
        QFETCH(bool, esperado);
        DispositivosSistemaFalso sistema;
        sistema.estados[4] = Estado{silenciada, volumen};
        QCOMPARE(AudioDispositivos::salidaSilenciada(4, sistema), esperado);
        sistema.salidaPorDefecto = 4;
        QCOMPARE(AudioDispositivos::salidaSilenciada(std::nullopt, sistema), esperado);
    }

    void sinSalidaPorDefectoNoEstaSilenciada()
    {
        DispositivosSistemaFalso sistema;
        sistema.estados[4] = Estado{true, 0.0f};
        QVERIFY(!AudioDispositivos::salidaSilenciada(std::nullopt, sistema));
    }
};

QTEST_GUILESS_MAIN(TestAudioDispositivos)
#include "TestAudioDispositivos.moc"
