#include "comun/HogarTemporal.h"
#include "core/InicioSesion.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/EntradaEscritorio.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

// Reads an Exec value back the way a desktop does: string escapes first,
// then the quoting, then the field codes ("%%" is "%", others expand to
// nothing here). An unquoted reserved character makes the line invalid
// (empty list). Written from the Desktop Entry rules, not from the writer,
// so the two can disagree.
QStringList argumentosExec(const QString& valor)
{
    QString texto;
    for (qsizetype i = 0; i < valor.size(); ++i) {
        const QChar c = valor[i];
        if (c != '\\' || i + 1 == valor.size()) {
            texto += c;
            continue;
        }
        const QChar s = valor[++i];
        texto += s == 's' ? QChar(' ') : s == 'n' ? QChar('\n') : s == 't' ? QChar('\t') : s == 'r' ? QChar('\r') : s;
    }
    QStringList argumentos;
    QString actual;
    bool hay = false, citado = false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (citado && c == '\\' && i + 1 < texto.size() && QString("\"`$\\").contains(texto[i + 1])) {
            actual += texto[++i];
        } else if (c == '"') {
            citado = !citado;
            hay = true;
        } else if (!citado && QString("\t\n'\\><~|&;$*?#()`").contains(c)) {
            return {};
        } else if (!citado && c == ' ') {
            if (hay)
                argumentos << actual;
            actual.clear();
            hay = false;
        } else {
            actual += c;
            hay = true;
        }
    }
    if (hay)
        argumentos << actual;
    for (QString& a : argumentos) {
        QString sinCodigos;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i] != '%')
                sinCodigos += a[i];
            else if (++i < a.size() && a[i] == '%')
                sinCodigos += '%';
        }
        a = sinCodigos;
    }
    return argumentos;
}

// A program that leaves a mark when it runs, at a path chosen by the test.
void programa(const QString& ruta, const QString& marca)
{
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\ntouch '" + marca.toUtf8() + "'\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void escribir(const QString& ruta, const QByteArray& contenido)
{
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenido);
}

QString registro()
{
    Registro::vaciar();
    QFile f(Registro::archivo());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}

class TestInicioSesion : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

    QString autostart() const { return hogar.en(".config/autostart"); }

private slots:
    void init()
    {
        QDir(hogar.en(".config")).removeRecursively();
        QDir().mkpath(hogar.en(".config"));
    }

    void archivoEnLaCarpetaAutostart()
    {
        QCOMPARE(InicioSesion::archivo(), autostart() + "/cl.norp.ZuviIA.desktop");
    }

    // The entry must start the very program it names, whatever its path.
    void laEntradaArrancaElPrograma_data()
    {
        QTest::addColumn<QString>("carpeta");
        QTest::newRow("espacio") << "Mis programas";
        QTest::newRow("comillas") << "a\"b'c";
        QTest::newRow("dólar") << "pre$HOME";
        QTest::newRow("barra inversa") << "a\\b\\\\c";
        QTest::newRow("porcentaje") << "100%u";
        QTest::newRow("todo junto") << "Año $x \"y\" `z` 5% \\";
    }

    void laEntradaArrancaElPrograma()
    {
        QFETCH(QString, carpeta);
        const QString exe = hogar.en("apps/" + carpeta + "/zuviia");
        const QString marca = hogar.en("arrancado");
        QFile::remove(marca);
        programa(exe, marca);

        InicioSesion::activar(true, exe);
        QVERIFY(InicioSesion::activo());
        const auto claves = EntradaEscritorio::leerArchivo(InicioSesion::archivo());
        QVERIFY(claves);
        QCOMPARE(claves->value("Type"), QStringLiteral("Application"));
        const QStringList argumentos = argumentosExec(claves->value("Exec"));
        QCOMPARE(argumentos, QStringList{exe});

        QCOMPARE(QProcess::execute(argumentos.first(), {}), 0);
        QVERIFY(QFile::exists(marca));
    }

    void activo_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("activo");
        QTest::newRow("sin entrada") << QByteArray() << false;
        QTest::newRow("nuestra") << InicioSesion::entrada("/usr/bin/zuviia").toUtf8() << true;
        QTest::newRow("oculta") << QByteArray("[Desktop Entry]\nExec=zuviia\nHidden=true\n") << false;
        QTest::newRow("desactivada") << QByteArray("[Desktop Entry]\nExec=zuviia\nX-GNOME-Autostart-enabled=false\n")
                                     << false;
    }

    void activo()
    {
        QFETCH(QByteArray, contenido);
        if (!contenido.isEmpty())
            escribir(InicioSesion::archivo(), contenido);
        QTEST(InicioSesion::activo(), "activo");
    }

    void activarYaActivoNoTocaElArchivo()
    {
        InicioSesion::activar(true, "/usr/bin/zuviia");
        const QDateTime antes = QDateTime::currentDateTime().addDays(-3);
        QFile f(InicioSesion::archivo());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(antes, QFileDevice::FileModificationTime));
        f.close();

        InicioSesion::activar(true, "/usr/bin/zuviia");
        QCOMPARE(QFileInfo(InicioSesion::archivo()).lastModified(), antes);

        // A hidden or stale entry is not ours: it is rewritten.
        escribir(InicioSesion::archivo(), "[Desktop Entry]\nExec=/viejo/zuviia\nHidden=true\n");
        InicioSesion::activar(true, "/usr/bin/zuviia");
        QVERIFY(InicioSesion::activo());
        QCOMPARE(argumentosExec(EntradaEscritorio::leerArchivo(InicioSesion::archivo())->value("Exec")),
                 QStringList{"/usr/bin/zuviia"});
    }

    void desactivar()
    {
        // Already off, not even the folder there: still a success.
        InicioSesion::activar(false, "/usr/bin/zuviia");
        QVERIFY(!QFileInfo::exists(autostart()));

        InicioSesion::activar(true, "/usr/bin/zuviia");
        InicioSesion::activar(false, "/usr/bin/zuviia");
        QVERIFY(!QFileInfo::exists(InicioSesion::archivo()));
        QVERIFY(!InicioSesion::activo());
        InicioSesion::activar(false, "/usr/bin/zuviia");
    }

    // Root ignores file modes, so the failures come from a folder standing
    // where a file must go, and the other way round.
    void fallosConMensaje_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("estorbo");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("carpeta autostart es un archivo")
            << true << "archivo" << "No se pudo activar el inicio con la sesión: no se pudo crear la carpeta";
        QTest::newRow("la entrada es una carpeta al activar")
            << true << "carpeta" << "No se pudo activar el inicio con la sesión: ";
        QTest::newRow("la entrada es una carpeta al desactivar")
            << false << "carpeta" << "No se pudo desactivar el inicio con la sesión: ";
    }

    void fallosConMensaje()
    {
        QFETCH(bool, on);
        QFETCH(QString, estorbo);
        QFETCH(QString, mensaje);
        if (estorbo == "archivo")
            escribir(autostart(), "x");
        else
            QVERIFY(QDir().mkpath(InicioSesion::archivo() + "/dentro"));
        try {
            InicioSesion::activar(on, "/usr/bin/zuviia");
            QFAIL("no falló");
        } catch (const InicioSesion::ErrorInicioSesion& e) {
            QVERIFY2(e.mensaje().startsWith(mensaje), qPrintable(e.mensaje()));
        }
    }

    void activarPorDefecto_data()
    {
        QTest::addColumn<QVariant>("propuesto");
        QTest::addColumn<bool>("instalado");
        QTest::addColumn<QVariant>("despues");
        QTest::addColumn<bool>("activo");
        QTest::newRow("primera vez instalado") << QVariant() << true << QVariant(true) << true;
        QTest::newRow("desde una compilación") << QVariant() << false << QVariant() << false;
        QTest::newRow("ya propuesto y apagado luego") << QVariant(true) << true << QVariant(true) << false;
        QTest::newRow("cualquier valor cuenta") << QVariant("no") << true << QVariant("no") << false;
    }

    void activarPorDefecto()
    {
        QFETCH(QVariant, propuesto);
        QFETCH(bool, instalado);
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        if (propuesto.isValid())
            ajustes.escribir(InicioSesion::clavePropuesto, propuesto);

        InicioSesion::activarPorDefecto(ajustes, instalado, "/opt/Zuvi IA/bin/zuviia");
        QTEST(ajustes.valor(InicioSesion::clavePropuesto), "despues");
        QTEST(InicioSesion::activo(), "activo");
    }

    void compilacionYLuegoInstalado()
    {
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        InicioSesion::activarPorDefecto(ajustes, false, "/build/zuviia");
        QVERIFY(!ajustes.contiene(InicioSesion::clavePropuesto));
        InicioSesion::activarPorDefecto(ajustes, true, "/usr/bin/zuviia");
        QVERIFY(InicioSesion::activo());
        QCOMPARE(ajustes.valor(InicioSesion::clavePropuesto), QVariant(true));
    }

    void porDefectoAnotaElFalloYNoReintenta()
    {
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        escribir(autostart(), "x");
        InicioSesion::activarPorDefecto(ajustes, true, "/usr/bin/zuviia");
        QCOMPARE(ajustes.valor(InicioSesion::clavePropuesto), QVariant(true));
        QVERIFY(registro().contains("No se pudo activar el inicio con la sesión"));

        QFile::remove(autostart());
        InicioSesion::activarPorDefecto(ajustes, true, "/usr/bin/zuviia");
        QVERIFY(!InicioSesion::activo());
    }
};

QTEST_GUILESS_MAIN(TestInicioSesion)
#include "TestInicioSesion.moc"
