#include "ConfiguracionPrueba.h"
#include "vistas/BotonMicrofono.h"
#include "vistas/Iconos.h"
#include "setup/InsigniaEstado.h"
#include "setup/OnboardingView.h"
#include "setup/PasoCuentas.h"
#include "setup/RegistroView.h"
#include "setup/Stepper.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QTextDocument>

using Barra = OnboardingView::Barra;
using Vista = InsigniaEstado::Vista;

namespace {

Barra barraCon(bool atras, bool omitir, const QString& primario, bool empezar)
{
    Barra b;
    b.atras = atras;
    b.omitir = omitir;
    b.primario = primario;
    b.empezar = empezar;
    return b;
}

Vista girando()
{
    Vista v;
    v.rueda = true;
    return v;
}

}

// The setup assistant's frame over the real installer in a temporary home:
// the bar, the step indicator, the badges and the install log.
class TestOnboarding : public QObject {
    Q_OBJECT

    ConfiguracionPrueba e;
    std::unique_ptr<OnboardingView> vista;

    OnboardingView& abrirVista()
    {
        vista = std::make_unique<OnboardingView>(e.entorno());
        vista->show();
        vista->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(vista.get())); }();
        return *vista;
    }

    // An install that hangs keeps the installer working until it is killed
    // at its limit.
    void trabajoColgado()
    {
        e.herramientas.marcar("colgar-npm");
        e.instalador->setAgentesElegidos({Agente::codex});
        e.instalador->instalarAgentes();
        QVERIFY(e.instalador->trabajando());
    }

private slots:
    void initTestCase() { Iconos::prepararTema(); }
    void init() { e.abrirConfiguracion({}, false, Instalador::Limites{.agente = std::chrono::seconds(6)}); }
    void cleanup()
    {
        vista.reset();
        e.cerrarConfiguracion();
    }

    void barra_data()
    {
        QTest::addColumn<int>("paso");
        QTest::addColumn<bool>("trabajando");
        QTest::addColumn<Barra>("esperada");
        const QString sigue = QStringLiteral("Continuar");
        for (bool t : {false, true}) {
            const char* sufijo = t ? " trabajando" : "";
            const auto fila = [&](PasoConfig p, Barra b) {
                b.navegable = !t;
                b.trabajando = t;
                QTest::newRow(qPrintable(Pasos::titulo(p) + QString::fromLatin1(sufijo))) << int(p) << t << b;
            };
            fila(PasoConfig::bienvenida, barraCon(false, false, QStringLiteral("Comenzar"), false));
            fila(PasoConfig::agentes, barraCon(true, true, sigue, false));
            fila(PasoConfig::skills, barraCon(true, true, sigue, false));
            fila(PasoConfig::conexiones, barraCon(true, true, sigue, false));
            fila(PasoConfig::voz, barraCon(true, false, sigue, false));
            fila(PasoConfig::activacion, barraCon(true, false, sigue, false));
            fila(PasoConfig::cuentas, barraCon(true, false, sigue, false));
            fila(PasoConfig::listo, barraCon(true, false, QString(), true));
        }
    }

    void barra()
    {
        QFETCH(int, paso);
        QFETCH(bool, trabajando);
        QFETCH(Barra, esperada);
        QCOMPARE(OnboardingView::barra(PasoConfig(paso), trabajando), esperada);
    }

    void pasos()
    {
        QCOMPARE(Pasos::desde(-1), std::nullopt);
        QCOMPARE(Pasos::desde(8), std::nullopt);
        QCOMPARE(Pasos::desde(7), PasoConfig::listo);
        QStringList titulos;
        for (PasoConfig p : Pasos::todos())
            titulos << Pasos::titulo(p);
        QCOMPARE(titulos, QStringList({"Bienvenida", "Agentes", "Skills", "Conexiones", "Voz", "Activación", "Cuentas",
                                       "Listo"}));
    }

    void nodos_data()
    {
        QTest::addColumn<int>("paso");
        QTest::addColumn<QList<int>>("nodos");
        QTest::addColumn<QString>("etiqueta");
        using N = Stepper::Nodo;
        QTest::newRow("bienvenida") << 0 << QList<int>{int(N::actual), 2, 2, 2, 2, 2, 2, 2} << "Paso 1 de 8: Bienvenida";
        QTest::newRow("skills") << 2 << QList<int>{0, 0, int(N::actual), 2, 2, 2, 2, 2} << "Paso 3 de 8: Skills";
        QTest::newRow("listo") << 7 << QList<int>{0, 0, 0, 0, 0, 0, 0, int(N::actual)} << "Paso 8 de 8: Listo";
    }

    void nodos()
    {
        QFETCH(int, paso);
        QFETCH(QList<int>, nodos);
        QFETCH(QString, etiqueta);
        QList<int> vistos;
        for (PasoConfig p : Pasos::todos())
            vistos << int(Stepper::nodo(p, PasoConfig(paso)));
        QCOMPARE(vistos, nodos);
        Stepper s{PasoConfig(paso)};
        QCOMPARE(s.accessibleName(), etiqueta);
    }

    void insignia_data()
    {
        QTest::addColumn<std::optional<EstadoPaso>>("estado");
        QTest::addColumn<InsigniaEstado::Vista>("vista");
        using V = InsigniaEstado::Vista;
        QTest::newRow("sin estado") << std::optional<EstadoPaso>() << girando();
        QTest::newRow("comprobando") << std::optional(EstadoPaso::comprobando()) << girando();
        QTest::newRow("trabajando") << std::optional(EstadoPaso::trabajando()) << girando();
        QTest::newRow("falta") << std::optional(EstadoPaso::falta())
                               << V{false, "Pendiente", "circle.dashed", V::Tono::secundario, 1};
        QTest::newRow("falta, con lo que sirve mientras")
            << std::optional(EstadoPaso{EstadoPaso::Tipo::falta, QStringLiteral("Voz básica (espeak-ng)")})
            << V{false, "Voz básica (espeak-ng)", "circle.dashed", V::Tono::secundario, 1};
        QTest::newRow("listo con detalle") << std::optional(EstadoPaso::listo(QStringLiteral("2.1.3")))
                                           << V{false, "2.1.3", "checkmark.circle.fill", V::Tono::verde, 1};
        QTest::newRow("listo") << std::optional(EstadoPaso::listo())
                               << V{false, "Listo", "checkmark.circle.fill", V::Tono::verde, 1};
        QTest::newRow("error") << std::optional(EstadoPaso::error(QStringLiteral("No se pudo instalar.")))
                               << V{false, "No se pudo instalar.", "exclamationmark.triangle.fill", V::Tono::naranja, 2};
    }

    void insignia()
    {
        QFETCH(std::optional<EstadoPaso>, estado);
        QFETCH(InsigniaEstado::Vista, vista);
        QCOMPARE(InsigniaEstado::vista(estado), vista);
        InsigniaEstado w(estado);
        QCOMPARE(w.muestraRueda(), vista.rueda);
    }

    // A long error keeps two lines, a long detail one, in the width the
    // badge really has; markup stays text, in the tooltip too, and no
    // character is cut in half.
    void insigniaLarga_data()
    {
        QTest::addColumn<int>("ancho");
        QTest::addColumn<QString>("texto");
        const QString npm = QStringLiteral("<b>npm</b> ERR! ") + QString(QStringLiteral("no se pudo escribir ")).repeated(12);
        QTest::newRow("sin límite") << 0 << npm;
        QTest::newRow("accesorio estrecho") << 190 << npm;
        QTest::newRow("emojis") << 190 << QStringLiteral("<b>npm</b> ") + QString::fromUtf8("🙂").repeated(80);
    }

    void insigniaLarga()
    {
        QFETCH(int, ancho);
        QFETCH(QString, texto);
        QWidget marco;
        if (ancho)
            marco.setFixedWidth(ancho);
        auto* capa = new QVBoxLayout(&marco);
        capa->setContentsMargins(0, 0, 0, 0);
        auto* error = new InsigniaEstado(EstadoPaso::error(texto), &marco);
        auto* detalle = new InsigniaEstado(EstadoPaso::listo(texto), &marco);
        capa->addWidget(error);
        capa->addWidget(detalle);
        marco.show();
        QVERIFY(QTest::qWaitForWindowExposed(&marco));
        const QFontMetrics m(error->texto()->font());
        const QString visto = error->texto()->text();
        QCOMPARE(error->texto()->textFormat(), Qt::PlainText);
        QVERIFY(visto.endsWith(QStringLiteral("…")));
        QVERIFY(!visto.at(visto.size() - 2).isHighSurrogate());
        QVERIFY(visto.startsWith(QStringLiteral("<b>npm</b>")));
        const int lineas = m.boundingRect(QRect(0, 0, error->texto()->width(), 10000), Qt::TextWordWrap, visto).height()
            / m.lineSpacing();
        QVERIFY2(lineas <= 2, qPrintable(QString::number(lineas)));
        QTextDocument ayuda;
        ayuda.setHtml(error->texto()->toolTip());
        QCOMPARE(ayuda.toPlainText().trimmed(), texto.trimmed());
        QVERIFY(!detalle->texto()->wordWrap());
        QVERIFY(m.horizontalAdvance(detalle->texto()->text()) <= detalle->texto()->width());
    }

    // One step at a time with the bar, Return included, and never past
    // either end; each step's content is built anew.
    void navegacion()
    {
        OnboardingView& v = abrirVista();
        QCOMPARE(v.paso(), PasoConfig::bienvenida);
        QCOMPARE(v.contenido()->objectName(), QStringLiteral("pasoBienvenida"));
        QVERIFY(!v.atras()->isVisible());
        QCOMPARE(v.primario()->text(), QStringLiteral("Comenzar"));
        QTest::keyClick(v.primario(), Qt::Key_Return);
        QCOMPARE(v.paso(), PasoConfig::agentes);
        QCOMPARE(v.stepper()->accessibleName(), QStringLiteral("Paso 2 de 8: Agentes"));
        QTest::mouseClick(v.omitir(), Qt::LeftButton);
        QCOMPARE(v.paso(), PasoConfig::skills);
        QPointer<QWidget> skills = v.contenido();
        QTest::mouseClick(v.atras(), Qt::LeftButton);
        QCOMPARE(v.paso(), PasoConfig::agentes);
        QVERIFY(!skills);
        const QStringList nombres{"pasoAgentes", "pasoSkills", "pasoConexiones", "pasoVoz", "pasoActivacion",
                                  "pasoCuentas", "pasoListo"};
        for (int i = 1; i < 8; ++i) {
            QCOMPARE(v.contenido()->objectName(), nombres.at(i - 1));
            // The checks of a step just shown may hold the bar a moment.
            QTRY_VERIFY_WITH_TIMEOUT(v.primario()->isEnabled() || i == 7, 30000);
            if (v.paso() == PasoConfig::voz) {
                // Return keeps working once the focused control goes with
                // its step.
                auto* boton = v.contenido()->findChild<BotonMicrofono*>();
                boton->setFocus();
                QTest::keyClick(boton, Qt::Key_Return);
                QVERIFY(QApplication::focusWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QCOMPARE(v.paso(), PasoConfig::cuentas);
                i += 2;
                QCOMPARE(v.contenido()->objectName(), nombres.at(i - 1));
            }
            if (i < 7)
                v.pulsarPrincipal();
        }
        QCOMPARE(v.paso(), PasoConfig::listo);
        QVERIFY(!v.primario()->isVisible());
        QVERIFY(!v.omitir()->isVisible());
        QVERIFY(v.empezar()->isVisible());
        QVERIFY(!e.ajustes->booleano("configuracionCompleta", false));
        QTest::keyClick(v.contenido(), Qt::Key_Return);
        QVERIFY(e.ajustes->booleano("configuracionCompleta", false));
    }

    // While a job runs, the bar cannot leave the step; the last step's
    // button stays available.
    void trabajando()
    {
        OnboardingView& v = abrirVista();
        v.pulsarPrincipal();
        trabajoColgado();
        QVERIFY(v.trabajando()->isVisible());
        QVERIFY(!v.atras()->isEnabled());
        QVERIFY(!v.omitir()->isEnabled());
        QVERIFY(!v.primario()->isEnabled());
        v.pulsarPrincipal();
        QCOMPARE(v.paso(), PasoConfig::agentes);
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->trabajando(), 40000);
        QVERIFY(v.primario()->isEnabled());
        QVERIFY(!v.trabajando()->isVisible());
    }

    // The voice install starts only on its button and runs in the
    // background: the bar stays usable, the install goes on while other
    // steps show, and "Cancelar" stops it with everything it started.
    void vozEnSegundoPlano()
    {
        e.herramientas.marcar("colgar-curl");
        OnboardingView& v = abrirVista();
        for (int i = 0; i < 4; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(v.primario()->isEnabled(), 30000);
            v.pulsarPrincipal();
        }
        QCOMPARE(v.paso(), PasoConfig::voz);
        QVERIFY(!e.instalador->instalandoVoz());
        auto* instalar = v.contenido()->findChild<QPushButton*>("instalarVoz");
        QVERIFY(instalar);
        QTRY_VERIFY(instalar->isVisible());
        QTest::mouseClick(instalar, Qt::LeftButton);
        QVERIFY(e.instalador->instalandoVoz());
        QVERIFY(v.atras()->isEnabled());
        QVERIFY(v.primario()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!e.herramientas.llamadas("curl").isEmpty(), 20000);

        v.pulsarPrincipal();
        QCOMPARE(v.paso(), PasoConfig::activacion);
        QTest::mouseClick(v.atras(), Qt::LeftButton);
        QCOMPARE(v.paso(), PasoConfig::voz);
        QVERIFY(e.instalador->instalandoVoz());
        auto* cancelar = v.contenido()->findChild<QPushButton*>("cancelarVoz");
        QVERIFY(cancelar);
        QTRY_VERIFY(cancelar->isVisible());
        QTest::mouseClick(cancelar, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->instalandoVoz(), 20000);
        QCOMPARE(describir(e.instalador->estadoVoz()), QStringLiteral("falta(Voz básica (espeak-ng))"));
        QTRY_VERIFY(v.contenido()->findChild<QPushButton*>("instalarVoz")->isVisible());
    }

    // Showing the assistant checks every item again.
    void compruebaAlMostrar()
    {
        e.instalados->insert(QStringLiteral("claude-code"), QStringLiteral("2.1.3"));
        abrirVista();
        QTRY_COMPARE(e.instalador->agentes().value(Agente::claudeCode), EstadoPaso::listo(QStringLiteral("2.1.3")));
        QTRY_COMPARE(e.instalador->agentes().value(Agente::codex), EstadoPaso::falta());
    }

    // The log button keeps its place while the log is empty; the sheet
    // follows the log and closes with Escape.
    void registro()
    {
        OnboardingView& v = abrirVista();
        QVERIFY(!v.registro()->isVisible());
        v.pulsarPrincipal();
        QTest::qWait(50);
        const QRect sitio = v.registro()->geometry();
        QVERIFY(sitio.width() > 0);
        trabajoColgado();
        QTRY_VERIFY(v.registro()->isVisible());
        QCOMPARE(v.registro()->geometry(), sitio);
        QTest::mouseClick(v.registro(), Qt::LeftButton);
        QPointer<RegistroView> hoja = v.registroAbierto();
        QVERIFY(hoja);
        QCOMPARE(hoja->windowModality(), Qt::WindowModal);
        QVERIFY(hoja->texto()->toPlainText().contains(QStringLiteral("▸ Instalando Codex…")));
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->trabajando(), 40000);
        QTRY_COMPARE(hoja->texto()->toPlainText(), e.instalador->registro());
        QTest::keyClick(hoja, Qt::Key_Escape);
        QTRY_VERIFY(!hoja);
    }

    // An agent test that runs while its step is left still shows when the
    // step comes back: its state lives in the installer.
    void pruebaSobreviveAlPaso()
    {
        e.instalados->insert(QStringLiteral("claude-code"), QStringLiteral("2.1.3"));
        OnboardingView& v = abrirVista();
        QTRY_COMPARE(e.instalador->agentes().value(Agente::claudeCode), EstadoPaso::listo(QStringLiteral("2.1.3")));
        for (int i = 0; i < 6; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(v.primario()->isEnabled(), 30000);
            v.pulsarPrincipal();
        }
        auto* cuentas = qobject_cast<PasoCuentas*>(v.contenido());
        QVERIFY(cuentas);
        QTest::mouseClick(cuentas->probar(Agente::claudeCode), Qt::LeftButton);
        QTest::mouseClick(v.atras(), Qt::LeftButton);
        QCOMPARE(v.paso(), PasoConfig::activacion);
        QVERIFY(e.instalador->sesion().value(Agente::claudeCode).es(EstadoPaso::Tipo::trabajando));
        v.pulsarPrincipal();
        QCOMPARE(v.paso(), PasoConfig::cuentas);
        cuentas = qobject_cast<PasoCuentas*>(v.contenido());
        QVERIFY(cuentas->insignia(Agente::claudeCode)->muestraRueda());
        QVERIFY(!cuentas->probar(Agente::claudeCode)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->sesion().value(Agente::claudeCode).es(EstadoPaso::Tipo::trabajando),
                                 30000);
        QVERIFY(cuentas->probar(Agente::claudeCode)->isEnabled());
        QVERIFY(!cuentas->insignia(Agente::claudeCode)->muestraRueda());
    }
};

QTEST_MAIN(TestOnboarding)
#include "TestOnboarding.moc"
