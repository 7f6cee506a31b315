#include "core/Futuros.h"

#include <QPromise>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

class TestFuturos : public QObject {
    Q_OBJECT
private slots:
    void correEnElHiloDelDueno();
    void duenoIdoNoCorreNiSeCuelga();
    void serieSeDetieneSinDueno();
};

// A result made on a worker thread reaches the owner's thread.
void TestFuturos::correEnElHiloDelDueno()
{
    QObject dueno;
    QThread* hilo = nullptr;
    int visto = 0;
    QFuture<int> trabajo = QtConcurrent::run([] { return 41; });
    QFuture<int> f = Futuros::luego(trabajo, &dueno, [&](int v) {
        hilo = QThread::currentThread();
        visto = v;
        return v + 1;
    });
    QTRY_VERIFY(f.isFinished());
    QCOMPARE(visto, 41);
    QCOMPARE(f.result(), 42);
    QCOMPARE(hilo, QThread::currentThread());
}

// The owner going before the work ends must neither assert (debug Qt) nor
// leave the chain hanging: the continuation is skipped and what follows a
// future-returning one ends cancelled.
void TestFuturos::duenoIdoNoCorreNiSeCuelga()
{
    QPromise<int> promesa;
    promesa.start();
    auto dueno = std::make_unique<QObject>();
    bool corrio = false;
    bool siguio = false;
    QFuture<int> valor = Futuros::luego(promesa.future(), dueno.get(), [&](int) {
        corrio = true;
        return 1;
    });
    QFuture<void> cadena = Futuros::luego(promesa.future(), dueno.get(), [&](int) {
                               corrio = true;
                               return Futuros::hecho();
                           })
                               .unwrap()
                               .then([&] { siguio = true; });
    dueno.reset();
    promesa.addResult(5);
    promesa.finish();
    QTRY_VERIFY(valor.isFinished() && cadena.isFinished());
    QCoreApplication::processEvents();
    QVERIFY(!corrio);
    QVERIFY(!siguio);
    QVERIFY(cadena.isCanceled());
}

void TestFuturos::serieSeDetieneSinDueno()
{
    auto dueno = std::make_unique<QObject>();
    QList<int> hechos;
    std::vector<std::shared_ptr<QPromise<void>>> promesas;
    QFuture<void> serie = Futuros::enSerie(dueno.get(), QList<int>{1, 2, 3}, [&](int n) {
        hechos << n;
        auto p = std::make_shared<QPromise<void>>();
        p->start();
        promesas.push_back(p);
        return p->future();
    });
    QTRY_COMPARE(hechos, QList<int>{1});
    promesas.back()->finish();
    QTRY_COMPARE(hechos, (QList<int>{1, 2}));
    dueno.reset();
    promesas.back()->finish();
    QTRY_VERIFY(serie.isFinished());
    QCoreApplication::processEvents();
    QCOMPARE(hechos, (QList<int>{1, 2}));
}

QTEST_GUILESS_MAIN(TestFuturos)
#include "TestFuturos.moc"
