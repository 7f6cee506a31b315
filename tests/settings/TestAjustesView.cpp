#include "BancoAjustes.h"
#include "settings/AjustesView.h"
#include "settings/SeccionEscucha.h"
#include "settings/SeccionIA.h"
#include "settings/SeccionVoz.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>

using Seccion = AjustesView::Seccion;
Q_DECLARE_METATYPE(AjustesView::Seccion)

// The settings window's frame over the real settings file, and the rule
// every section keeps: looking writes nothing.
class TestAjustesView : public QObject {
    Q_OBJECT

    BancoAjustes b;

    static void elegir(AjustesView& v, Seccion s)
    {
        v.lista()->item(AjustesView::secciones().indexOf(s))->setSelected(true);
    }

private slots:
    void cleanup() { b.cerrarTodo(); }

    void abreSinSeccion()
    {
        b.abrirCon();
        AjustesView v(b.entorno());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QCOMPARE(v.size(), QSize(780, 560));
        QCOMPARE(v.seccion(), std::nullopt);
        QVERIFY(qobject_cast<SeccionIA*>(v.vista()));
        QCOMPARE(v.windowTitle(), QStringLiteral("Inteligencia artificial"));
        // Focus makes the first row current: that chooses nothing.
        v.lista()->setFocus();
        QTest::keyClick(v.lista(), Qt::Key_Tab);
        v.lista()->setFocus();
        QCOMPARE(v.seccion(), std::nullopt);
        QVERIFY(v.lista()->selectedItems().isEmpty());
    }

    void secciones_data()
    {
        QTest::addColumn<Seccion>("seccion");
        QTest::addColumn<QString>("etiqueta");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("vista");
        QTest::newRow("ia") << Seccion::ia << "IA" << "Inteligencia artificial" << "seccionIA";
        QTest::newRow("voz") << Seccion::voz << "Voz y audio" << "Voz y audio" << "seccionVoz";
        QTest::newRow("escucha") << Seccion::escucha << "Escucha" << "Escucha y activación" << "seccionEscucha";
        QTest::newRow("personas") << Seccion::personas << "Personas" << "Personas y proyectos" << "";
        QTest::newRow("actualizaciones") << Seccion::actualizaciones << "Actualizaciones" << "Actualizaciones" << "";
        QTest::newRow("avanzado") << Seccion::avanzado << "Avanzado" << "Permisos y avanzado" << "";
    }

    void secciones()
    {
        QFETCH(Seccion, seccion);
        QFETCH(QString, vista);
        b.abrirCon();
        AjustesView v(b.entorno());
        const int fila = AjustesView::secciones().indexOf(seccion);
        QTEST(v.lista()->item(fila)->text(), "etiqueta");
        QVERIFY(!v.lista()->item(fila)->icon().isNull());
        elegir(v, seccion);
        QCOMPARE(v.seccion(), seccion);
        QTEST(v.windowTitle(), "titulo");
        QTEST(v.findChild<QLabel*>("tituloSeccion")->text(), "titulo");
        if (!vista.isEmpty())
            QCOMPARE(v.vista()->objectName(), vista);
        QCOMPARE(v.size(), QSize(780, 560));
    }

    // Coming back builds the section anew, with what was stored meanwhile.
    void volverReLee()
    {
        b.abrirCon({{"velocidadVoz", 1.0}});
        AjustesView v(b.entorno());
        elegir(v, Seccion::voz);
        QPointer<QWidget> primera = v.vista();
        QCOMPARE(static_cast<SeccionVoz*>(v.vista())->velocidad()->value(), SeccionVoz::pasoDe(1.0));
        elegir(v, Seccion::escucha);
        QVERIFY(primera.isNull());
        b.ajustes->escribir("velocidadVoz", 1.4f);
        elegir(v, Seccion::voz);
        QCOMPARE(static_cast<SeccionVoz*>(v.vista())->velocidad()->value(), SeccionVoz::pasoDe(1.4));
    }

    // Every section shown over odd stored values, while the device lists
    // refresh: nothing is written and the listener goes on as it was.
    void mirarNoEscribe_data()
    {
        QTest::addColumn<Seccion>("seccion");
        QTest::addColumn<QVariantMap>("guardados");
        const QVariantMap rarezas[] = {
            {},
            {{"agente", "codex"}, {"nivel", "editar"}, {"modeloClaude", "gpt-5"}, {"modeloCodex", "  o3\t"},
             {"instruccionesExtra", "\n  Sé breve.\t\n\n"}},
            {{"velocidadVoz", 0.8}, {"micUID", "desconocido"}, {"salidaUID", "audifonos"}, {"ignorarMusica", "quizás"},
             {"cancelacionEco", 3}, {"vozNeural", "x"}, {"leerRespuesta", false}, {"enviarAlCallar", false}},
            {{"velocidadVoz", 1.6}, {"micUID", "usb_mic"}, {"vozID", "no-existe"}, {"modoGrupo", true},
             {"oyeZuvi", true}},
        };
        const char* nombres[] = {"nada", "ia", "voz-bajo", "voz-alto"};
        for (Seccion s : {Seccion::ia, Seccion::voz, Seccion::escucha})
            for (int i = 0; i < 4; ++i)
                QTest::addRow("%s-%s", qPrintable(AjustesView::datos(s).etiqueta), nombres[i]) << s << rarezas[i];
    }

    void mirarNoEscribe()
    {
        QFETCH(Seccion, seccion);
        QFETCH(QVariantMap, guardados);
        guardados.insert("escuchaSiempre", false);  // so the wake-phrase listener listens
        b.abrirCon(guardados);
        b.escuchar();
        const QByteArray antes = b.archivo();
        QSignalSpy escrituras(b.ajustes.get(), &Ajustes::cambiado);
        QSignalSpy escucha(b.escucha.get(), &EscuchaZuvi::escuchandoCambiado);

        AjustesView v(b.entorno());
        v.show();
        elegir(v, seccion);
        b.sistema.entradas.push_back({5, QString("nuevo"), QString("Micrófono nuevo"), std::nullopt, 0, 1});
        b.sistema.salidas.push_back({9, QString("hdmi"), QString("Pantalla"), std::nullopt, 0, 2});
        b.sistema.cambiar();
        QTest::qWait(50);
        elegir(v, Seccion::ia);
        elegir(v, seccion);

        QCOMPARE(escrituras.size(), 0);
        QCOMPARE(escucha.size(), 0);
        QCOMPARE(b.archivo(), antes);
    }
};

QTEST_MAIN(TestAjustesView)
#include "TestAjustesView.moc"
