#include "ArbolPrueba.h"
#include "ClavePrueba.h"

#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"
#include "setup/Manifiesto.h"
#include "setup/PaqueteActualizacion.h"
#include "setup/Sello.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using ArbolPrueba::leer;

struct Salida {
    int codigo = -1;
    QString texto;
    QString errores;
};

Salida publicar(const QStringList& argumentos)
{
    QProcess p;
    p.start(QStringLiteral(ZUVI_PUBLICAR), argumentos);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}

// The maintainer's tool against the application's own checks.
class TestPublicar : public QObject {
    Q_OBJECT

private slots:
    void idaYVuelta()
    {
        QTemporaryDir base;
        const QString arbol = base.filePath(QStringLiteral("ZuviIA"));
        ArbolPrueba::crear(arbol);
        const QString clave = base.filePath(QStringLiteral("clave.secreta"));
        ArbolPrueba::escribir(clave, ClavePrueba::secreta().toBase64() + '\n', QFile::ReadOwner | QFile::WriteOwner);
        const QString salida = base.filePath(QStringLiteral("publicado"));

        const Salida r = publicar({"--arbol", arbol, "--clave", clave, "--version", "1.2", "--build", "12", "--url",
                                   "https://zuvi.example/actualizaciones/ZuviIA-1.2.zip", "--notas", "Voz nueva.",
                                   "--salida", salida});
        QVERIFY2(r.codigo == 0, qPrintable(r.errores));

        const Manifiesto m = Manifiesto::decodificar(leer(salida + "/ultima.json"));
        QCOMPARE(m.version, QStringLiteral("1.2"));
        QCOMPARE(m.build, 12);
        QCOMPARE(m.notas, std::optional<QString>(QStringLiteral("Voz nueva.")));
        QVERIFY(FirmaActualizacion::firmaValida(m, ClavePrueba::publica()));
        QVERIFY(!FirmaActualizacion::firmaValida(m, FirmaActualizacion::clavePorDefecto()));
        QVERIFY2(r.errores.contains(QStringLiteral("no es la que esta compilación acepta")), qPrintable(r.errores));

        const QByteArray zip = leer(salida + "/ZuviIA-1.2.zip");
        const QString prefijo = base.filePath(QStringLiteral("opt/ZuviIA"));
        const QString app = PaqueteActualizacion::preparar(zip, m, prefijo, ClavePrueba::publica());
        QCOMPARE(Sello::verificar(app, ClavePrueba::publica(), 12, Sello::Modos::comprobar).entradas,
                 Sello::describir(arbol));
        QVERIFY(QProcess::execute(app + "/bin/zuviia", {}) == 0);

        QByteArray cambiado = zip;
        cambiado[cambiado.size() / 2] = char(cambiado[cambiado.size() / 2] ^ 1);
        try {
            PaqueteActualizacion::preparar(cambiado, m, prefijo, ClavePrueba::publica());
            QFAIL("aceptado");
        } catch (const FalloActualizacion& e) {
            QCOMPARE(e.mensaje(), QStringLiteral("el archivo descargado no coincide"));
        }
    }

    void rechazaLoQueLaAplicacionNoLeeria_data()
    {
        QTest::addColumn<QStringList>("cambio");   // option, value
        QTest::addColumn<QString>("motivo");
        QTest::newRow("build con decimales") << QStringList{"--build", "12.5"} << QStringLiteral("--build");
        QTest::newRow("build demasiado grande") << QStringList{"--build", "9007199254740993"}
                                                << QStringLiteral("build");
        QTest::newRow("versión con barra") << QStringList{"--version", "1|2"} << QStringLiteral("versión");
        QTest::newRow("versión con /") << QStringList{"--version", "../1.2"} << QStringLiteral("versión");
        QTest::newRow("url relativa") << QStringList{"--url", "ZuviIA.zip"} << QStringLiteral("url");
    }
    void rechazaLoQueLaAplicacionNoLeeria()
    {
        QFETCH(QStringList, cambio);
        QFETCH(QString, motivo);
        QTemporaryDir base;
        const QString arbol = base.filePath(QStringLiteral("ZuviIA"));
        ArbolPrueba::crear(arbol);
        const QString clave = base.filePath(QStringLiteral("clave.secreta"));
        ArbolPrueba::escribir(clave, ClavePrueba::secreta().toBase64() + '\n', QFile::ReadOwner | QFile::WriteOwner);
        QStringList argumentos{"--arbol", arbol, "--clave", clave, "--version", "1.2", "--build", "12",
                               "--url", "https://zuvi.example/ZuviIA.zip", "--salida", base.filePath("publicado")};
        argumentos[argumentos.indexOf(cambio[0]) + 1] = cambio[1];
        const Salida r = publicar(argumentos);
        QCOMPARE(r.codigo, 1);
        QVERIFY2(r.errores.contains(motivo), qPrintable(r.errores));
        QVERIFY(!QFileInfo::exists(arbol + "/SELLO"));
        QVERIFY(!QFileInfo::exists(base.filePath("publicado")));
    }

    // A new pair: the secret file only its owner reads, never written over,
    // and it publishes what the printed public key accepts.
    void nuevaClave()
    {
        QTemporaryDir base;
        const QString clave = base.filePath(QStringLiteral("zuvi.secreta"));
        const Salida r = publicar({"--nueva-clave", clave});
        QVERIFY2(r.codigo == 0, qPrintable(r.errores));
        QCOMPARE(ArbolPrueba::modo(clave), 0600);
        const QString publica = r.texto.section(QStringLiteral("clave pública: "), 1).trimmed();
        QVERIFY(Ed25519::claveUtilizable(FirmaActualizacion::clavePublica(publica)));

        const QByteArray antes = leer(clave);
        QCOMPARE(publicar({"--nueva-clave", clave}).codigo, 1);
        QCOMPARE(leer(clave), antes);

        const QString arbol = base.filePath(QStringLiteral("ZuviIA"));
        ArbolPrueba::crear(arbol);
        QCOMPARE(publicar({"--arbol", arbol, "--clave", clave, "--version", "2", "--build", "20", "--url",
                           "https://zuvi.example/z.zip", "--salida", base.filePath("publicado")})
                     .codigo,
                 0);
        const Manifiesto m = Manifiesto::decodificar(leer(base.filePath("publicado/ultima.json")));
        QVERIFY(FirmaActualizacion::firmaValida(m, publica));
    }
};

QTEST_GUILESS_MAIN(TestPublicar)
#include "TestPublicar.moc"
