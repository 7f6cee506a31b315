#include "ClavePrueba.h"

#include "setup/Ed25519.h"
#include "setup/FirmaActualizacion.h"
#include "setup/Manifiesto.h"

#include <QTest>

namespace {

const QString shaBueno = QStringLiteral("3a7bd3e2360a3d29eea436fcfb7e44c735d117c42d1c1835420b6b9942dd4f1b");

QByteArray json(const QString& version, const QString& build, const QString& url, const QString& sha,
                const QString& extra = {})
{
    return QStringLiteral(R"({"version":%1,"build":%2,"url":%3,"sha256":%4,"firma":"AAAA"%5})")
        .arg(version, build, url, sha, extra)
        .toUtf8();
}

QString comillas(const QString& s) { return QLatin1Char('"') + s + QLatin1Char('"'); }

Manifiesto firmado(const QString& version, qint64 build, const QString& sha)
{
    Manifiesto m{version, build, QUrl(QStringLiteral("https://zuvi.example/ZuviIA.zip")), sha, {}, {}};
    m.firma = FirmaActualizacion::firmar(m, ClavePrueba::secreta());
    return m;
}

}

class TestManifiesto : public QObject {
    Q_OBJECT

private slots:
    // build 0 means "refused" unless `ok`.
    void decodificar_data()
    {
        QTest::addColumn<QByteArray>("entrada");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("build");
        const QString v = comillas(QStringLiteral("1.2"));
        const QString u = comillas(QStringLiteral("https://zuvi.example/actualizaciones/ZuviIA-1.2.zip"));
        const QString s = comillas(shaBueno);
        QTest::newRow("build 12") << json(v, "12", u, s) << true << qint64(12);
        QTest::newRow("build 12.0") << json(v, "12.0", u, s) << true << qint64(12);
        QTest::newRow("build 0") << json(v, "0", u, s) << true << qint64(0);
        QTest::newRow("build 2^53") << json(v, "9007199254740992", u, s) << true << (qint64(1) << 53);
        QTest::newRow("build 12.5") << json(v, "12.5", u, s) << false << qint64(0);
        QTest::newRow("build texto") << json(v, R"("12")", u, s) << false << qint64(0);
        QTest::newRow("build 2^53+1") << json(v, "9007199254740993", u, s) << false << qint64(0);
        QTest::newRow("build 1e20") << json(v, "1e20", u, s) << false << qint64(0);
        QTest::newRow("build negativo") << json(v, "-1", u, s) << false << qint64(0);
        QTest::newRow("build nulo") << json(v, "null", u, s) << false << qint64(0);
        QTest::newRow("url relativa") << json(v, "12", comillas("/actualizaciones/ZuviIA.zip"), s) << false << qint64(0);
        QTest::newRow("url sin esquema web") << json(v, "12", comillas("file:///tmp/ZuviIA.zip"), s) << false << qint64(0);
        QTest::newRow("url no es texto") << json(v, "12", "7", s) << false << qint64(0);
        QTest::newRow("sha mayúscula") << json(v, "12", u, comillas(shaBueno.toUpper())) << false << qint64(0);
        QTest::newRow("sha de 63") << json(v, "12", u, comillas(shaBueno.chopped(1))) << false << qint64(0);
        QTest::newRow("sha no hex") << json(v, "12", u, comillas(shaBueno.chopped(1) + 'g')) << false << qint64(0);
        // The separator of the signed message never stands inside a field.
        QTest::newRow("versión con barra") << json(comillas("1|2"), "12", u, s) << false << qint64(0);
        QTest::newRow("versión con salto") << json(comillas("1.2\\n"), "12", u, s) << false << qint64(0);
        QTest::newRow("versión vacía") << json(comillas(""), "12", u, s) << false << qint64(0);
        QTest::newRow("versión número") << json("1.2", "12", u, s) << false << qint64(0);
        QTest::newRow("firma no es texto") << QByteArray(R"({"version":"1","build":1,"url":"https://a.b/c","sha256":")")
                                                      + shaBueno.toLatin1() + R"(","firma":5})"
                                           << false << qint64(0);
        QTest::newRow("sin firma") << QByteArray(R"({"version":"1","build":1,"url":"https://a.b/c","sha256":")")
                                              + shaBueno.toLatin1() + "\"}"
                                   << false << qint64(0);
        QTest::newRow("no es JSON") << QByteArray("<html>404</html>") << false << qint64(0);
        QTest::newRow("lista") << QByteArray("[]") << false << qint64(0);
        QTest::newRow("clave desconocida") << json(v, "12", u, s, R"(,"otra":[1])") << true << qint64(12);
        QTest::newRow("notas nulas") << json(v, "12", u, s, R"(,"notas":null)") << true << qint64(12);
        QTest::newRow("notas número") << json(v, "12", u, s, R"(,"notas":3)") << false << qint64(0);
    }
    void decodificar()
    {
        QFETCH(QByteArray, entrada);
        QFETCH(bool, ok);
        QFETCH(qint64, build);
        try {
            const Manifiesto m = Manifiesto::decodificar(entrada);
            QVERIFY2(ok, qPrintable(QStringLiteral("aceptado con build %1").arg(m.build)));
            QCOMPARE(m.build, build);
        } catch (const Manifiesto::ErrorDecodificacion& e) {
            QVERIFY2(!ok, qPrintable(e.mensaje()));
            QVERIFY(!e.mensaje().isEmpty());
        }
    }

    void codificarYDecodificarDanLoMismo()
    {
        Manifiesto m = firmado(QStringLiteral("1.2 «beta»"), 12, shaBueno);
        m.notas = QStringLiteral("Arreglos.\nY voz nueva.");
        QCOMPARE(Manifiesto::decodificar(m.codificar()), m);
        m.notas.reset();
        QVERIFY(!m.codificar().contains("notas"));
        QCOMPARE(Manifiesto::decodificar(m.codificar()), m);
    }

    void firmaValida_data()
    {
        QTest::addColumn<QString>("firma");
        QTest::addColumn<QString>("sha");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<bool>("valida");
        const QString buena = firmado(QStringLiteral("1.2"), 12, shaBueno).firma;
        QTest::newRow("buena") << buena << shaBueno << ClavePrueba::publica() << true;
        QTest::newRow("clave inutilizable") << buena << shaBueno << ClavePrueba::inutilizable << false;
        QTest::newRow("otra clave") << buena << shaBueno << ClavePrueba::otra() << false;
        QTest::newRow("clave no Base64") << buena << shaBueno << QStringLiteral("no es una clave") << false;
        QTest::newRow("salto de línea") << buena.left(44) + '\n' + buena.mid(44) << shaBueno << ClavePrueba::publica()
                                        << false;
        QTest::newRow("sin relleno") << buena.chopped(2) << shaBueno << ClavePrueba::publica() << false;
        QTest::newRow("espacio al final") << buena + ' ' << shaBueno << ClavePrueba::publica() << false;
        QTest::newRow("sha en mayúscula") << buena << shaBueno.toUpper() << ClavePrueba::publica() << false;
        QTest::newRow("63 bytes") << QString::fromLatin1(QByteArray::fromBase64(buena.toLatin1()).chopped(1).toBase64())
                                  << shaBueno << ClavePrueba::publica() << false;
        QTest::newRow("vacía") << QString() << shaBueno << ClavePrueba::publica() << false;
    }
    void firmaValida()
    {
        QFETCH(QString, firma);
        QFETCH(QString, sha);
        QFETCH(QString, clave);
        QFETCH(bool, valida);
        Manifiesto m = firmado(QStringLiteral("1.2"), 12, sha);
        m.firma = firma;
        QCOMPARE(FirmaActualizacion::firmaValida(m, clave), valida);
    }

    // The signature covers version, build and digest; the address is free,
    // since the digest already names the archive.
    void firmaCubreLoFirmado_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<qint64>("build");
        QTest::addColumn<QString>("sha");
        QTest::addColumn<bool>("valida");
        QTest::newRow("igual") << QStringLiteral("1.2") << qint64(12) << shaBueno << true;
        QTest::newRow("otra versión") << QStringLiteral("1.3") << qint64(12) << shaBueno << false;
        QTest::newRow("otro build") << QStringLiteral("1.2") << qint64(13) << shaBueno << false;
        QTest::newRow("otro sha") << QStringLiteral("1.2") << qint64(12) << QString(64, '0') << false;
    }
    void firmaCubreLoFirmado()
    {
        QFETCH(QString, version);
        QFETCH(qint64, build);
        QFETCH(QString, sha);
        QFETCH(bool, valida);
        Manifiesto m = firmado(version, build, sha);
        m.firma = firmado(QStringLiteral("1.2"), 12, shaBueno).firma;
        m.url = QUrl(QStringLiteral("https://espejo.example/otro.zip"));
        QCOMPARE(FirmaActualizacion::firmaValida(m, ClavePrueba::publica()), valida);
    }

    // The first published key decodes to 32 bytes but is no point of the
    // curve, so nothing ever verified against it; the trusted key must be one.
    void clavesDeLaAplicacion()
    {
        QCOMPARE(FirmaActualizacion::clavePublica(ClavePrueba::inutilizable).size(), Ed25519::bytesClavePublica);
        QVERIFY(!Ed25519::claveUtilizable(FirmaActualizacion::clavePublica(ClavePrueba::inutilizable)));
        QVERIFY(Ed25519::claveUtilizable(FirmaActualizacion::clavePublica(FirmaActualizacion::clavePorDefecto())));
        QVERIFY(FirmaActualizacion::clavePorDefecto() != ClavePrueba::publica());
    }
};

QTEST_GUILESS_MAIN(TestManifiesto)
#include "TestManifiesto.moc"
