#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/EstadoIA.h"
#include "plataforma/Ajustes.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <atomic>

namespace {

Deteccion deteccion(const char* id, bool instalada)
{
    auto h = HerramientaIA::porId(QString::fromUtf8(id));
    return {*h, instalada ? std::optional<QString>("/x/" + h->id) : std::nullopt, std::nullopt};
}

}

class TestEstadoIA : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

private slots:
    void reglaAgente_data()
    {
        QTest::addColumn<AgenteCLI>("actual");
        QTest::addColumn<QList<Deteccion>>("detecciones");
        QTest::addColumn<bool>("cambia");
        QTest::newRow("codex sin cli") << AgenteCLI::codex << QList{deteccion("codex-cli", false)} << true;
        QTest::newRow("codex sin cli, con app")
            << AgenteCLI::codex << QList{deteccion("codex-app", true), deteccion("codex-cli", false)} << true;
        QTest::newRow("codex con cli") << AgenteCLI::codex << QList{deteccion("codex-cli", true)} << false;
        QTest::newRow("codex, nada detectado") << AgenteCLI::codex << QList<Deteccion>{} << true;
        QTest::newRow("claude sin claude") << AgenteCLI::claude << QList{deteccion("claude-code", false)} << false;
        QTest::newRow("claude sin codex") << AgenteCLI::claude << QList{deteccion("codex-cli", false)} << false;
    }

    void reglaAgente()
    {
        QFETCH(AgenteCLI, actual);
        QFETCH(QList<Deteccion>, detecciones);
        QFETCH(bool, cambia);
        QCOMPARE(EstadoIA::reglaAgente(actual, detecciones),
                 cambia ? std::optional(AgenteCLI::claude) : std::nullopt);
    }

    // A second call during a search returns at once; one search runs; the
    // results, the time and the agent rule land together on this thread.
    void unaBusquedaALaVez()
    {
        RelojFalso reloj;
        std::atomic<int> busquedas = 0;
        QSemaphore soltar;
        const QList<Deteccion> resultados{deteccion("claude-code", true), deteccion("codex-cli", false)};
        AgenteCLI agente = AgenteCLI::codex;
        int escrituras = 0;
        EstadoIA estado(
            reloj,
            [&] {
                ++busquedas;
                soltar.acquire();
                return resultados;
            },
            {[&] { return agente; },
             [&](AgenteCLI a) {
                 agente = a;
                 ++escrituras;
             }});
        QSignalSpy buscando(&estado, &EstadoIA::buscandoChanged);
        QSignalSpy detecciones(&estado, &EstadoIA::deteccionesChanged);
        QSignalSpy terminada(&estado, &EstadoIA::busquedaTerminada);
        QVERIFY(!estado.ultimaBusqueda().isValid());

        estado.buscar();
        QVERIFY(estado.buscando());
        estado.buscar();
        QTRY_COMPARE(busquedas.load(), 1);
        soltar.release(2);
        QVERIFY(terminada.wait(5000));
        QCOMPARE(busquedas.load(), 1);
        QVERIFY(!estado.buscando());
        QCOMPARE(buscando.size(), 2);
        QCOMPARE(estado.detecciones(), resultados);
        QCOMPARE(estado.ultimaBusqueda(), reloj.ahora());
        QCOMPARE(agente, AgenteCLI::claude);
        QCOMPARE(escrituras, 1);
        QCOMPARE(estado.deteccion("codex-cli"), std::optional(resultados[1]));

        // The same results again: no change to announce, no switch back.
        reloj.avanzar(std::chrono::seconds(1));
        estado.buscar();
        QVERIFY(terminada.wait(5000));
        QCOMPARE(detecciones.size(), 1);
        QCOMPARE(estado.ultimaBusqueda(), reloj.ahora());
        QCOMPARE(escrituras, 1);
    }

    void agenteEnAjustes()
    {
        Ajustes ajustes(hogar.en("ajustes.conf"));
        const auto agente = EstadoIA::agenteEnAjustes(ajustes);
        QCOMPARE(agente.leer(), AgenteCLI::claude);
        ajustes.escribir("agente", "codex");
        QCOMPARE(agente.leer(), AgenteCLI::codex);
        agente.escribir(AgenteCLI::claude);
        QCOMPARE(ajustes.texto("agente"), QStringLiteral("claude"));
    }
};

QTEST_GUILESS_MAIN(TestEstadoIA)
#include "TestEstadoIA.moc"
