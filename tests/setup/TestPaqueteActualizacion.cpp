#include "ArbolPrueba.h"
#include "ClavePrueba.h"
#include "ZipPrueba.h"

#include "EscritorZip.h"
#include "Publicacion.h"

#include "setup/Desempaquetador.h"
#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"
#include "setup/Manifiesto.h"
#include "setup/PaqueteActualizacion.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using E = EscritorZip::Entrada;
using T = EscritorZip::Entrada::Tipo;
// Builds a zip given the folder outside the unpack folder, for entries
// that aim at it.
using Fixture = std::function<QByteArray(const QString& afuera)>;
Q_DECLARE_METATYPE(Fixture)

namespace {

using ArbolPrueba::leer;

QByteArray zip(const QList<E>& entradas) { return EscritorZip::escribir(entradas); }

QStringList contenido(const QString& carpeta)
{
    QStringList r;
    QDirIterator it(carpeta, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        r << it.next().mid(carpeta.size() + 1);
    r.sort();
    return r;
}

Manifiesto manifiestoDe(const QByteArray& archivo, qint64 build = 12)
{
    Manifiesto m{QStringLiteral("1.2"), build, QUrl(QStringLiteral("https://zuvi.example/ZuviIA.zip")),
                 QString::fromLatin1(QCryptographicHash::hash(archivo, QCryptographicHash::Sha256).toHex()), {}, {}};
    m.firma = FirmaActualizacion::firmar(m, ClavePrueba::secreta());
    return m;
}

// A sealed sample tree, published with the fixed-seed key; the zip's bytes.
QByteArray publicado(const QString& base)
{
    const QString arbol = base + "/construido/ZuviIA";
    ArbolPrueba::crear(arbol);
    const Publicacion::Pedido p{arbol, ClavePrueba::secreta(), QStringLiteral("1.2"), 12,
                                QUrl(QStringLiteral("https://zuvi.example/ZuviIA.zip")), std::nullopt, base + "/salida"};
    return leer(Publicacion::publicar(p).zip);
}

QStringList carpetasDeActualizacion(const QString& padre)
{
    return QDir(padre).entryList({QStringLiteral("ZuviIA-act-*")}, QDir::Dirs | QDir::Hidden);
}

}

class TestPaqueteActualizacion : public QObject {
    Q_OBJECT

private slots:
    void rechazaLoQueSaleDeLaCarpeta_data()
    {
        QTest::addColumn<Fixture>("fixture");
        QTest::addColumn<QString>("motivo");
        const E top{QStringLiteral("ZuviIA/"), T::carpeta, 0755, {}};
        QTest::newRow("../x") << Fixture([](const QString&) {
            return zip({{QStringLiteral("../x"), T::archivo, 0644, "fuera"}});
        }) << QStringLiteral("«../x» sale de la carpeta");
        QTest::newRow("dentro y luego ..") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("ZuviIA/../../x"), T::archivo, 0644, "fuera"}});
        }) << QStringLiteral("sale de la carpeta");
        QTest::newRow("ruta absoluta") << Fixture([](const QString& afuera) {
            return zip({{afuera + "/x", T::archivo, 0644, "fuera"}});
        }) << QStringLiteral("sale de la carpeta");
        QTest::newRow("enlace a /etc/passwd") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("ZuviIA/passwd"), T::enlace, 0777, "/etc/passwd"}});
        }) << QStringLiteral("el enlace «ZuviIA/passwd» sale de la carpeta");
        QTest::newRow("enlace a ../../..") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("ZuviIA/arriba"), T::enlace, 0777, "../../.."}});
        }) << QStringLiteral("el enlace «ZuviIA/arriba» sale de la carpeta");
        QTest::newRow("enlace a la carpeta vecina") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("Otra/"), T::carpeta, 0755, {}},
                        {QStringLiteral("ZuviIA/vecina"), T::enlace, 0777, "../Otra"}});
        }) << QStringLiteral("el enlace «ZuviIA/vecina» sale de la carpeta");
        // Each link alone stays inside; the second makes the first lead out.
        QTest::newRow("cadena de enlaces") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("ZuviIA/lib/"), T::carpeta, 0755, {}},
                        {QStringLiteral("ZuviIA/a"), T::enlace, 0777, "lib/b/.."},
                        {QStringLiteral("ZuviIA/lib/b"), T::enlace, 0777, ".."}});
        }) << QStringLiteral("sale de la carpeta");
        QTest::newRow("escribir a través de un enlace") << Fixture([top](const QString& afuera) {
            return zip({top, {QStringLiteral("ZuviIA/d"), T::enlace, 0777, afuera.toUtf8()},
                        {QStringLiteral("ZuviIA/d/x"), T::archivo, 0644, "fuera"}});
        }) << QStringLiteral("sale de la carpeta");
        QTest::newRow("dispositivo") << Fixture([top](const QString&) {
            return ZipPrueba::conModo(zip({top, {QStringLiteral("ZuviIA/tty"), T::archivo, 0644, {}}}), "ZuviIA/tty",
                                      0020644);
        }) << QStringLiteral("«ZuviIA/tty» no es un archivo, una carpeta ni un enlace");
        QTest::newRow("ruta repetida") << Fixture([top](const QString&) {
            return zip({top, {QStringLiteral("ZuviIA/a"), T::archivo, 0644, "uno"},
                        {QStringLiteral("ZuviIA/a"), T::archivo, 0644, "dos"}});
        }) << QStringLiteral("«ZuviIA/a» está repetido");
        QTest::newRow("no es un zip") << Fixture([](const QString&) { return QByteArray("<html>404</html>"); })
                                      << QStringLiteral("no es un zip");
    }
    void rechazaLoQueSaleDeLaCarpeta()
    {
        QFETCH(Fixture, fixture);
        QFETCH(QString, motivo);
        QTemporaryDir base;
        const QString afuera = base.filePath(QStringLiteral("afuera"));
        const QString destino = base.filePath(QStringLiteral("destino"));
        QVERIFY(QDir().mkpath(afuera) && QDir().mkpath(destino));
        try {
            Desempaquetador::desempaquetar(fixture(afuera), destino);
            QFAIL("aceptado");
        } catch (const FalloActualizacion& e) {
            QVERIFY2(e.mensaje().contains(motivo), qPrintable(e.mensaje()));
        }
        QCOMPARE(contenido(destino), QStringList());
        QCOMPARE(contenido(afuera), QStringList());
        QCOMPARE(contenido(base.path()), QStringList({"afuera", "destino"}));
    }

    void desempaquetaEnlacesInternos()
    {
        QTemporaryDir base;
        const QByteArray z = zip({{QStringLiteral("ZuviIA/"), T::carpeta, 0755, {}},
                                  {QStringLiteral("ZuviIA/lib/"), T::carpeta, 0755, {}},
                                  {QStringLiteral("ZuviIA/lib/libz.so.1.2"), T::archivo, 0644, "elf"},
                                  {QStringLiteral("ZuviIA/lib/libz.so.1"), T::enlace, 0777, "libz.so.1.2"},
                                  {QStringLiteral("ZuviIA/bin/"), T::carpeta, 0755, {}},
                                  {QStringLiteral("ZuviIA/bin/lib"), T::enlace, 0777, "../lib"},
                                  {QStringLiteral("ZuviIA/share/"), T::carpeta, 0755, {}},
                                  {QStringLiteral("ZuviIA/share/canción.txt"), T::archivo, 0644, "la"}});
        Desempaquetador::desempaquetar(z, base.path());
        QCOMPARE(leer(base.filePath(QStringLiteral("ZuviIA/bin/lib/libz.so.1"))), QByteArray("elf"));
        QCOMPARE(leer(base.filePath(QStringLiteral("ZuviIA/share/canción.txt"))), QByteArray("la"));
    }

    // The new tree lands in a private folder beside the installed one, from
    // the same bytes whose digest was compared, with its sealed modes.
    void preparaElArbolVerificado()
    {
        QTemporaryDir base;
        const QByteArray archivo = publicado(base.path());
        const QString prefijo = base.filePath(QStringLiteral("opt/ZuviIA"));
        const QString app = PaqueteActualizacion::preparar(archivo, manifiestoDe(archivo), prefijo, ClavePrueba::publica());
        const QString carpeta = QFileInfo(app).path();
        QCOMPARE(QFileInfo(app).fileName(), QStringLiteral("ZuviIA"));
        QCOMPARE(QFileInfo(carpeta).path(), base.filePath(QStringLiteral("opt")));
        QVERIFY2(QFileInfo(carpeta).fileName().startsWith(QStringLiteral("ZuviIA-act-12-")), qPrintable(carpeta));
        QCOMPARE(ArbolPrueba::modo(carpeta), 0700);
        QCOMPARE(contenido(app), contenido(base.filePath(QStringLiteral("construido/ZuviIA"))));
        QCOMPARE(ArbolPrueba::modo(app + "/bin/zuviia"), 0755);
        QVERIFY(!QFileInfo::exists(prefijo));
    }

    // Two downloads of one build never share a folder.
    void cadaPreparacionTieneSuCarpeta()
    {
        QTemporaryDir base;
        const QByteArray archivo = publicado(base.path());
        const QString prefijo = base.filePath(QStringLiteral("opt/ZuviIA"));
        const QString a = PaqueteActualizacion::preparar(archivo, manifiestoDe(archivo), prefijo, ClavePrueba::publica());
        const QString b = PaqueteActualizacion::preparar(archivo, manifiestoDe(archivo), prefijo, ClavePrueba::publica());
        QVERIFY(a != b);
        QCOMPARE(carpetasDeActualizacion(base.filePath(QStringLiteral("opt"))).size(), 2);
    }

    // A zip written where files carry no Unix modes unpacks the executable
    // without its x bit; the seal gives it back.
    void restauraLosModosSellados()
    {
        QTemporaryDir base;
        const QByteArray archivo = ZipPrueba::sinModosUnix(publicado(base.path()));
        QVERIFY(QDir().mkpath(base.filePath(QStringLiteral("crudo"))));
        Desempaquetador::desempaquetar(archivo, base.filePath(QStringLiteral("crudo")));
        QVERIFY(!(ArbolPrueba::modo(base.filePath(QStringLiteral("crudo/ZuviIA/bin/zuviia"))) & 0100));

        const QString app = PaqueteActualizacion::preparar(archivo, manifiestoDe(archivo),
                                                           base.filePath(QStringLiteral("opt/ZuviIA")), ClavePrueba::publica());
        QCOMPARE(ArbolPrueba::modo(app + "/bin/zuviia"), 0755);
    }

    void preparacionFallida_data()
    {
        QTest::addColumn<QByteArray>("archivo");
        QTest::addColumn<QByteArray>("nombrado");   // what the manifest names; empty: the archive
        QTest::addColumn<qint64>("build");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("fallo");
        QTemporaryDir base;
        const QByteArray bueno = publicado(base.path());
        const QString k = ClavePrueba::publica();
        QTest::newRow("otro archivo") << QByteArray("<html>404</html>") << bueno << qint64(12) << k
                                      << QStringLiteral("el archivo descargado no coincide");
        QTest::newRow("manifiesto de otra clave") << bueno << QByteArray() << qint64(12) << ClavePrueba::otra()
                                                  << QStringLiteral("la firma de la actualización no es válida");
        QTest::newRow("sin ZuviIA arriba")
            << zip({{QStringLiteral("Otra/"), T::carpeta, 0755, {}}}) << QByteArray() << qint64(12) << k
            << QStringLiteral("falta SELLO");
        QTest::newRow("ZuviIA es un enlace")
            << zip({{QStringLiteral("Otra/"), T::carpeta, 0755, {}},
                    {QStringLiteral("ZuviIA"), T::enlace, 0777, "Otra"}})
            << QByteArray() << qint64(12) << k << QStringLiteral("ZuviIA es un enlace");
        QTest::newRow("build del manifiesto distinto del sello")
            << bueno << QByteArray() << qint64(13) << k << QStringLiteral("build 12 en vez de 13");
        QTest::newRow("zip con un enlace afuera")
            << zip({{QStringLiteral("ZuviIA/"), T::carpeta, 0755, {}},
                    {QStringLiteral("ZuviIA/x"), T::enlace, 0777, "../../x"}})
            << QByteArray() << qint64(12) << k << QStringLiteral("sale de la carpeta");
    }
    void preparacionFallida()
    {
        QFETCH(QByteArray, archivo);
        QFETCH(QByteArray, nombrado);
        QFETCH(qint64, build);
        QFETCH(QString, clave);
        QFETCH(QString, fallo);
        QTemporaryDir base;
        const Manifiesto m = manifiestoDe(nombrado.isEmpty() ? archivo : nombrado, build);
        try {
            PaqueteActualizacion::preparar(archivo, m, base.filePath(QStringLiteral("opt/ZuviIA")), clave);
            QFAIL("aceptado");
        } catch (const FalloActualizacion& e) {
            QVERIFY2(e.mensaje().contains(fallo), qPrintable(e.mensaje()));
        }
        QCOMPARE(carpetasDeActualizacion(base.filePath(QStringLiteral("opt"))), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPaqueteActualizacion)
#include "TestPaqueteActualizacion.moc"
