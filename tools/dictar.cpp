// Dictates from a microphone for a few seconds and prints the growing
// Spanish text and the input level, to try recognition by hand:
//   zuvi-dictar [segundos] [id del micrófono]
// Without an id it uses the default input; the inputs are listed first.
#include "audio/AudioDispositivos.h"
#include "audio/MotorDictado.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream salida(stdout);
    const QStringList args = app.arguments().mid(1);
    const int segundos = args.value(0, QStringLiteral("10")).toInt();
    std::optional<uint32_t> dispositivo;
    if (args.size() > 1)
        dispositivo = args[1].toUInt();

    for (const auto& d : AudioDispositivos::dispositivos(true))
        salida << d.id << ": " << d.nombre << " (" << d.conexion() << ")\n";
    const auto permisos = MotorDictado::pedirPermisos().result();
    salida << "micrófono: " << (permisos.microfono ? "sí" : "no") << ", voz: " << (permisos.voz ? "sí" : "no")
           << '\n';
    salida.flush();

    MotorDictado motor;
    salida << "idioma: " << motor.locale() << '\n';
    std::atomic<float> nivel = 0;
    auto alTexto = [&](const QString& texto, bool final) {
        QMetaObject::invokeMethod(&app, [&, texto, final] {
            salida << (final ? "final: " : "… ") << texto << '\n';
            salida.flush();
            if (final)
                app.quit();
        }, Qt::QueuedConnection);
    };
    auto alError = [&](const QString& e) {
        QMetaObject::invokeMethod(&app, [&, e] { salida << "error: " << e << '\n'; }, Qt::QueuedConnection);
    };
    try {
        motor.iniciar(dispositivo, alTexto, [&](float n) { nivel = n; }, alError);
    } catch (const std::exception& e) {
        salida << e.what() << '\n';
        return 1;
    }
    salida << "Hable durante " << segundos << " s…\n";
    salida.flush();
    QTimer medidor;
    QObject::connect(&medidor, &QTimer::timeout, [&] {
        std::fprintf(stderr, "\rnivel %-20s", QByteArray(int(nivel * 20), '#').constData());
    });
    medidor.start(200);
    QTimer::singleShot(segundos * 1000, [&] {
        medidor.stop();
        std::fprintf(stderr, "\n");
        motor.terminar();
        // The final text normally follows at once.
        QTimer::singleShot(5000, &app, &QCoreApplication::quit);
    });
    app.exec();
    motor.cancelar();
    return 0;
}
