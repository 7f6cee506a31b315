#include "setup/EstadoPaso.h"
#include "setup/PaqueteSkills.h"
#include "setup/ScriptsInstalador.h"

#include <QTest>

using namespace std::chrono_literals;
using T = EstadoPaso::Tipo;


class TestScriptsInstalador : public QObject {
    Q_OBJECT

private slots:
    void respondioOk_data()
    {
        QTest::addColumn<QString>("salida");
        QTest::addColumn<bool>("ok");
        QTest::newRow("mayúsculas") << "OK\n" << true;
        QTest::newRow("minúsculas con punto") << "ok." << true;
        QTest::newRow("en una frase") << "Listo: Ok, aquí estoy" << true;
        QTest::newRow("dentro de token") << "Invalid token" << false;
        QTest::newRow("dentro de okay") << "okay" << false;
        QTest::newRow("dentro de bloke") << "Bloke" << false;
        QTest::newRow("con guion bajo") << "ok_listo" << false;
        QTest::newRow("vacía") << "" << false;
    }
    void respondioOk()
    {
        QFETCH(QString, salida);
        QFETCH(bool, ok);
        QCOMPARE(ScriptsInstalador::respondioOk(salida), ok);
    }

    void falloPrueba_data()
    {
        QTest::addColumn<QString>("salida");
        QTest::addColumn<bool>("agotado");
        QTest::addColumn<QString>("texto");
        QTest::newRow("sin salida") << " \n\t" << false << "No respondió. Inicia sesión primero.";
        QTest::newRow("recortada") << "\n  Please run /login  \n" << false << "Please run /login";
        QTest::newRow("las últimas 160") << QString(340, 'a') + QString(160, 'z') << false << QString(160, 'z');
        QTest::newRow("agotada") << "algo" << true << "No respondió a tiempo. Se detuvo tras 2 min sin terminar.";
    }
    void falloPrueba()
    {
        QFETCH(QString, salida);
        QFETCH(bool, agotado);
        QFETCH(QString, texto);
        QCOMPARE(ScriptsInstalador::falloPrueba(salida, agotado, 2min), texto);
    }

    // Exit status × tool detected → the agent's state and text.
    void trasInstalar_data()
    {
        QTest::addColumn<bool>("detectado");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("agotado");
        QTest::addColumn<EstadoPaso>("estado");
        const auto v = std::optional<QString>(QStringLiteral("2.1.0"));
        QTest::newRow("ok y detectado") << true << true << false << EstadoPaso::listo(v);
        QTest::newRow("falló pero detectado") << true << false << false << EstadoPaso::listo(v);
        QTest::newRow("ok sin detectar")
            << false << true << false << EstadoPaso::error("Instalado, pero no lo encuentro. Reinicia la app.");
        QTest::newRow("falló sin detectar")
            << false << false << false << EstadoPaso::error("Falló la instalación. Revisa el registro.");
        QTest::newRow("agotado") << false << false << true
                                 << EstadoPaso::error("Falló la instalación. Se detuvo tras 15 min sin terminar.");
    }
    void trasInstalar()
    {
        QFETCH(bool, detectado);
        QFETCH(bool, ok);
        QFETCH(bool, agotado);
        QFETCH(EstadoPaso, estado);
        QCOMPARE(describir(ScriptsInstalador::trasInstalar(detectado, QStringLiteral("2.1.0"), ok, agotado, 15min)),
                 describir(estado));
    }

    void refrescado_data()
    {
        QTest::addColumn<EstadoPaso>("actual");
        QTest::addColumn<EstadoPaso>("comprobado");
        QTest::addColumn<EstadoPaso>("queda");
        QTest::newRow("trabajando se mantiene") << EstadoPaso::trabajando() << EstadoPaso::falta() << EstadoPaso::trabajando();
        QTest::newRow("error ante falta") << EstadoPaso::error("x") << EstadoPaso::falta() << EstadoPaso::error("x");
        QTest::newRow("error ante listo") << EstadoPaso::error("x") << EstadoPaso::listo() << EstadoPaso::listo();
        QTest::newRow("comprobando") << EstadoPaso::comprobando() << EstadoPaso::falta() << EstadoPaso::falta();
        QTest::newRow("listo a falta") << EstadoPaso::listo("1") << EstadoPaso::falta() << EstadoPaso::falta();
    }
    void refrescado()
    {
        QFETCH(EstadoPaso, actual);
        QFETCH(EstadoPaso, comprobado);
        QFETCH(EstadoPaso, queda);
        QCOMPARE(describir(EstadoPaso::refrescado(actual, comprobado)), describir(queda));
    }

    void resultadoSkills_data()
    {
        QTest::addColumn<int>("skills");
        QTest::addColumn<int>("fallosSkills");
        QTest::addColumn<int>("fallosApoyo");
        QTest::addColumn<QStringList>("apoyo");
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("error");
        QTest::newRow("falla un apoyo")
            << 3 << 0 << 1 << QStringList{"comun", "plantillas"}
            << "▸ Skills instaladas: 3 de 3 (más comun, plantillas, material de apoyo)"
            << "El material de apoyo no se pudo copiar";
        QTest::newRow("falla una skill") << 3 << 1 << 0 << QStringList{} << "▸ Skills instaladas: 2 de 3"
                                         << "1 skills no se pudieron copiar";
        QTest::newRow("fallan ambos") << 2 << 2 << 1 << QStringList{"comun"}
                                      << "▸ Skills instaladas: 0 de 2 (más comun, material de apoyo)"
                                      << "2 skills y el material de apoyo no se pudieron copiar";
        QTest::newRow("nada que copiar") << 0 << 0 << 1 << QStringList{"comun"}
                                         << "▸ Skills instaladas: 0 de 0 (más comun, material de apoyo)"
                                         << "El material de apoyo no se pudo copiar";
    }
    void resultadoSkills()
    {
        QFETCH(int, skills);
        QFETCH(int, fallosSkills);
        QFETCH(int, fallosApoyo);
        QFETCH(QStringList, apoyo);
        QFETCH(QString, linea);
        QFETCH(QString, error);
        QCOMPARE(PaqueteSkills::lineaResultado(skills, fallosSkills, apoyo), linea);
        QCOMPARE(PaqueteSkills::textoError(fallosSkills, fallosApoyo), error);
    }

    void argumentosTerminal_data()
    {
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QStringList>("argumentos");
        QTest::newRow("debian") << "x-terminal-emulator" << QStringList{"-e", "/bin/sh", "-l"};
        QTest::newRow("gnome") << "/usr/bin/gnome-terminal" << QStringList{"--", "/bin/sh", "-l"};
        QTest::newRow("xfce") << "xfce4-terminal" << QStringList{"-x", "/bin/sh", "-l"};
        QTest::newRow("xterm") << "xterm" << QStringList{"-e", "/bin/sh", "-l"};
    }
    void argumentosTerminal()
    {
        QFETCH(QString, terminal);
        QFETCH(QStringList, argumentos);
        QCOMPARE(ScriptsInstalador::argumentosTerminal(terminal, {"/bin/sh", "-l"}), argumentos);
    }

    // A failed voice install says what the user can do: the script's own
    // last reason, the time limit, or the log.
    void falloVoz_data()
    {
        QTest::addColumn<QString>("salida");
        QTest::addColumn<bool>("agotado");
        QTest::addColumn<QString>("texto");
        const QString revisa = "No se pudo instalar. Revisa el registro.";
        QTest::newRow("sin motivo") << "Preparando Python…\nerror: Failed to fetch\n" << false << revisa;
        QTest::newRow("sin red") << "Comprobando la conexión…\ncurl: (6) Could not resolve host\n"
                                    "✗ Se necesita conexión a internet para descargar la voz natural (~8 GB).\n"
                                 << false << "Se necesita conexión a internet para descargar la voz natural (~8 GB).";
        QTest::newRow("sin espacio, sin salto final")
            << "✗ No hay espacio suficiente: la voz natural necesita unos 11 GB libres y quedan 3 GB." << false
            << "No hay espacio suficiente: la voz natural necesita unos 11 GB libres y quedan 3 GB.";
        QTest::newRow("el último motivo") << "✗ primero\nmás\n✗ segundo\n" << false << "segundo";
        QTest::newRow("una cruz dentro de una línea") << "curl: ✗ algo\n" << false << revisa;
        QTest::newRow("agotado manda") << "✗ Se necesita conexión\n" << true
                                       << "No se pudo instalar. Se detuvo tras 2 min sin terminar.";
    }
    void falloVoz()
    {
        QFETCH(QString, salida);
        QFETCH(bool, agotado);
        QTEST(ScriptsInstalador::falloVoz(salida, agotado, std::chrono::minutes(2)), "texto");
    }

    // Scripts are fixed text: no user value is ever pasted into them.
    void scriptsSinValores()
    {
        const QString home = qEnvironmentVariable("HOME");
        for (const QString& s : {ScriptsInstalador::conectarBlender(), ScriptsInstalador::instalarVoz(),
                                 ScriptsInstalador::instalarAgente(Agente::claudeCode)}) {
            QVERIFY(!s.contains(home));
            QVERIFY(!s.contains("| sh") && !s.contains("| bash"));
        }
    }
};

QTEST_GUILESS_MAIN(TestScriptsInstalador)
#include "TestScriptsInstalador.moc"
