#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"
#include "comun/AgenteFalso.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/EjecutorProceso.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

// The assistant's Claude Code session against the fake agent over real
// pipes: when it is reused, when it is started again, and what it logs.
class TestAsistenteSesion : public QObject {
    Q_OBJECT

    // One home for the whole run: the log file is worked out once.
    HogarTemporal hogar;
    RelojFalso reloj;
    DispositivosSistemaFalso sistema;
    EstadoIA deteccion{reloj, [] { return QList<Deteccion>{}; }, {}};
    std::unique_ptr<AgenteFalso> agente;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<AsistenteVoz> asistente;

    QStringList lineasDelRegistro()
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Closes the session and waits for its end, so no process outlives a test.
    void cerrar(const std::shared_ptr<SesionClaude>& sesion)
    {
        if (!sesion)
            return;
        sesion->cerrar();
        QTRY_VERIFY(!sesion->enMarcha());
    }

private slots:
    void init()
    {
        QFile::remove(hogar.en("agente-registro.jsonl"));
        QFile::remove(hogar.en(".config/cl.norp.ZuviIA.conf"));
        agente = std::make_unique<AgenteFalso>(hogar);
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(reloj, *perfiles, Carpetas::datosApp());
        asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, deteccion, [] { return false; });
    }

    void cleanup()
    {
        if (asistente)
            cerrar(asistente->sesionClaude());
        asistente.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        agente.reset();
    }

    void claveDeLosAjustes()
    {
        asistente->setCarpeta("/p");
        asistente->setNivel(NivelPermiso::editar);
        QCOMPARE(asistente->claveSesion(std::nullopt).texto(), QString("/p|editar|sonnet|||nueva"));
        ajustes->escribir("modeloClaude", "haiku");
        ajustes->escribir("instruccionesExtra", " breve ");
        asistente->setContextoPersona(QString("Ana"));
        QCOMPARE(asistente->claveSesion(QString("s-1")).texto(), QString("/p|editar|haiku|Ana| breve |s-1"));
    }

    void mismaClaveReusaElProceso()
    {
        const auto primera = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        const auto segunda = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        QCOMPARE(segunda, primera);
        QCOMPARE(asistente->sesionClaude(), primera);
        QTRY_COMPARE(agente->procesos(), 1);
        QTest::qWait(100);
        QCOMPARE(agente->procesos(), 1);
        QCOMPARE(agente->inicio(0)["carpeta"].toString(), asistente->carpeta());
    }

    void cambioDeAjusteAbreOtra_data()
    {
        QTest::addColumn<int>("cambio");
        QTest::addColumn<QString>("enArgumentos");
        QTest::newRow("modelo") << 0 << "opus";
        QTest::newRow("nivel") << 1 << "--permission-mode";
        QTest::newRow("carpeta") << 2 << "";
        QTest::newRow("persona") << 3 << "Persona: Ana";
        QTest::newRow("instrucciones") << 5 << "sé breve";
    }

    void cambioDeAjusteAbreOtra()
    {
        QFETCH(int, cambio);
        QFETCH(QString, enArgumentos);
        QSignalSpy fines(asistente.get(), &AsistenteVoz::sesionTermino);
        const auto vieja = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        QTRY_COMPARE(agente->procesos(), 1);   // started before it is replaced
        const QString otra = hogar.en("otra");
        QDir().mkpath(otra);
        switch (cambio) {
        case 0: ajustes->escribir("modeloClaude", "opus"); break;
        case 1: asistente->setNivel(NivelPermiso::editar); break;
        case 2: asistente->setCarpeta(otra); break;
        case 3: asistente->setContextoPersona(QString("Persona: Ana")); break;
        case 5: ajustes->escribir("instruccionesExtra", "sé breve"); break;
        }
        const auto nueva = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        QVERIFY(nueva != vieja);
        QVERIFY(nueva->id() != vieja->id());
        QCOMPARE(nueva->clave(), asistente->claveSesion(std::nullopt));
        // The replaced one is closed (end of input, then SIGTERM: whichever
        // ends it first), and its end is reported under its own id.
        QTRY_COMPARE(fines.size(), 1);
        QVERIFY(fines[0][0].toInt() == 15 || fines[0][0].toInt() == 0);
        QCOMPARE(fines[0][1].toUuid(), vieja->id());
        QTRY_COMPARE(agente->procesos(), 2);
        if (!enArgumentos.isEmpty())
            QVERIFY(agente->argv(1).join(' ').contains(enArgumentos));
        if (cambio == 0)
            QCOMPARE(nueva->clave().modelo, QString("opus"));
        if (cambio == 2)
            QCOMPARE(agente->inicio(1)["carpeta"].toString(), otra);
    }

    // An empty person context is no context: the warm session stays.
    void personaVaciaEsNinguna()
    {
        const auto primera = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        asistente->setContextoPersona(QString());
        QCOMPARE(asistente->claveSesion(std::nullopt), primera->clave());
        QCOMPARE(asistente->asegurarSesion(agente->ruta(), std::nullopt), primera);
        QTRY_COMPARE(agente->procesos(), 1);
    }

    void sesionMuertaConLaMismaClaveSeReemplaza()
    {
        agente->turnos({QJsonArray{QJsonObject{{"salir", 0}}}});
        QSignalSpy fines(asistente.get(), &AsistenteVoz::sesionTermino);
        const auto muerta = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        muerta->enviar("adiós");
        QTRY_COMPARE(fines.size(), 1);
        QCOMPARE(fines[0][0].toInt(), 0);
        const auto nueva = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        QVERIFY(nueva != muerta);
        QCOMPARE(nueva->clave(), muerta->clave());
        QVERIFY(nueva->enMarcha());
        QTRY_COMPARE(agente->procesos(), 2);
    }

    void lineasErroresYFinConSuSesion()
    {
        agente->escenario(R"({"turnos":[[{"delta":"Hola"},{"error":"aviso\n"},{"resultado":"Hola","sinSalto":true},{"salir":0}]]})");
        QSignalSpy lineas(asistente.get(), &AsistenteVoz::lineaSesion);
        QSignalSpy errores(asistente.get(), &AsistenteVoz::errorSesion);
        QSignalSpy fines(asistente.get(), &AsistenteVoz::sesionTermino);
        const auto sesion = asistente->asegurarSesion(agente->ruta(), QString("s-1"));
        sesion->enviar("hola");
        QTRY_COMPARE(fines.size(), 1);
        QCOMPARE(lineas.size(), 2);
        QVERIFY(lineas[1][0].toString().startsWith(R"({"type":"result")"));
        QCOMPARE(lineas[1][1].toUuid(), sesion->id());
        QCOMPARE(errores.size(), 1);
        QCOMPARE(errores[0][0].toString(), QString("aviso\n"));
        QCOMPARE(fines[0][1].toUuid(), sesion->id());
        QCOMPARE(agente->entradas(), QStringList{QString::fromUtf8(SesionClaude::lineaTurno("hola")).trimmed()});
        const QStringList argv = agente->argv(0);
        QCOMPARE(argv.mid(argv.indexOf("--resume"), 2), (QStringList{"--resume", "s-1"}));
        QVERIFY(!argv.contains("--fork-session"));
    }

    // A session may outlive the assistant that started it: what it says
    // afterwards, and its end, are dropped without touching the assistant.
    void sesionSobreviveAlAsistente()
    {
        agente->escenario(R"({"turnos":[[{"esperar":300,"delta":"tarde"},{"error":"aviso"},{"resultado":""}]]})");
        const auto sesion = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        sesion->enviar("hola");
        asistente.reset();
        QTRY_COMPARE(agente->eventos("entrada").size(), 1);
        QTest::qWait(500);
        sesion->cerrar();
        QTRY_VERIFY(!sesion->enMarcha());
        QTest::qWait(100);
    }

    void registroDeLaApertura()
    {
        asistente->asegurarSesion(agente->ruta(), std::nullopt);
        ajustes->escribir("modeloClaude", "opus");
        asistente->asegurarSesion(agente->ruta(), QString("s-9"));
        const QStringList lineas = lineasDelRegistro();
        QVERIFY(lineas.size() >= 2);
        // The fake clock stands still, so the time is exactly zero.
        QVERIFY2(lineas[lineas.size() - 2].endsWith("  Claude: sesión abierta (sonnet, nueva) en 0.00s"),
                 qPrintable(lineas[lineas.size() - 2]));
        QVERIFY2(lineas.last().endsWith("  Claude: sesión abierta (opus, reanudada) en 0.00s"), qPrintable(lineas.last()));
    }

    void fallaAlIniciar()
    {
        const auto vieja = asistente->asegurarSesion(agente->ruta(), std::nullopt);
        asistente->setCarpeta(hogar.en("no existe"));
        QVERIFY_THROWS_EXCEPTION(ErrorProceso, asistente->asegurarSesion(agente->ruta(), std::nullopt));
        QCOMPARE(asistente->sesionClaude(), nullptr);
        QTRY_VERIFY(!vieja->enMarcha());
        QVERIFY_THROWS_EXCEPTION(ErrorProceso, asistente->asegurarSesion(hogar.en("nada"), std::nullopt));
    }
};

QTEST_GUILESS_MAIN(TestAsistenteSesion)
#include "TestAsistenteSesion.moc"
