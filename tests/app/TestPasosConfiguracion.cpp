#include "ConfiguracionPrueba.h"
#include "vistas/BotonMicrofono.h"
#include "vistas/Iconos.h"
#include "core/InicioSesion.h"
#include "setup/AtajoSiri.h"
#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/PasoActivacion.h"
#include "setup/PasoAgentes.h"
#include "setup/PasoConexiones.h"
#include "setup/PasoCuentas.h"
#include "setup/PasoListo.h"
#include "setup/PasoSkills.h"
#include "setup/PasoVoz.h"
#include "setup/TarjetaReconocimiento.h"
#include "setup/Tarjeta.h"
#include "setup/TarjetaVozNeural.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(PasoListo::Situacion)
Q_DECLARE_METATYPE(EstadoPaso::Tipo)

// The steps of the setup assistant over the real installer, listener and
// settings in a temporary home.
class TestPasosConfiguracion : public QObject {
    Q_OBJECT

    ConfiguracionPrueba e;

    // The neural voice counts as installed once its interpreter is there.
    // An installed voice whose service runs `guion`.
    static void vozInstalada(const QByteArray& guion = "sleep 30")
    {
        const QString python = VozNeural::carpeta() + QStringLiteral("/.venv/bin/python");
        QDir().mkpath(QFileInfo(python).path());
        QFile f(python);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + guion + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile marca(VozNeural::carpeta() + QLatin1Char('/') + QLatin1String(VozNeural::marcaInstalada));
        QVERIFY(marca.open(QIODevice::WriteOnly));
        marca.close();
        QVERIFY(VozNeural::instalada());
    }

    static void skill(const QString& ruta)
    {
        QDir().mkpath(QFileInfo(ruta).path());
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("---\nname: x\n---\n");
    }

    void comprobar()
    {
        auto f = e.instalador->comprobarTodo();
        QTRY_VERIFY_WITH_TIMEOUT(f.isFinished(), 30000);
    }

private slots:
    void initTestCase() { Iconos::prepararTema(); }
    // A hanging install is killed at its limit.
    void init() { e.abrirConfiguracion({}, false, Instalador::Limites{.agente = std::chrono::seconds(6)}); }
    void cleanup() { e.cerrarConfiguracion(); }

    void pendientes_data()
    {
        QTest::addColumn<QList<Agente>>("elegidos");
        QTest::addColumn<QList<Agente>>("listos");
        QTest::addColumn<QString>("titulo");
        const QList<Agente> ninguno;
        QTest::newRow("nada elegido") << ninguno << ninguno << "Todo instalado";
        QTest::newRow("todo instalado") << QList{Agente::codex} << QList{Agente::codex} << "Todo instalado";
        QTest::newRow("uno") << QList{Agente::claudeCode, Agente::codex} << QList{Agente::claudeCode} << "Instalar Codex";
        QTest::newRow("app de escritorio, sin versión para Linux") << QList{Agente::claudeApp} << ninguno
                                                                   << "Todo instalado";
        QTest::newRow("dos") << QList{Agente::claudeCode, Agente::codex} << ninguno << "Instalar 2 agentes";
        QTest::newRow("tres elegidos") << QList{Agente::claudeApp, Agente::codex, Agente::claudeCode} << ninguno
                                       << "Instalar 2 agentes";
    }

    void pendientes()
    {
        QFETCH(QList<Agente>, elegidos);
        QFETCH(QList<Agente>, listos);
        QFETCH(QString, titulo);
        EstadosAgentes estados;
        for (Agente a : Agentes::todos())
            estados.insert(a, listos.contains(a) ? EstadoPaso::listo() : EstadoPaso::error(QStringLiteral("x")));
        QCOMPARE(PasoAgentes::tituloInstalar(PasoAgentes::pendientes(estados, elegidos)), titulo);
    }

    // An installed agent has no switch; the switches write the choice only
    // when clicked.
    void agentes()
    {
        e.instalados->insert(QStringLiteral("claude-code"), QStringLiteral("2.1.3"));
        comprobar();
        QSignalSpy elecciones(e.instalador.get(), &Instalador::agentesElegidosChanged);
        PasoAgentes paso(*e.instalador);
        paso.show();
        QVERIFY(elecciones.isEmpty());
        QVERIFY(!paso.interruptor(Agente::claudeCode)->isVisible());
        QVERIFY(paso.interruptor(Agente::codex)->isChecked());
        QVERIFY(!paso.interruptor(Agente::claudeApp)->isChecked());
        QCOMPARE(paso.instalar()->text(), QStringLiteral("Instalar Codex"));
        QTest::mouseClick(paso.interruptor(Agente::codex), Qt::LeftButton);
        QCOMPARE(e.instalador->agentesElegidos(), QList{Agente::claudeCode});
        QCOMPARE(paso.instalar()->text(), QStringLiteral("Todo instalado"));
        QVERIFY(!paso.instalar()->isEnabled());
        // The desktop application cannot be installed here: no switch, and
        // never shown as pending.
        QVERIFY(!paso.interruptor(Agente::claudeApp)->isVisible());
        QVERIFY(!paso.insignia(Agente::claudeApp)->isVisible());
    }

    void textosSkills_data()
    {
        QTest::addColumn<int>("faltan");
        QTest::addColumn<QString>("tarjeta");
        QTest::addColumn<QString>("lista");
        QTest::newRow("ninguna") << 0 << "Ya están todas instaladas." << "";
        QTest::newRow("doce") << 12 << "Faltan 12. Las que ya tienes no se tocan."
                              << "s01 · s02 · s03 · s04 · s05 · s06 · s07 · s08 · s09 · s10 · s11 · s12";
        QTest::newRow("trece") << 13 << "Faltan 13. Las que ya tienes no se tocan."
                               << "s01 · s02 · s03 · s04 · s05 · s06 · s07 · s08 · s09 · s10 · s11 · s12 …";
    }

    void textosSkills()
    {
        QFETCH(int, faltan);
        QFETCH(QString, tarjeta);
        QFETCH(QString, lista);
        QStringList nombres;
        for (int i = 1; i <= faltan; ++i)
            nombres << QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(PasoSkills::textoTarjeta(nombres), tarjeta);
        QCOMPARE(PasoSkills::listaFaltantes(nombres), lista);
    }

    // The header names Codex once it is installed; the progress bar shows
    // only while the copy runs.
    void skills()
    {
        for (int i = 1; i <= 13; ++i)
            skill(e.recursos() + QStringLiteral("/SkillsPack/skill-%1/SKILL.md").arg(i));
        e.instalados->insert(QStringLiteral("codex-cli"), QStringLiteral("0.5"));
        comprobar();
        PasoSkills paso(*e.instalador);
        paso.show();
        QCOMPARE(paso.tarjeta()->titulo()->text(), QStringLiteral("13 skills incluidas"));
        QVERIFY(paso.encabezado()->texto()->text().endsWith(QStringLiteral("Se instalan para Claude Code y Codex.")));
        QVERIFY(paso.faltantes()->isVisible());
        QVERIFY(paso.faltantes()->text().endsWith(QStringLiteral(" …")));
        QVERIFY(!paso.progreso()->isVisible());
        QVERIFY(paso.instalar()->isEnabled());
        QTest::mouseClick(paso.instalar(), Qt::LeftButton);
        QVERIFY(!paso.instalar()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->trabajando(), 30000);
        QVERIFY(!paso.progreso()->isVisible());
        QCOMPARE(paso.tarjeta()->texto()->text(), QStringLiteral("Ya están todas instaladas."));
        QVERIFY(!paso.faltantes()->isVisible());
        QVERIFY(!paso.instalar()->isEnabled());
    }

    void textosConexiones()
    {
        QCOMPARE(PasoConexiones::textoConexion(QStringLiteral("Modelar."), {}), QStringLiteral("Modelar."));
        QCOMPARE(PasoConexiones::textoConexion(QStringLiteral("Modelar."), {"Blender", "Blender 4.2"}),
                 QStringLiteral("Modelar.\nBlender, Blender 4.2"));
        QCOMPARE(PasoConexiones::faltaControl({"Accesibilidad", "Grabación de pantalla"}),
                 QStringLiteral("Control del computador: falta Accesibilidad y Grabación de pantalla."));
    }

    // What the user can do about each missing piece of desktop control.
    void pistaControl_data()
    {
        QTest::addColumn<QStringList>("falta");
        QTest::addColumn<QString>("pista");
        const QString skill = QStringLiteral("Pulsa «Configurar» para instalar la skill de control.");
        const QString wayland = QStringLiteral(
            "En Wayland, Linux no deja que una aplicación mire la pantalla ni haga clic por ti: el agente abre apps y "
            "archivos, y para el control completo hay que entrar con una sesión X11 (Xorg).");
        QTest::newRow("la skill") << QStringList{"skill de control"} << skill;
        QTest::newRow("pantalla") << QStringList{"Grabación de pantalla"} << wayland;
        QTest::newRow("accesibilidad") << QStringList{"Accesibilidad"} << wayland;
        QTest::newRow("permisos y skill") << QStringList{"Accesibilidad", "skill de control"} << skill + ' ' + wayland;
    }

    void pistaControl()
    {
        QFETCH(QStringList, falta);
        QTEST(PasoConexiones::pistaControl(falta), "pista");
    }

    // The desktop-control hint and its reopen button follow what is
    // missing; coming back to the application checks again.
    void conexiones()
    {
        e.permisos.pantalla = false;
        comprobar();
        PasoConexiones paso(*e.instalador);
        paso.show();
        QVERIFY(paso.aviso()->isVisible());
        QVERIFY(paso.faltaTexto()->text().contains(QStringLiteral("Grabación de pantalla")));
        QVERIFY(paso.reabrir()->isVisible());
        QVERIFY(paso.reabrir()->isEnabled());
        QVERIFY(paso.configurar(Conexion::mac)->isVisible());
        // Reopening would cut a running install short.
        e.herramientas.marcar("colgar-npm");
        e.instalador->setAgentesElegidos({Agente::codex});
        const auto instalacion = e.instalador->instalarAgentes();
        QVERIFY(e.instalador->trabajando());
        QVERIFY(!paso.reabrir()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(instalacion.isFinished(), 30000);
        QVERIFY(paso.reabrir()->isEnabled());
        e.permisos.pantalla = true;
        emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->faltaMac().contains(QStringLiteral("Grabación de pantalla")), 20000);
        QVERIFY(!paso.reabrir()->isVisible());
    }

    void etiquetas_data()
    {
        QTest::addColumn<QString>("fabricante");
        QTest::addColumn<QString>("microfono");
        QTest::addColumn<QString>("salida");
        QTest::newRow("sin fabricante") << "" << "Yeti  ·  USB" << "Yeti  ·  USB";
        QTest::newRow("con fabricante") << "Logitech" << "Yeti  ·  Logitech, USB" << "Yeti  ·  USB";
    }

    void etiquetas()
    {
        QFETCH(QString, fabricante);
        QFETCH(QString, microfono);
        QFETCH(QString, salida);
        DispositivoAudio d{7, "usb_yeti", "Yeti", fabricante, 0x75736220};
        QCOMPARE(PasoVoz::etiquetaMicrofono(d).replace(d.conexion(), "USB"), microfono);
        QCOMPARE(PasoVoz::etiquetaSalida(d).replace(d.conexion(), "USB"), salida);
    }

    // The step is the test mode: on while it exists; leaving stops the
    // dictation and empties its text. Filling the pickers stores nothing.
    void pasoVoz()
    {
        e.sistema.entradas = {{3, QStringLiteral("usb_mic"), QStringLiteral("Micrófono USB"), std::nullopt, 0, 1},
                              {4, QStringLiteral("interno"), QStringLiteral("Interno"), std::nullopt, 0, 1}};
        e.asistente->refrescarDispositivos();
        QTRY_COMPARE(e.asistente->dispositivos().size(), 2);
        const bool habiaMic = e.ajustes->contiene(QStringLiteral("micUID"));
        const Entorno entorno = e.entorno();
        auto paso = std::make_unique<PasoVoz>(entorno);
        paso->show();
        QVERIFY(e.asistente->modoPrueba());
        QCOMPARE(paso->boton()->accessibleName(), QStringLiteral("Escuchar"));
        QCOMPARE(paso->microfono()->count(), 2);
        QCOMPARE(e.ajustes->contiene(QStringLiteral("micUID")), habiaMic);
        QVERIFY(!e.ajustes->contiene(QStringLiteral("salidaUID")));
        paso->microfono()->activated(1);
        QCOMPARE(e.asistente->dispositivoUID(), QStringLiteral("interno"));

        e.asistente->setEscuchando(true);
        e.asistente->setTexto(QStringLiteral("Hola, esto es una prueba"));
        QVERIFY(!paso->microfono()->isEnabled());
        QVERIFY(paso->salida()->isEnabled());
        QCOMPARE(paso->boton()->accessibleName(), QStringLiteral("Pausar la escucha"));
        QCOMPARE(paso->titular()->text(), QStringLiteral("Te escucho… di algo"));
        QCOMPARE(paso->dictado()->text(), QStringLiteral("Hola, esto es una prueba"));
        e.asistente->setAviso(QStringLiteral("Falta el modelo de voz en español."));
        QVERIFY(paso->aviso()->isVisible());

        paso.reset();
        QVERIFY(!e.asistente->modoPrueba());
        QVERIFY(e.asistente->texto().isEmpty());
    }

    // The Spanish model's card in the voice step: its size while missing,
    // a failed download offers a retry, an installed model nothing.
    void tarjetaReconocimiento()
    {
        const Entorno entorno = e.entorno();
        auto paso = std::make_unique<PasoVoz>(entorno);
        paso->show();
        TarjetaReconocimiento* t = paso->reconocimiento();
        QCOMPARE(t->instalar()->text(), QStringLiteral("Instalar reconocimiento de voz en español"));
        QVERIFY(t->instalar()->isVisible());
        QVERIFY(t->tarjeta()->texto()->text().endsWith(QStringLiteral("Se descarga una sola vez (39 MB).")));
        QVERIFY(!t->cancelar()->isVisible());
        t->instalar()->click();
        QVERIFY(t->cancelar()->isVisible());
        QVERIFY(t->avance()->isVisible());
        // Nobody serves the test's model.
        QTRY_COMPARE(t->instalar()->text(), QStringLiteral("Reintentar"));
        QVERIFY(!t->cancelar()->isVisible());
        QCOMPARE(e.modelo.estado().tipo, EstadoPaso::Tipo::error);

        const QString modelo = e.hogar.en(".local/share/ZuviIA/reconocimiento/vosk-model-small-es-0.42");
        for (const char* parte : {"am/final.mdl", "conf/model.conf"}) {
            QDir().mkpath(QFileInfo(modelo + '/' + parte).path());
            QFile f(modelo + '/' + parte);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        paso = std::make_unique<PasoVoz>(entorno);
        paso->show();
        t = paso->reconocimiento();
        QCOMPARE(e.modelo.estado(), EstadoPaso::listo(QStringLiteral("Instalado")));
        QVERIFY(!t->instalar()->isVisible());
        QVERIFY(!t->tarjeta()->texto()->text().contains(QStringLiteral("Se descarga")));
        QDir(modelo).removeRecursively();
    }

    // Installed but loading: the card re-checks every 2 s while it exists,
    // and a destroyed card never checks again.
    void sondeoVozNeural()
    {
        vozInstalada();
        auto tarjeta = std::make_unique<TarjetaVozNeural>(*e.instalador, *e.asistente, e.reloj, *e.locutor);
        QCOMPARE(e.instalador->estadoVoz(), EstadoPaso::listo(QStringLiteral("Instalada, cargando…")));
        QVERIFY(!e.instalador->trabajando());
        QVERIFY(tarjeta->sondeando());
        QVERIFY(tarjeta->escuchar()->isVisibleTo(tarjeta.get()));
        QVERIFY(!tarjeta->escuchar()->isEnabled());
        e.instalador->setEstadoVoz(EstadoPaso::comprobando());
        e.reloj.avanzar(2s);
        QTRY_COMPARE(e.instalador->estadoVoz(), EstadoPaso::listo(QStringLiteral("Instalada, cargando…")));
        QVERIFY(tarjeta->sondeando());
        tarjeta.reset();
        e.instalador->setEstadoVoz(EstadoPaso::comprobando());
        e.reloj.avanzar(10s);
        QTest::qWait(50);
        QCOMPARE(e.instalador->estadoVoz(), EstadoPaso::comprobando());
    }

    // Installed, but the service answered with the basic voice: the card
    // says so and offers to install it again.
    void vozSinModelo()
    {
        vozInstalada("echo PUERTO=1; echo MOTOR=espeak-ng; echo LISTO; exec sleep 30");
        QDir().mkpath(e.recursos() + "/Voz");
        QFile(e.recursos() + "/Voz/servidor_voz.py").open(QIODevice::WriteOnly);
        e.vozNeural->arrancar();
        QTRY_VERIFY_WITH_TIMEOUT(e.vozNeural->estado().listaParaHablar(), 10000);
        TarjetaVozNeural tarjeta(*e.instalador, *e.asistente, e.reloj, *e.locutor);
        QCOMPARE(describir(e.instalador->estadoVoz()), QStringLiteral("listo(Voz básica (espeak-ng))"));
        QVERIFY(tarjeta.tarjeta()->texto()->text().contains(QStringLiteral("no se pudo cargar")));
        QVERIFY(tarjeta.instalar()->isVisibleTo(&tarjeta));
        QCOMPARE(tarjeta.instalar()->text(), QStringLiteral("Reinstalar"));
        QVERIFY(tarjeta.instalar()->isEnabled());
        QVERIFY(tarjeta.escuchar()->isEnabled());
        QVERIFY(!tarjeta.sondeando());
    }

    // A missing voice is only offered: nothing installs until the press.
    // The install runs on while the card goes, a card shown again keeps
    // showing it with its "Cancelar", and cancelling leaves the voice
    // missing with no child left; the basic voice is named meanwhile.
    void vozSoloAlPulsar()
    {
        e.herramientas.marcar("colgar-curl");
        auto tarjeta = std::make_unique<TarjetaVozNeural>(*e.instalador, *e.asistente, e.reloj, *e.locutor);
        QTest::qWait(100);
        QVERIFY(!e.instalador->instalandoVoz());
        QVERIFY(e.herramientas.llamadas("curl").isEmpty());
        QCOMPARE(describir(e.instalador->estadoVoz()), QStringLiteral("falta(Voz básica (espeak-ng))"));
        QVERIFY(tarjeta->tarjeta()->texto()->text().contains(QStringLiteral("habla la voz básica (espeak-ng)")));
        QVERIFY(!tarjeta->cancelar()->isVisibleTo(tarjeta.get()));
        QVERIFY(tarjeta->instalar()->isEnabled());

        QTest::mouseClick(tarjeta->instalar(), Qt::LeftButton);
        QVERIFY(e.instalador->instalandoVoz());
        QVERIFY(!e.instalador->trabajando());
        QVERIFY(tarjeta->insignia()->muestraRueda());
        QVERIFY(tarjeta->cancelar()->isVisibleTo(tarjeta.get()));
        QVERIFY(!tarjeta->instalar()->isVisibleTo(tarjeta.get()));
        QTRY_VERIFY_WITH_TIMEOUT(!e.herramientas.llamadas("curl").isEmpty(), 20000);

        tarjeta = std::make_unique<TarjetaVozNeural>(*e.instalador, *e.asistente, e.reloj, *e.locutor);
        QCOMPARE(e.instalador->estadoVoz(), EstadoPaso::trabajando());
        QVERIFY(tarjeta->cancelar()->isVisibleTo(tarjeta.get()));
        QTest::mouseClick(tarjeta->cancelar(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!e.instalador->instalandoVoz(), 20000);
        QCOMPARE(describir(e.instalador->estadoVoz()), QStringLiteral("falta(Voz básica (espeak-ng))"));
        QVERIFY(!tarjeta->cancelar()->isVisibleTo(tarjeta.get()));
        QCOMPARE(tarjeta->instalar()->text(), QStringLiteral("Instalar voz natural"));
        QVERIFY(tarjeta->instalar()->isEnabled());
        QVERIFY(!tarjeta->sondeando());
    }

    void estadoOye_data()
    {
        QTest::addColumn<bool>("escuchando");
        QTest::addColumn<bool>("reconocimiento");
        QTest::addColumn<bool>("microfono");
        QTest::addColumn<QString>("texto");
        QTest::newRow("escuchando") << true << false << false << "Escuchando";
        QTest::newRow("en pausa") << false << true << true << "En pausa";
        QTest::newRow("sin modelo") << false << false << true << "Falta el modelo de voz (paso Voz)";
        QTest::newRow("sin nada") << false << false << false << "Falta el modelo de voz (paso Voz)";
        QTest::newRow("sin micrófono") << false << true << false << "Sin micrófono (paso Voz)";
    }

    void estadoOye()
    {
        QFETCH(bool, escuchando);
        QFETCH(bool, reconocimiento);
        QFETCH(bool, microfono);
        QFETCH(QString, texto);
        QCOMPARE(PasoActivacion::estadoOye(escuchando, reconocimiento, microfono).texto, texto);
    }

    // Showing the step writes nothing; the wake-phrase switch writes
    // "oyeZuvi" when clicked; the launcher is written and found at once.
    void activacion()
    {
        e.permisos.voz = false;
        e.ajustes->escribir(QStringLiteral("oyeZuvi"), false);
        e.escucha->setActivada(false);
        PasoActivacion paso(*e.escucha, e.permisos);
        paso.show();
        QVERIFY(!paso.oyeZuvi()->isChecked());
        QVERIFY(!paso.estadoEscucha()->isVisible());
        QVERIFY(!paso.alEncender()->isChecked());
        QVERIFY(!QFile::exists(InicioSesion::archivo()));
        QCOMPARE(paso.atajo()->actual().texto, QStringLiteral("Pendiente"));
        QTest::mouseClick(paso.oyeZuvi(), Qt::LeftButton);
        QCOMPARE(e.ajustes->booleano(QStringLiteral("oyeZuvi"), false), true);
        QVERIFY(paso.estadoEscucha()->isVisible());
        QCOMPARE(paso.estadoEscucha()->text(), QStringLiteral("Falta el modelo de voz (paso Voz)"));
        QTest::mouseClick(paso.anadirAtajo(), Qt::LeftButton);
        QVERIFY(QFile::exists(AtajoSiri::archivo()));
        QCOMPARE(paso.atajo()->actual().texto, QStringLiteral("Listo"));
        QVERIFY(!paso.anadirAtajo()->isVisible());
    }

    // The login switch shows the autostart entry as it is: on once it is
    // written, and off with the error when it cannot be.
    void alEncender()
    {
        {
            PasoActivacion paso(*e.escucha, e.permisos);
            paso.show();
            QTest::mouseClick(paso.alEncender(), Qt::LeftButton);
            QVERIFY(paso.alEncender()->isChecked());
            QVERIFY(InicioSesion::activo());
            QVERIFY(!paso.error()->isVisible());
            QTest::mouseClick(paso.alEncender(), Qt::LeftButton);
            QVERIFY(!QFile::exists(InicioSesion::archivo()));
            QVERIFY(!paso.alEncender()->isChecked());
        }
        // A file where the autostart folder should be.
        QFile bloqueo(QFileInfo(InicioSesion::archivo()).path());
        QDir(bloqueo.fileName()).removeRecursively();
        QVERIFY(bloqueo.open(QIODevice::WriteOnly));
        bloqueo.close();
        PasoActivacion paso(*e.escucha, e.permisos);
        paso.show();
        QTest::mouseClick(paso.alEncender(), Qt::LeftButton);
        QVERIFY(!paso.alEncender()->isChecked());
        QVERIFY(paso.error()->isVisible());
        QVERIFY2(paso.error()->text().startsWith(QStringLiteral("No se pudo activar el inicio con la sesión")),
                 qPrintable(paso.error()->text()));
        QFile::remove(bloqueo.fileName());
        QTest::mouseClick(paso.alEncender(), Qt::LeftButton);
        QVERIFY(paso.alEncender()->isChecked());
        QVERIFY(!paso.error()->isVisible());
    }

    // Rows only for installed agents, a missing sign-in result shows as
    // pending, and only a click stores the level.
    void cuentas()
    {
        {
            PasoCuentas vacio(*e.instalador, *e.asistente);
            QVERIFY(vacio.filas().isEmpty());
            QVERIFY(vacio.opcion(NivelPermiso::total));
        }
        e.instalados->insert(QStringLiteral("codex-cli"), QStringLiteral("0.5"));
        e.instalados->insert(QStringLiteral("claude-app"), QStringLiteral("1.0"));
        comprobar();
        QCOMPARE(PasoCuentas::conFila(e.instalador->agentes()), QList{Agente::codex});
        const bool habiaNivel = e.ajustes->contiene(QStringLiteral("nivel"));
        PasoCuentas paso(*e.instalador, *e.asistente);
        paso.show();
        QCOMPARE(e.ajustes->contiene(QStringLiteral("nivel")), habiaNivel);
        QCOMPARE(paso.filas(), QList{Agente::codex});
        QCOMPARE(paso.insignia(Agente::codex)->actual().texto, QStringLiteral("Pendiente"));
        QVERIFY(paso.opcion(e.asistente->nivel())->isChecked());
        QCOMPARE(paso.opcion(NivelPermiso::total)->parentWidget()->accessibleName(), QStringLiteral("Nivel de control"));
        paso.opcion(NivelPermiso::total)->click();
        QCOMPARE(e.ajustes->texto(QStringLiteral("nivel")), QStringLiteral("total"));
        QVERIFY(paso.advertencia()->isVisible());
        paso.opcion(NivelPermiso::responder)->click();
        QVERIFY(!paso.advertencia()->isVisible());
        // With no terminal emulator the step says so.
        QVERIFY(paso.sinTerminal()->isHidden());
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", e.herramientas.bin().toUtf8() + "-vacia");
        paso.iniciarSesion(Agente::codex)->click();
        QVERIFY(!paso.sinTerminal()->isHidden());
        QCOMPARE(paso.sinTerminal()->text(), Instalador::sinTerminal(Agente::codex));
        // The fake terminal in the home's tool folder opens it.
        qputenv("PATH", e.herramientas.bin().toUtf8());
        paso.iniciarSesion(Agente::codex)->click();
        qputenv("PATH", path);
        QVERIFY(paso.sinTerminal()->isHidden());
        // An agent that chats instead of answering "OK".
        QFile codex(e.herramientas.bin() + QStringLiteral("/codex"));
        QVERIFY(codex.open(QIODevice::WriteOnly));
        codex.write("#!/bin/sh\necho 'Hola. Soy Zuvi y estoy lista para ayudarte con tu proyecto cuando quieras, "
                    "dime qué necesitas hoy.'\n");
        codex.close();
        codex.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QTest::mouseClick(paso.probar(Agente::codex), Qt::LeftButton);
        QVERIFY(!paso.probar(Agente::codex)->isEnabled());
        QVERIFY(paso.iniciarSesion(Agente::codex)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(paso.probar(Agente::codex)->isEnabled(), 30000);
        QVERIFY(e.instalador->sesion().value(Agente::codex).es(EstadoPaso::Tipo::error));
        // The result is shown whole beside the buttons, or elided with all
        // of it in the tooltip.
        QTest::qWait(50);
        const InsigniaEstado* insignia = paso.insignia(Agente::codex);
        const QLabel* t = insignia->texto();
        QVERIFY(insignia->geometry().right() < paso.iniciarSesion(Agente::codex)->geometry().left());
        QVERIFY(t->geometry().right() <= insignia->width());
        QVERIFY2(t->heightForWidth(t->width()) <= t->height(), qPrintable(t->text()));
        QVERIFY(t->text().endsWith(QStringLiteral("…")));
        QVERIFY2(QTextDocumentFragment::fromHtml(t->toolTip()).toPlainText().endsWith(QStringLiteral("necesitas hoy.")), qPrintable(t->toolTip()));
    }

    void advertenciaNivel_data()
    {
        QTest::addColumn<NivelPermiso>("nivel");
        QTest::addColumn<bool>("root");
        QTest::addColumn<QString>("empieza");
        QTest::newRow("responder") << NivelPermiso::responder << false << QString();
        QTest::newRow("editar como root") << NivelPermiso::editar << true << QString();
        QTest::newRow("total") << NivelPermiso::total << false << "Con control total";
        QTest::newRow("total como root") << NivelPermiso::total << true << "Zuvi IA corre como root";
    }

    void advertenciaNivel()
    {
        QFETCH(NivelPermiso, nivel);
        QFETCH(bool, root);
        QFETCH(QString, empieza);
        const auto aviso = PasoCuentas::advertenciaNivel(nivel, root);
        QCOMPARE(aviso.has_value(), !empieza.isEmpty());
        if (aviso)
            QVERIFY2(aviso->startsWith(empieza), qPrintable(*aviso));
        // A passed test of Claude warns only where every turn would fail.
        const EstadoPaso mostrada = PasoCuentas::sesionMostrada(Agente::claudeCode, EstadoPaso::listo(), nivel, root);
        QCOMPARE(mostrada.es(EstadoPaso::Tipo::error), root && nivel == NivelPermiso::total);
        QCOMPARE(PasoCuentas::sesionMostrada(Agente::codex, EstadoPaso::listo(), nivel, root), EstadoPaso::listo());
    }

    void resumenListo_data()
    {
        using T = EstadoPaso::Tipo;
        QTest::addColumn<PasoListo::Situacion>("s");
        QTest::addColumn<QList<T>>("tipos");
        QTest::addColumn<QString>("vozFalta");
        const EstadosAgentes claude{{Agente::claudeCode, EstadoPaso::listo()}};
        const EstadosAgentes probado{{Agente::claudeCode, EstadoPaso::listo()}};
        const PasoListo::Situacion todo{claude, EstadoPaso::listo(), true, true, true, probado, NivelPermiso::editar, false};
        QTest::newRow("todo") << todo << QList<T>{T::listo, T::listo, T::listo, T::listo, T::listo} << QString();
        auto s = todo;
        s.modelo = false;
        s.sesion = {{Agente::claudeCode, EstadoPaso::error(QStringLiteral("No responde"))}};
        QTest::newRow("sin modelo, prueba fallida")
            << s << QList<T>{T::listo, T::listo, T::error, T::error, T::error} << "Falta el modelo de voz en español";
        s = todo;
        s.microfono = false;
        s.oyeActivada = false;
        QTest::newRow("sin micrófono, oye apagado")
            << s << QList<T>{T::listo, T::listo, T::error, T::falta, T::listo} << "No hay micrófono";
        s = todo;
        s.nivel = NivelPermiso::total;
        s.comoRoot = true;
        QTest::newRow("root en total") << s << QList<T>{T::listo, T::listo, T::listo, T::listo, T::error} << QString();
        s.agentes = {{Agente::claudeCode, EstadoPaso::falta()}, {Agente::codex, EstadoPaso::listo()}};
        s.sesion = {{Agente::codex, EstadoPaso::listo()}};
        QTest::newRow("root en total con Codex") << s << QList<T>{T::listo, T::listo, T::listo, T::listo, T::listo}
                                                 << QString();
        s = todo;
        s.agentes = {{Agente::claudeApp, EstadoPaso::listo()}};
        s.skills = EstadoPaso::falta();
        s.sesion = {};
        QTest::newRow("sin agente") << s << QList<T>{T::falta, T::falta, T::listo, T::listo, T::falta} << QString();
    }

    void resumenListo()
    {
        QFETCH(PasoListo::Situacion, s);
        QFETCH(QList<EstadoPaso::Tipo>, tipos);
        QFETCH(QString, vozFalta);
        const QList<PasoListo::Fila> filas = PasoListo::resumen(s);
        QCOMPARE(filas.size(), tipos.size());
        for (int i = 0; i < filas.size(); ++i) {
            QCOMPARE(filas[i].estado.tipo, tipos[i]);
            // Whatever is not done says what is missing and which step has it.
            if (tipos[i] != EstadoPaso::Tipo::listo)
                QVERIFY2(filas[i].falta.contains(QStringLiteral("paso")), qPrintable(filas[i].falta));
        }
        QVERIFY(filas[2].falta.startsWith(vozFalta));
    }

    // The closing page over the real installer: a failed account test and
    // no speech model are shown as such, and nothing promises the wake
    // phrase; it follows the level as it changes.
    void pasoListo()
    {
        e.instalados->insert(QStringLiteral("claude-code"), QStringLiteral("2.0"));
        comprobar();
        e.permisos.voz = false;
        e.escucha->setActivada(true);
        e.asistente->setNivel(NivelPermiso::editar);
        PasoListo paso(*e.instalador, e.permisos, *e.escucha, *e.asistente);
        paso.show();
        QCOMPARE(paso.titulo()->text(), QStringLiteral("Casi listo"));
        QCOMPARE(paso.insignia(PasoConfig::agentes)->actual().texto, QStringLiteral("Listo"));
        QCOMPARE(paso.insignia(PasoConfig::voz)->actual().texto, QStringLiteral("Sin modelo de voz"));
        QCOMPARE(paso.insignia(PasoConfig::cuentas)->actual().texto, QStringLiteral("Pendiente"));
        QVERIFY(paso.fila(PasoConfig::voz)->texto()->text().contains(QStringLiteral("paso Voz")));
        QVERIFY(!paso.fraseOye()->isVisible());
        e.instalador->probar(Agente::claudeCode);
        QTRY_VERIFY_WITH_TIMEOUT(paso.insignia(PasoConfig::cuentas)->actual().tono
                                     == InsigniaEstado::Vista::Tono::naranja,
                                 30000);
        QVERIFY(paso.fila(PasoConfig::cuentas)->texto()->text().contains(QStringLiteral("«Probar»")));
    }
};

QTEST_MAIN(TestPasosConfiguracion)
#include "TestPasosConfiguracion.moc"
