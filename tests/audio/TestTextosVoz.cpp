#include "audio/TextosVoz.h"

#include <QTest>

Q_DECLARE_METATYPE(MotorVoz)

// Every view's words for the voice, by what the service announced: the
// natural voice is named only when its engine answered the handshake.
class TestTextosVoz : public QObject {
    Q_OBJECT

private slots:
    void vista_data()
    {
        QTest::addColumn<bool>("instalada");
        QTest::addColumn<bool>("activada");
        QTest::addColumn<bool>("lista");
        QTest::addColumn<MotorVoz>("motor");
        QTest::addColumn<bool>("lenta");
        QTest::addColumn<QString>("insignia");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("enTarjeta");  // a piece of the card's text
        QTest::addColumn<bool>("reinstalar");
        const QString basica = "Voz básica (espeak-ng)";
        const auto n = MotorVoz::neural, b = MotorVoz::basica, x = MotorVoz::ninguno;
        QTest::newRow("sin instalar") << false << true << false << x << false << basica
                                      << "No instalada: habla la voz básica (espeak-ng)"
                                      << "Se descarga una sola vez (~8 GB). Mientras tanto habla la voz básica (espeak-ng)."
                                      << false;
        QTest::newRow("sin instalar, con un servicio básico")
            << false << true << true << b << false << basica << "No instalada: habla la voz básica (espeak-ng)"
            << "Mientras tanto habla la voz básica" << false;
        QTest::newRow("apagada") << true << false << true << n << false << basica << "Apagada"
                                 << "apagada en Configuración; habla la voz básica (espeak-ng)." << false;
        QTest::newRow("cargando") << true << true << false << x << false << "Instalada, cargando…" << "Cargando…"
                                  << "se está cargando; mientras tanto habla la voz básica" << false;
        QTest::newRow("natural") << true << true << true << n << false << "Qwen3-TTS local" << "Lista"
                                 << "La voz natural (Qwen3-TTS) habla desde tu computador, sin internet." << false;
        QTest::newRow("el modelo no cargó") << true << true << true << b << false << basica << basica
                                            << "no se pudo cargar y habla la voz básica (espeak-ng)" << true;
        QTest::newRow("sin motor anunciado") << true << true << true << x << false << basica << basica
                                             << "habla la voz básica" << true;
        QTest::newRow("natural pero lenta") << true << true << true << n << true << "Qwen3-TTS local"
                                            << "Lista (lenta en este computador)"
                                            << "tarda más de medio segundo en empezar. Si prefieres rapidez, "
                                               "apágala en Configuración y hablará la voz básica (espeak-ng)." << false;
    }
    void vista()
    {
        QFETCH(bool, instalada);
        QFETCH(bool, activada);
        QFETCH(bool, lista);
        QFETCH(MotorVoz, motor);
        QFETCH(bool, lenta);
        QFETCH(QString, enTarjeta);
        QFETCH(bool, reinstalar);
        EstadoVoz e;
        e.lista = lista;
        if (lista)
            e.puerto = 4000;
        e.motor = motor;
        e.lenta = lenta;
        const TextosVoz::Vista v = TextosVoz::vista(instalada, activada, e);
        QTEST(v.insignia, "insignia");
        QTEST(v.estado, "estado");
        QVERIFY2(v.tarjeta.contains(enTarjeta), qPrintable(v.tarjeta));
        QCOMPARE(v.reinstalar, reinstalar);
        QCOMPARE(v.tarjeta.contains("Qwen3-TTS") && !v.tarjeta.contains("Una voz neural"),
                 motor == MotorVoz::neural && instalada && activada && lista);
    }
};

QTEST_GUILESS_MAIN(TestTextosVoz)
#include "TestTextosVoz.moc"
