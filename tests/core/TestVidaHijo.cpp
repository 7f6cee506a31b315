#include "core/EjecutorProceso.h"
#include "comun/ProcesoVivo.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

// The process in the middle. "simple": it starts a long child through the
// runner, prints the child's pid and waits to be killed. "guion": the child
// is a script with a background job; it prints that job's pid, and the
// middle quits as the application does once the test has seen the job run
// (a line on its standard input).
int intermedio(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable("ZUVI_PRUEBA_INTERMEDIO") == QLatin1String("guion")) {
        auto guion = EjecutorProceso::lanzar(
            QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 271 & echo $!; sleep 272")},
            QStringLiteral("/"),
            [](const QString& texto) {
                std::printf("%s", qPrintable(texto));
                std::fflush(stdout);
            },
            {}, {});
        QSocketNotifier entrada(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&entrada, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        return app.exec();
    }
    auto hijo = EjecutorProceso::lanzar(QStringLiteral("/bin/sleep"), {QStringLiteral("60")}, QStringLiteral("/"),
                                        {}, {}, {});
    std::printf("%lld\n", static_cast<long long>(hijo->pid()));
    std::fflush(stdout);
    return app.exec();
}

}

// A child never outlives the application, even one killed outright; what
// a child started goes too when the application quits.
class TestVidaHijo : public QObject {
    Q_OBJECT

private slots:
    void muereConElPadre_data()
    {
        QTest::addColumn<QString>("modo");
        QTest::newRow("hijo muerto de golpe") << "simple";
        QTest::newRow("trabajo de fondo de un guion, al salir") << "guion";
    }

    void muereConElPadre()
    {
        QFETCH(QString, modo);
        QProcess medio;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("ZUVI_PRUEBA_INTERMEDIO", modo);
        medio.setProcessEnvironment(entorno);
        medio.start(QCoreApplication::applicationFilePath());
        QVERIFY(medio.waitForReadyRead(10000));
        const pid_t hijo = pid_t(medio.readLine().trimmed().toLongLong());
        QVERIFY(hijo > 0);
        QVERIFY(procesoVivo(hijo));
        if (modo == "simple")
            medio.kill();
        else
            medio.write("\n");
        QVERIFY(medio.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!procesoVivo(hijo), 5000);
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ZUVI_PRUEBA_INTERMEDIO"))
        return intermedio(argc, argv);
    QCoreApplication app(argc, argv);
    TestVidaHijo prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "TestVidaHijo.moc"
