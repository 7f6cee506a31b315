#include "app/InstanciaUnica.h"
#include "app/Intents.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Registro.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>

using namespace std::chrono_literals;
using Estado = InstanciaUnica::Entrega::Estado;

namespace {

QByteArray intento(const QString& instruccion, const QString& agente)
{
    return Intents::codificar({Intents::Tipo::enviarInstruccion, instruccion, agente});
}

// A frozen instance's stand-in: this test program, started with
// ZUVI_PRUEBA_INSTANCIA set to a socket path, listens there and appends
// every request it acts on to the file ZUVI_PRUEBA_RECIBIDOS.
int instanciaAparte(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    InstanciaUnica instancia(qEnvironmentVariable("ZUVI_PRUEBA_INSTANCIA"));
    if (!instancia.escuchar())
        return 1;
    const auto anotar = [](const QByteArray& linea) {
        QFile f(qEnvironmentVariable("ZUVI_PRUEBA_RECIBIDOS"));
        if (f.open(QIODevice::Append))
            f.write(linea + '\n');
    };
    QObject::connect(&instancia, &InstanciaUnica::intentoRecibido, anotar);
    QObject::connect(&instancia, &InstanciaUnica::enlaceRecibido, [anotar](const QUrl& u) { anotar(u.toEncoded()); });
    std::printf("listo\n");
    std::fflush(stdout);
    return app.exec();
}

}

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
    int iniciar(const QStringList& argumentos, QByteArray* errores = nullptr)
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
        if (errores)
            *errores = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // The instance in another process, waiting on its socket.
    void arrancarAparte(QProcess& aparte)
    {
        auto e = entorno();
        e.insert("ZUVI_PRUEBA_INSTANCIA", socket());
        e.insert("ZUVI_PRUEBA_RECIBIDOS", hogar.en("recibidos"));
        aparte.setProcessEnvironment(e);
        aparte.start(QCoreApplication::applicationFilePath());
        QVERIFY(aparte.waitForReadyRead(10000));
    }

    QByteArray recibidos() const
    {
        QFile f(hogar.en("recibidos"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        QFile::remove(socket());
        QFile::remove(hogar.en("recibidos"));
    }

    // What another program may send on the socket: only a checked request
    // is acknowledged, and only a confirmed one is acted on; a connection
    // that never ends its line, or sends too much, is cut.
    void conversacion_data()
    {
        QTest::addColumn<QByteArray>("envio");
        QTest::addColumn<QByteArray>("confirmacion"); // empty: leaves without confirming
        QTest::addColumn<QByteArray>("respuesta");    // its beginning; empty: cut without one
        QTest::addColumn<int>("enlaces");
        QTest::addColumn<int>("intentos");
        const QByteArray ok = "ok\n";
        QTest::newRow("enlace") << QByteArray("zuviia://modo-proyectos\n") << ok << QByteArray("ok\n") << 1 << 0;
        QTest::newRow("pedido y confirmación juntos") << QByteArray("zuviia://abrir\nok\n") << QByteArray()
                                                      << QByteArray("ok\n") << 1 << 0;
        QTest::newRow("intento") << intento("Hola", "codex") + '\n' << ok << QByteArray("ok\n") << 0 << 1;
        QTest::newRow("sin confirmar") << QByteArray("zuviia://abrir\n") << QByteArray() << QByteArray("ok\n") << 0
                                       << 0;
        QTest::newRow("otra confirmación") << QByteArray("zuviia://abrir\n") << QByteArray("sí\n")
                                           << QByteArray("ok\n") << 0 << 0;
        QTest::newRow("otro esquema con el host de la sala") << QByteArray("http://modo-proyectos/x\n") << ok
                                                             << QByteArray("error ") << 0 << 0;
        QTest::newRow("texto que no es enlace") << QByteArray("hola\n") << ok << QByteArray("error ") << 0 << 0;
        QTest::newRow("agente hecho de cifras") << intento("Hola", "2") + '\n' << ok
                                                << QByteArray("error No conozco el agente «2»") << 0 << 0;
        QTest::newRow("intento ilegible") << QByteArray("intento {\n") << ok << QByteArray("error ") << 0 << 0;
        QTest::newRow("sin fin de línea") << QByteArray("zuviia://abrir") << ok << QByteArray() << 0 << 0;
        QTest::newRow("más de 64 KiB") << QByteArray(InstanciaUnica::largoMaximo + 10, 'a') << ok << QByteArray()
                                       << 0 << 0;
    }

    void conversacion()
    {
        QFETCH(QByteArray, envio);
        QFETCH(QByteArray, confirmacion);
        QFETCH(QByteArray, respuesta);
        RelojFalso reloj;
        InstanciaUnica instancia(socket(), nullptr, reloj);
        QVERIFY(instancia.escuchar());
        QSignalSpy enlaces(&instancia, &InstanciaUnica::enlaceRecibido);
        QSignalSpy intentos(&instancia, &InstanciaUnica::intentoRecibido);
        QLocalSocket cliente;
        cliente.connectToServer(socket());
        QVERIFY(cliente.waitForConnected(2000));
        cliente.write(envio);
        if (respuesta.isEmpty()) {
            // Too long is cut at once; an unfinished line at its limit.
            QTest::qWait(100);
            if (envio.size() <= InstanciaUnica::largoMaximo)
                reloj.avanzar(InstanciaUnica::limiteLinea);
            QTRY_COMPARE(cliente.state(), QLocalSocket::UnconnectedState);
            QCOMPARE(cliente.readAll(), QByteArray());
        } else {
            QTRY_VERIFY(cliente.canReadLine());
            QVERIFY2(cliente.readLine().startsWith(respuesta), respuesta.constData());
            if (!confirmacion.isEmpty())
                cliente.write(confirmacion);
            else
                cliente.disconnectFromServer();
            QTRY_COMPARE(cliente.state(), QLocalSocket::UnconnectedState);
        }
        QTest::qWait(50);
        QTEST(int(enlaces.size()), "enlaces");
        QTEST(int(intentos.size()), "intentos");
    }

    // A frozen instance: the start gives up after its limit, says so, and
    // the instance, once running again, drops the request instead of
    // acting on it late.
    void instanciaCongelada()
    {
        QProcess aparte;
        arrancarAparte(aparte);
        QVERIFY(InstanciaUnica::entregar(socket(), QUrl("zuviia://abrir")));
        QTRY_COMPARE(recibidos(), QByteArray("zuviia://abrir\n"));

        ::kill(pid_t(aparte.processId()), SIGSTOP);
        const auto entrega = InstanciaUnica::entregar(socket(), intento("Haz un cubo", "codex"), 300ms);
        QCOMPARE(entrega.estado, Estado::sinRespuesta);
        QByteArray errores;
        QCOMPARE(iniciar({"--enviar", "Haz otro cubo"}, &errores), 1);
        QVERIFY2(QString::fromUtf8(errores).contains(QStringLiteral("no respondió en 3 s")), errores.constData());
        ::kill(pid_t(aparte.processId()), SIGCONT);

        // Running again, it still answers the next start.
        QVERIFY(InstanciaUnica::entregar(socket(), QUrl("zuviia://modo-proyectos")));
        QTRY_VERIFY(recibidos().contains("zuviia://modo-proyectos"));
        QTest::qWait(200);
        QCOMPARE(recibidos(), QByteArray("zuviia://abrir\nzuviia://modo-proyectos\n"));
        aparte.kill();
        aparte.waitForFinished();
    }

    // A socket that accepts and never answers is the same to a start.
    void socketMudo()
    {
        QLocalServer mudo;
        QVERIFY(mudo.listen(socket()));
        const auto entrega = InstanciaUnica::entregar(socket(), QUrl("zuviia://abrir"), 300ms);
        QCOMPARE(entrega.estado, Estado::sinRespuesta);
        QVERIFY(InstanciaUnica::explicar(entrega).contains(QStringLiteral("no respondió")));
    }

    // Help and unknown options never reach an instance nor open a window.
    void ayudaYOpcionDesconocida_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("estado");
        QTest::addColumn<QString>("salida");
        QTest::addColumn<QString>("errores");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Uso: zuviia [OPCIÓN] [ENLACE]" << "";
        QTest::newRow("-h junto a otra") << QStringList{"--dictar", "-h"} << 0 << "  --enviar INSTRUCCIÓN" << "";
        QTest::newRow("opción desconocida") << QStringList{"--enviarr", "x"} << 2 << ""
                                            << "Opción desconocida «--enviarr»";
    }

    void ayudaYOpcionDesconocida()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, salida);
        QFETCH(QString, errores);
        QProcess p;
        p.setProcessEnvironment(entorno());
        p.start(QStringLiteral(ZUVI_EJECUTABLE), argumentos);
        QVERIFY(p.waitForFinished(15000));
        QTEST(p.exitCode(), "estado");
        const QString fuera = QString::fromUtf8(p.readAllStandardOutput());
        const QString error = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(fuera.contains(salida), qPrintable(fuera));
        if (!errores.isEmpty()) {
            QVERIFY2(error.startsWith(errores), qPrintable(error));
            QCOMPARE(error.count('\n'), 1);
        }
        QVERIFY(!QFile::exists(socket()));
    }

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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ZUVI_PRUEBA_INSTANCIA"))
        return instanciaAparte(argc, argv);
    QCoreApplication app(argc, argv);
    TestInstancia prueba;
    return QTest::qExec(&prueba, argc, argv);
}
#include "TestInstancia.moc"
