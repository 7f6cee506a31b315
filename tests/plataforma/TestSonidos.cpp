#include "comun/GrabadorMonitor.h"
#include "plataforma/Sonidos.h"

#include <QTest>

#include <atomic>
#include <mutex>

class TestSonidos : public QObject {
    Q_OBJECT

private slots:
    void eventoDelTema_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<std::optional<QString>>("evento");
        QTest::newRow("fin de respuesta") << "Glass" << std::optional<QString>("complete");
        QTest::newRow("frase de activación") << "Hero" << std::optional<QString>("service-login");
        QTest::newRow("aviso") << "Tink" << std::optional<QString>("message");
        QTest::newRow("burbuja") << "Pop" << std::optional<QString>("audio-volume-change");
        QTest::newRow("desconocido") << "Basso" << std::optional<QString>();
        QTest::newRow("mayúsculas distintas") << "glass" << std::optional<QString>();
    }

    void eventoDelTema()
    {
        QFETCH(QString, nombre);
        QFETCH(std::optional<QString>, evento);
        QCOMPARE(Sonidos::evento(nombre), evento);
    }

    void sinServidorSoloAvisa()
    {
        EXIGIR_PULSE();
        const QByteArray servidor = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/zuvi");
        std::mutex mutex;
        QString motivo;
        std::atomic<bool> fallo = false;
        Sonidos::sistema().reproducir("Glass", [&](const QString& m) {
            std::lock_guard g(mutex);
            motivo = m;
            fallo = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(fallo.load(), 10000);
        qputenv("PULSE_SERVER", servidor);
        std::lock_guard g(mutex);
        QVERIFY(!motivo.isEmpty());
    }

    void glassSuenaEnLaSalida()
    {
        EXIGIR_PULSE();
        GrabadorMonitor grabador;
        std::atomic<bool> fallo = false;
        QTest::qWait(300);
        Sonidos::sistema().reproducir("Glass", [&](const QString&) { fallo = true; });
        QTRY_VERIFY_WITH_TIMEOUT(grabador.segundosSonando(0.005f) > 0.1, 10000);
        QVERIFY(!fallo.load());
    }

    void nombreDesconocidoAvisa()
    {
        std::atomic<bool> fallo = false;
        Sonidos::sistema().reproducir("Basso", [&](const QString&) { fallo = true; });
        QVERIFY(fallo.load());
    }
};

QTEST_GUILESS_MAIN(TestSonidos)
#include "TestSonidos.moc"
