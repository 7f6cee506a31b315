#include "comun/HogarTemporal.h"
#include "core/DetectorIA.h"

#include <QFile>
#include <QTest>

using Opcional = std::optional<QString>;
Q_DECLARE_METATYPE(Opcional)

namespace {

// A tiny fake tool: a shell script at `ruta`.
void herramienta(const QString& ruta, const QByteArray& cuerpo, bool ejecutable = true)
{
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + cuerpo + "\n");
    f.close();
    f.setPermissions(ejecutable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                : QFile::ReadOwner | QFile::WriteOwner);
}

HerramientaIA cli(const QString& comando)
{
    return {"prueba-" + comando, comando, HerramientaIA::Tipo::cli, HerramientaIA::Proveedor::openAI, {}, comando, {}};
}

const char* nombre = "zuvi-herramienta-falsa";

}

class TestDetectorIA : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    QTemporaryDir sistema;

private slots:
    void init()
    {
        QDir(hogar.ruta()).removeRecursively();
        QDir().mkpath(hogar.ruta());
        qputenv("SHELL", "/bin/sh");
        qputenv("XDG_DATA_DIRS", (sistema.path() + "/vacia").toUtf8());
    }

    void catalogo()
    {
        const auto& c = HerramientaIA::catalogo();
        QStringList ids;
        for (const auto& h : c)
            ids << h.id;
        QCOMPARE(ids, (QStringList{"claude-app", "claude-code", "codex-app", "codex-cli", "chatgpt-app"}));
        QCOMPARE(c[1].comando, Opcional("claude"));
        QCOMPARE(c[3].comando, Opcional("codex"));
        QCOMPARE(c[4].bundleIDs, QStringList{"com.openai.chat"});
        QCOMPARE(valorCrudo(c[2].proveedor), QStringLiteral("OpenAI"));
        QCOMPARE(valorCrudo(c[0].proveedor), QStringLiteral("Anthropic"));
        QCOMPARE(HerramientaIA::porId("codex-cli"), std::optional(c[3]));
    }

    void shellDeSesion_data()
    {
        QTest::addColumn<QString>("entorno");
        QTest::addColumn<QString>("passwd");
        QTest::addColumn<QString>("shell");
        QTest::newRow("bash del entorno") << "/bin/bash" << "/bin/zsh" << "/bin/bash";
        QTest::newRow("fish, passwd zsh") << "/usr/bin/fish" << "/usr/bin/zsh" << "/usr/bin/zsh";
        QTest::newRow("sin entorno") << "" << "/bin/dash" << "/bin/dash";
        QTest::newRow("ninguno posix") << "/usr/bin/fish" << "/usr/sbin/nologin" << "/bin/sh";
        QTest::newRow("relativo") << "bash" << "" << "/bin/sh";
        QTest::newRow("ksh") << "/bin/ksh" << "" << "/bin/ksh";
    }

    void shellDeSesion()
    {
        QFETCH(QString, entorno);
        QFETCH(QString, passwd);
        QTEST(DetectorIA::shellDeSesion(entorno, passwd), "shell");
    }

    void lineas_data()
    {
        QTest::addColumn<Opcional>("salida");
        QTest::addColumn<Opcional>("primera");
        QTest::addColumn<Opcional>("ultima");
        QTest::newRow("nada") << Opcional() << Opcional() << Opcional();
        QTest::newRow("vacía") << Opcional("") << Opcional() << Opcional();
        QTest::newRow("una") << Opcional("2.1.0 (Claude Code)") << Opcional("2.1.0 (Claude Code)")
                             << Opcional("2.1.0 (Claude Code)");
        QTest::newRow("varias con huecos") << Opcional("hola\n\n\n/usr/bin/x") << Opcional("hola")
                                           << Opcional("/usr/bin/x");
    }

    void lineas()
    {
        QFETCH(Opcional, salida);
        QTEST(DetectorIA::primeraLinea(salida), "primera");
        QTEST(DetectorIA::ultimaLinea(salida), "ultima");
    }

    void ejecutar_data()
    {
        QTest::addColumn<QString>("guion");
        QTest::addColumn<double>("limite");
        QTest::addColumn<Opcional>("respuesta");
        QTest::newRow("recortada") << "printf '  hola\\n\\n'" << 5.0 << Opcional("hola");
        QTest::newRow("vacía") << "true" << 5.0 << Opcional("");
        QTest::newRow("estado no cero") << "echo algo; exit 1" << 5.0 << Opcional();
        QTest::newRow("no es UTF-8") << "printf 'a\\377b'" << 5.0 << Opcional();
        QTest::newRow("acentos") << "printf 'versión ñ'" << 5.0 << Opcional("versión ñ");
        QTest::newRow("fuera de plazo") << "echo tarde; sleep 5" << 0.2 << Opcional();
        QTest::newRow("mucha salida") << "head -c 200000 /dev/zero | tr '\\0' x" << 5.0
                                      << Opcional(QString(200000, 'x'));
    }

    void ejecutar()
    {
        QFETCH(QString, guion);
        QFETCH(double, limite);
        QTEST(DetectorIA::ejecutar("/bin/sh", {"-c", guion}, limite), "respuesta");
    }

    void candidatosEnOrden()
    {
        QCOMPARE(DetectorIA::candidatosCLI("claude", "/h"),
                 (QStringList{"/h/.local/bin/claude", "/h/.claude/local/claude", "/opt/homebrew/bin/claude",
                              "/usr/local/bin/claude", "/h/.npm-global/bin/claude", "/h/.bun/bin/claude",
                              "/h/.volta/bin/claude", "/h/.cargo/bin/claude"}));
    }

    void primerCandidatoGanaYSeSaltaElNoEjecutable()
    {
        herramienta(hogar.en(".cargo/bin/") + nombre, "echo cargo 1.0");
        herramienta(hogar.en(".bun/bin/") + nombre, "echo bun 2.0");
        herramienta(hogar.en(".local/bin/") + nombre, "echo local 3.0", false);
        QDir().mkpath(hogar.en(".claude/local/") + nombre);   // a folder is not a program
        const auto d = DetectorIA::buscar(cli(nombre));
        QCOMPARE(d.ruta, Opcional(hogar.en(".bun/bin/") + nombre));
        QCOMPARE(d.version, Opcional("bun 2.0"));
        QVERIFY(d.instalada());
    }

    // The login shell's start-up files print lines of their own: only the
    // last line counts, and only when it is the path of an executable.
    void shellDeInicio_data()
    {
        QTest::addColumn<QByteArray>("perfil");
        QTest::addColumn<bool>("encontrada");
        QTest::newRow("basura antes de la ruta")
            << QByteArray("echo Bienvenida; echo /bin/sh; PATH=\"$HOME/otras:$PATH\"") << true;
        QTest::newRow("última línea sin barra")
            << QByteArray("echo /bin/sh; alias zuvi-herramienta-falsa=true; PATH=\"$HOME/otras:$PATH\"") << false;
        QTest::newRow("no está") << QByteArray("echo /bin/sh") << false;
    }

    void shellDeInicio()
    {
        QFETCH(QByteArray, perfil);
        QFile f(hogar.en(".profile"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(perfil + "\n");
        f.close();
        herramienta(hogar.en("otras/") + nombre, "echo '\n\nv9\nmás'");
        const auto d = DetectorIA::buscar(cli(nombre));
        QFETCH(bool, encontrada);
        QCOMPARE(d.ruta, encontrada ? Opcional(hogar.en("otras/") + nombre) : Opcional());
        QCOMPARE(d.version, encontrada ? Opcional("v9") : Opcional());
    }

    // Debian's stock ~/.bashrc returns at once in a shell that is not
    // interactive; a version manager puts the agent on PATH after that.
    void bashrcDeDebian()
    {
        const QByteArray perfil = "if [ -n \"$BASH_VERSION\" ]; then\n"
                                  "    if [ -f \"$HOME/.bashrc\" ]; then . \"$HOME/.bashrc\"; fi\n"
                                  "fi\n";
        const QByteArray bashrc = "case $- in\n    *i*) ;;\n      *) return;;\nesac\n"
                                  "export PATH=\"$HOME/.nvm/versions/node/bin:$PATH\"\n";
        for (const auto& [archivo, cuerpo] : {std::pair{".profile", perfil}, std::pair{".bashrc", bashrc}}) {
            QFile f(hogar.en(archivo));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(cuerpo);
        }
        qputenv("SHELL", "/bin/bash");
        herramienta(hogar.en(".nvm/versions/node/bin/") + nombre, "echo 1.0");
        const auto d = DetectorIA::buscar(cli(nombre));
        QCOMPARE(d.ruta, Opcional(hogar.en(".nvm/versions/node/bin/") + nombre));
        QCOMPARE(d.version, Opcional("1.0"));
    }

    // Five probes side by side, whatever their speed; results keep the
    // list's order. One --version hangs past its 5 s limit.
    void buscarTodoEnOrden()
    {
        herramienta(hogar.en(".local/bin/lenta"), "sleep 8; echo 1.0");
        herramienta(hogar.en(".local/bin/muda"), "exit 0");
        herramienta(hogar.en(".local/bin/falla"), "echo 1.0; exit 2");
        herramienta(hogar.en(".local/bin/buena"), "echo 'buena 4.2'; echo otra");
        const QList<HerramientaIA> lista{cli("lenta"), cli("muda"), cli("ausente-zuvi"), cli("falla"), cli("buena")};
        const auto r = DetectorIA::buscarTodo(lista);
        QCOMPARE(r.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(r[i].herramienta, lista[i]);
        const QList<bool> instaladas{r[0].instalada(), r[1].instalada(), r[2].instalada(), r[3].instalada(),
                                     r[4].instalada()};
        QCOMPARE(instaladas, (QList<bool>{true, true, false, true, true}));
        QCOMPARE(r[0].version, Opcional());
        QCOMPARE(r[1].version, Opcional());
        QCOMPARE(r[3].version, Opcional());
        QCOMPARE(r[4].version, Opcional("buena 4.2"));
    }

    void aplicacionesPorEntradaDeEscritorio()
    {
        const QString apps = hogar.en(".local/share/applications/");
        QDir().mkpath(apps);
        QFile a(apps + "claude-desktop.desktop");
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.write("[Desktop Entry]\nName=Claude\nX-AppImage-Version=0.9.3\n");
        a.close();
        QFile b(apps + "com.openai.chat.desktop");
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("[Desktop Entry]\nName=ChatGPT\n");
        b.close();
        const auto& c = HerramientaIA::catalogo();
        const auto claude = DetectorIA::buscar(c[0]);
        QCOMPARE(claude.ruta, Opcional(apps + "claude-desktop.desktop"));
        QCOMPARE(claude.version, Opcional("0.9.3"));
        const auto chat = DetectorIA::buscar(c[4]);
        QCOMPARE(chat.ruta, Opcional(apps + "com.openai.chat.desktop"));
        QCOMPARE(chat.version, Opcional());
        QVERIFY(!DetectorIA::buscar(c[2]).instalada());
    }
};

QTEST_GUILESS_MAIN(TestDetectorIA)
#include "TestDetectorIA.moc"
