#include "plataforma/GestorArchivos.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

namespace {

const QString servicio = QStringLiteral("org.freedesktop.FileManager1");

// A file manager on the test's session bus that records what it was asked.
class GestorFalso : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> pedidos;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { pedidos << uris; }
};

}

class TestGestorArchivos : public QObject {
    Q_OBJECT

    QList<QUrl> abiertas;
    GestorArchivos::AbrirCarpeta abrir()
    {
        return [this](const QUrl& u) { abiertas << u; };
    }

private slots:
    void init() { abiertas.clear(); }

    void conGestorSeMuestraElArchivo()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        GestorFalso gestor;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &gestor,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(servicio));
        GestorArchivos::mostrar(QStringLiteral("/tmp/estado/ZuviIA/zuvi.log"), abrir());
        QTRY_COMPARE(gestor.pedidos.size(), 1);
        QCOMPARE(gestor.pedidos[0], QStringList{"file:///tmp/estado/ZuviIA/zuvi.log"});
        QTest::qWait(50);
        QCOMPARE(abiertas, QList<QUrl>());
        bus.unregisterService(servicio);
        bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }

    // Nobody answers on the bus: the folder opens instead.
    void sinGestorSeAbreLaCarpeta()
    {
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(servicio));
        GestorArchivos::mostrar(QStringLiteral("/tmp/estado/ZuviIA/zuvi.log"), abrir());
        QTRY_COMPARE(abiertas, QList<QUrl>{QUrl::fromLocalFile("/tmp/estado/ZuviIA")});
    }
};

QTEST_GUILESS_MAIN(TestGestorArchivos)
#include "TestGestorArchivos.moc"
