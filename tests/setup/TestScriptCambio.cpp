#include "ArbolPrueba.h"

#include "setup/ScriptCambio.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using ArbolPrueba::escribir;
using ArbolPrueba::ejecutable;
using ArbolPrueba::leer;

// Every path under `carpeta` with its bytes (links as their target).
QMap<QString, QByteArray> foto(const QString& carpeta)
{
    QMap<QString, QByteArray> r;
    QDirIterator it(carpeta, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        const QFileInfo info = it.fileInfo();
        r.insert(ruta.mid(carpeta.size()), info.isSymLink() ? info.symLinkTarget().toUtf8()
                                           : info.isDir()   ? QByteArray("/")
                                                            : leer(ruta));
    }
    return r;
}

// A stand-in for zuviia: answers the script's two options and, started
// plainly, notes which version ran.
QByteArray aplicacion(const QString& version, const QString& marcas)
{
    return "#!/bin/sh\ncase \"$1\" in\n--version) echo '" + version.toUtf8()
           + "' ;;\n--verificar-sello) [ -f \"$2/bin/zuviia\" ] && [ ! -e \"$2/ROTA\" ] ;;\n*) echo '"
           + version.toUtf8() + "' >> '" + marcas.toUtf8() + "' ;;\nesac\n";
}

}

// The swap on real folders, with a sleeping process as the application
// and cp or mv that fail on purpose first on PATH.
class TestScriptCambio : public QObject {
    Q_OBJECT

private slots:
    void cambio_data()
    {
        QTest::addColumn<QString>("falla");
        QTest::addColumn<bool>("instalada");
        QTest::addColumn<QString>("resultado");
        QTest::newRow("todo bien") << "" << true << "instalada";
        QTest::newRow("cp falla") << "cp" << false << "fallida";
        QTest::newRow("mv falla al apartar la vieja") << "mv1" << false << "fallida";
        QTest::newRow("mv falla al poner la nueva") << "mv2" << false << "fallida";
        QTest::newRow("sello de la nueva inválido") << "sello" << false << "rechazada";
        QTest::newRow("la nueva no responde su versión") << "version" << false << "rechazada";
    }

    void cambio()
    {
        QFETCH(QString, falla);
        QFETCH(bool, instalada);
        QFETCH(QString, resultado);

        QTemporaryDir tmp;
        // Shell syntax in a path must stay a name.
        const QString base = tmp.filePath("mi carpeta $(touch pwned)");
        const QString marcas = base + "/iniciadas";
        const QString app = base + "/opt/ZuviIA";
        escribir(app + "/bin/zuviia", aplicacion("1.2 (build 12)", marcas), ejecutable);
        escribir(app + "/share/zuviia/datos", "vieja", ArbolPrueba::lectura);
        const QString preparada = base + "/opt/ZuviIA-act-13-abcdef";
        const QString nueva = preparada + "/ZuviIA";
        escribir(nueva + "/bin/zuviia",
                 aplicacion(falla == "version" ? "1.2 (build 12)" : "1.3 (build 13)", marcas), ejecutable);
        escribir(nueva + "/share/zuviia/datos", "nueva", ArbolPrueba::lectura);
        escribir(nueva + "/share/zuviia/otro", "más", ArbolPrueba::lectura);
        if (falla == "sello")
            escribir(nueva + "/ROTA", "", ArbolPrueba::lectura);
        const auto vieja = foto(app);
        const auto esperada = foto(nueva);

        const QString falsos = tmp.filePath("falsos");
        if (falla == "cp")
            escribir(falsos + "/cp", "#!/bin/sh\nexit 1\n", ejecutable);
        if (falla.startsWith("mv"))
            escribir(falsos + "/mv",
                     "#!/bin/sh\nn=$(cat '" + tmp.filePath("cuenta").toUtf8() + "' 2>/dev/null || echo 0)\nn=$((n + 1))\necho $n > '"
                         + tmp.filePath("cuenta").toUtf8() + "'\n[ $n = " + falla.mid(2).toUtf8()
                         + " ] && exit 1\nexec /bin/mv \"$@\"\n",
                     ejecutable);

        QProcess dormida;
        dormida.start("sleep", {"0.7"});
        QVERIFY(dormida.waitForStarted());
        const QString registro = base + "/estado/actualizacion.log";
        QProcess script;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("PATH", falsos + ":" + entorno.value("PATH"));
        script.setProcessEnvironment(entorno);
        script.setWorkingDirectory(tmp.path());
        script.start("/bin/sh", ScriptCambio::argumentos({dormida.processId(), app, nueva, "1.3 (build 13)", 13, registro}));
        QVERIFY(script.waitForStarted());
        QTest::qWait(300);
        QCOMPARE(foto(app), vieja);   // untouched while the application runs
        QVERIFY(dormida.waitForFinished(5000));
        QVERIFY(script.waitForFinished(20000));

        const QByteArray log = leer(registro);
        const auto r = ScriptCambio::ultimoResultado(log);
        QVERIFY2(r, log.constData());
        QCOMPARE(int(r->tipo), int(resultado == "instalada"   ? ScriptCambio::Resultado::Tipo::instalada
                                   : resultado == "fallida" ? ScriptCambio::Resultado::Tipo::fallida
                                                            : ScriptCambio::Resultado::Tipo::rechazada));
        QCOMPARE(r->build, 13);
        QCOMPARE(foto(app), instalada ? esperada : vieja);
        QCOMPARE(QDir(base + "/opt").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"ZuviIA"});   // no backup, no copy, no staging folder
        QTRY_COMPARE(leer(marcas), instalada ? QByteArray("1.3 (build 13)\n") : QByteArray("1.2 (build 12)\n"));
        QTest::qWait(100);
        QCOMPARE(leer(marcas).count('\n'), 1);   // exactly one instance started
        QVERIFY(!QFile::exists(tmp.filePath("pwned")) && !QFile::exists(base + "/pwned"));
    }

    void ultimoResultado_data()
    {
        QTest::addColumn<QByteArray>("registro");
        QTest::addColumn<int>("tipo");   // -1: none
        QTest::addColumn<qint64>("build");
        QTest::addColumn<QString>("detalle");
        QTest::newRow("vacío") << QByteArray() << -1 << qint64(0) << "";
        QTest::newRow("sin terminar") << QByteArray("inicio build 13\n") << -1 << qint64(0) << "";
        QTest::newRow("instalada") << QByteArray("inicio\nresultado: instalada 13 1.3 (build 13)\n")
                                   << int(ScriptCambio::Resultado::Tipo::instalada) << qint64(13) << "1.3 (build 13)";
        QTest::newRow("el último manda")
            << QByteArray("resultado: instalada 12 1.2\ninicio\nresultado: rechazada 13 la versión nueva no arrancó")
            << int(ScriptCambio::Resultado::Tipo::rechazada) << qint64(13) << "la versión nueva no arrancó";
        QTest::newRow("build ilegible") << QByteArray("resultado: fallida x no\n") << -1 << qint64(0) << "";
        QTest::newRow("tipo desconocido") << QByteArray("resultado: rara 13 no\n") << -1 << qint64(0) << "";
    }

    void ultimoResultado()
    {
        QFETCH(QByteArray, registro);
        QFETCH(int, tipo);
        QFETCH(qint64, build);
        QFETCH(QString, detalle);
        const auto r = ScriptCambio::ultimoResultado(registro);
        QCOMPARE(r.has_value(), tipo >= 0);
        if (!r)
            return;
        QCOMPARE(*r, (ScriptCambio::Resultado{ScriptCambio::Resultado::Tipo(tipo), build, detalle}));
    }
};

QTEST_GUILESS_MAIN(TestScriptCambio)
#include "TestScriptCambio.moc"
