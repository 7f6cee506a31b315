#include "BancoAjustes.h"
#include "audio/MotorConversacion.h"
#include "core/InicioSesion.h"
#include "settings/FilaOpcion.h"
#include "settings/SeccionEscucha.h"
#include "settings/SeccionIA.h"
#include "settings/SeccionVoz.h"
#include "setup/AtajoSiri.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

// The sections' read rules and what each control writes, over the real
// settings file in a temporary home.
class TestSeccionesAjustes : public QObject {
    Q_OBJECT

    BancoAjustes b;

    // What a fresh reader of the file sees.
    QVariant enArchivo(const QString& clave)
    {
        b.ajustes->volcar();
        return Ajustes(b.ajustes->archivo()).valor(clave);
    }

    static HerramientaIA herramienta(const QString& id)
    {
        HerramientaIA h;
        h.id = id;
        return h;
    }

private slots:
    void cleanup() { b.cerrarTodo(); }

    void etiquetaAgente_data()
    {
        QTest::addColumn<int>("agente");
        QTest::addColumn<QList<Deteccion>>("detecciones");
        QTest::addColumn<QString>("etiqueta");
        const Deteccion codexFalta{herramienta("codex-cli"), std::nullopt, std::nullopt};
        const Deteccion codexEsta{herramienta("codex-cli"), QString("/usr/bin/codex"), std::nullopt};
        const Deteccion claudeFalta{herramienta("claude-code"), std::nullopt, std::nullopt};
        QTest::newRow("sin detección") << int(AgenteCLI::codex) << QList<Deteccion>{} << "Codex";
        QTest::newRow("codex falta") << int(AgenteCLI::codex) << QList<Deteccion>{claudeFalta, codexFalta}
                                     << "Codex (no instalado)";
        QTest::newRow("codex está") << int(AgenteCLI::codex) << QList<Deteccion>{codexEsta} << "Codex";
        QTest::newRow("claude falta") << int(AgenteCLI::claude) << QList<Deteccion>{codexEsta, claudeFalta}
                                      << "Claude (no instalado)";
        // The first entry of the tool counts.
        QTest::newRow("primera") << int(AgenteCLI::codex) << QList<Deteccion>{codexEsta, codexFalta} << "Codex";
    }

    void etiquetaAgente()
    {
        QFETCH(int, agente);
        QFETCH(QList<Deteccion>, detecciones);
        QTEST(SeccionIA::etiquetaAgente(AgenteCLI(agente), detecciones), "etiqueta");
    }

    void modeloCodex_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QString>("guardado");
        QTest::newRow("espacios") << "  gpt-5-codex  " << "gpt-5-codex";
        QTest::newRow("tabuladores") << "\tgpt-5\t " << "gpt-5";
        QTest::newRow("saltos quedan") << "\n o3 \n" << "\n o3 \n";
        QTest::newRow("por dentro") << " mi modelo " << "mi modelo";
        QTest::newRow("vacío") << "   " << "";
    }

    void modeloCodex()
    {
        QFETCH(QString, escrito);
        QTEST(SeccionIA::modeloCodexGuardado(escrito), "guardado");
    }

    // Typing stores the trimmed name; clearing stores the empty text.
    void campoCodex()
    {
        b.abrirCon({{"agente", "codex"}, {"modeloCodex", "viejo"}});
        SeccionIA s(b.entorno());
        QVERIFY(s.modeloCodex()->isVisibleTo(&s));
        QVERIFY(!s.filasModelo().first()->isVisibleTo(&s));
        QCOMPARE(s.modeloCodex()->text(), QStringLiteral("viejo"));
        s.modeloCodex()->clear();
        QTest::keyClicks(s.modeloCodex(), "  o4-mini ");
        QCOMPARE(s.modeloCodex()->text(), QStringLiteral("  o4-mini "));
        QCOMPARE(enArchivo("modeloCodex"), QVariant("o4-mini"));
        s.modeloCodex()->selectAll();
        QTest::keyClick(s.modeloCodex(), Qt::Key_Backspace);
        QCOMPARE(enArchivo("modeloCodex"), QVariant(""));
    }

    void modeloClaude_data()
    {
        QTest::addColumn<QVariant>("guardado");
        QTest::addColumn<int>("elegida");
        QTest::newRow("ausente") << QVariant() << 0;
        QTest::newRow("gpt-5") << QVariant("gpt-5") << 0;
        QTest::newRow("sonnet") << QVariant("sonnet") << 0;
        QTest::newRow("opus") << QVariant("opus") << 1;
        QTest::newRow("haiku") << QVariant("haiku") << 2;
        QTest::newRow("mayúsculas") << QVariant("Opus") << 0;
    }

    void modeloClaude()
    {
        QFETCH(QVariant, guardado);
        QFETCH(int, elegida);
        b.abrirCon(guardado.isValid() ? QVariantMap{{"modeloClaude", guardado}} : QVariantMap{});
        SeccionIA s(b.entorno());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(s.filasModelo()[i]->elegida(), i == elegida);
        // The chosen row again stores the same value again.
        QSignalSpy escrituras(b.ajustes.get(), &Ajustes::cambiado);
        s.filasModelo()[elegida]->click();
        s.filasModelo()[2]->click();
        QCOMPARE(escrituras.size(), 2);
        QCOMPARE(enArchivo("modeloClaude"), QVariant("haiku"));
        QVERIFY(s.filasModelo()[2]->elegida());
    }

    void agenteYNivel()
    {
        b.abrirCon({{"nivel", "responder"}});
        SeccionIA s(b.entorno());
        QVERIFY(s.filasNivel()[0]->elegida());
        QVERIFY(!s.filasNivel()[2]->enNaranja());
        s.filasNivel()[2]->click();
        QCOMPARE(enArchivo("nivel"), QVariant("total"));
        QVERIFY(s.filasNivel()[2]->enNaranja());
        QVERIFY(!s.filasNivel()[0]->elegida());
        // The picker replaces the model rows by the Codex field at once.
        s.agentes()->button(int(AgenteCLI::codex))->click();
        QCOMPARE(enArchivo("agente"), QVariant("codex"));
        QVERIFY(s.modeloCodex()->isVisibleTo(&s));
        QVERIFY(!s.filasModelo().first()->isVisibleTo(&s));
        // A change made elsewhere shows at once.
        b.asistente->setAgente(AgenteCLI::claude);
        QVERIFY(s.agentes()->button(int(AgenteCLI::claude))->isChecked());
        QVERIFY(s.filasModelo().first()->isVisibleTo(&s));
    }

    // Typed instructions reach a fresh reader exactly as typed.
    void instrucciones()
    {
        b.abrirCon({{"instruccionesExtra", "antes"}});
        SeccionIA s(b.entorno());
        QCOMPARE(s.instrucciones()->toPlainText(), QStringLiteral("antes"));
        const QString texto = QStringLiteral("\n\n  Somos el equipo de Norp.\u00a0Usa un tono cercano.\t\n  \n");
        s.instrucciones()->selectAll();
        s.instrucciones()->insertPlainText(texto);
        QCOMPARE(enArchivo("instruccionesExtra").toString(), texto);
    }

    void velocidad_data()
    {
        QTest::addColumn<QVariant>("guardada");
        QTest::addColumn<double>("inicial");
        QTest::newRow("ausente") << QVariant() << 1.15;
        QTest::newRow("cero") << QVariant(0.0) << 1.15;
        QTest::newRow("negativa") << QVariant(-1.0) << 1.15;
        QTest::newRow("texto") << QVariant("rápido") << 1.15;
        QTest::newRow("1.3") << QVariant(1.3f) << 1.3;
        QTest::newRow("bajo el mínimo") << QVariant(0.8) << 0.8;
    }

    void velocidad()
    {
        QFETCH(QVariant, guardada);
        QFETCH(double, inicial);
        b.abrirCon(guardada.isValid() ? QVariantMap{{"velocidadVoz", guardada}} : QVariantMap{});
        QVERIFY(qAbs(SeccionVoz::velocidadInicial(*b.ajustes) - inicial) < 1e-6);
        SeccionVoz s(b.entorno());
        QCOMPARE(s.velocidad()->value(), SeccionVoz::pasoDe(inicial));
        // One step up by the user's hand stores a Float on the 0.05 grid.
        s.velocidad()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        const double esperada = std::clamp(inicial, 0.9, 1.5) + 0.05;
        QVERIFY(qAbs(b.ajustes->real("velocidadVoz", 0) - std::min(esperada, 1.5)) < 1e-6);
        QVERIFY(qAbs(Ajustes(b.ajustes->archivo()).real("velocidadVoz", 0) - std::min(esperada, 1.5)) < 1e-6
                || !QFile::exists(b.ajustes->archivo()));
    }

    void ignorarMusica_data()
    {
        QTest::addColumn<QVariant>("guardado");
        QTest::addColumn<bool>("marcado");
        QTest::newRow("ausente") << QVariant() << true;
        QTest::newRow("no es Bool") << QVariant("quizás") << true;
        QTest::newRow("número") << QVariant(0) << true;
        QTest::newRow("false") << QVariant(false) << false;
    }

    void ignorarMusica()
    {
        QFETCH(QVariant, guardado);
        b.abrirCon(guardado.isValid() ? QVariantMap{{"ignorarMusica", guardado}} : QVariantMap{});
        SeccionVoz s(b.entorno());
        QTEST(s.musica()->isChecked(), "marcado");
        QVERIFY(!s.eco()->isChecked());
        s.musica()->click();
        s.eco()->click();
        QCOMPARE(enArchivo("ignorarMusica").toString(), s.musica()->isChecked() ? "true" : "false");
        QCOMPARE(enArchivo("cancelacionEco").toString(), QStringLiteral("true"));
    }

    void etiquetas_data()
    {
        QTest::addColumn<QString>("fabricante");
        QTest::addColumn<QString>("microfono");
        QTest::newRow("con fabricante") << "Logitech" << "Yeti (Logitech)";
        QTest::newRow("sin fabricante") << "" << "Yeti";
    }

    void etiquetas()
    {
        QFETCH(QString, fabricante);
        DispositivoAudio d{1, "yeti", "Yeti", fabricante, 0};
        QTEST(SeccionVoz::etiquetaMicrofono(d), "microfono");
        QCOMPARE(SeccionVoz::etiquetaSalida(d), "Yeti (" + d.conexion() + ")");
        QCOMPARE(SeccionVoz::etiquetaVoz({"es", "Spanish", "es", 1, false}), QStringLiteral("Spanish (Básica)"));
        QCOMPARE(SeccionVoz::etiquetaVoz({"x", "Paulina", "es-MX", 2, false}), QStringLiteral("Paulina (Mejorada)"));
        QCOMPARE(SeccionVoz::etiquetaVoz({"y", "Mónica", "es-ES", 3, false}), QStringLiteral("Mónica (Premium)"));
    }

    void idioma_data()
    {
        QTest::addColumn<std::optional<QString>>("locale");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("sin reconocedor") << std::optional<QString>() << "—";
        QTest::newRow("es-CL") << std::optional<QString>("es-CL") << "español (Chile)";
        QTest::newRow("es-ES") << std::optional<QString>("es-ES") << "español de España";
        QTest::newRow("desconocido") << std::optional<QString>("zz-ZZ") << "zz-ZZ";
    }

    void idioma()
    {
        QFETCH(std::optional<QString>, locale);
        QTEST(SeccionVoz::nombreIdioma(locale), "nombre");
    }

    // Without "vozID" the best Spanish voice shows as chosen, unstored;
    // a pick stores it.
    void vozRespaldo()
    {
        b.abrirCon();
        SeccionVoz s(b.entorno());
        QComboBox* c = s.vozRespaldo();
        if (c->count() == 0)
            QSKIP("espeak-ng no tiene voces en español aquí");
        QCOMPARE(c->currentData().toString(), MotorConversacion::mejorVoz()->identificador);
        QVERIFY(!b.ajustes->contiene("vozID"));
        c->setFocus();
        QTest::keyClick(c, c->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(enArchivo("vozID").toString(), c->currentData().toString());
        QCOMPARE(SeccionVoz::vozElegida(std::nullopt, std::nullopt), QString());
    }

    // A new microphone restarts a listening wake-phrase listener once, on
    // that microphone; a stopped one stays stopped, and the output restarts
    // nothing.
    void microfono_data()
    {
        QTest::addColumn<bool>("escuchando");
        QTest::newRow("escuchando") << true;
        QTest::newRow("parado") << false;
    }

    void microfono()
    {
        QFETCH(bool, escuchando);
        b.abrirCon({{"escuchaSiempre", false}, {"micUID", "usb_mic"}});
        if (escuchando)
            b.escuchar();
        SeccionVoz s(b.entorno());
        v(s);
        QCOMPARE(s.microfono()->currentText(), QStringLiteral("Micrófono USB (Logitech)"));
        const auto abiertos = b.microfono.abiertos.size();
        QSignalSpy cambios(b.escucha.get(), &EscuchaZuvi::escuchandoCambiado);
        s.salida()->setFocus();
        QTest::keyClick(s.salida(), Qt::Key_Down);
        QCOMPARE(enArchivo("salidaUID"), QVariant("audifonos"));
        QCOMPARE(cambios.size(), 0);

        s.microfono()->setFocus();
        QTest::keyClick(s.microfono(), Qt::Key_Down);
        QCOMPARE(enArchivo("micUID"), QVariant("interno"));
        if (escuchando) {
            QTRY_COMPARE(cambios.size(), 2);
            QTest::qWait(50);
            QCOMPARE(cambios.size(), 2);
            QVERIFY(b.escucha->escuchando());
            QCOMPARE(b.microfono.abiertos.size(), abiertos + 1);
            QCOMPARE(b.microfono.abiertos.back(), std::optional<QString>("interno"));
        } else {
            QTest::qWait(50);
            QCOMPARE(cambios.size(), 0);
            QCOMPARE(b.microfono.abiertos.size(), abiertos);
        }
    }

    static void v(QWidget& w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

    // The wheel over a picker or the slider scrolls the section and changes
    // nothing (the listener is not restarted), also over the control that
    // got the focus as the window opened; one the user focused takes it.
    void rueda_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("enfocado");
        QTest::addColumn<QString>("clave");
        QTest::newRow("velocidad") << "velocidad" << false << "velocidadVoz";
        QTest::newRow("micrófono") << "microfono" << false << "micUID";
        QTest::newRow("salida") << "salida" << false << "salidaUID";
        QTest::newRow("voz de respaldo") << "vozRespaldo" << false << "vozID";
        QTest::newRow("velocidad enfocada") << "velocidad" << true << "velocidadVoz";
        QTest::newRow("salida enfocada") << "salida" << true << "salidaUID";
    }

    void rueda()
    {
        QFETCH(QString, control);
        QFETCH(bool, enfocado);
        QFETCH(QString, clave);
        b.abrirCon({{"escuchaSiempre", false}, {"micUID", "usb_mic"}, {"salidaUID", "parlantes"}});
        b.escuchar();
        SeccionVoz s(b.entorno());
        s.resize(520, 260);
        v(s);
        auto* w = s.findChild<QWidget*>(control);
        QVERIFY(w);
        s.ensureWidgetVisible(w);
        if (enfocado) {
            s.activateWindow();
            w->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(w->hasFocus());
        }
        const QVariant guardado = enArchivo(clave);
        QScrollBar* barra = s.verticalScrollBar();
        const int antes = barra->value();
        // Down, unless the form is at its end already.
        const int giro = enfocado || antes < barra->maximum() ? -120 : 120;
        QSignalSpy cambios(b.escucha.get(), &EscuchaZuvi::escuchandoCambiado);
        const QPointF centro = w->rect().center();
        for (int i = 0; i < 2; ++i) {
            QWheelEvent e(centro, w->mapToGlobal(centro), QPoint(), QPoint(0, giro), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &e);
        }
        QCOMPARE(enArchivo(clave) != guardado, enfocado);
        QCOMPARE(barra->value() != antes, !enfocado);
        QCOMPARE(cambios.size(), 0);
    }

    void escucha()
    {
        b.abrirCon({{"escuchaSiempre", true}, {"modoGrupo", "sí"}});
        b.modo->setInmersivo(true);
        SeccionEscucha s(b.entorno());
        QVERIFY(s.siempre()->isChecked());
        QVERIFY(s.oye()->isChecked());
        QVERIFY(!s.grupo()->isChecked());
        s.siempre()->click();
        QCOMPARE(enArchivo("escuchaSiempre").toString(), QStringLiteral("false"));
        QVERIFY(!b.modo->inmersivo());
        QTRY_VERIFY(b.escucha->escuchando());  // the wake-phrase listener has the microphone back
        s.grupo()->click();
        QCOMPARE(enArchivo("modoGrupo").toString(), QStringLiteral("true"));
        s.oye()->click();
        QVERIFY(!b.escucha->activada());
        QCOMPARE(enArchivo("oyeZuvi").toString(), QStringLiteral("false"));
        // Changed elsewhere while shown: the switch keeps its position.
        b.escucha->setActivada(true);
        QVERIFY(!s.oye()->isChecked());
    }

    // A login item that cannot be written shows the real state, says why
    // and logs it.
    void alEncender_data()
    {
        QTest::addColumn<bool>("bloqueado");
        QTest::newRow("se escribe") << false;
        QTest::newRow("carpeta bloqueada") << true;
    }

    void alEncender()
    {
        QFETCH(bool, bloqueado);
        b.abrirCon();
        const QString carpeta = QFileInfo(InicioSesion::archivo()).path();
        QDir(carpeta).removeRecursively();
        if (bloqueado) {
            QFile tapon(carpeta);  // a file where the folder should be
            QVERIFY(tapon.open(QIODevice::WriteOnly));
        }
        SeccionEscucha s(b.entorno());
        QVERIFY(!s.alEncender()->isChecked());
        s.alEncender()->click();
        QCOMPARE(s.alEncender()->isChecked(), !bloqueado);
        QCOMPARE(QFileInfo::exists(InicioSesion::archivo()), !bloqueado);
        QCOMPARE(s.errorInicio()->isVisibleTo(&s), bloqueado);
        if (bloqueado) {
            QCOMPARE(s.errorInicio()->text(), SeccionEscucha::mensajeInicio(true));
            QVERIFY(b.registro().contains(QStringLiteral("No se pudo activar el inicio con la sesión")));
        } else {
            s.alEncender()->click();
            QVERIFY(!s.alEncender()->isChecked());
            QVERIFY(!QFileInfo::exists(InicioSesion::archivo()));
        }
        QFile::remove(carpeta);
    }

    void lanzador_data()
    {
        QTest::addColumn<bool>("bloqueado");
        QTest::newRow("creado") << false;
        QTest::newRow("carpeta bloqueada") << true;
    }

    void lanzador()
    {
        QFETCH(bool, bloqueado);
        b.abrirCon();
        const QString carpeta = QFileInfo(AtajoSiri::archivo()).path();
        QDir(carpeta).removeRecursively();
        if (bloqueado) {
            QFile tapon(carpeta);
            QVERIFY(tapon.open(QIODevice::WriteOnly));
        }
        SeccionEscucha s(b.entorno());
        QVERIFY(!s.atajo()->isVisibleTo(&s));
        s.crearAtajo()->click();
        QVERIFY(s.atajo()->isVisibleTo(&s));
        QCOMPARE(QFileInfo::exists(AtajoSiri::archivo()), !bloqueado);
        if (bloqueado)
            QVERIFY(s.atajo()->text().startsWith(QStringLiteral("No se pudo")));
        else
            QCOMPARE(s.atajo()->text(), QString::fromUtf8(SeccionEscucha::atajoListo));
        QFile::remove(carpeta);
    }
};

QTEST_MAIN(TestSeccionesAjustes)
#include "TestSeccionesAjustes.moc"
