#include "audio/AnilloMuestras.h"

#include <QTest>

using Muestras = std::vector<float>;

class TestAnilloMuestras : public QObject {
    Q_OBJECT

private slots:
    // The newest samples in order, whatever the runs that brought them.
    void recientes_data()
    {
        QTest::addColumn<int>("capacidad");
        QTest::addColumn<QList<Muestras>>("tramos");
        QTest::addColumn<Muestras>("queda");
        QTest::newRow("cabe") << 5 << QList<Muestras>{{1, 2}, {3}} << Muestras{1, 2, 3};
        QTest::newRow("justo lleno") << 3 << QList<Muestras>{{1, 2}, {3}} << Muestras{1, 2, 3};
        QTest::newRow("da la vuelta") << 4 << QList<Muestras>{{1, 2, 3}, {4, 5, 6}} << Muestras{3, 4, 5, 6};
        QTest::newRow("varias vueltas") << 3 << QList<Muestras>{{1, 2}, {3, 4}, {5, 6}, {7}} << Muestras{5, 6, 7};
        QTest::newRow("un tramo mayor que todo") << 3 << QList<Muestras>{{1}, {2, 3, 4, 5, 6}} << Muestras{4, 5, 6};
        QTest::newRow("tramos vacíos") << 2 << QList<Muestras>{{}, {1}, {}} << Muestras{1};
        QTest::newRow("sin capacidad") << 0 << QList<Muestras>{{1, 2}} << Muestras{};
    }

    void recientes()
    {
        QFETCH(int, capacidad);
        QFETCH(QList<Muestras>, tramos);
        QFETCH(Muestras, queda);
        AnilloMuestras a{size_t(capacidad)};
        for (const Muestras& t : tramos)
            a.anadir(t.data(), t.size());
        QCOMPARE(a.copia(), queda);
        QCOMPARE(a.tamano(), queda.size());
    }

    // Emptied, it starts over wherever it stood.
    void vaciar()
    {
        AnilloMuestras a{3};
        const Muestras m{1, 2, 3, 4};
        a.anadir(m.data(), m.size());
        a.vaciar();
        QCOMPARE(a.copia(), Muestras{});
        a.anadir(m.data(), 2);
        QCOMPARE(a.copia(), (Muestras{1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestAnilloMuestras)
#include "TestAnilloMuestras.moc"
