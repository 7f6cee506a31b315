#include "InstaladorPrueba.h"

#include "setup/ScriptsInstalador.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// The MCP servers the fake agents registered, per program.
QJsonObject servidoresMcp(const InstaladorPrueba& p, const QString& programa)
{
    return QJsonDocument::fromJson(p.leer(p.hogar.en(".agente-falso-mcp.json"))).object().value(programa).toObject();
}

}

class TestInstaladorConexiones : public QObject {
    Q_OBJECT

private slots:
    // What is installed and granted → each connection's state and what it found.
    void estados_data()
    {
        QTest::addColumn<int>("conexion");
        QTest::addColumn<QStringList>("entradas");   // "file.desktop=Name"
        QTest::addColumn<QStringList>("skills");     // installed for Claude Code
        QTest::addColumn<bool>("permisos");
        QTest::addColumn<bool>("blender");           // a blender program on PATH
        QTest::addColumn<bool>("mcp");               // Claude Code knows a "blender" server
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QStringList>("apps");
        QTest::addColumn<QStringList>("faltaMac");
        const int mac = int(Conexion::mac), office = int(Conexion::office), blender = int(Conexion::blender),
                  impresora = int(Conexion::impresora);
        QTest::newRow("control: todo") << mac << QStringList{} << QStringList{"zuvi-ia-control-mac"} << true << false
                                       << false << "listo" << QStringList{} << QStringList{};
        QTest::newRow("control: falta la skill") << mac << QStringList{} << QStringList{} << true << false << false
                                                 << "falta" << QStringList{} << QStringList{"skill de control"};
        QTest::newRow("control: Wayland")
            << mac << QStringList{} << QStringList{"zuvi-ia-control-mac"} << false << false << false
            << "listo(Limitado en Wayland)" << QStringList{} << QStringList{"Accesibilidad", "Grabación de pantalla"};
        QTest::newRow("control: Wayland sin la skill")
            << mac << QStringList{} << QStringList{} << false << false << false << "falta" << QStringList{}
            << QStringList{"Accesibilidad", "Grabación de pantalla", "skill de control"};
        QTest::newRow("sin LibreOffice") << office << QStringList{} << QStringList{"zuvi-ia-office"} << true << false
                                         << false << "error(LibreOffice no está instalado)" << QStringList{}
                                         << QStringList{};
        QTest::newRow("solo Calc") << office << QStringList{"libreoffice-calc.desktop=LibreOffice Calc"}
                                   << QStringList{"zuvi-ia-office"} << true << false << false << "listo"
                                   << QStringList{"LibreOffice Calc"} << QStringList{};
        QTest::newRow("flatpak sin skill")
            << office << QStringList{"org.libreoffice.LibreOffice.writer.desktop=LibreOffice Writer"}
            << QStringList{} << true << false << false << "falta" << QStringList{"LibreOffice Writer"}
            << QStringList{};
        QTest::newRow("sin laminador") << impresora << QStringList{} << QStringList{"zuvi-ia-impresion-3d"} << true
                                       << false << false
                                       << "error(No hay laminador (Bambu Studio, Orca, Prusa o Cura))"
                                       << QStringList{} << QStringList{};
        QTest::newRow("dos laminadores")
            << impresora << QStringList{"cura.desktop=Ultimaker Cura", "PrusaSlicer.desktop=PrusaSlicer"}
            << QStringList{"zuvi-ia-impresion-3d"} << true << false << false << "listo"
            << QStringList{"PrusaSlicer", "Ultimaker Cura"} << QStringList{};
        QTest::newRow("sin Blender") << blender << QStringList{} << QStringList{} << true << false << false
                                     << "error(Blender no está instalado)" << QStringList{} << QStringList{};
        QTest::newRow("Blender sin registrar") << blender << QStringList{} << QStringList{} << true << true << false
                                               << "falta" << QStringList{"Blender"} << QStringList{};
        QTest::newRow("Blender del escritorio registrado")
            << blender << QStringList{"org.blender.Blender.desktop=Blender"} << QStringList{} << true << false << true
            << "listo" << QStringList{"Blender"} << QStringList{};
    }
    void estados()
    {
        QFETCH(int, conexion);
        QFETCH(QStringList, entradas);
        QFETCH(QStringList, skills);
        QFETCH(bool, permisos);
        QFETCH(bool, blender);
        QFETCH(bool, mcp);
        QFETCH(QString, estado);
        QFETCH(QStringList, apps);
        QFETCH(QStringList, faltaMac);
        InstaladorPrueba p;
        for (const QString& e : entradas)
            p.entrada(e.section('=', 0, 0), e.section('=', 1));
        for (const QString& s : skills)
            p.escribir(p.hogar.en(".claude/skills/" + s + "/SKILL.md"), "x");
        p.permisos.acceso = p.permisos.pantalla = permisos;
        if (!blender)
            p.herramientas.quitar("blender");
        p.herramientas.instalarAgente("claude");
        if (mcp)
            p.escribir(p.hogar.en(".agente-falso-mcp.json"), R"({"claude": {"blender": ["uv"]}})");

        const auto f = p.instalador->comprobarConexiones();
        ESPERAR(f);
        const Conexion c = Conexion(conexion);
        QCOMPARE(describir(p.instalador->conexiones().value(c)), estado);
        QCOMPARE(p.instalador->appsConexion().value(c), apps);
        if (c == Conexion::mac)
            QCOMPARE(p.instalador->faltaMac(), faltaMac);
        QCOMPARE(p.instalador->conexiones().size(), Conexiones::todas().size());
    }

    // Connecting Blender in a home whose path would break a pasted script:
    // the add-on is fetched at a fixed tag, copied without caches, and the
    // server registered in both agents; an unusable Blender registers
    // nothing and says why.
    void conectarBlender_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("sinUsuario");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("enRegistro");
        QTest::newRow("4.2") << "4.2.3" << false << "listo" << "Blender conectado.";
        QTest::newRow("4.1 no sirve") << "4.1.1" << false
                                      << "error(No se pudo conectar Blender. Revisa el registro.)"
                                      << "Blender 4.1 no sirve: el complemento necesita Blender 4.2 o posterior.";
        QTest::newRow("sin carpeta de usuario")
            << "4.2.3" << true << "error(No se pudo conectar Blender. Revisa el registro.)"
            << "Blender no dijo cuál es su carpeta de usuario";
    }
    void conectarBlender()
    {
        QFETCH(QString, version);
        QFETCH(bool, sinUsuario);
        QFETCH(QString, estado);
        QFETCH(QString, enRegistro);
        InstaladorPrueba p({}, hogarRaro);
        p.herramientas.instalarAgente("claude");
        p.herramientas.instalarAgente("codex");
        p.herramientas.marcar("blender-version", version.toUtf8());
        if (sinUsuario)
            p.herramientas.marcar("blender-sin-usuario");
        p.instalador->comprobarSkills();
        const auto comprobado = p.instalador->comprobarConexiones();
        ESPERAR(comprobado);
        QCOMPARE(describir(p.instalador->conexiones().value(Conexion::blender)), QString("falta"));

        const auto f = p.instalador->configurar(Conexion::blender);
        QCOMPARE(describir(p.instalador->conexiones().value(Conexion::blender)), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->conexiones().value(Conexion::blender)), estado);
        QVERIFY(!p.instalador->trabajando());
        const QString registro = p.instalador->registro();
        QVERIFY(registro.startsWith("▸ Conectando Blender (Blender Lab MCP)…\n"));
        QVERIFY2(registro.contains(enRegistro), qPrintable(registro));

        const QString mcp = p.hogar.en("blender_mcp");
        QCOMPARE(p.herramientas.llamadas("git").value(0),
                 (QStringList{"clone", "--depth", "1", "--branch", ScriptsInstalador::etiquetaBlenderMcp,
                              ScriptsInstalador::repositorioBlenderMcp, mcp}));
        const QString complemento = p.hogar.en(".config/blender/4.2/extensions/user_default/mcp");
        const QJsonArray servidor{"uv", "--directory", mcp + "/mcp", "run", "blender-mcp"};
        if (estado == "listo") {
            QVERIFY(QFileInfo::exists(complemento + "/__init__.py"));
            QVERIFY(!QFileInfo::exists(complemento + "/__pycache__"));
            QCOMPARE(servidoresMcp(p, "claude").value("blender").toArray(), servidor);
            QCOMPARE(servidoresMcp(p, "codex").value("blender").toArray(), servidor);
        } else {
            QVERIFY(!QFileInfo::exists(complemento));
            QVERIFY(servidoresMcp(p, "claude").isEmpty());
        }
    }

    // Configuring a connection while skills are missing copies every
    // missing skill first, then checks the connection again.
    void configurarCopiaSkillsPrimero()
    {
        InstaladorPrueba p;
        p.archivoPack("zuvi-ia-impresion-3d/SKILL.md");
        p.archivoPack("zuvi-ia-office/SKILL.md");
        p.entrada("PrusaSlicer.desktop", "PrusaSlicer");
        p.instalador->comprobarSkills();
        const auto comprobado = p.instalador->comprobarConexiones();
        ESPERAR(comprobado);
        QCOMPARE(describir(p.instalador->conexiones().value(Conexion::impresora)), QString("falta"));

        const auto f = p.instalador->configurar(Conexion::impresora);
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->conexiones().value(Conexion::impresora)), QString("listo"));
        QCOMPARE(describir(p.instalador->estadoSkills()), QString("listo(2 skills)"));
        QVERIFY(QFileInfo::exists(p.hogar.en(".claude/skills/zuvi-ia-office/SKILL.md")));
        QVERIFY(!p.instalador->trabajando());
    }
};

QTEST_GUILESS_MAIN(TestInstaladorConexiones)
#include "TestInstaladorConexiones.moc"
