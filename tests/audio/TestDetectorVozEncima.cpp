#include "audio/DetectorVozEncima.h"

#include <QTest>

class TestDetectorVozEncima : public QObject {
    Q_OBJECT

private slots:
    void umbral_data()
    {
        QTest::addColumn<std::vector<float>>("historial");
        QTest::addColumn<float>("acople");
        QTest::addColumn<float>("umbral");
        QTest::newRow("menos de ocho razones") << std::vector<float>(7, 0.2f) << 1.0f << 1.7f;
        QTest::newRow("acople 0.2: gana la suma") << std::vector<float>(8, 0.2f) << 0.2f << 0.65f;
        QTest::newRow("acople 2.0: gana el producto") << std::vector<float>(10, 2.0f) << 2.0f << 3.4f;
        // Sorted 0.1…1.0: index int(9·0.9) = 8.
        QTest::newRow("percentil 90") << std::vector<float>{1.0f, 0.5f, 0.2f, 0.9f, 0.3f, 0.8f, 0.1f, 0.4f, 0.7f, 0.6f}
                                      << 0.9f << 1.53f;
    }

    void umbral()
    {
        QFETCH(std::vector<float>, historial);
        QFETCH(float, acople);
        QFETCH(float, umbral);
        const float a = DetectorVozEncima::acopleDe(historial);
        QCOMPARE(a, acople);
        QVERIFY(std::abs(DetectorVozEncima::umbral(a) - umbral) < 1e-6f);
    }

    // Blocks as (mic, output) pairs; the blocks that fire.
    void bloques_data()
    {
        QTest::addColumn<QList<QPointF>>("bloques");
        QTest::addColumn<QList<int>>("disparos");
        const QPointF fuerte(0.2, 0.05); // ratio 4 > 1.7
        const QPointF eco(0.04, 0.05);   // ratio 0.8, learned
        QTest::newRow("uno fuerte: nada") << QList<QPointF>{fuerte} << QList<int>{};
        QTest::newRow("dos seguidos: uno") << QList<QPointF>{fuerte, fuerte} << QList<int>{1};
        QTest::newRow("el tercero vuelve a contar") << QList<QPointF>{fuerte, fuerte, fuerte, fuerte}
                                                    << QList<int>{1, 3};
        QTest::newRow("un eco corta la racha") << QList<QPointF>{fuerte, eco, fuerte} << QList<int>{};
        QTest::newRow("mic de 0.03 nunca") << QList<QPointF>{{0.03, 0.005}, {0.03, 0.005}} << QList<int>{};
        QTest::newRow("sin salida nunca") << QList<QPointF>{{0.5, 0.003}, {0.5, 0.003}} << QList<int>{};
    }

    void bloques()
    {
        QFETCH(QList<QPointF>, bloques);
        QFETCH(QList<int>, disparos);
        DetectorVozEncima d;
        QList<int> vistos;
        for (qsizetype i = 0; i < bloques.size(); ++i) {
            if (d.bloque(float(bloques[i].x()), float(bloques[i].y())))
                vistos << int(i);
        }
        QCOMPARE(vistos, disparos);
    }

    // A loud room echo is learned and raises the threshold; barge-in blocks
    // are not learned.
    void aprendeElEco()
    {
        DetectorVozEncima d;
        for (int i = 0; i < 8; ++i) {
            d.reiniciar();
            QVERIFY(!d.bloque(0.1f, 0.05f)); // ratio 2 > 1.7, one at a time: not learned
        }
        QCOMPARE(d.acople(), 1.0f);
        for (int i = 0; i < 30; ++i) {
            d.reiniciar();
            QVERIFY(!d.bloque(0.02f, 0.01f)); // quiet: ratio 2 learned
        }
        QVERIFY(!d.bloque(0.1f, 0.05f));
        QVERIFY(!d.bloque(0.1f, 0.05f)); // ratio 2 now under the 3.4 threshold
        QCOMPARE(d.acople(), 2.0f);
        QVERIFY(!d.bloque(0.2f, 0.05f));
        QVERIFY(d.bloque(0.2f, 0.05f)); // ratio 4 over it
    }
};

QTEST_GUILESS_MAIN(TestDetectorVozEncima)
#include "TestDetectorVozEncima.moc"
