#include "InstaladorPrueba.h"

#include "comun/AgenteFalso.h"
#include "core/Futuros.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

QByteArray instaladorClaude(const QString& antes = {})
{
    return ("#!/bin/bash\n" + antes + "\nln -s '" + HerramientasFalsas::agente()
            + "' \"$HOME/.local/bin/claude\"\necho 'Claude Code instalado'\n")
        .toUtf8();
}

}

class TestInstaladorAgentes : public QObject {
    Q_OBJECT

private slots:
    void comprobar()
    {
        InstaladorPrueba p;
        p.herramientas.instalarAgente("claude");
        const auto f = p.instalador->comprobarAgentes();
        for (Agente a : Agentes::todos())
            QCOMPARE(describir(p.instalador->agentes().value(a)), QString("comprobando"));
        ESPERAR(f);
        const auto& e = p.instalador->agentes();
        QCOMPARE(describir(e.value(Agente::claudeCode)), QString("listo(9.9.9 (agente falso))"));
        QCOMPARE(describir(e.value(Agente::codex)), QString("falta"));
        QCOMPARE(describir(e.value(Agente::claudeApp)), QString("falta"));
        QCOMPARE(p.refrescos, 1);
    }

    // Claude Code's installer is downloaded to a file, checked, then run.
    void instalarClaude_data()
    {
        QTest::addColumn<QByteArray>("instalador");   // empty: the server has none
        QTest::addColumn<QString>("marca");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("enRegistro");
        QTest::newRow("instala") << instaladorClaude() << "" << "listo(9.9.9 (agente falso))"
                                 << "Claude Code instalado";
        QTest::newRow("descarga cortada no se ejecuta")
            << instaladorClaude("echo 'media descarga'") << "cortar-curl"
            << "error(Falló la instalación. Revisa el registro.)" << "No se pudo descargar el instalador";
        QTest::newRow("404") << QByteArray() << "" << "error(Falló la instalación. Revisa el registro.)"
                             << "curl: (22)";
        QTest::newRow("vacío") << QByteArray("") << "vacio"
                               << "error(Falló la instalación. Revisa el registro.)" << "llegó vacío";
        QTest::newRow("instala pero no aparece")
            << QByteArray("echo hecho\n") << "" << "error(Instalado, pero no lo encuentro. Reinicia la app.)"
            << "hecho";
    }
    void instalarClaude()
    {
        QFETCH(QByteArray, instalador);
        QFETCH(QString, marca);
        QFETCH(QString, estado);
        QFETCH(QString, enRegistro);
        InstaladorPrueba p;
        if (!instalador.isEmpty() || marca == "vacio")
            p.herramientas.descarga("install.sh", instalador);
        if (!marca.isEmpty())
            p.herramientas.marcar(marca);
        p.instalador->setAgentesElegidos({Agente::claudeCode});
        const auto f = p.instalador->instalarAgentes();
        QVERIFY(p.instalador->trabajando());
        QCOMPARE(describir(p.instalador->agentes().value(Agente::claudeCode)), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->agentes().value(Agente::claudeCode)), estado);
        const QString registro = p.instalador->registro();
        QVERIFY(registro.startsWith("▸ Instalando Claude Code…\n"));
        QVERIFY2(registro.contains(enRegistro), qPrintable(registro));
        QVERIFY(!registro.contains("media descarga"));
        QVERIFY(!p.instalador->trabajando());
        QCOMPARE(p.herramientas.llamadas("curl").value(0).mid(0, 2), (QStringList{"-fsSL", "-o"}));
    }

    void instalarCodex_data()
    {
        QTest::addColumn<QString>("marca");
        QTest::addColumn<QString>("estado");
        QTest::newRow("npm") << "" << "listo(9.9.9 (agente falso))";
        QTest::newRow("npm falla") << "npm-falla" << "error(Falló la instalación. Revisa el registro.)";
        QTest::newRow("npm colgado") << "colgar-npm" << "error(Falló la instalación. Se detuvo tras 8 s sin terminar.)";
    }
    void instalarCodex()
    {
        QFETCH(QString, marca);
        QFETCH(QString, estado);
        Instalador::Limites limites;
        // Only a hung run needs to meet its limit here.
        limites.agente = marca == "colgar-npm" ? 8s : 60s;
        InstaladorPrueba p(limites);
        if (!marca.isEmpty())
            p.herramientas.marcar(marca);
        p.instalador->setAgentesElegidos({Agente::codex});
        const auto f = p.instalador->instalarAgentes();
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->agentes().value(Agente::codex)), estado);
        QCOMPARE(p.herramientas.llamadas("npm").value(0),
                 (QStringList{"install", "-g", "--prefix", p.hogar.en(".local"), "@openai/codex"}));
        QCOMPARE(p.refrescos, 1);
    }

    void nadaElegidoNiPendiente()
    {
        InstaladorPrueba p;
        p.herramientas.instalarAgente("claude");
        const auto comprobado = p.instalador->comprobarAgentes();
        ESPERAR(comprobado);
        p.instalador->setAgentesElegidos({Agente::claudeCode});   // already installed
        const auto f = p.instalador->instalarAgentes();
        ESPERAR(f);
        QCOMPARE(p.instalador->registro(), QString());
        QVERIFY(p.herramientas.llamadas("curl").isEmpty());
        QCOMPARE(p.refrescos, 2);
    }

    // While a Codex install hangs, a connection's configuration ends without
    // clearing `trabajando`, and a re-check keeps the install's state; once
    // it failed, a re-check keeps its message while the tool is missing.
    void trabajosEnParalelo()
    {
        Instalador::Limites limites;
        limites.agente = 10s;
        InstaladorPrueba p(limites);
        p.herramientas.marcar("colgar-npm");
        p.instalador->setAgentesElegidos({Agente::codex});
        const auto instalando = p.instalador->instalarAgentes();
        const auto impresora = p.instalador->configurar(Conexion::impresora);
        const auto durante = p.instalador->comprobarAgentes();
        ESPERAR(impresora);
        ESPERAR(durante);
        QVERIFY(!instalando.isFinished());
        QVERIFY(p.instalador->trabajando());
        QCOMPARE(describir(p.instalador->agentes().value(Agente::codex)), QString("trabajando"));
        ESPERAR(instalando);
        QVERIFY(!p.instalador->trabajando());
        const QString fallo = "error(Falló la instalación. Se detuvo tras 10 s sin terminar.)";
        QCOMPARE(describir(p.instalador->agentes().value(Agente::codex)), fallo);
        const auto despues = p.instalador->comprobarAgentes();
        ESPERAR(despues);
        QCOMPARE(describir(p.instalador->agentes().value(Agente::codex)), fallo);
    }

    void probar_data()
    {
        QTest::addColumn<int>("agente");
        QTest::addColumn<QString>("escenario");
        QTest::addColumn<QString>("estado");
        QTest::newRow("OK") << int(Agente::claudeCode) << R"({"turnos": [[{"linea": "OK"}]]})" << "listo";
        QTest::newRow("ok de codex") << int(Agente::codex) << R"({"turnos": [[{"linea": "ok."}]]})" << "listo";
        QTest::newRow("ok dentro de token")
            << int(Agente::claudeCode) << R"({"turnos": [[{"linea": "Invalid token"}]]})" << "error(Invalid token)";
        QTest::newRow("falla con mensaje")
            << int(Agente::claudeCode) << R"({"turnos": [[{"error": "Not logged in\n"}]], "salida": 1})"
            << "error(Not logged in)";
        QTest::newRow("ok pero estado 1")
            << int(Agente::codex) << R"({"turnos": [[{"linea": "OK"}]], "salida": 1})" << "error(OK)";
        QTest::newRow("mudo") << int(Agente::claudeCode) << R"({"turnos": [[]], "salida": 1})"
                              << "error(No respondió. Inicia sesión primero.)";
        QTest::newRow("colgado") << int(Agente::codex) << R"({"turnos": [[{"atascar": true}]]})"
                                 << "error(No respondió a tiempo. Se detuvo tras 8 s sin terminar.)";
    }
    void probar()
    {
        QFETCH(int, agente);
        QFETCH(QString, escenario);
        QFETCH(QString, estado);
        Instalador::Limites limites;
        limites.prueba = escenario.contains("atascar") ? 8s : 60s;
        InstaladorPrueba p(limites);
        AgenteFalso falso(p.hogar);
        falso.escenario(escenario.toUtf8().constData());
        const Agente a = Agente(agente);
        const auto f = p.instalador->probar(a);
        QCOMPARE(describir(p.instalador->sesion().value(a)), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->sesion().value(a)), estado);
        const QStringList esperado = a == Agente::codex
            ? QStringList{"exec", "--skip-git-repo-check", "Responde solo con la palabra OK"}
            : QStringList{"-p", "Responde solo con la palabra OK"};
        QCOMPARE(falso.argv(0), esperado);
        QVERIFY(!p.instalador->trabajando());
    }

    void iniciarSesion()
    {
        InstaladorPrueba p;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", p.herramientas.bin().toUtf8() + ':' + path);
        QVERIFY(p.instalador->iniciarSesion(Agente::codex));
        QTRY_COMPARE(p.herramientas.llamadas("x-terminal-emulator").size(), 1);
        const QStringList argv = p.herramientas.llamadas("x-terminal-emulator").first();
        QCOMPARE(argv.mid(0, 1), QStringList{"-e"});
        QCOMPARE(argv.mid(2, 2), (QStringList{"-l", "-c"}));
        QVERIFY(argv.value(4).contains("\ncodex login\n"));

        qputenv("PATH", p.hogar.en("vacia").toUtf8());
        QVERIFY(!p.instalador->iniciarSesion(Agente::claudeCode));
        QVERIFY(p.instalador->registro().contains("No encontré una terminal"));
        qputenv("PATH", path);
    }
};

QTEST_GUILESS_MAIN(TestInstaladorAgentes)
#include "TestInstaladorAgentes.moc"
