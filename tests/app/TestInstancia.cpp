#include "app/InstanciaUnica.h"
#include "comun/HogarTemporal.h"
#include "core/Registro.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// One Zuvi IA per user: later starts of the real executable hand their
// link over and end.
class TestInstancia : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    QTemporaryDir runtime;

    QString socket() const { return runtime.path() + QStringLiteral("/zuviia.sock"); }

    QProcessEnvironment entorno() const
    {
        auto e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_RUNTIME_DIR", runtime.path());
        e.insert("QT_QPA_PLATFORM", "offscreen");
        return e;
    }

    // Runs a later start and returns its exit status; the events keep
    // flowing meanwhile, so an instance in this process can answer it.
    int iniciar(const QStringList& argumentos)
    {
        QProcess p;
        p.setProcessEnvironment(entorno());
        p.start(QStringLiteral(ZUVI_EJECUTABLE), argumentos);
        QDeadlineTimer plazo(15000);
        while (p.state() != QProcess::NotRunning && !plazo.hasExpired())
            QTest::qWait(10);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void init() { QFile::remove(socket()); }

    void rutaEnRuntime()
    {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QCOMPARE(InstanciaUnica::rutaPorDefecto(), socket());
    }

    void entrega_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("recibido");
        QTest::newRow("sin argumentos") << QStringList{} << "zuviia://abrir";
        QTest::newRow("modo proyectos") << QStringList{"zuviia://modo-proyectos?desde=atajo"}
                                        << "zuviia://modo-proyectos?desde=atajo";
    }

    void entrega()
    {
        InstanciaUnica primera(socket());
        QVERIFY(primera.escuchar());
        QSignalSpy recibidos(&primera, &InstanciaUnica::enlaceRecibido);
        QFETCH(QStringList, argumentos);
        QCOMPARE(iniciar(argumentos), 0);
        QCOMPARE(recibidos.size(), 1);
        QTEST(recibidos.first().first().toUrl().toString(), "recibido");
    }

    // A socket file whose instance is gone is replaced; a live one is not.
    void socketAbandonado()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un direccion{};
        direccion.sun_family = AF_UNIX;
        qstrncpy(direccion.sun_path, QFile::encodeName(socket()).constData(), sizeof direccion.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion), 0);
        ::close(fd);
        QVERIFY(QFile::exists(socket()));
        QVERIFY(!InstanciaUnica::entregar(socket(), QUrl("zuviia://abrir"), std::chrono::milliseconds(500)));

        InstanciaUnica primera(socket());
        QVERIFY(primera.escuchar());
        InstanciaUnica segunda(socket());
        QVERIFY(!segunda.escuchar());
        QSignalSpy recibidos(&primera, &InstanciaUnica::enlaceRecibido);
        QCOMPARE(iniciar({"zuviia://abrir"}), 0);
        QCOMPARE(recibidos.size(), 1);
    }

    // The real application, started twice: the second start reaches the
    // first one's window and ends with status 0.
    void dosArranques()
    {
        QProcess primera;
        primera.setProcessEnvironment(entorno());
        primera.start(QStringLiteral(ZUVI_EJECUTABLE));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket()), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(InstanciaUnica::entregar(socket(), QUrl("zuviia://abrir")), 15000);
        QCOMPARE(iniciar({"zuviia://modo-proyectos"}), 0);
        QCOMPARE(primera.state(), QProcess::Running);
        Registro::vaciar();
        QTRY_VERIFY_WITH_TIMEOUT(QFile(Registro::archivo()).exists(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT([&] {
            QFile f(Registro::archivo());
            return f.open(QIODevice::ReadOnly) && f.readAll().contains("Zuvi inmersiva: abrir");
        }(), 10000);
        // A logout's SIGTERM quits as the menu does: agents stopped, store saved.
        primera.terminate();
        QVERIFY(primera.waitForFinished(10000));
        QCOMPARE(primera.exitStatus(), QProcess::NormalExit);
        QCOMPARE(primera.exitCode(), 0);
        Registro::vaciar();
        QFile f(Registro::archivo());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray registro = f.readAll();
        QVERIFY(registro.contains("Zuvi IA se cierra"));
        QVERIFY(registro.contains("Salir: se detienen los agentes y se guardan las conversaciones"));
    }
};

QTEST_GUILESS_MAIN(TestInstancia)
#include "TestInstancia.moc"
