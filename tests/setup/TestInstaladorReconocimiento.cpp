#include "ServidorPrueba.h"

#include "EscritorZip.h"

#include "comun/HogarTemporal.h"
#include "setup/InstaladorReconocimiento.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTest>

using E = EscritorZip::Entrada;
using Respuesta = ServidorPrueba::Respuesta;

namespace {

const QString carpeta = QStringLiteral("vosk-model-small-es-0.42");

// A model as small as it gets, with the files Vosk needs to load one.
QList<E> modelo(const QString& raiz = carpeta)
{
    return {{raiz + "/am/final.mdl", E::Tipo::archivo, 0644, QByteArray(4096, 'm')},
            {raiz + "/conf/model.conf", E::Tipo::archivo, 0644, "--min-active=200\n"},
            {raiz + "/graph/HCLr.fst", E::Tipo::archivo, 0644, QByteArray(2048, 'g')}};
}

// Every path under the models folder, relative to it.
QStringList contenido(const QString& raiz)
{
    QStringList r;
    QDirIterator it(raiz, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        r << QDir(raiz).relativeFilePath(it.next());
    r.sort();
    return r;
}

struct Banco {
    HogarTemporal hogar;
    ServidorPrueba servidor;
    QString destino = hogar.en(".local/share/ZuviIA/reconocimiento");
    qint64 libre = -1;
    int avisos = 0;
    std::unique_ptr<InstaladorReconocimiento> instalador;

    explicit Banco(const QUrl& url = {})
    {
        InstaladorReconocimiento::Capas capas;
        capas.destino = destino;
        capas.modelo = {url.isEmpty() ? servidor.url("/modelo.zip") : url, carpeta, 8LL * 1024 * 1024};
        capas.espacioLibre = [this](const QString&) { return libre; };
        capas.alInstalar = [this] { ++avisos; };
        instalador = std::make_unique<InstaladorReconocimiento>(std::move(capas));
    }

    // Until the install ends one way or the other.
    bool terminar()
    {
        return QTest::qWaitFor([&] { return !instalador->estado().es(EstadoPaso::Tipo::trabajando); }, 10000);
    }
};

} // namespace

class TestInstaladorReconocimiento : public QObject {
    Q_OBJECT

private slots:
    // Only a whole, sound model reaches the folder; anything else leaves
    // it as it was, with a Spanish reason.
    void instalar_data()
    {
        QTest::addColumn<QByteArray>("archivo");
        QTest::addColumn<int>("estadoHttp");
        QTest::addColumn<bool>("instalado");
        QTest::addColumn<QString>("mensaje");
        const QByteArray bueno = EscritorZip::escribir(modelo());
        const QString danado = QStringLiteral("El modelo descargado está dañado o incompleto. Vuelve a intentarlo.");
        QTest::newRow("bueno") << bueno << 200 << true << "";
        QTest::newRow("cortado") << bueno.left(bueno.size() / 2) << 200 << false << danado;
        QTest::newRow("sale de la carpeta")
            << EscritorZip::escribir(modelo() + QList<E>{{carpeta + "/../../fuera.txt", E::Tipo::archivo, 0644, "x"}})
            << 200 << false << danado;
        QTest::newRow("otra carpeta") << EscritorZip::escribir(modelo("vosk-model-en-us-0.22")) << 200 << false
                                      << danado;
        QTest::newRow("sin el modelo acústico")
            << EscritorZip::escribir(modelo().mid(1)) << 200 << false << danado;
        QTest::newRow("no está en el servidor")
            << QByteArray("no hay") << 404 << false
            << "No se pudo descargar el modelo de voz: revisa tu conexión a internet y vuelve a intentarlo.";
    }

    void instalar()
    {
        QFETCH(QByteArray, archivo);
        QFETCH(int, estadoHttp);
        QFETCH(bool, instalado);
        QFETCH(QString, mensaje);
        Banco b;
        b.servidor.servir("/modelo.zip", {estadoHttp, archivo, Respuesta::Modo::completa});
        QCOMPARE(b.instalador->estado(), EstadoPaso::falta());
        b.instalador->instalar();
        QVERIFY(b.instalador->estado().es(EstadoPaso::Tipo::trabajando));
        QVERIFY(b.terminar());
        QCOMPARE(b.instalador->instalado(), instalado);
        QCOMPARE(b.avisos, instalado ? 1 : 0);
        if (instalado) {
            QCOMPARE(b.instalador->estado().tipo, EstadoPaso::Tipo::listo);
            QCOMPARE(contenido(b.destino), (QStringList{carpeta, carpeta + "/am", carpeta + "/am/final.mdl",
                                                        carpeta + "/conf", carpeta + "/conf/model.conf",
                                                        carpeta + "/graph", carpeta + "/graph/HCLr.fst"}));
            QCOMPARE(b.instalador->progreso(), 1.0);
        } else {
            QCOMPARE(b.instalador->estado(), EstadoPaso::error(mensaje));
            QCOMPARE(contenido(b.destino), QStringList{});
            QVERIFY(!QFileInfo::exists(b.hogar.en(".local/share/ZuviIA/fuera.txt")));
        }
    }

    // No server at all, as offline: the same Spanish sentence, and a retry
    // works once the archive is there.
    void sinConexionYReintento()
    {
        QUrl cerrado;
        {
            ServidorPrueba apagado;
            cerrado = apagado.url("/modelo.zip");
        }
        Banco b(cerrado);
        b.instalador->instalar();
        QVERIFY(b.terminar());
        QCOMPARE(b.instalador->estado().tipo, EstadoPaso::Tipo::error);
        QVERIFY(b.instalador->estado().texto->contains(QStringLiteral("revisa tu conexión a internet")));
        QCOMPARE(contenido(b.destino), QStringList{});
    }

    void sinEspacio()
    {
        Banco b;
        b.libre = 1000;
        b.servidor.servir("/modelo.zip", {200, EscritorZip::escribir(modelo()), Respuesta::Modo::completa});
        b.instalador->instalar();
        QCOMPARE(b.instalador->estado(),
                 EstadoPaso::error(QStringLiteral("No hay espacio suficiente en el disco: hacen falta unos 24 MB libres.")));
        QCOMPARE(b.servidor.pedidos("/modelo.zip"), 0);
    }

    // A download that hangs is cancelled: nothing is installed, and the
    // answer that may still come is dropped.
    void cancelar()
    {
        Banco b;
        QByteArray grande = EscritorZip::escribir(modelo());
        grande.append(QByteArray(200000, '\0'));
        b.servidor.servir("/modelo.zip", {200, grande, Respuesta::Modo::estancada});
        QSignalSpy progreso(b.instalador.get(), &InstaladorReconocimiento::progresoCambiado);
        b.instalador->instalar();
        QVERIFY(b.instalador->descargando());
        QTRY_VERIFY(b.instalador->progreso() > 0);
        b.instalador->cancelar();
        QCOMPARE(b.instalador->estado(), EstadoPaso::falta());
        QVERIFY(!b.instalador->descargando());
        QCOMPARE(b.instalador->progreso(), 0.0);
        QTest::qWait(200);
        QCOMPARE(b.instalador->estado(), EstadoPaso::falta());
        QCOMPARE(contenido(b.destino), QStringList{});
        QCOMPARE(b.avisos, 0);
    }

    void tamano_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("texto");
        QTest::newRow("el modelo en español") << InstaladorReconocimiento::espanol().bytes << "39 MB";
        QTest::newRow("redondeo") << qint64(1.6 * 1024 * 1024) << "2 MB";
    }

    void tamano()
    {
        QFETCH(qint64, bytes);
        QTEST(InstaladorReconocimiento::tamano(bytes), "texto");
    }
};

QTEST_GUILESS_MAIN(TestInstaladorReconocimiento)
#include "TestInstaladorReconocimiento.moc"
