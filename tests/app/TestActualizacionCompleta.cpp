// The self-updater end to end on a real X server: an installed older build
// finds a newer one on a loopback server, installs it through the swap
// script and quits, and the newer build is the one that runs afterwards.
#include "comun/HogarTemporal.h"
#include "plataforma/Ajustes.h"
#include "setup/ClavePrueba.h"
#include "setup/ServidorPrueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

void escribir(const QString& ruta, const QByteArray& datos, QFile::Permissions permisos = {})
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(datos), datos.size());
    f.close();
    if (permisos)
        QVERIFY(f.setPermissions(permisos));
}

QByteArray leer(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The processes whose program is that file.
QList<qint64> procesosDe(const QString& programa)
{
    QList<qint64> pids;
    for (const QString& d : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = d.toLongLong(&ok);
        if (ok && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == programa)
            pids << pid;
    }
    return pids;
}

QString ejecutar(const QString& programa, const QStringList& argumentos)
{
    QProcess p;
    p.start(programa, argumentos);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("falló: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TestActualizacionCompleta : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    QTemporaryDir base;
    QTemporaryDir runtime;
    ServidorPrueba servidor;
    QList<qint64> abiertas;

    QString clave() const { return base.filePath(QStringLiteral("clave.secreta")); }

    // A tree as installed, holding that program, sealed for that build;
    // `url` is where its archive is published.
    void sellar(const QString& arbol, const QString& programa, const QString& version, int build, const QUrl& url)
    {
        QVERIFY(QDir().mkpath(arbol + QStringLiteral("/bin")));
        QVERIFY(QFile::copy(programa, arbol + QStringLiteral("/bin/zuviia")));
        const QString publicado = base.filePath(QStringLiteral("publicado-%1").arg(build));
        QCOMPARE(ejecutar(QStringLiteral(ZUVI_PUBLICAR),
                          {"--arbol", arbol, "--clave", clave(), "--version", version, "--build",
                           QString::number(build), "--url", url.toString(), "--notas", "Prueba", "--salida", publicado})
                     .startsWith(QStringLiteral("falló")),
                 false);
    }

private slots:
    void cleanup()
    {
        // Only the instances the swap started for this test's tree.
        for (qint64 pid : abiertas)
            ::kill(pid_t(pid), SIGTERM);
    }

    void instalaYReabreLaNueva()
    {
        escribir(clave(), ClavePrueba::secreta().toBase64() + '\n', QFile::ReadOwner | QFile::WriteOwner);
        const QString instalada = base.filePath(QStringLiteral("ZuviIA"));
        const QUrl archivo = servidor.url(QStringLiteral("/ZuviIA-2.0.zip"));
        sellar(instalada, QStringLiteral(ZUVI_ANTIGUA), QStringLiteral("1.0"), 100, servidor.url("/ZuviIA-1.0.zip"));
        sellar(base.filePath(QStringLiteral("nueva/ZuviIA")), QStringLiteral(ZUVI_NUEVA), QStringLiteral("2.0"), 101,
               archivo);
        const QString publicado = base.filePath(QStringLiteral("publicado-101"));
        servidor.servir(QStringLiteral("/ultima.json"), {200, leer(publicado + QStringLiteral("/ultima.json"))});
        servidor.servir(archivo.path(), {200, leer(publicado + QStringLiteral("/ZuviIA-2.0.zip"))});
        QVERIFY(!leer(publicado + QStringLiteral("/ZuviIA-2.0.zip")).isEmpty());
        Ajustes(hogar.en(".config/cl.norp.ZuviIA.conf")).escribir(QStringLiteral("configuracionCompleta"), true);

        const QString programa = instalada + QStringLiteral("/bin/zuviia");
        QCOMPARE(ejecutar(programa, {"--version"}), QStringLiteral("1.0 (build 100)"));
        QProcess antigua;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        entorno.insert(QStringLiteral("ZUVIIA_URL_ACTUALIZACIONES"), servidor.url(QStringLiteral("/ultima.json")).toString());
        antigua.setProcessEnvironment(entorno);
        antigua.start(programa, {});
        QVERIFY(antigua.waitForStarted());

        // The first check comes 15 s after launch; then the download, the
        // verification and, the room being idle, the install and the quit.
        QTRY_VERIFY_WITH_TIMEOUT(antigua.state() == QProcess::NotRunning, 50000);
        QCOMPARE(servidor.pedidos(archivo.path()), 1);
        const QString registro = hogar.en(".local/state/ZuviIA/actualizacion.log");
        QTRY_VERIFY_WITH_TIMEOUT(leer(registro).contains("resultado: "), 20000);
        QVERIFY2(leer(registro).contains("resultado: instalada 101"), leer(registro).constData());
        QTRY_VERIFY_WITH_TIMEOUT(!procesosDe(programa).isEmpty(), 10000);
        abiertas = procesosDe(programa);
        QCOMPARE(ejecutar(programa, {"--version"}), QStringLiteral("2.0 (build 101)"));
        // Exactly one, and it stays one.
        QTest::qWait(500);
        abiertas = procesosDe(programa);
        QCOMPARE(abiertas.size(), 1);
        QVERIFY(!QFileInfo::exists(instalada + QStringLiteral(".anterior")));
        QVERIFY(!QFileInfo::exists(instalada + QStringLiteral(".nuevo")));
    }
};

QTEST_GUILESS_MAIN(TestActualizacionCompleta)
#include "TestActualizacionCompleta.moc"
