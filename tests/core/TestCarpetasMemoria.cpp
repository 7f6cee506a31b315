#include "comun/HogarTemporal.h"
#include "core/CarpetasMemoria.h"
#include "core/Modelos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTest>

#include <unistd.h>

namespace {

QByteArray leer(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void escribir(const QString& ruta, const QByteArray& datos)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(datos);
}

// The link's own target, as stored.
QString destinoDelEnlace(const QString& ruta)
{
    char buffer[256] = {};
    const ssize_t n = ::readlink(QFile::encodeName(ruta).constData(), buffer, sizeof buffer - 1);
    return n < 0 ? QString() : QString::fromUtf8(buffer, n);
}

Perfil persona(const QString& nombre)
{
    return Perfil{QUuid::fromString(QStringLiteral("AAAAAAAA-0000-4000-8000-00000000000A")), nombre, {}, {}, 1};
}

const QByteArray memoriaProyecto =
    "# Memoria del proyecto\n"
    "\n"
    "Este es un proyecto de la zuvi inmersiva de IA (Zuvi IA). Todo lo que se cree para este proyecto va en esta "
    "carpeta.\n"
    "Anota aqu\xc3\xad, brevemente, lo importante: de qu\xc3\xa9 se trata, decisiones y qu\xc3\xa9 falta.\n";

const QByteArray memoriaAna =
    "# Memoria de Ana\n"
    "\n"
    "Esta es la memoria personal de **Ana** en la zuvi inmersiva de IA (Zuvi IA). Ll\xc3\xa1male por su nombre.\n"
    "Los proyectos tienen su propia carpeta; aqu\xc3\xad va solo lo que conviene recordar de esta persona.\n"
    "\n"
    "Cuando Ana te cuente algo que convenga recordar para pr\xc3\xb3ximas sesiones (sus proyectos,\n"
    "preferencias, c\xc3\xb3mo le gusta trabajar), an\xc3\xb3talo abajo de forma breve.\n"
    "\n"
    "## Lo que s\xc3\xa9 de Ana\n";

}

class TestCarpetasMemoria : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

    QString raiz() const { return hogar.en("Zuvi IA"); }

private slots:
    void init() { QDir(raiz()).removeRecursively(); }

    void raizSeCreaAlLeerla()
    {
        QVERIFY(!QFileInfo::exists(raiz()));
        QCOMPARE(CarpetasMemoria::raiz(), raiz());
        QVERIFY(QFileInfo(raiz()).isDir());
    }

    void nombreDeProyecto_data()
    {
        QTest::addColumn<QLocale>("local");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("árabe") << QLocale(QLocale::Arabic, QLocale::Egypt);
        QTest::newRow("tailandés") << QLocale(QLocale::Thai, QLocale::Thailand);
    }

    void nombreDeProyecto()
    {
        QFETCH(QLocale, local);
        const QLocale antes;
        QLocale::setDefault(local);
        const QString nombre = CarpetasMemoria::nombreProyecto(QDateTime(QDate(2025, 3, 14), QTime(21, 5, 7)));
        QLocale::setDefault(antes);
        QCOMPARE(nombre, "2025-03-14 21.05.07");
    }

    void plantillasExactas()
    {
        QCOMPARE(CarpetasMemoria::plantillaProyecto().toUtf8(), memoriaProyecto);
        QCOMPARE(CarpetasMemoria::plantillaPersona("Ana").toUtf8(), memoriaAna);
    }

    void proyectoNuevoConMemoriaYEnlace()
    {
        const QDateTime ahora(QDate(2025, 3, 14), QTime(9, 5, 7));
        const QString f = CarpetasMemoria::nuevaCarpetaProyecto(ahora);
        QCOMPARE(f, raiz() + "/Proyectos/2025-03-14 09.05.07");
        QCOMPARE(leer(f + "/CLAUDE.md"), memoriaProyecto);
        QCOMPARE(destinoDelEnlace(f + "/AGENTS.md"), "CLAUDE.md");
        QCOMPARE(leer(f + "/AGENTS.md"), memoriaProyecto);

        // the same second again: the folder is found and nothing is written
        escribir(f + "/CLAUDE.md", "editado");
        QFile::remove(f + "/AGENTS.md");
        QCOMPARE(CarpetasMemoria::nuevaCarpetaProyecto(ahora), f);
        QCOMPARE(leer(f + "/CLAUDE.md"), "editado");
        QVERIFY(!QFileInfo(f + "/AGENTS.md").isSymLink());
    }

    void carpetaDePersona()
    {
        const Perfil ana = persona("Ana");
        QCOMPARE(ana.carpeta(), raiz() + "/Personas/Ana");
        QVERIFY(!QFileInfo::exists(raiz() + "/Personas"));  // only the root is made

        QVERIFY(QDir().mkpath(raiz() + "/Ana"));  // without memory it does not count
        QCOMPARE(ana.carpeta(), raiz() + "/Personas/Ana");
        escribir(raiz() + "/Ana/CLAUDE.md", "mía");
        QCOMPARE(ana.carpeta(), raiz() + "/Ana");
        CarpetasMemoria::prepararPersona(ana);
        QCOMPARE(leer(raiz() + "/Ana/CLAUDE.md"), "mía");
        QVERIFY(!QFileInfo::exists(raiz() + "/Personas"));
    }

    void prepararPersonaDosVeces()
    {
        const Perfil ana = persona("Ana");
        CarpetasMemoria::prepararPersona(ana);
        const QString f = raiz() + "/Personas/Ana";
        QCOMPARE(leer(f + "/CLAUDE.md"), memoriaAna);
        QCOMPARE(destinoDelEnlace(f + "/AGENTS.md"), "CLAUDE.md");

        escribir(f + "/CLAUDE.md", "Le gusta el té.");
        QFile::remove(f + "/AGENTS.md");
        CarpetasMemoria::prepararPersona(ana);
        QCOMPARE(leer(f + "/CLAUDE.md"), "Le gusta el té.");
        QCOMPARE(destinoDelEnlace(f + "/AGENTS.md"), "CLAUDE.md");
    }

    void nombreInseguroUsaElId_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("vacío") << "";
        QTest::newRow("punto") << ".";
        QTest::newRow("dos puntos") << "..";
        QTest::newRow("barra") << "a/b";
        QTest::newRow("subir") << "../../fuera";
        QTest::newRow("absoluto") << "/tmp";
        QTest::newRow("largo") << QString(300, 'a');
    }

    void nombreInseguroUsaElId()
    {
        QFETCH(QString, nombre);
        // a memory file one level up must not pull the folder out of the root
        escribir(hogar.en("CLAUDE.md"), "fuera");
        const Perfil p = persona(nombre);
        const QString esperada = raiz() + "/Personas/AAAAAAAA-0000-4000-8000-00000000000A";
        QCOMPARE(p.carpeta(), esperada);
        CarpetasMemoria::prepararPersona(p);
        QCOMPARE(leer(esperada + "/CLAUDE.md"), CarpetasMemoria::plantillaPersona(nombre).toUtf8());
        QCOMPARE(leer(hogar.en("CLAUDE.md")), "fuera");
        QVERIFY(!QFileInfo::exists(hogar.en("fuera")));
    }
};

QTEST_GUILESS_MAIN(TestCarpetasMemoria)
#include "TestCarpetasMemoria.moc"
