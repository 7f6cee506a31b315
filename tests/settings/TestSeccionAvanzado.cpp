#include "comun/HogarTemporal.h"
#include "comun/PermisosVozFalsos.h"

#include "plataforma/Ajustes.h"
#include "settings/SeccionAvanzado.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<FilaPermiso*> filasDe(QWidget* s) { return s->findChildren<FilaPermiso*>(); }

bool concedido(FilaPermiso* f) { return f->findChild<QLabel*>("concedido") != nullptr; }

}

class TestSeccionAvanzado : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

    static void esperarLectura(SeccionAvanzado& s, int lecturas)
    {
        QVERIFY(QTest::qWaitFor([&] { return s.lecturas() >= lecturas; }, 5000));
    }

private slots:
    void filas_data()
    {
        QTest::addColumn<int>("fila");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("panel");
        QTest::newRow("micrófono") << 0 << "Micrófono" << "Privacy_Microphone";
        // A missing Spanish model is installed, not switched on.
        QTest::newRow("voz") << 1 << "Reconocimiento de voz" << "";
        QTest::newRow("accesibilidad") << 2 << "Accesibilidad (controlar apps)" << "Privacy_Accessibility";
        QTest::newRow("pantalla") << 3 << "Grabación de pantalla (ver la pantalla)" << "Privacy_ScreenCapture";
    }

    void filas()
    {
        QFETCH(int, fila);
        QFETCH(QString, nombre);
        QFETCH(QString, panel);
        const auto todas = SeccionAvanzado::filas({true, false, true, false});
        QCOMPARE(todas.size(), 4);
        QCOMPARE(todas[fila].nombre, nombre);
        QCOMPARE(todas[fila].panel, panel);
        QCOMPARE(todas[fila].ok, fila % 2 == 0);
        QVERIFY(!todas[fila].ayuda.isEmpty());
    }

    // Granted or revoked in the system's settings: shown on coming back.
    void sigueALosPermisosAlVolver()
    {
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        PermisosVozFalsos permisos;
        permisos.mic = false;
        permisos.voz = false;
        QStringList abiertos;
        SeccionAvanzado s(ajustes, permisos, {}, [&](const QString& p) { abiertos << p; });
        esperarLectura(s, 1);
        QCOMPARE(filasDe(&s).size(), 4);
        QVERIFY(!concedido(filasDe(&s)[0]));
        QVERIFY(!concedido(filasDe(&s)[1]));
        QVERIFY(filasDe(&s)[1]->findChild<QLabel*>("ayuda")->text().contains("modelo de voz en español"));
        QVERIFY(!filasDe(&s)[1]->findChild<QPushButton*>("abrirConfiguracion"));
        QVERIFY(concedido(filasDe(&s)[2]));
        filasDe(&s)[0]->findChild<QPushButton*>("abrirConfiguracion")->click();
        QCOMPARE(abiertos, QStringList{"Privacy_Microphone"});

        permisos.mic = true;
        permisos.acceso = false;
        emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        esperarLectura(s, 2);
        QCOMPARE(s.lecturas(), 2);
        QVERIFY(concedido(filasDe(&s)[0]));
        QVERIFY(!concedido(filasDe(&s)[2]));
        QVERIFY(filasDe(&s)[2]->findChild<QPushButton*>("abrirConfiguracion"));
    }

    // A slow read that another one overtook shows nothing.
    void unaLecturaViejaNoSeMuestra()
    {
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        PermisosVozFalsos permisos;
        SeccionAvanzado s(ajustes, permisos, {}, [](const QString&) {});
        permisos.mic = false;
        s.refrescar();
        esperarLectura(s, 2);
        QVERIFY(!concedido(filasDe(&s)[0]));
    }

    void abrirElAsistente()
    {
        Ajustes ajustes(hogar.en(".config/prueba.conf"));
        ajustes.escribir("configuracionCompleta", true);
        PermisosVozFalsos permisos;
        int principales = 0;
        SeccionAvanzado s(ajustes, permisos, [&] { ++principales; }, [](const QString&) {});
        s.findChild<QPushButton*>("abrirAsistente")->click();
        QCOMPARE(ajustes.valor("configuracionCompleta"), QVariant(false));
        QCOMPARE(principales, 1);
        esperarLectura(s, 1);
    }
};

QTEST_MAIN(TestSeccionAvanzado)
#include "TestSeccionAvanzado.moc"
