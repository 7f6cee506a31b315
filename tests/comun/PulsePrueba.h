#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

// The private PulseAudio server started by tools/servicios-prueba.sh. Tests
// that add devices or write audio skip without it, so they never touch a
// developer's own sound server.
namespace PulsePrueba {

inline QString carpeta() { return qEnvironmentVariable("ZUVI_PULSE_PRUEBA"); }

inline QString tuberiaMicrofono() { return carpeta() + QStringLiteral("/microfono.pipe"); }

// Opens the pipe microphone for writing, first dropping what an earlier
// writer left in it: the server reads the pipe only while someone records,
// so a test would otherwise start by hearing the last one's audio.
inline int abrirTuberiaMicrofono()
{
    const QByteArray ruta = tuberiaMicrofono().toLocal8Bit();
    const int lector = ::open(ruta.constData(), O_RDONLY | O_NONBLOCK);
    if (lector >= 0) {
        char basura[65536];
        while (::read(lector, basura, sizeof basura) > 0) {
        }
        ::close(lector);
    }
    return ::open(ruta.constData(), O_WRONLY);
}

// Runs pactl with `argumentos`; its output, or a null string when it failed.
inline QString pactl(const QStringList& argumentos)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), argumentos);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    const QString salida = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return salida.isNull() ? QStringLiteral("") : salida;
}

// Unloads the pipe microphone "zuvi_microfono", as if it were unplugged,
// and loads it back on destruction with the very arguments it had, as the
// default input again: other tests find it by that name.
class MicrofonoDesenchufado {
public:
    MicrofonoDesenchufado()
    {
        // A writer still on the pipe then gets EPIPE instead of killing the test.
        ::signal(SIGPIPE, SIG_IGN);
        for (const QString& linea : pactl({QStringLiteral("list"), QStringLiteral("modules"), QStringLiteral("short")})
                                        .split(QLatin1Char('\n'))) {
            const QStringList campos = linea.split(QLatin1Char('\t'));
            if (campos.size() >= 3 && campos[1] == QLatin1String("module-pipe-source")
                && campos[2].contains(QLatin1String("source_name=zuvi_microfono "))) {
                argumentos_ = campos[2].trimmed();
                hecho_ = !pactl({QStringLiteral("unload-module"), campos[0]}).isNull();
            }
        }
    }
    ~MicrofonoDesenchufado()
    {
        if (!hecho_)
            return;
        pactl({QStringLiteral("load-module"), QStringLiteral("module-pipe-source"), argumentos_});
        pactl({QStringLiteral("set-default-source"), QStringLiteral("zuvi_microfono")});
    }
    bool hecho() const { return hecho_; }

private:
    QString argumentos_;
    bool hecho_ = false;
};

// The pid of the process that listens on $PULSE_SERVER's socket (this
// run's private server, never another one), or 0.
inline pid_t pidServidor()
{
    const QString ruta = qEnvironmentVariable("PULSE_SERVER").remove(QStringLiteral("unix:"));
    if (ruta.isEmpty() || carpeta().isEmpty())
        return 0;
    QFile unix(QStringLiteral("/proc/net/unix"));
    if (!unix.open(QIODevice::ReadOnly))
        return 0;
    QStringList enchufes;
    for (const QByteArray& linea : unix.readAll().split('\n')) {
        const QList<QByteArray> campos = linea.simplified().split(' ');
        if (campos.size() >= 8 && QString::fromLocal8Bit(campos[7]) == ruta)
            enchufes << QStringLiteral("socket:[%1]").arg(QString::fromLatin1(campos[6]));
    }
    for (const QString& proceso : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numero = false;
        const pid_t pid = proceso.toInt(&numero);
        if (!numero || pid == ::getpid())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (enchufes.contains(fd.symLinkTarget().section(QLatin1Char('/'), -1))
                || enchufes.contains(QFile::symLinkTarget(fd.filePath()).section(QLatin1Char('/'), -1)))
                return pid;
        }
    }
    return 0;
}

// This run's server stopped (SIGSTOP) while it lives, as a sound server
// that hangs: connected, silent.
class ServidorParado {
public:
    ServidorParado() : pid_(pidServidor())
    {
        if (pid_ > 0)
            ::kill(pid_, SIGSTOP);
    }
    ~ServidorParado()
    {
        if (pid_ > 0)
            ::kill(pid_, SIGCONT);
    }
    bool hecho() const { return pid_ > 0; }

private:
    pid_t pid_;
};

} // namespace PulsePrueba

#define EXIGIR_PULSE()                                                                                     \
    do {                                                                                                   \
        if (PulsePrueba::carpeta().isEmpty())                                                              \
            QSKIP("Sin servidor PulseAudio de prueba: ejecutar con tools/servicios-prueba.sh");            \
    } while (false)
