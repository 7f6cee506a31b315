#include "InstaladorPrueba.h"

#include "setup/PaqueteSkills.h"

#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

namespace {

ino_t nodo(const QString& ruta)
{
    struct stat st {};
    return ::stat(QFile::encodeName(ruta).constData(), &st) == 0 ? st.st_ino : 0;
}

}

class TestInstaladorSkills : public QObject {
    Q_OBJECT

private slots:
    // Pack layout × what the destinations hold → the lists and the state.
    void comprobar_data()
    {
        QTest::addColumn<QStringList>("pack");       // files of the pack; none: no pack at all
        QTest::addColumn<QStringList>("destino");    // files under the home
        QTest::addColumn<bool>("codex");
        QTest::addColumn<QStringList>("skills");
        QTest::addColumn<QStringList>("apoyo");
        QTest::addColumn<QStringList>("faltantes");
        QTest::addColumn<bool>("apoyoFaltante");
        QTest::addColumn<QString>("estado");
        QTest::newRow("solo ocultos") << QStringList{".git/config", ".nota"} << QStringList{} << false
                                      << QStringList{} << QStringList{} << QStringList{} << false
                                      << "listo(0 skills)";
        QTest::newRow("sin paquete") << QStringList{} << QStringList{} << false << QStringList{} << QStringList{}
                                     << QStringList{} << false
                                     << "error(La app no incluye el paquete de skills.)";
        QTest::newRow("basta SKILL.md")
            << QStringList{"b/SKILL.md", "b/guia.md", "a/SKILL.md"}
            << QStringList{".claude/skills/a/SKILL.md", ".claude/skills/b/SKILL.md"} << false
            << QStringList{"a", "b"} << QStringList{} << QStringList{} << false << "listo(2 skills)";
        QTest::newRow("falta un archivo anidado del apoyo")
            << QStringList{"a/SKILL.md", "comun/x/y.txt", "comun/z.txt"}
            << QStringList{".claude/skills/a/SKILL.md", ".claude/skills/comun/z.txt"} << false
            << QStringList{"a"} << QStringList{"comun"} << QStringList{} << true << "falta";
        QTest::newRow("con Codex falta en su carpeta")
            << QStringList{"a/SKILL.md", "b/SKILL.md"}
            << QStringList{".claude/skills/a/SKILL.md", ".claude/skills/b/SKILL.md", ".codex/skills/b/SKILL.md"}
            << true << QStringList{"a", "b"} << QStringList{} << QStringList{"a"} << false << "falta";
    }
    void comprobar()
    {
        QFETCH(QStringList, pack);
        QFETCH(QStringList, destino);
        QFETCH(bool, codex);
        QFETCH(QStringList, skills);
        QFETCH(QStringList, apoyo);
        QFETCH(QStringList, faltantes);
        QFETCH(bool, apoyoFaltante);
        QFETCH(QString, estado);
        InstaladorPrueba p;
        if (pack.isEmpty())
            QDir(p.pack()).removeRecursively();
        for (const QString& f : pack)
            p.archivoPack(f);
        for (const QString& f : destino)
            p.escribir(p.hogar.en(f), "x");
        if (codex) {
            p.herramientas.instalarAgente("codex");
            const auto f = p.instalador->comprobarAgentes();
            ESPERAR(f);
        }
        p.instalador->comprobarSkills();
        QCOMPARE(p.instalador->skillsPack(), skills);
        QCOMPARE(p.instalador->carpetasApoyo(), apoyo);
        QCOMPARE(p.instalador->skillsFaltantes(), faltantes);
        QCOMPARE(p.instalador->apoyoFaltante(), apoyoFaltante);
        QCOMPARE(describir(p.instalador->estadoSkills()), estado);
    }

    // Three skills and two support folders to copy; a regular file where
    // one item's folder should go blocks it (root ignores permissions).
    void instalar_data()
    {
        QTest::addColumn<QString>("bloqueado");
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("estado");
        const QString apoyo = " (más comun, plantillas, material de apoyo)";
        QTest::newRow("todo se copia") << "" << "▸ Skills instaladas: 3 de 3" + apoyo << "listo(3 skills)";
        QTest::newRow("una skill bloqueada")
            << "b" << "▸ Skills instaladas: 2 de 3" + apoyo << "error(1 skills no se pudieron copiar)";
        QTest::newRow("un apoyo bloqueado") << "plantillas" << "▸ Skills instaladas: 3 de 3" + apoyo
                                            << "error(El material de apoyo no se pudo copiar)";
    }
    void instalar()
    {
        QFETCH(QString, bloqueado);
        QFETCH(QString, linea);
        QFETCH(QString, estado);
        InstaladorPrueba p;
        for (const char* f : {"a/SKILL.md", "b/SKILL.md", "b/ref/tabla.md", "c/SKILL.md", "comun/x/y.txt",
                              "comun/z.txt", "plantillas/p.odt"})
            p.archivoPack(f, "nuevo");
        const QString skills = p.hogar.en(".claude/skills/");
        p.escribir(skills + "comun/z.txt", "del usuario");
        if (!bloqueado.isEmpty())
            p.escribir(skills + bloqueado, "no soy una carpeta");
        p.instalador->comprobarSkills();
        QCOMPARE(describir(p.instalador->estadoSkills()), QString("falta"));

        const auto f = p.instalador->instalarSkills();
        QVERIFY(p.instalador->trabajando());
        QCOMPARE(describir(p.instalador->estadoSkills()), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->estadoSkills()), estado);
        QVERIFY(!p.instalador->trabajando());
        QCOMPARE(p.instalador->progresoSkills(), 1.0);

        const QStringList lineas = p.instalador->registro().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lineas.value(0), linea);
        if (bloqueado.isEmpty()) {
            QCOMPARE(lineas.size(), 1);
        } else {
            QCOMPARE(lineas.size(), 2);
            QVERIFY2(lineas.value(1).startsWith("  ✗ " + bloqueado + ": no se pudo crear la carpeta «"),
                     qPrintable(lineas.value(1)));
        }
        for (const char* rel : {"a/SKILL.md", "b/ref/tabla.md", "c/SKILL.md", "comun/x/y.txt", "plantillas/p.odt"})
            if (bloqueado.isEmpty() || !QString(rel).startsWith(bloqueado + '/'))
                QCOMPARE(p.leer(skills + rel), QByteArray("nuevo"));
        QCOMPARE(p.leer(skills + "comun/z.txt"), QByteArray("del usuario"));
        // The connections were re-checked after the copy.
        QVERIFY(p.instalador->conexiones().contains(Conexion::impresora));
    }

    void sinPaquete()
    {
        InstaladorPrueba p;
        QDir(p.pack()).removeRecursively();
        int cambiosTrabajando = 0;
        connect(p.instalador.get(), &Instalador::trabajandoChanged, [&] { ++cambiosTrabajando; });
        const auto f = p.instalador->instalarSkills();
        QVERIFY(f.isFinished());
        QCOMPARE(describir(p.instalador->estadoSkills()), QString("error(La app no incluye el paquete de skills.)"));
        QCOMPARE(cambiosTrabajando, 0);
        QVERIFY(!QFileInfo::exists(p.hogar.en(".claude/skills")));
    }

    // The launch refresh rewrites changed top-level files of our own skills
    // in folders that exist, and nothing else.
    void actualizarPropias()
    {
        HogarTemporal hogar;
        const QString pack = hogar.en("pack");
        InstaladorPrueba::escribir(pack + "/zuvi-ia-x/SKILL.md", "nueva");
        InstaladorPrueba::escribir(pack + "/zuvi-ia-x/igual.md", "igual");
        InstaladorPrueba::escribir(pack + "/zuvi-ia-x/ref/anidada.md", "nueva");
        InstaladorPrueba::escribir(pack + "/zuvi-ia-x/.oculto", "nueva");
        InstaladorPrueba::escribir(pack + "/otra/SKILL.md", "nueva");
        const QString claude = hogar.en(".claude/skills/zuvi-ia-x/");
        InstaladorPrueba::escribir(claude + "SKILL.md", "vieja");
        InstaladorPrueba::escribir(claude + "igual.md", "igual");
        InstaladorPrueba::escribir(claude + "ref/anidada.md", "vieja");
        const ino_t antes = nodo(claude + "igual.md");

        PaqueteSkills::actualizarPropias(pack, hogar.ruta());
        QCOMPARE(InstaladorPrueba::leer(claude + "SKILL.md"), QByteArray("nueva"));
        QCOMPARE(InstaladorPrueba::leer(claude + "ref/anidada.md"), QByteArray("vieja"));
        QCOMPARE(nodo(claude + "igual.md"), antes);
        QVERIFY(!QFileInfo::exists(claude + ".oculto"));
        QVERIFY(!QFileInfo::exists(hogar.en(".claude/skills/otra")));
        QVERIFY(!QFileInfo::exists(hogar.en(".codex")));

        HogarTemporal vacio;
        PaqueteSkills::actualizarPropias(pack, vacio.ruta());
        QCOMPARE(QDir(vacio.ruta()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{".config"});
    }

    // The pack the application ships holds the skills the connections
    // need, each one loadable by the agents, and the launch refresh
    // brings all of them into an agent's existing skills folder.
    void paqueteDeLaApp()
    {
        HogarTemporal hogar;
        const QString pack = Carpetas::recursos() + "/SkillsPack";
        const PaqueteSkills::Contenido c = PaqueteSkills::listar(pack);
        for (const char* necesaria : {"zuvi-ia-control-mac", "zuvi-ia-office", "zuvi-ia-impresion-3d"})
            QVERIFY2(c.skills.contains(necesaria), necesaria);
        static const QRegularExpression cabecera("\\A---\\nname: ([^\\n]+)\\ndescription: ([^\\n]{20,})\\n---\\n");
        for (const QString& s : c.skills) {
            const QString texto = QString::fromUtf8(InstaladorPrueba::leer(pack + '/' + s + "/SKILL.md"));
            const auto m = cabecera.match(texto);
            QVERIFY2(m.hasMatch(), qPrintable(s));
            QCOMPARE(m.captured(1), s);
        }

        QDir().mkpath(hogar.en(".codex/skills"));
        Instalador::actualizarSkillsPropias();
        for (const QString& s : c.skills)
            if (s.startsWith("zuvi-ia-"))
                QCOMPARE(InstaladorPrueba::leer(hogar.en(".codex/skills/" + s + "/SKILL.md")),
                         InstaladorPrueba::leer(pack + '/' + s + "/SKILL.md"));
        QVERIFY(!QFileInfo::exists(hogar.en(".claude")));
    }
};

QTEST_GUILESS_MAIN(TestInstaladorSkills)
#include "TestInstaladorSkills.moc"
