#include "comun/PulsePrueba.h"
#include "plataforma/DispositivosSistema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

using Propiedades = DispositivosSistema::Propiedades;

namespace {

std::optional<DispositivosSistema::Registro> buscar(bool entrada, const QString& nombre)
{
    for (const auto& r : DispositivosSistema::sistema().listar(entrada)) {
        if (r.nombre == nombre)
            return r;
    }
    return std::nullopt;
}

QString codigo(uint32_t t)
{
    if (!t)
        return QString();
    QString s;
    for (int i = 3; i >= 0; --i)
        s += QChar(char((t >> (8 * i)) & 0xff));
    return s;
}

QStringList nombres(const std::vector<DispositivosSistema::Registro>& lista)
{
    QStringList n;
    for (const auto& r : lista)
        n << r.nombre.value_or(QString());
    return n;
}

// A Unix socket that relays every connection to the test sound server
// until congelar(): from then on it passes nothing, like a stalled server.
class PuenteSonido {
public:
    explicit PuenteSonido(const QString& ruta) : ruta_(ruta.toLocal8Bit())
    {
        escucha_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = direccion(ruta_);
        ::bind(escucha_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(escucha_, 4);
        hilo_ = std::thread([this] { atender(); });
    }
    ~PuenteSonido()
    {
        fin_ = true;
        ::shutdown(escucha_, SHUT_RDWR);
        hilo_.join();
        ::close(escucha_);
        ::unlink(ruta_.constData());
    }
    void congelar() { congelado_ = true; }

private:
    static sockaddr_un direccion(const QByteArray& ruta)
    {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, ruta.constData(), sizeof a.sun_path - 1);
        return a;
    }

    void atender()
    {
        std::vector<int> abiertos;
        pollfd vigilado{escucha_, POLLIN, 0};
        std::vector<std::pair<int, int>> pares;
        while (!fin_) {
            std::vector<pollfd> fds{vigilado};
            for (auto [cliente, servidor] : pares) {
                fds.push_back({cliente, POLLIN, 0});
                fds.push_back({servidor, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                const int cliente = ::accept(escucha_, nullptr, nullptr);
                if (cliente < 0)
                    break;
                const int servidor = ::socket(AF_UNIX, SOCK_STREAM, 0);
                sockaddr_un a = direccion((PulsePrueba::carpeta() + "/native").toLocal8Bit());
                ::connect(servidor, reinterpret_cast<sockaddr*>(&a), sizeof a);
                pares.emplace_back(cliente, servidor);
                abiertos.push_back(cliente);
                abiertos.push_back(servidor);
            }
            for (size_t i = 1; i < fds.size() && !congelado_; ++i) {
                if (!(fds[i].revents & POLLIN))
                    continue;
                const auto& par = pares[(i - 1) / 2];
                const int destino = fds[i].fd == par.first ? par.second : par.first;
                char datos[65536];
                const ssize_t n = ::read(fds[i].fd, datos, sizeof datos);
                if (n > 0)
                    ::send(destino, datos, size_t(n), MSG_NOSIGNAL);
            }
            if (congelado_)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (int fd : abiertos)
            ::close(fd);
    }

    QByteArray ruta_;
    int escucha_ = -1;
    std::atomic<bool> fin_ = false;
    std::atomic<bool> congelado_ = false;
    std::thread hilo_;
};

} // namespace

class TestDispositivosSistema : public QObject {
    Q_OBJECT

private slots:
    void transporte_data()
    {
        QTest::addColumn<Propiedades>("p");
        QTest::addColumn<QString>("esperado");
        // nombre, driver, bus, form factor, api, class
        QTest::newRow("tarjeta pci") << Propiedades{"alsa_output.pci-0000_00_1f.3.analog-stereo", "module-alsa-card.c", "pci", "internal", "alsa", "sound"} << "bltn";
        QTest::newRow("hdmi en pci") << Propiedades{"alsa_output.pci-0000_00_1f.3.hdmi-stereo", "module-alsa-card.c", "pci", "", "alsa", "sound"} << "hdmi";
        QTest::newRow("televisor") << Propiedades{"alsa_output.x", "module-alsa-card.c", "", "tv", "alsa", "sound"} << "hdmi";
        QTest::newRow("displayport") << Propiedades{"alsa_output.pci.displayport", "", "pci", "", "", ""} << "dprt";
        QTest::newRow("usb") << Propiedades{"alsa_input.usb-Blue_Yeti", "module-alsa-card.c", "usb", "microphone", "alsa", "sound"} << "usb ";
        QTest::newRow("bluetooth") << Propiedades{"bluez_sink.00_11", "module-bluez5-device.c", "bluetooth", "headset", "bluez5", ""} << "blue";
        QTest::newRow("bluetooth pipewire") << Propiedades{"bluez_output.00_11.1", "PipeWire", "", "", "bluez5", ""} << "blue";
        QTest::newRow("salida nula") << Propiedades{"zuvi_altavoz", "module-null-sink.c", "", "", "", "abstract"} << "virt";
        QTest::newRow("tuberia") << Propiedades{"zuvi_microfono", "module-pipe-source.c", "", "", "", ""} << "virt";
        QTest::newRow("remapeo") << Propiedades{"remap", "module-remap-sink.c", "", "", "", "filter"} << "virt";
        QTest::newRow("combinada") << Propiedades{"combined", "module-combine-sink.c", "", "", "", ""} << "grup";
        QTest::newRow("airplay") << Propiedades{"raop_output.sala", "module-raop-sink.c", "", "", "", ""} << "airp";
        QTest::newRow("desconocido") << Propiedades{"algo", "PipeWire", "", "", "", ""} << "";
    }

    void transporte()
    {
        QFETCH(Propiedades, p);
        QFETCH(QString, esperado);
        QCOMPARE(codigo(DispositivosSistema::transporte(p)), esperado);
    }

    void listaLosDispositivosDelServidor()
    {
        EXIGIR_PULSE();
        const auto mic = buscar(true, "zuvi_microfono");
        QVERIFY(mic);
        QCOMPARE(mic->descripcion, std::optional<QString>("Micrófono de prueba"));
        QCOMPARE(mic->canales, 1);
        QCOMPARE(codigo(mic->transporte), QString("virt"));
        QVERIFY(buscar(false, "zuvi_altavoz"));
        QVERIFY(buscar(false, "zuvi_auriculares"));
        // An output's monitor is not a microphone; outputs are not inputs.
        for (const auto& r : DispositivosSistema::sistema().listar(true))
            QVERIFY2(!r.nombre->endsWith(".monitor"), qPrintable(*r.nombre));
        QVERIFY(!buscar(true, "zuvi_altavoz"));
    }

    // A server that stops answering: each call is back within the limit
    // with the last lists, the stall is reported once, and during the pause
    // that follows nothing waits at all.
    void servidorAtascadoRespondeDeLoUltimo()
    {
        EXIGIR_PULSE();
        QTemporaryDir carpeta;
        // The relay passes bytes, not the descriptors shared memory needs.
        QFile conf(carpeta.filePath("client.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("enable-shm = no\nenable-memfd = no\n");
        conf.close();
        qputenv("PULSE_CLIENTCONFIG", conf.fileName().toLocal8Bit());
        QStringList avisos;
        std::mutex mutex;
        DispositivosSistema::setAnotador([&](const QString& t) {
            std::lock_guard g(mutex);
            avisos << t;
        });
        {
            PuenteSonido puente(carpeta.filePath("puente"));
            auto d = DispositivosSistema::conServidor("unix:" + carpeta.filePath("puente"));
            const QStringList entradas = nombres(d->listar(true));
            const QStringList salidas = nombres(d->listar(false));
            QVERIFY2(entradas.contains("zuvi_microfono"), qPrintable(entradas.join(',')));
            QVERIFY(salidas.contains("zuvi_altavoz"));

            puente.congelar();
            QElapsedTimer t;
            t.start();
            QCOMPARE(nombres(d->listar(true)), entradas);
            QVERIFY2(t.elapsed() < DispositivosSistema::limiteEspera.count() * 3, qPrintable(QString::number(t.elapsed())));
            t.restart();
            QCOMPARE(nombres(d->listar(false)), salidas);
            d->predeterminado(true);
            d->estadoSalida(std::nullopt);
            QVERIFY2(t.elapsed() < DispositivosSistema::limiteEspera.count() / 2, qPrintable(QString::number(t.elapsed())));
            d.reset();
        }
        DispositivosSistema::setAnotador([](const QString& t) { qWarning("%s", qUtf8Printable(t)); });
        qunsetenv("PULSE_CLIENTCONFIG");
        QCOMPARE(avisos.size(), 1);
        QVERIFY(avisos.first().startsWith("Dispositivos: el servidor de sonido no respondió"));
    }

    // A server of the test's own, on its own socket, that starts after the
    // devices are asked for, goes away and comes back: the observers hear
    // each change, and the lists follow without a new object.
    void servidorQueVuelve()
    {
        EXIGIR_PULSE();
        QTemporaryDir carpeta;
        const QString socket = carpeta.filePath("native");
        QFile conf(carpeta.filePath("vuelta.pa"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                                  "load-module module-null-sink sink_name=vuelta_altavoz\n"
                                  "load-module module-null-source source_name=vuelta_microfono\n")
                       .arg(socket)
                       .toUtf8());
        conf.close();
        QProcess servidor;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("HOME", carpeta.path());
        entorno.remove("PULSE_SERVER");
        // The shared server holds its names on the session bus.
        entorno.remove("DBUS_SESSION_BUS_ADDRESS");
        servidor.setProcessEnvironment(entorno);
        const auto arrancar = [&] {
            servidor.start("pulseaudio", {"--daemonize=no", "-n", "--file=" + conf.fileName(), "--exit-idle-time=-1",
                                          "--disallow-exit", "--use-pid-file=no", "--log-target=stderr"});
            QVERIFY(servidor.waitForStarted(5000));
        };
        const auto parar = [&] {
            servidor.terminate();
            QVERIFY(servidor.waitForFinished(10000));
        };

        auto avisos = std::make_shared<std::atomic<int>>(0);
        auto d = DispositivosSistema::conServidor("unix:" + socket);
        d->observar([avisos] { ++*avisos; });
        QVERIFY(d->listar(true).empty());

        arrancar();
        QTRY_VERIFY_WITH_TIMEOUT(*avisos >= 1, 15000);
        QVERIFY(nombres(d->listar(true)).contains("vuelta_microfono"));
        QVERIFY(nombres(d->listar(false)).contains("vuelta_altavoz"));
        QCOMPARE(d->predeterminado(false), std::optional<QString>("vuelta_altavoz"));

        int antes = *avisos;
        parar();
        QTRY_VERIFY_WITH_TIMEOUT(*avisos > antes, 15000);
        QVERIFY(d->listar(true).empty());
        QCOMPARE(d->predeterminado(false), std::nullopt);

        antes = *avisos;
        arrancar();
        QTRY_VERIFY_WITH_TIMEOUT(*avisos > antes, 15000);
        QVERIFY(nombres(d->listar(true)).contains("vuelta_microfono"));
        parar();
        d.reset();
    }

    void avisaAltasBajasYCambiosDePorDefecto()
    {
        EXIGIR_PULSE();
        // The observer outlives this test (notices keep coming), so it
        // holds its counters itself rather than this frame's locals.
        struct Cuenta {
            std::atomic<int> avisos{0};
            std::atomic<bool> enHiloGui{true};
        };
        auto cuenta = std::make_shared<Cuenta>();
        DispositivosSistema::sistema().observar([cuenta] {
            ++cuenta->avisos;
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                cuenta->enHiloGui = false;
        });
        std::atomic<int>& avisos = cuenta->avisos;
        std::atomic<bool>& enHiloGui = cuenta->enHiloGui;
        const QString nombre = QStringLiteral("zuvi_prueba_%1").arg(QCoreApplication::applicationPid());
        const QString modulo = PulsePrueba::pactl({"load-module", "module-null-sink", "sink_name=" + nombre});
        QVERIFY(!modulo.isEmpty());
        QTRY_VERIFY(avisos > 0);
        QVERIFY(buscar(false, nombre));

        int antes = avisos;
        QVERIFY(!PulsePrueba::pactl({"unload-module", modulo}).isNull());
        QTRY_VERIFY(avisos > antes);
        QVERIFY(!buscar(false, nombre));

        // A volume change is no notice; the default change after it is.
        QTest::qWait(200);
        antes = avisos;
        QVERIFY(!PulsePrueba::pactl({"set-sink-volume", "zuvi_auriculares", "60%"}).isNull());
        QVERIFY(!PulsePrueba::pactl({"set-default-sink", "zuvi_auriculares"}).isNull());
        QTRY_VERIFY(avisos > antes);
        QTest::qWait(200);
        QCOMPARE(avisos, antes + 1);
        QVERIFY(!PulsePrueba::pactl({"set-default-sink", "zuvi_altavoz"}).isNull());
        QVERIFY(!PulsePrueba::pactl({"set-sink-volume", "zuvi_auriculares", "100%"}).isNull());
        QVERIFY(enHiloGui);
    }

    void estadoDeSalidaSigueAlServidor()
    {
        EXIGIR_PULSE();
        auto& sistema = DispositivosSistema::sistema();
        const auto sal = buscar(false, "zuvi_auriculares");
        QVERIFY(sal);
        auto silenciada = [&] { return sistema.estadoSalida(sal->indice)->silenciada.value_or(false); };
        auto volumen = [&] { return sistema.estadoSalida(sal->indice)->volumen.value_or(-1); };

        QVERIFY(!PulsePrueba::pactl({"set-sink-mute", "zuvi_auriculares", "1"}).isNull());
        QTRY_VERIFY(silenciada());
        QVERIFY(!PulsePrueba::pactl({"set-sink-mute", "zuvi_auriculares", "0"}).isNull());
        QTRY_VERIFY(!silenciada());
        QVERIFY(!PulsePrueba::pactl({"set-sink-volume", "zuvi_auriculares", "4%"}).isNull());
        QTRY_VERIFY(volumen() > 0.03f && volumen() < 0.05f);
        QVERIFY(!PulsePrueba::pactl({"set-sink-volume", "zuvi_auriculares", "100%"}).isNull());
        QTRY_COMPARE(volumen(), 1.0f);

        // The default output is the one the server names.
        const auto porDefecto = buscar(false, "zuvi_altavoz");
        QVERIFY(porDefecto);
        QVERIFY(sistema.estadoSalida(std::nullopt));
        QCOMPARE(sistema.estadoSalida(std::nullopt)->volumen, sistema.estadoSalida(porDefecto->indice)->volumen);
    }
};

QTEST_GUILESS_MAIN(TestDispositivosSistema)
#include "TestDispositivosSistema.moc"
