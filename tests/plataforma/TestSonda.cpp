#include "plataforma/Sonda.h"
#include "comun/ProcesoVivo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace std::chrono_literals;

namespace {

std::optional<Sonda::Resultado> sh(const QString& guion, std::chrono::milliseconds limite = 5s)
{
    return Sonda::ejecutar(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), guion}, limite);
}

qint64 pidEn(const QString& archivo)
{
    QFile f(archivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

}

class TestSonda : public QObject {
    Q_OBJECT

private slots:
    void estadoYSalida()
    {
        auto r = sh("printf hola; echo error >&2; exit 4");
        QVERIFY(r);
        QCOMPARE(r->estado, 4);
        QCOMPARE(r->salida, QByteArray("hola"));
        QVERIFY(!Sonda::ejecutar("/no/existe", {}, 1s));
        r = sh("kill -9 $$");
        QVERIFY(r);
        QCOMPARE(r->estado, -9);
    }

    // Output is read while the child runs, so more than a pipe holds still
    // lets it exit.
    void muchaSalidaNoBloquea()
    {
        auto r = sh("head -c 300000 /dev/zero", 5s);
        QVERIFY(r);
        QCOMPARE(r->estado, 0);
        QCOMPARE(r->salida.size(), 300000);
    }

    void entradaVacia()
    {
        auto r = sh("wc -c");
        QVERIFY(r);
        QCOMPARE(r->salida.trimmed(), QByteArray("0"));
    }

    // A shell that ignores SIGTERM and its children: the whole group dies at
    // the limit and the child is reaped, not left as our zombie.
    void alLimiteMuereTodoElGrupo()
    {
        QTemporaryDir dir;
        const QString hijo = dir.filePath("hijo"), nieto = dir.filePath("nieto");
        auto r = sh(QStringLiteral("trap '' TERM; echo $$ > %1; sleep 30 & echo $! > %2; wait").arg(hijo, nieto), 300ms);
        QVERIFY(!r);
        QVERIFY(pidEn(hijo) > 0 && pidEn(nieto) > 0);
        QVERIFY(!QFile::exists(QStringLiteral("/proc/%1").arg(pidEn(hijo))));
        QTRY_VERIFY_WITH_TIMEOUT(!procesoVivo(pidEn(nieto)), 2000);
    }

    // A grandchild holding the pipe open does not keep the probe waiting.
    void nietoConLaTuberiaAbierta()
    {
        QTemporaryDir dir;
        const QString nieto = dir.filePath("nieto");
        QElapsedTimer t;
        t.start();
        auto r = sh(QStringLiteral("sleep 5 & echo $! > %1; echo listo").arg(nieto), 4s);
        QVERIFY(r);
        QCOMPARE(r->salida, QByteArray("listo\n"));
        QVERIFY(t.elapsed() < 4000);
        ::kill(static_cast<pid_t>(pidEn(nieto)), SIGKILL);
    }
};

QTEST_GUILESS_MAIN(TestSonda)
#include "TestSonda.moc"
