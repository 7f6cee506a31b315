#include "comun/HogarTemporal.h"
#include "plataforma/EntradaEscritorio.h"

#include <QFile>
#include <QTest>

namespace {

void escribir(const QString& ruta, const QByteArray& contenido)
{
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenido);
}

}

class TestEntradaEscritorio : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    QTemporaryDir sistema;

private slots:
    void init()
    {
        qputenv("XDG_DATA_DIRS", (sistema.path() + "/uno:relativa:" + sistema.path() + "/dos").toUtf8());
    }

    void lineaExec_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("exec");
        QTest::newRow("simple") << QStringList{"/usr/bin/zuviia"} << "/usr/bin/zuviia";
        QTest::newRow("espacio") << QStringList{"/home/ana/Mis apps/zuviia"} << "\"/home/ana/Mis apps/zuviia\"";
        QTest::newRow("comillas") << QStringList{"/a\"b"} << "\"/a\\\\\"b\"";
        QTest::newRow("dólar") << QStringList{"/a$b"} << "\"/a\\\\$b\"";
        QTest::newRow("barra inversa") << QStringList{"/a\\b"} << "\"/a\\\\\\\\b\"";
        QTest::newRow("comilla invertida") << QStringList{"/a`b"} << "\"/a\\\\`b\"";
        QTest::newRow("porcentaje") << QStringList{"/100%/z"} << "/100%%/z";
        QTest::newRow("porcentaje citado") << QStringList{"/a b/%u"} << "\"/a b/%%u\"";
        QTest::newRow("dos argumentos") << QStringList{"/opt/z z", "--oculto"} << "\"/opt/z z\" --oculto";
        QTest::newRow("vacío") << QStringList{"/z", ""} << "/z \"\"";
    }

    void lineaExec()
    {
        QFETCH(QStringList, argumentos);
        QTEST(EntradaEscritorio::lineaExec(argumentos), "exec");
    }

    void leerSoloElGrupoPrincipal()
    {
        const auto claves = EntradaEscritorio::leer(
            "# comentario\n[Desktop Entry]\nName=Zuvi\nExec=a=b\nName=otra\n\n[Desktop Action x]\nHidden=true\n");
        QCOMPARE(claves.value("Name"), QStringLiteral("Zuvi"));
        QCOMPARE(claves.value("Exec"), QStringLiteral("a=b"));
        QVERIFY(!claves.contains("Hidden"));
    }

    void buscarEnLasCarpetasXdg()
    {
        QCOMPARE(EntradaEscritorio::carpetasDeAplicaciones(),
                 (QStringList{hogar.en(".local/share/applications"), sistema.path() + "/uno/applications",
                              sistema.path() + "/dos/applications"}));
        escribir(sistema.path() + "/dos/applications/x.desktop", "[Desktop Entry]\nName=X\n");
        QCOMPARE(EntradaEscritorio::buscar("x.desktop"), std::optional(sistema.path() + "/dos/applications/x.desktop"));
        escribir(sistema.path() + "/uno/applications/x.desktop", "[Desktop Entry]\nName=X\n");
        QCOMPARE(EntradaEscritorio::buscar("x.desktop"), std::optional(sistema.path() + "/uno/applications/x.desktop"));
        // The user's own entry that hides it wins over the system's.
        escribir(hogar.en(".local/share/applications/x.desktop"), "[Desktop Entry]\nHidden=true\n");
        QCOMPARE(EntradaEscritorio::buscar("x.desktop"), std::nullopt);
        QCOMPARE(EntradaEscritorio::buscar("nada.desktop"), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestEntradaEscritorio)
#include "TestEntradaEscritorio.moc"
