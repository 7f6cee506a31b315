#include "vistas/Iconos.h"

#include <QIcon>
#include <QImage>
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
        QVERIFY(Iconos::pintado(QStringLiteral("no.existe"), QSize(16, 16), Qt::white).isNull());
    }

    // A tinted symbol keeps its size and shape, and every drawn pixel
    // takes the colour.
    void pintado_data()
    {
        QTest::addColumn<qreal>("escala");
        QTest::addColumn<int>("lado");
        QTest::newRow("la de la aplicación") << 0.0 << 16;
        QTest::newRow("alta densidad") << 2.0 << 32;
    }

    void pintado()
    {
        QFETCH(qreal, escala);
        const QColor naranja(255, 149, 0);
        const QPixmap p = Iconos::pintado(QStringLiteral("mic.fill"), QSize(16, 16), naranja, escala);
        QTEST(p.width(), "lado");
        QTEST(p.height(), "lado");
        const QImage imagen = p.toImage().convertToFormat(QImage::Format_ARGB32);
        int vacios = 0;
        int llenos = 0;
        for (int y = 0; y < imagen.height(); ++y) {
            for (int x = 0; x < imagen.width(); ++x) {
                const QColor c = imagen.pixelColor(x, y);
                if (c.alpha() == 0) {
                    ++vacios;
                } else if (c.alpha() >= 128) {
                    ++llenos;
                    QVERIFY2(qAbs(c.red() - 255) <= 2 && qAbs(c.green() - 149) <= 2 && c.blue() <= 2,
                             qPrintable(c.name()));
                }
            }
        }
        QVERIFY(vacios > 0);
        QVERIFY(llenos > 0);
    }
};

QTEST_MAIN(TestIconos)
#include "TestIconos.moc"
