#include "ArbolPrueba.h"
#include "ClavePrueba.h"

#include "setup/FalloActualizacion.h"
#include "setup/Sello.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Cambio = std::function<void(const QString& arbol)>;
Q_DECLARE_METATYPE(Cambio)

namespace {

using ArbolPrueba::escribir;

void nada(const QString&) {}

void reemplazarEnSello(const QString& arbol, const QByteArray& antes, const QByteArray& despues)
{
    QFile f(arbol + "/SELLO");
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray texto = f.readAll();
    f.close();
    QVERIFY(texto.contains(antes));
    escribir(f.fileName(), texto.replace(antes, despues), ArbolPrueba::lectura);
}

}

class TestSello : public QObject {
    Q_OBJECT

private slots:
    void verificar_data()
    {
        QTest::addColumn<Cambio>("cambio");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<bool>("restaurar");
        QTest::addColumn<QString>("fallo");   // empty: the tree is sound
        const QString k = ClavePrueba::publica();
        const auto modoPerdido = [](const QString& a) { QFile::setPermissions(a + "/bin/zuviia", ArbolPrueba::lectura); };

        QTest::newRow("intacto") << Cambio(nada) << k << false << QString();
        QTest::newRow("otro equipo") << Cambio([](const QString& a) {
            ArbolPrueba::sellar(a, 12, QStringLiteral("AAAAAAAAAA"));
        }) << k << false << QStringLiteral("la app nueva no está firmada por tu equipo");
        QTest::newRow("otro build") << Cambio([](const QString& a) { ArbolPrueba::sellar(a, 11); }) << k << false
                                    << QStringLiteral("build 11 en vez de 12");
        QTest::newRow("archivo de más") << Cambio([](const QString& a) {
            escribir(a + "/lib/intruso.so", "x", ArbolPrueba::lectura);
        }) << k << false << QStringLiteral("sobra «lib/intruso.so»");
        QTest::newRow("archivo que falta") << Cambio([](const QString& a) {
            QFile::remove(a + QStringLiteral("/share/zuviia/canción.txt"));
        }) << k << false << QStringLiteral("falta «share/zuviia/canción.txt»");
        QTest::newRow("un byte cambiado") << Cambio([](const QString& a) {
            escribir(a + "/bin/zuviia", "#!/bin/sh\necho zuvy\n", ArbolPrueba::ejecutable);
        }) << k << false << QStringLiteral("«bin/zuviia» cambió");
        QTest::newRow("bit de ejecución perdido") << Cambio(modoPerdido) << k << false
                                                  << QStringLiteral("«bin/zuviia» tiene el modo 0644 en vez de 0755");
        QTest::newRow("bit de ejecución restaurado") << Cambio(modoPerdido) << k << true << QString();
        QTest::newRow("enlace cambiado") << Cambio([](const QString& a) {
            QFile::remove(a + "/lib/libzuvi.so.1");
            QFile::link(QStringLiteral("../bin/zuviia"), a + "/lib/libzuvi.so.1");
        }) << k << false << QStringLiteral("«lib/libzuvi.so.1» cambió");
        QTest::newRow("enlace fuera del árbol") << Cambio([](const QString& a) {
            QFile::link(QStringLiteral("../../fuera"), a + "/lib/fuera");
        }) << k << false << QStringLiteral("el enlace «lib/fuera» sale de la carpeta");
        QTest::newRow("enlace absoluto") << Cambio([](const QString& a) {
            QFile::link(a + "/bin/zuviia", a + "/bin/absoluto");
        }) << k << false << QStringLiteral("el enlace «bin/absoluto» sale de la carpeta");
        QTest::newRow("sello retocado") << Cambio([](const QString& a) {
            reemplazarEnSello(a, "archivo\t0755", "archivo\t0777");
        }) << k << false << QStringLiteral("la firma no corresponde");
        QTest::newRow("otra clave") << Cambio(nada) << ClavePrueba::otra() << false
                                    << QStringLiteral("la firma no corresponde");
        QTest::newRow("clave inutilizable") << Cambio(nada) << ClavePrueba::inutilizable << false
                                            << QStringLiteral("la firma no corresponde");
        QTest::newRow("sin sello") << Cambio([](const QString& a) { QFile::remove(a + "/SELLO"); }) << k << false
                                   << QStringLiteral("falta SELLO");
        QTest::newRow("sello que es un enlace") << Cambio([](const QString& a) {
            QFile::rename(a + "/SELLO", a + "/../SELLO");
            QFile::link(QStringLiteral("../SELLO"), a + "/SELLO");
        }) << k << false << QStringLiteral("falta SELLO");
    }
    void verificar()
    {
        QFETCH(Cambio, cambio);
        QFETCH(QString, clave);
        QFETCH(bool, restaurar);
        QFETCH(QString, fallo);
        QTemporaryDir base;
        const QString arbol = base.filePath(QStringLiteral("ZuviIA"));
        ArbolPrueba::crear(arbol);
        ArbolPrueba::sellar(arbol);
        cambio(arbol);
        const auto modos = restaurar ? Sello::Modos::restaurar : Sello::Modos::comprobar;
        try {
            const Sello sello = Sello::verificar(arbol, clave, 12, modos);
            QVERIFY2(fallo.isEmpty(), "aceptado");
            QCOMPARE(sello.version, QStringLiteral("1.2"));
            QCOMPARE(ArbolPrueba::modo(arbol + "/bin/zuviia"), 0755);
        } catch (const FalloActualizacion& e) {
            QVERIFY2(!fallo.isEmpty() && e.mensaje().contains(fallo), qPrintable(e.mensaje()));
        }
    }

    // What a seal lists, read back exactly; lines out of their strict form
    // are refused even under a good signature.
    void leer_data()
    {
        QTest::addColumn<QByteArray>("cuerpo");
        QTest::addColumn<bool>("ok");
        const QByteArray cabecera = "equipo Q7XW2M4K9T\nversion 1.2\nbuild 12\n";
        const QByteArray sha(64, 'a');
        QTest::newRow("completo") << cabecera + "carpeta\t0755\tbin\narchivo\t0755\t" + sha + "\tbin/zuviia\nenlace\tl\tbin\n"
                                  << true;
        QTest::newRow("sin entradas") << cabecera << true;
        QTest::newRow("sin build") << QByteArray("equipo Q7XW2M4K9T\nversion 1.2\n") << false;
        QTest::newRow("build 12.0") << QByteArray("equipo Q7XW2M4K9T\nversion 1.2\nbuild 12.0\n") << false;
        QTest::newRow("build +12") << QByteArray("equipo Q7XW2M4K9T\nversion 1.2\nbuild +12\n") << false;
        QTest::newRow("modo de tres cifras") << cabecera + "carpeta\t755\tbin\n" << false;
        QTest::newRow("modo no octal") << cabecera + "carpeta\t0955\tbin\n" << false;
        QTest::newRow("sha corto") << cabecera + "archivo\t0644\t" + sha.chopped(1) + "\ta\n" << false;
        QTest::newRow("ruta con ..") << cabecera + "archivo\t0644\t" + sha + "\t../a\n" << false;
        QTest::newRow("ruta absoluta") << cabecera + "archivo\t0644\t" + sha + "\t/etc/a\n" << false;
        QTest::newRow("línea vacía") << cabecera + "\n" << false;
        QTest::newRow("tipo desconocido") << cabecera + "fifo\t0644\ta\n" << false;
    }
    void leer()
    {
        QFETCH(QByteArray, cuerpo);
        QFETCH(bool, ok);
        const QByteArray firmado = cuerpo + "firma " + Ed25519::firmar(cuerpo, ClavePrueba::secreta()).toBase64() + '\n';
        try {
            const Sello sello = Sello::leer(firmado, ClavePrueba::publica());
            QVERIFY2(ok, "aceptado");
            QCOMPARE(sello.texto(), cuerpo);
        } catch (const FalloActualizacion& e) {
            QVERIFY2(!ok, qPrintable(e.mensaje()));
        }
    }
};

QTEST_GUILESS_MAIN(TestSello)
#include "TestSello.moc"
