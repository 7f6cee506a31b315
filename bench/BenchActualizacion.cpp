// The updater's two costs the user can feel: verifying a download (hashing
// and unpacking the archive into a sealed tree) and the time the
// application is gone while the script swaps a 100 MB installed folder.
#include "Publicacion.h"
#include "setup/Ed25519.h"
#include "setup/Manifiesto.h"
#include "setup/PaqueteActualizacion.h"
#include "setup/ScriptCambio.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

const Ed25519::Par& par()
{
    static const Ed25519::Par p = Ed25519::desdeSemilla(QByteArray(Ed25519::bytesSemilla, '\x31'));
    return p;
}

void escribir(const QString& ruta, const QByteArray& datos, QFile::Permissions permisos)
{
    QDir().mkpath(ruta.section(QLatin1Char('/'), 0, -2));
    QFile f(ruta);
    f.open(QIODevice::WriteOnly);
    f.write(datos);
    f.close();
    f.setPermissions(permisos);
}

constexpr auto lectura = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr auto ejecutable = lectura | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

// `megas` MB in 4 MB files of random bytes (they do not compress, as
// libraries barely do), plus a stand-in executable.
void arbol(const QString& raiz, int megas, const QByteArray& programa)
{
    for (int i = 0; i < megas / 4; ++i) {
        QByteArray datos(4 << 20, Qt::Uninitialized);
        QRandomGenerator(i).fillRange(reinterpret_cast<quint32*>(datos.data()), datos.size() / 4);
        escribir(raiz + QStringLiteral("/lib/libparte%1.so").arg(i), datos, lectura);
    }
    escribir(raiz + "/bin/zuviia", programa, ejecutable);
}

void verificacion(benchmark::State& estado)
{
    QTemporaryDir base;
    const QString fuente = base.filePath("construido/ZuviIA");
    arbol(fuente, int(estado.range(0)), "#!/bin/sh\n");
    const auto r = Publicacion::publicar({fuente, par().secreta, "1.3", 13, QUrl("https://x.example/ZuviIA.zip"),
                                          std::nullopt, base.filePath("salida")});
    QFile z(r.zip);
    z.open(QIODevice::ReadOnly);
    const QByteArray zip = z.readAll();
    QFile mf(r.manifiesto);
    mf.open(QIODevice::ReadOnly);
    const Manifiesto m = Manifiesto::decodificar(mf.readAll());
    const QString clave = QString::fromLatin1(par().publica.toBase64());
    for (auto _ : estado) {
        const QString app = PaqueteActualizacion::preparar(zip, m, base.filePath("opt/ZuviIA"), clave);
        estado.PauseTiming();
        QDir(app + "/..").removeRecursively();
        estado.ResumeTiming();
    }
    estado.SetBytesProcessed(estado.iterations() * zip.size());
}
BENCHMARK(verificacion)->Arg(32)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the moment the old process is gone to the moment the new one
// starts, with the script's real cp, mv and health check.
void cambio(benchmark::State& estado)
{
    QTemporaryDir base;
    const QString marca = base.filePath("arrancada");
    const QByteArray programa = "#!/bin/sh\ncase \"$1\" in\n--version) echo '1.3 (build 13)' ;;\n--verificar-sello) exit 0 ;;\n"
                                "*) date +%s%N > '" + marca.toUtf8() + "' ;;\nesac\n";
    const QString app = base.filePath("opt/ZuviIA");
    const QString molde = base.filePath("molde/ZuviIA");
    arbol(app, 100, programa);
    arbol(molde, 100, programa);
    for (auto _ : estado) {
        const QString nueva = base.filePath("opt/ZuviIA-act-13-x/ZuviIA");
        QProcess::execute("cp", {"-a", molde, nueva.section('/', 0, -2)});
        QFile::remove(marca);
        QProcess dormida;
        dormida.start("sleep", {"0.2"});
        dormida.waitForStarted();
        QProcess script;
        script.start("/bin/sh", ScriptCambio::argumentos({dormida.processId(), app, nueva, "1.3 (build 13)", 13,
                                                          base.filePath("actualizacion.log")}));
        dormida.waitForFinished();
        const qint64 ida = QDateTime::currentMSecsSinceEpoch();
        script.waitForFinished(60000);
        while (!QFile::exists(marca) || QFile(marca).size() == 0)
            QThread::msleep(1);
        QFile f(marca);
        f.open(QIODevice::ReadOnly);
        const qint64 vuelta = f.readAll().trimmed().toLongLong() / 1000000;
        estado.SetIterationTime(double(vuelta - ida) / 1000.0);
    }
}
BENCHMARK(cambio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}
