#include "vistas/Iconos.h"

#include <QIcon>
#include <QTest>

// Every symbol the views name is drawn from the icon theme, with or
// without a desktop session.
class TestIconos : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Iconos::prepararTema(); }

    void resuelve_data()
    {
        QTest::addColumn<QString>("simbolo");
        for (const auto& [simbolo, nombre] : Iconos::tabla())
            QTest::newRow(qPrintable(simbolo)) << simbolo;
    }

    void resuelve()
    {
        QFETCH(QString, simbolo);
        const QString nombre = Iconos::nombre(simbolo);
        QVERIFY(!nombre.isEmpty());
        QVERIFY2(QIcon::hasThemeIcon(nombre), qPrintable(nombre));
        QVERIFY(!Iconos::icono(simbolo).pixmap(16, 16).isNull());
    }

    void desconocido()
    {
        QCOMPARE(Iconos::nombre(QStringLiteral("no.existe")), QString());
        QVERIFY(Iconos::icono(QStringLiteral("no.existe")).isNull());
    }
};

QTEST_MAIN(TestIconos)
#include "TestIconos.moc"
