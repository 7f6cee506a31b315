#include "setup/BancoActualizador.h"

#include "vistas/TextoCorto.h"
#include "settings/SeccionActualizaciones.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>

using namespace std::chrono_literals;
using Caso = EstadoActualizacion::Caso;
using Botones = SeccionActualizaciones::Botones;

Q_DECLARE_METATYPE(Botones)

class TestSeccionActualizaciones : public QObject {
    Q_OBJECT

private slots:
    void estado_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<QString>("carga");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<Botones>("botones");
        QTest::newRow("al día") << int(Caso::alDia) << "" << "Al día" << Botones{false, true};
        QTest::newRow("buscando") << int(Caso::buscando) << "" << "Buscando…" << Botones{false, false};
        QTest::newRow("descargando") << int(Caso::descargando) << "" << "Descargando…" << Botones{false, false};
        // About to quit: nothing stops another look.
        QTest::newRow("instalando") << int(Caso::instalando) << "" << "Instalando…" << Botones{false, true};
        QTest::newRow("disponible") << int(Caso::disponible) << "1.3" << "Disponible: 1.3" << Botones{false, true};
        QTest::newRow("lista") << int(Caso::lista) << "1.3" << "Lista para instalar: 1.3" << Botones{true, true};
        QTest::newRow("error") << int(Caso::error) << "el servidor no respondió" << "No se pudo: el servidor no respondió"
                               << Botones{false, true};
    }

    void estado()
    {
        QFETCH(int, caso);
        QFETCH(QString, carga);
        QFETCH(QString, texto);
        QFETCH(Botones, botones);
        const EstadoActualizacion e{Caso(caso), carga};
        QCOMPARE(SeccionActualizaciones::textoEstado(e), texto);
        QCOMPARE(SeccionActualizaciones::botones(e), botones);
    }

    // The section follows a real updater over a loopback server: offered,
    // then waiting, then installed from the button.
    void sigueAlActualizador()
    {
        Banco b;
        SeccionActualizaciones s(*b.act, b.ajustes);
        s.resize(560, 400);
        s.show();
        auto* estado = s.findChild<TextoCorto*>("estado");
        auto* instalar = s.findChild<QPushButton*>("instalarAhora");
        QCOMPARE(s.findChild<QLabel*>("version")->text(), QStringLiteral("1.2 (build 12)"));
        QCOMPARE(estado->completo(), QStringLiteral("Al día"));
        QVERIFY(!instalar->isVisible());
        const auto pies = s.findChildren<QLabel*>("pie");
        QVERIFY(std::any_of(pies.begin(), pies.end(),
                            [](QLabel* l) { return l->text().endsWith("verifica antes de instalar. Servidor: 127.0.0.1"); }));

        b.revisar();
        QCOMPARE(estado->completo(), QStringLiteral("Disponible: 1.3"));
        QVERIFY(!instalar->isVisible());
        b.bajar();
        QCOMPARE(estado->completo(), QStringLiteral("Lista para instalar: 1.3"));
        QVERIFY(instalar->isVisible());
        instalar->click();
        QCOMPARE(b.lanzados.size(), 1);
        QCOMPARE(estado->completo(), QStringLiteral("Instalando…"));
    }

    void buscarAhora()
    {
        Banco b;
        b.servidor.servir("/ultima.json", {200, "{", ServidorPrueba::Respuesta::Modo::estancada});
        SeccionActualizaciones s(*b.act, b.ajustes);
        s.resize(560, 400);
        s.show();
        auto* buscar = s.findChild<QPushButton*>("buscarAhora");
        buscar->click();
        QCOMPARE(b.act->estado().caso, Caso::buscando);
        QVERIFY(!buscar->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return b.servidor.pedidos("/ultima.json") == 1; }));
        QTest::qWait(50);
        b.reloj.avanzar(20s);
        QVERIFY(b.reposa());
        QVERIFY(buscar->isEnabled());
        auto* estado = s.findChild<TextoCorto*>("estado");
        QVERIFY(estado->completo().startsWith("No se pudo: "));
        // Every line it draws fits, and what is cut is in the tooltip.
        QTest::qWait(50);
        const int lineas = int(estado->text().count('\n')) + 1;
        QVERIFY2(lineas * estado->fontMetrics().lineSpacing() <= estado->height(), qPrintable(estado->text()));
        QVERIFY2(!estado->text().endsWith(QChar(0x2026))
                     || QTextDocumentFragment::fromHtml(estado->toolTip()).toPlainText() == estado->completo(),
                 qPrintable(estado->text() + " / " + estado->completo()));
    }

    // Written only by the user's hand.
    void automatica()
    {
        Banco b;
        b.ajustes.quitar("actualizarSola");
        SeccionActualizaciones s(*b.act, b.ajustes);
        auto* caja = s.findChild<QCheckBox*>("automatica");
        QVERIFY(caja->isChecked());
        QVERIFY(!b.ajustes.contiene("actualizarSola"));
        caja->click();
        QCOMPARE(b.ajustes.valor("actualizarSola"), QVariant(false));
        QVERIFY(!b.act->automatica());
    }
};

QTEST_MAIN(TestSeccionActualizaciones)
#include "TestSeccionActualizaciones.moc"
