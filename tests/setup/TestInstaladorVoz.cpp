#include "InstaladorPrueba.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

const char* const huella = "3dspeaker_speech_campplus_sv_en_voxceleb_16k.onnx";

QString marca() { return VozNeural::carpeta() + '/' + VozNeural::marcaInstalada; }

}

class TestInstaladorVoz : public QObject {
    Q_OBJECT

private slots:
    // Through the fake uv the environment is Debian's python3, so the real
    // voice service starts from it and the install ends with it ready. A
    // second run keeps the environment and the speaker model.
    void instalar_data()
    {
        filasDeHogar();
    }
    void instalar()
    {
        QFETCH(QString, hogar);
        InstaladorPrueba p({}, hogar);
        p.herramientas.descarga(huella, "modelo de huellas");
        p.ajustes.escribir("vozNeural", false);
        const QString d = VozNeural::carpeta();

        const auto f = p.instalador->instalarVozNeural();
        QVERIFY(p.instalador->trabajando());
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("listo(Qwen3-TTS local)"));
        QVERIFY(!p.instalador->trabajando());
        QVERIFY(VozNeural::instalada());
        QVERIFY(p.voz->estado().listaParaHablar());
        QCOMPARE(p.ajustes.booleanoOpcional("vozNeural"), std::optional<bool>(true));
        const QString registro = p.instalador->registro();
        QVERIFY(registro.startsWith("▸ Instalando la voz natural local (Qwen3-TTS)…\n"));
        QVERIFY2(registro.endsWith("Voz neural instalada.\n"), qPrintable(registro));
        QCOMPARE(p.leer(d + "/modelos/huella_voz.onnx"), QByteArray("modelo de huellas"));
        QCOMPARE(p.leer(p.herramientas.falso("modelos-descargados")), QByteArray(VozNeural::modelo) + '\n');
        QVERIFY(p.herramientas.llamadas("uv").contains(
            QStringList{"pip", "install", "--python", d + "/.venv/bin/python", "--index-url",
                        "https://download.pytorch.org/whl/cpu", "torch"}));

        p.escribir(d + "/.venv/propio", "x");
        const auto otra = p.instalador->instalarVozNeural();
        ESPERAR(otra);
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("listo(Qwen3-TTS local)"));
        QVERIFY(QFileInfo::exists(d + "/.venv/propio"));
        QCOMPARE(p.herramientas.llamadas("curl").size(), 1);
    }

    // A failure at any step ends in the error state with no completion
    // marker, so a half-done environment never counts as installed, even
    // where an earlier install had finished.
    void fallos_data()
    {
        QTest::addColumn<QString>("marcaFalsa");
        QTest::addColumn<bool>("conHuella");
        QTest::addColumn<bool>("instaladaAntes");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("limite");   // seconds
        const QString revisa = "No se pudo instalar. Revisa el registro.";
        QTest::newRow("sin Python 3.12") << "uv-venv-falla" << true << false << revisa << 60;
        QTest::newRow("paquetes") << "uv-pip-falla" << true << false << revisa << 60;
        QTest::newRow("huella ausente") << "" << false << false << revisa << 60;
        QTest::newRow("huella cortada") << "cortar-curl" << true << false << revisa << 60;
        QTest::newRow("modelo de voz, sobre una instalación previa") << "hf-falla" << true << true << revisa << 60;
        QTest::newRow("descarga colgada") << "colgar-curl" << true << false
                                          << "No se pudo instalar. Se detuvo tras 2 s sin terminar." << 2;
    }
    void fallos()
    {
        QFETCH(QString, marcaFalsa);
        QFETCH(bool, conHuella);
        QFETCH(bool, instaladaAntes);
        QFETCH(QString, texto);
        QFETCH(int, limite);
        Instalador::Limites limites;
        limites.voz = std::chrono::seconds(limite);
        InstaladorPrueba p(limites);
        if (conHuella)
            p.herramientas.descarga(huella, "modelo de huellas");
        if (!marcaFalsa.isEmpty())
            p.herramientas.marcar(marcaFalsa);
        if (instaladaAntes) {
            const QString venv = VozNeural::carpeta() + "/.venv";
            p.escribir(venv + "/pyvenv.cfg", "home = /usr/bin\ninclude-system-site-packages = true\n");
            QDir().mkpath(venv + "/bin");
            QFile::link("/usr/bin/python3", venv + "/bin/python");
            p.escribir(marca(), {});
            QVERIFY(VozNeural::instalada());
        }

        const auto f = p.instalador->instalarVozNeural();
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->estadoVoz()), "error(" + texto + ')');
        QVERIFY(!QFileInfo::exists(marca()));
        QVERIFY(!VozNeural::instalada());
        if (marcaFalsa == "cortar-curl")
            QVERIFY(!QFileInfo::exists(VozNeural::carpeta() + "/modelos/huella_voz.onnx"));
        QVERIFY(!p.instalador->trabajando());
        QCOMPARE(p.ajustes.booleanoOpcional("vozNeural"), std::nullopt);
        QVERIFY(!p.instalador->registro().contains("Voz neural instalada."));
    }
};

QTEST_GUILESS_MAIN(TestInstaladorVoz)
#include "TestInstaladorVoz.moc"
