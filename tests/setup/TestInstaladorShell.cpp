#include "InstaladorPrueba.h"

#include "setup/ScriptsInstalador.h"

#include <QTest>

#include <signal.h>

using namespace std::chrono_literals;

class TestInstaladorShell : public QObject {
    Q_OBJECT

private slots:
    void salida_data()
    {
        QTest::addColumn<QString>("comando");
        QTest::addColumn<QStringList>("parametros");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("salida");
        QTest::newRow("salida y error en orden")
            << "printf 'uno '; sleep 0.1; printf 'dos' >&2" << QStringList{} << true << "uno dos";
        QTest::newRow("nada y 0") << ":" << QStringList{} << true << "";
        QTest::newRow("estado 3") << "echo mal; exit 3" << QStringList{} << false << "mal\n";
        QTest::newRow("parámetros intactos")
            << "printf '%s|' \"$1\" \"$2\"" << QStringList{"a b'c", "$(echo no)%\"; exit 9"} << true
            << "a b'c|$(echo no)%\"; exit 9|";
    }
    void salida()
    {
        QFETCH(QString, comando);
        QFETCH(QStringList, parametros);
        QFETCH(bool, ok);
        QFETCH(QString, salida);
        InstaladorPrueba p;
        const auto f = p.instalador->shellConSalida(comando, false, parametros);
        ESPERAR(f);
        QCOMPARE(f.result().ok, ok);
        QCOMPARE(f.result().salida, salida);
        QVERIFY(!f.result().agotado);
        QCOMPARE(p.instalador->registro(), QString());
    }

    // The login shell starts in the home folder with its tool folder first.
    void entornoDelScript_data()
    {
        filasDeHogar();
    }
    void entornoDelScript()
    {
        QFETCH(QString, hogar);
        InstaladorPrueba p({}, hogar);
        const auto f = p.instalador->shellConSalida("pwd; command -v curl", true);
        ESPERAR(f);
        const QString esperado = p.hogar.ruta() + '\n' + p.herramientas.bin() + "/curl\n";
        QCOMPARE(f.result().salida, esperado);
        QCOMPARE(p.instalador->registro(), esperado);
    }

    // A hung script is stopped with everything it started, and says so.
    void tiempoAgotado()
    {
        InstaladorPrueba p;
        const auto f = p.instalador->shellConSalida("sleep 300 & echo $! > \"$HOME/nieto\"; wait", true, {}, 1s);
        ESPERAR(f);
        QVERIFY(f.result().agotado);
        QVERIFY(!f.result().ok);
        QVERIFY(p.instalador->registro().endsWith("  ✗ Se detuvo tras 1 s sin terminar.\n"));
        const pid_t nieto = p.leer(p.hogar.en("nieto")).trimmed().toInt();
        QVERIFY(nieto > 0);
        QTRY_VERIFY(::kill(nieto, 0) != 0);
    }

    // Whatever way a script ends, nothing it started is left running and
    // its temporary folder is gone.
    void nadaQuedaDetras_data()
    {
        QTest::addColumn<QString>("fin");
        QTest::newRow("termina solo") << "termina";
        QTest::newRow("tiempo agotado") << "agotado";
        QTest::newRow("la aplicación sale") << "salida";
    }
    void nadaQuedaDetras()
    {
        QFETCH(QString, fin);
        InstaladorPrueba p;
        const QString resto = fin == "termina" ? "exit 0" : "sleep 272";
        const auto f = p.instalador->shellConSalida("d=\"$(mktemp -d)\"; echo \"$d\"; sleep 271 & echo $!; " + resto,
                                                    true, {}, fin == "agotado" ? 1s : 60s);
        QTRY_COMPARE_WITH_TIMEOUT(p.instalador->registro().count('\n'), 2, 10000);
        const QStringList lineas = p.instalador->registro().split('\n');
        const QString carpeta = lineas[0];
        const pid_t nieto = pid_t(lineas[1].toLongLong());
        QVERIFY(nieto > 0);
        QVERIFY(!carpeta.startsWith(p.hogar.ruta()));
        QVERIFY(carpeta.startsWith(QDir::tempPath() + "/zuviia-instalador-"));
        if (fin == "salida")
            p.instalador.reset();
        else
            ESPERAR(f);
        QTRY_VERIFY(::kill(nieto, 0) != 0);
        QVERIFY(!QFileInfo::exists(carpeta));
    }

    void shellQueNoArranca()
    {
        InstaladorPrueba p;
        Instalador sinCarpeta(p.ajustes, Reloj::sistema(), *p.voz, p.permisos, p.recursos(),
                              p.hogar.en("no-existe"), {});
        const auto f = sinCarpeta.shellConSalida("echo hola", true);
        QVERIFY(f.isFinished());
        QVERIFY(!f.result().ok);
        QCOMPARE(f.result().salida, QString());
        QCOMPARE(sinCarpeta.registro(), QString());
    }

    void comprobarVoz_data()
    {
        QTest::addColumn<bool>("python");
        QTest::addColumn<bool>("marca");
        QTest::addColumn<EstadoPaso>("antes");
        QTest::addColumn<QString>("estado");
        QTest::newRow("instalada, arrancando")
            << true << true << EstadoPaso::comprobando() << "listo(Instalada, cargando…)";
        QTest::newRow("sin marca: a medias") << true << false << EstadoPaso::comprobando() << "falta(Voz básica (espeak-ng))";
        QTest::newRow("no instalada") << false << false << EstadoPaso::comprobando() << "falta(Voz básica (espeak-ng))";
        QTest::newRow("el fallo sigue a la vista")
            << true << false << EstadoPaso::error("No se pudo instalar. Revisa el registro.")
            << "error(No se pudo instalar. Revisa el registro.)";
        QTest::newRow("una instalación en curso sigue") << false << false << EstadoPaso::trabajando() << "trabajando";
    }
    void comprobarVoz()
    {
        QFETCH(bool, python);
        QFETCH(bool, marca);
        QFETCH(EstadoPaso, antes);
        QFETCH(QString, estado);
        InstaladorPrueba p;
        if (python) {
            p.escribir(VozNeural::carpeta() + "/.venv/bin/python", "#!/bin/sh\nexit 1\n");
            QFile::setPermissions(VozNeural::carpeta() + "/.venv/bin/python", QFile::ReadOwner | QFile::ExeOwner);
        }
        if (marca)
            p.escribir(VozNeural::carpeta() + '/' + VozNeural::marcaInstalada, {});
        p.instalador->setEstadoVoz(antes);
        const auto f = p.instalador->comprobarTodo();
        QCOMPARE(describir(p.instalador->estadoVoz()), estado);
        ESPERAR(f);
    }
};

QTEST_GUILESS_MAIN(TestInstaladorShell)
#include "TestInstaladorShell.moc"
