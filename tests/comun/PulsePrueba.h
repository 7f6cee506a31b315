#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <fcntl.h>
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

} // namespace PulsePrueba

#define EXIGIR_PULSE()                                                                                     \
    do {                                                                                                   \
        if (PulsePrueba::carpeta().isEmpty())                                                              \
            QSKIP("Sin servidor PulseAudio de prueba: ejecutar con tools/servicios-prueba.sh");            \
    } while (false)
