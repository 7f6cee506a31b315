#include "ServidorPrueba.h"

#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"

#include "setup/DescargaHttp.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

// Downloads through redirects, against a plain and a TLS server on
// loopback that serve the same table of hops.
class TestDescargaHttp : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    QSslCertificate certificado;
    std::unique_ptr<ServidorPrueba> plano;
    std::unique_ptr<ServidorPrueba> seguro;

    // Hop i is served at "/i" on both servers; "{http}" and "{https}" in a
    // location stand for the servers' addresses.
    void servir(const QStringList& saltos)
    {
        const QString http = plano->url(QString()).toString();
        const QString https = seguro->url(QString()).toString();
        for (qsizetype i = 0; i < saltos.size(); ++i) {
            const QStringList partes = saltos[i].split(' ');
            const QString ruta = '/' + QString::number(i);
            const QByteArray ubicacion = QString(partes.value(1)).replace("{https}", https).replace("{http}", http).toUtf8();
            for (ServidorPrueba* s : {plano.get(), seguro.get()}) {
                if (partes[0] == "200")
                    s->servir(ruta, {200, "cuerpo", ServidorPrueba::Respuesta::Modo::completa});
                else
                    s->redirigir(ruta, partes[0].toInt(), ubicacion);
            }
        }
    }

private slots:
    void initTestCase()
    {
        // A certificate for 127.0.0.1 that only this test trusts.
        const QString clave = hogar.en("clave.pem");
        const QString cert = hogar.en("cert.pem");
        QCOMPARE(QProcess::execute("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                               "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                                               clave, "-out", cert}),
                 0);
        QFile c(cert), k(clave);
        QVERIFY(c.open(QIODevice::ReadOnly) && k.open(QIODevice::ReadOnly));
        certificado = QSslCertificate(c.readAll());
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificado);
        tls.setPrivateKey(QSslKey(k.readAll(), QSsl::Rsa));
        plano = std::make_unique<ServidorPrueba>();
        seguro = std::make_unique<ServidorPrueba>(tls);
    }

    void redirecciones_data()
    {
        QTest::addColumn<bool>("desdeSeguro");
        QTest::addColumn<QStringList>("saltos");
        QTest::addColumn<QString>("mensaje"); // empty: the body arrives
        const QString demasiadas = DescargaHttp::mensajeRed(QNetworkReply::TooManyRedirectsError);
        const QString insegura = DescargaHttp::mensajeRed(QNetworkReply::InsecureRedirectError);
        const QString noRespondio = QStringLiteral("el servidor no respondió");
        QTest::newRow("301") << false << QStringList{"301 /1", "200"} << "";
        QTest::newRow("302") << false << QStringList{"302 {http}/1", "200"} << "";
        QTest::newRow("307") << true << QStringList{"307 /1", "200"} << "";
        QTest::newRow("308") << true << QStringList{"308 {https}/1", "200"} << "";
        QTest::newRow("de http a https") << false << QStringList{"302 {https}/1", "200"} << "";
        QTest::newRow("cinco saltos") << false << QStringList{"302 /1", "302 /2", "302 /3", "302 /4", "302 /5", "200"}
                                      << "";
        QTest::newRow("seis saltos") << false
                                     << QStringList{"302 /1", "302 /2", "302 /3", "302 /4", "302 /5", "302 /6", "200"}
                                     << demasiadas;
        QTest::newRow("bucle") << false << QStringList{"302 /1", "301 /0"} << demasiadas;
        QTest::newRow("de https a http") << true << QStringList{"302 {http}/1", "200"} << insegura;
        QTest::newRow("a otro esquema") << false << QStringList{"302 file:///etc/passwd"} << noRespondio;
        QTest::newRow("termina en 404") << false << QStringList{"302 /1", "404"} << noRespondio;
        QTest::newRow("redirección sin destino") << false << QStringList{"302"} << noRespondio;
    }

    void redirecciones()
    {
        QFETCH(bool, desdeSeguro);
        QFETCH(QStringList, saltos);
        QFETCH(QString, mensaje);
        plano = std::make_unique<ServidorPrueba>();
        servir(saltos);

        QNetworkAccessManager red;
        RelojFalso reloj;
        QNetworkRequest pedido((desdeSeguro ? seguro : plano)->url("/0"));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates({certificado});
        pedido.setSslConfiguration(tls);
        QByteArray cuerpo;
        std::optional<DescargaHttp::Fin> fin;
        DescargaHttp::iniciar(
            red, reloj, pedido, {30s, 1024},
            [&](QByteArrayView datos) {
                cuerpo += datos;
                return true;
            },
            [&](const DescargaHttp::Fin& f) { fin = f; });
        QTRY_VERIFY_WITH_TIMEOUT(fin.has_value(), 15000);
        QCOMPARE(fin->mensaje, mensaje);
        QCOMPARE(fin->ok, mensaje.isEmpty());
        QCOMPARE(cuerpo, mensaje.isEmpty() ? QByteArray("cuerpo") : QByteArray());
        // A refused downgrade never reaches the plain server.
        if (desdeSeguro && mensaje == DescargaHttp::mensajeRed(QNetworkReply::InsecureRedirectError))
            QCOMPARE(plano->pedidos("/1"), 0);
    }
};

QTEST_GUILESS_MAIN(TestDescargaHttp)
#include "TestDescargaHttp.moc"
