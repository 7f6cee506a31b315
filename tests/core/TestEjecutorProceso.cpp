#include "core/DecodificadorUtf8.h"
#include "core/EjecutorProceso.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QSemaphore>

#include <atomic>
#include <signal.h>
#include <mutex>

using namespace std::chrono_literals;

namespace {

// What a child's callbacks delivered, in order, from the runner's thread.
struct Grabacion {
    struct Evento {
        char tipo;   // 's' output, 'e' error, 'f' end
        QString texto;
    };

    std::mutex mutex;
    std::vector<Evento> eventos;

    void anotar(char tipo, const QString& texto)
    {
        std::lock_guard cerrojo(mutex);
        eventos.push_back({tipo, texto});
    }

    std::vector<Evento> copia()
    {
        std::lock_guard cerrojo(mutex);
        return eventos;
    }

    QString todo(char tipo)
    {
        QString r;
        for (const auto& e : copia())
            if (e.tipo == tipo)
                r += e.texto;
        return r;
    }

    int fines()
    {
        int n = 0;
        for (const auto& e : copia())
            n += e.tipo == 'f';
        return n;
    }
};

std::shared_ptr<ProcesoEnMarcha> lanzar(Grabacion& g, const QString& ruta, const QStringList& argumentos,
                                        const QString& carpeta = QStringLiteral("/"),
                                        const EjecutorProceso::Opciones& opciones = {})
{
    return EjecutorProceso::lanzar(
        ruta, argumentos, carpeta, [&g](const QString& t) { g.anotar('s', t); },
        [&g](const QString& t) { g.anotar('e', t); }, [&g](int estado) { g.anotar('f', QString::number(estado)); },
        opciones);
}

std::shared_ptr<ProcesoEnMarcha> sh(Grabacion& g, const QString& guion)
{
    return lanzar(g, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), guion});
}

bool zombi(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray linea = stat.readAll();
    const qsizetype fin = linea.lastIndexOf(')');
    return fin >= 0 && fin + 2 < linea.size() && linea[fin + 2] == 'Z';
}

QProcessEnvironment entornoCon(const QStringList& pares)
{
    QProcessEnvironment e;
    for (const auto& par : pares)
        e.insert(par.section('=', 0, 0), par.section('=', 1));
    return e;
}

}

class TestEjecutorProceso : public QObject {
    Q_OBJECT

private slots:
    void decodificadorJuntaCaracteresPartidos_data()
    {
        QTest::addColumn<QList<QByteArray>>("trozos");
        QTest::addColumn<QString>("texto");
        const QByteArray a = "\xc3\xa1";          // á
        const QByteArray euro = "\xe2\x82\xac";   // €
        const QByteArray cara = "\xf0\x9f\x98\x80";
        QTest::newRow("á partida") << QList<QByteArray>{"s" + a.left(1), a.mid(1) + "!"} << QString::fromUtf8("sá!");
        QTest::newRow("€ en tres") << QList<QByteArray>{euro.left(1), euro.mid(1, 1), euro.mid(2)}
                                   << QString::fromUtf8("€");
        QTest::newRow("emoji 3+1") << QList<QByteArray>{cara.left(3), cara.mid(3)} << QString::fromUtf8(cara);
        QTest::newRow("inválido") << QList<QByteArray>{"a\xff", "b"} << QString::fromUtf8("a\uFFFDb");
        QTest::newRow("cortado al final") << QList<QByteArray>{"x" + euro.left(2)} << QString::fromUtf8("x\uFFFD\uFFFD");
    }

    void decodificadorJuntaCaracteresPartidos()
    {
        QFETCH(QList<QByteArray>, trozos);
        DecodificadorUtf8 d;
        QString texto;
        QByteArray todo;
        for (const auto& t : trozos) {
            texto += d.decodificar(t);
            todo += t;
        }
        texto += d.terminar();
        QTEST(texto, "texto");
        QCOMPARE(texto, QString::fromUtf8(todo));
    }

    void entornoDeLosAgentes_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QString>("path");
        QTest::newRow("sin PATH") << "/home/ana/.local/bin/claude" << QStringList{"HOME=/home/ana"}
                                  << "/home/ana/.local/bin:/home/ana/.local/bin:/opt/homebrew/bin:/usr/local/bin:"
                                     "/usr/bin:/bin:/usr/sbin:/sbin";
        QTest::newRow("usr local dos veces")
            << "/usr/local/bin/codex" << QStringList{"HOME=/h", "PATH=/usr/bin:/bin"}
            << "/usr/local/bin:/h/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin";
        QTest::newRow("PATH vacío se respeta")
            << "/x/y" << QStringList{"HOME=/h", "PATH="} << "/x:/h/.local/bin:/opt/homebrew/bin:/usr/local/bin:";
    }

    void entornoDeLosAgentes()
    {
        QFETCH(QString, ruta);
        QFETCH(QStringList, base);
        const auto e = EjecutorProceso::entorno(ruta, entornoCon(base + QStringList{"NO_COLOR=0", "OTRA=sí"}));
        QTEST(e.value("PATH"), "path");
        QCOMPARE(e.value("NO_COLOR"), QStringLiteral("1"));
        QCOMPARE(e.value("OTRA"), QStringLiteral("sí"));
    }

    void hijoRecibeElEntorno()
    {
        Grabacion g;
        auto p = sh(g, "printf '%s|%s' \"$NO_COLOR\" \"$PATH\"");
        QVERIFY(p->esperar(10s));
        QCOMPARE(g.todo('s'), "1|" + EjecutorProceso::entorno("/bin/sh").value("PATH"));
    }

    void salidaYErrorAntesDelFin_data()
    {
        QTest::addColumn<QString>("guion");
        QTest::addColumn<QString>("salida");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("estado");
        QTest::newRow("nada, estado 3") << "exit 3" << "" << "" << 3;
        QTest::newRow("letras sin salto") << "printf abc" << "abc" << "" << 0;
        QTest::newRow("las dos tuberías") << "printf uno; printf dos >&2; exit 7" << "uno" << "dos" << 7;
        QTest::newRow("á partida en dos escrituras")
            << "printf '\\303'; sleep 0.2; printf '\\241\\n'" << QString::fromUtf8("á\n") << "" << 0;
        QTest::newRow("entrada vacía") << "wc -c" << "0\n" << "" << 0;
    }

    void salidaYErrorAntesDelFin()
    {
        QFETCH(QString, guion);
        Grabacion g;
        auto p = sh(g, guion);
        QVERIFY(p->esperar(10s));
        const auto eventos = g.copia();
        QCOMPARE(g.fines(), 1);
        QCOMPARE(eventos.back().tipo, 'f');
        QTEST(eventos.back().texto.toInt(), "estado");
        QCOMPARE(p->estadoFinal(), std::optional<int>(eventos.back().texto.toInt()));
        QTEST(g.todo('s'), "salida");
        QTEST(g.todo('e'), "error");
    }

    void muchaSalidaLlegaEntera()
    {
        Grabacion g;
        auto p = sh(g, "head -c 1000000 /dev/zero | tr '\\0' a; printf fin >&2");
        QVERIFY(p->esperar(20s));
        QCOMPARE(g.todo('s').size(), 1000000);
        QCOMPARE(g.todo('e'), QStringLiteral("fin"));
    }

    void terminarDaLaSenal15()
    {
        Grabacion g;
        auto p = lanzar(g, "/bin/sleep", {"30"});
        QVERIFY(p->pid() > 0);
        QVERIFY(!p->terminado());
        p->terminar();
        QVERIFY(p->esperar(10s));
        QCOMPARE(g.copia().back().texto, QStringLiteral("15"));
        QCOMPARE(g.fines(), 1);
    }

    // What a child starts goes with it: its background jobs share its
    // group, also once the child itself has ended.
    void grupoDelHijo_data()
    {
        QTest::addColumn<QString>("guion");
        QTest::addColumn<QString>("accion");
        QTest::newRow("terminar") << "sleep 271 & echo $!; sleep 272" << "terminar";
        QTest::newRow("matar") << "sleep 271 & echo $!; sleep 272" << "matar";
        QTest::newRow("al salir, con el guion en marcha") << "sleep 271 & echo $!; sleep 272" << "todos";
        QTest::newRow("al salir, con el guion ya terminado") << "sleep 271 & echo $!" << "todos";
    }

    void grupoDelHijo()
    {
        QFETCH(QString, guion);
        QFETCH(QString, accion);
        Grabacion g;
        auto p = sh(g, guion);
        QTRY_VERIFY_WITH_TIMEOUT(g.todo('s').endsWith('\n'), 10000);
        const pid_t nieto = pid_t(g.todo('s').trimmed().toLongLong());
        QVERIFY(nieto > 0);
        QCOMPARE(::kill(nieto, 0), 0);
        if (accion == "terminar")
            p->terminar();
        else if (accion == "matar")
            p->matar();
        else
            EjecutorProceso::terminarTodos();
        QVERIFY(p->esperar(10s));
        // Reaped by init once orphaned; a zombie never lasts long.
        QTRY_VERIFY_WITH_TIMEOUT(::kill(nieto, 0) != 0 || zombi(nieto), 5000);
    }

    void soltarElManejadorNoLoDetiene()
    {
        Grabacion g;
        lanzar(g, "/bin/sh", {"-c", "sleep 0.3; echo sigue"});
        QTRY_COMPARE_WITH_TIMEOUT(g.fines(), 1, 10000);
        QCOMPARE(g.todo('s'), QStringLiteral("sigue\n"));
        QCOMPARE(g.copia().back().texto, QStringLiteral("0"));
    }

    void conEntradaPorTuberia()
    {
        Grabacion g;
        EjecutorProceso::Opciones opciones;
        opciones.conEntrada = true;
        auto p = lanzar(g, "/bin/cat", {}, "/", opciones);
        p->escribir(QByteArray("línea\n"));
        p->cerrarEntrada();
        QVERIFY(p->esperar(10s));
        QCOMPARE(g.todo('s'), QStringLiteral("línea\n"));
    }

    void carpetaDeTrabajo()
    {
        QTemporaryDir dir;
        Grabacion g;
        auto p = lanzar(g, "/bin/pwd", {}, dir.path());
        QVERIFY(p->esperar(10s));
        QCOMPARE(g.todo('s').trimmed(), QFileInfo(dir.path()).canonicalFilePath());
    }

    // The caller never waits for the runner's thread: here it is held up in
    // another child's callback until the caller, after lanzar, lets it go.
    void lanzarNoEsperaAlHiloDeProcesos()
    {
        QSemaphore suelta;
        std::atomic<bool> dentro{false}, soltadoPorNosotros{false};
        Grabacion ocupado, g;
        auto p = EjecutorProceso::lanzar(
            "/bin/sh", {"-c", "echo x; sleep 30"}, "/",
            [&](const QString&) {
                dentro = true;
                soltadoPorNosotros = suelta.tryAcquire(1, 5000);
            },
            {}, [&ocupado](int e) { ocupado.anotar('f', QString::number(e)); });
        QTRY_VERIFY(dentro);
        auto otro = lanzar(g, "/bin/echo", {"hola"});
        QVERIFY(otro->pid() > 0);
        suelta.release();
        QTRY_VERIFY(soltadoPorNosotros);
        QVERIFY(otro->esperar(10s));
        QCOMPARE(g.todo('s'), QStringLiteral("hola\n"));
        p->terminar();
        QVERIFY(p->esperar(10s));
    }

    // An exec that fails once the child is forked (here a script whose
    // interpreter is missing) is still reported, after lanzar returned.
    void execFallidoSeAvisa()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath("guion");
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/no/existe/interprete\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Grabacion g;
        auto p = lanzar(g, ruta, {});
        QVERIFY(p->esperar(10s));
        QCOMPARE(p->estadoFinal(), std::optional(EjecutorProceso::sinIniciar));
        const auto eventos = g.copia();
        QCOMPARE(eventos.size(), size_t(2));
        QCOMPARE(eventos.at(0).tipo, 'e');
        QVERIFY2(eventos.at(0).texto.startsWith(QStringLiteral("No se pudo iniciar «%1»: ").arg(ruta)),
                 qPrintable(eventos.at(0).texto));
        QCOMPARE(eventos.at(1).texto, QString::number(EjecutorProceso::sinIniciar));
    }

    void fallosDeLanzamiento_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("carpeta que no existe") << "/bin/sh" << "/no/existe" << "la carpeta «/no/existe» no existe";
        QTest::newRow("programa que no existe") << "/no/existe/claude" << "/" << "el programa no existe";
        QTest::newRow("no ejecutable") << "NOEJEC" << "/" << "el archivo no se puede ejecutar";
        QTest::newRow("una carpeta") << "/tmp" << "/" << "el archivo no se puede ejecutar";
    }

    void fallosDeLanzamiento()
    {
        QFETCH(QString, ruta);
        QTemporaryDir dir;
        if (ruta == "NOEJEC") {
            ruta = dir.filePath("guion");
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\necho hola\n");
        }
        Grabacion g;
        try {
            QFETCH(QString, carpeta);
            lanzar(g, ruta, {}, carpeta);
            QFAIL("debía fallar");
        } catch (const ErrorProceso& e) {
            QFETCH(QString, motivo);
            QCOMPARE(e.mensaje(), QStringLiteral("No se pudo iniciar «%1»: %2.").arg(ruta, motivo));
        }
        QTest::qWait(100);
        QVERIFY(g.copia().empty());
    }
};

QTEST_GUILESS_MAIN(TestEjecutorProceso)
#include "TestEjecutorProceso.moc"
