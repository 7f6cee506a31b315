#include "ArbolPrueba.h"
#include "ClavePrueba.h"

#include "Version.h"
#include "setup/OrdenesActualizacion.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// What the swap script asks of the old and the new executable.
class TestOrdenesActualizacion : public QObject {
    Q_OBJECT

private slots:
    void atender_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("tocar");
        QTest::addColumn<int>("estado");   // -1: not ours, the application starts
        QTest::addColumn<QString>("salida");
        const QString version = OrdenesActualizacion::textoVersion(Version::texto, Version::build);
        QTest::newRow("versión") << QStringList{"--version"} << false << 0 << version + "\n";
        QTest::newRow("sello válido") << QStringList{"--verificar-sello", "ARBOL", "13"} << false << 0 << "";
        QTest::newRow("sello de otra build") << QStringList{"--verificar-sello", "ARBOL", "14"} << false << 1 << "";
        QTest::newRow("árbol cambiado") << QStringList{"--verificar-sello", "ARBOL", "13"} << true << 1 << "";
        QTest::newRow("falta la build") << QStringList{"--verificar-sello", "ARBOL"} << false << 2 << "";
        QTest::newRow("build ilegible") << QStringList{"--verificar-sello", "ARBOL", "x"} << false << 2 << "";
        QTest::newRow("sin opciones") << QStringList{} << false << -1 << "";
        QTest::newRow("un enlace") << QStringList{"zuviia://abrir"} << false << -1 << "";
    }

    void atender()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, tocar);
        QFETCH(int, estado);
        QTemporaryDir base;
        const QString arbol = base.filePath("ZuviIA");
        ArbolPrueba::crear(arbol);
        ArbolPrueba::sellar(arbol, 13);
        if (tocar)
            ArbolPrueba::escribir(arbol + "/bin/zuviia", "#!/bin/sh\necho otra\n", ArbolPrueba::ejecutable);
        argumentos.replaceInStrings("ARBOL", arbol);
        argumentos.prepend("zuviia");
        QString salida, errores;
        QTextStream s(&salida), e(&errores);
        const auto r = OrdenesActualizacion::atender(argumentos, ClavePrueba::publica(), s, e);
        s.flush();
        e.flush();
        QCOMPARE(r.value_or(-1), estado);
        QTEST(salida, "salida");
        QCOMPARE(errores.isEmpty(), estado <= 0);
    }
};

QTEST_GUILESS_MAIN(TestOrdenesActualizacion)
#include "TestOrdenesActualizacion.moc"
