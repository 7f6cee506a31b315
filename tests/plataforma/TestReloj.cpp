#include "comun/RelojFalso.h"

#include <QTest>

using namespace std::chrono_literals;

class TestReloj : public QObject {
    Q_OBJECT

private slots:
    void falsoDisparaEnOrden()
    {
        RelojFalso reloj;
        QObject contexto;
        QStringList orden;
        auto b = reloj.despues(200ms, &contexto, [&] { orden << "b"; });
        auto a = reloj.despues(100ms, &contexto, [&] {
            orden << "a";
            // Scheduled from a callback, still due within this advance.
            reloj.despues(50ms, &contexto, [&] { orden << "a2"; }).soltar();
        });
        auto c = reloj.despues(1000ms, &contexto, [&] { orden << "c"; });
        reloj.avanzar(300ms);
        QCOMPARE(orden, (QStringList{"a", "a2", "b"}));
        QCOMPARE(reloj.monotono(), 300ms);
        QVERIFY(c.pendiente());
        QVERIFY(!a.pendiente());
    }

    void cancelarYReemplazar()
    {
        RelojFalso reloj;
        QObject contexto;
        int disparos = 0;
        Temporizador campo = reloj.despues(100ms, &contexto, [&] { disparos += 1; });
        // Replacing the handle cancels the old timer.
        campo = reloj.despues(100ms, &contexto, [&] { disparos += 10; });
        reloj.avanzar(100ms);
        QCOMPARE(disparos, 10);

        campo = reloj.despues(100ms, &contexto, [&] { disparos += 100; });
        campo.cancelar();
        {
            auto local = reloj.despues(50ms, &contexto, [&] { disparos += 1000; });
        }
        reloj.avanzar(1s);
        QCOMPARE(disparos, 10);
    }

    void contextoDestruidoNoDispara()
    {
        RelojFalso reloj;
        bool disparado = false;
        Temporizador t;
        {
            QObject contexto;
            t = reloj.despues(10ms, &contexto, [&] { disparado = true; });
        }
        reloj.avanzar(1s);
        QVERIFY(!disparado);
    }

    void sistemaDispara()
    {
        QObject contexto;
        bool disparado = false;
        bool cancelado = false;
        const auto antes = Reloj::sistema().monotono();
        auto t = Reloj::sistema().despues(20ms, &contexto, [&] { disparado = true; });
        auto u = Reloj::sistema().despues(20ms, &contexto, [&] { cancelado = true; });
        u.cancelar();
        QTRY_VERIFY(disparado);
        QVERIFY(!cancelado);
        QVERIFY(Reloj::sistema().monotono() - antes >= 20ms);
    }
};

QTEST_GUILESS_MAIN(TestReloj)
#include "TestReloj.moc"
