#include "InstaladorPrueba.h"
#include "comun/ProcesoVivo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const char* const huella = "3dspeaker_speech_campplus_sv_en_voxceleb_16k.onnx";

QString marca() { return VozNeural::carpeta() + '/' + VozNeural::marcaInstalada; }

// What Hugging Face answers about a model: its files with their sizes.
QByteArray archivos(qint64 bytes)
{
    return QStringLiteral(R"({"siblings":[{"rfilename":"model.safetensors","size":%1},{"rfilename":"config.json"}]})")
        .arg(bytes)
        .toUtf8();
}

// The answers and downloads of an install that goes well; the models'
// sizes are those of the real ones.
void servirDescargas(const HerramientasFalsas& h, qint64 base = 2500000000, qint64 diseno = 4500000000)
{
    h.descarga(huella, "modelo de huellas");
    h.descarga(QString::fromLatin1(VozNeural::modelo).section('/', 1) + "?blobs=true", archivos(base));
    h.descarga(QString::fromLatin1(VozNeural::modeloDiseno).section('/', 1) + "?blobs=true", archivos(diseno));
}

}

class TestInstaladorVoz : public QObject {
    Q_OBJECT

private slots:
    // Through the fake uv the environment is Debian's python3 with the
    // stand-ins of the neural packages, so the real voice service loads its
    // neural engine in the check run and after it, and the install ends
    // with the natural voice speaking. A second run keeps the environment
    // and the speaker model.
    void instalar_data()
    {
        filasDeHogar();
    }
    void instalar()
    {
        QFETCH(QString, hogar);
        InstaladorPrueba p({}, hogar);
        servirDescargas(p.herramientas);
        p.ajustes.escribir("vozNeural", false);
        const QString d = VozNeural::carpeta();

        const auto f = p.instalador->instalarVozNeural();
        // In the background: the setup's navigation is not held.
        QVERIFY(p.instalador->instalandoVoz());
        QVERIFY(!p.instalador->trabajando());
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("trabajando"));
        ESPERAR(f);
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("listo(Qwen3-TTS local)"));
        QVERIFY(!p.instalador->instalandoVoz());
        QVERIFY(VozNeural::instalada());
        QVERIFY(p.voz->estado().listaParaHablar());
        QCOMPARE(p.voz->estado().motor, MotorVoz::neural);
        QCOMPARE(p.ajustes.booleanoOpcional("vozNeural"), std::optional<bool>(true));
        const QString registro = p.instalador->registro();
        QVERIFY(registro.startsWith("▸ Instalando la voz natural local (Qwen3-TTS)…\n"));
        QVERIFY2(registro.contains("Probando la voz natural…\nCargando la voz natural…\nLa voz natural habló: "),
                 qPrintable(registro));
        QVERIFY2(registro.endsWith("Voz neural instalada.\n"), qPrintable(registro));
        QCOMPARE(p.leer(d + "/modelos/huella_voz.onnx"), QByteArray("modelo de huellas"));
        QCOMPARE(p.leer(p.herramientas.falso("modelos-descargados")),
                 QByteArray(VozNeural::modelo) + '\n' + VozNeural::modeloDiseno + '\n');
        QVERIFY(p.herramientas.llamadas("uv").contains(
            QStringList{"pip", "install", "--python", d + "/.venv/bin/python", "--index-url",
                        "https://download.pytorch.org/whl/cpu", "torch", "torchaudio"}));

        p.escribir(d + "/.venv/propio", "x");
        const auto otra = p.instalador->instalarVozNeural();
        ESPERAR(otra);
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("listo(Qwen3-TTS local)"));
        QVERIFY(QFileInfo::exists(d + "/.venv/propio"));
        // The models' information both times, the speaker model once.
        QCOMPARE(p.herramientas.llamadas("curl").size(), 5);
    }

    // A failure at any step ends in the error state with no completion
    // marker, so a half-done environment never counts as installed, even
    // where an earlier install had finished; only the checks before
    // anything is touched leave an earlier install working. Where the user
    // can act, the state says what to do; the basic voice stays.
    void fallos_data()
    {
        QTest::addColumn<QString>("marcaFalsa");
        QTest::addColumn<QByteArray>("contenido");  // of the marker
        QTest::addColumn<bool>("conDescargas");
        QTest::addColumn<bool>("instaladaAntes");
        QTest::addColumn<QString>("texto");         // the state's text, or its start
        QTest::addColumn<int>("limite");   // seconds
        const QString revisa = "No se pudo instalar. Revisa el registro.";
        const QString sinRed = "Se necesita conexión a internet para descargar la voz natural (~8 GB).";
        QTest::newRow("sin red") << "sin-red" << QByteArray() << true << false << sinRed << 60;
        QTest::newRow("sin red, sobre una instalación previa") << "sin-red" << QByteArray() << true << true << sinRed
                                                               << 60;
        QTest::newRow("Hugging Face no responde bien") << "" << QByteArray() << false << false
                                                       << "Hugging Face no entregó la información de la voz natural. "
                                                          "Inténtalo más tarde." << 60;
        QTest::newRow("sin Python 3.12") << "uv-venv-falla" << QByteArray() << true << false << revisa << 60;
        QTest::newRow("paquetes") << "uv-pip-falla" << QByteArray() << true << false << revisa << 60;
        QTest::newRow("huella ausente") << "sin-huella" << QByteArray() << true << false << revisa << 60;
        QTest::newRow("huella cortada") << "cortar-curl" << QByteArray(".onnx") << true << false << revisa << 60;
        QTest::newRow("modelo de voz, sobre una instalación previa")
            << "hf-falla" << QByteArray() << true << true << revisa << 60;
        QTest::newRow("el modelo no carga en la prueba")
            << "sin-qwen" << QByteArray() << true << false
            << "La voz natural no se pudo cargar (ModuleNotFoundError). Vuelve a instalarla." << 60;
        QTest::newRow("descarga colgada") << "colgar-curl" << QByteArray(".onnx") << true << false
                                          << "No se pudo instalar. Se detuvo tras 2 s sin terminar." << 2;
    }
    void fallos()
    {
        QFETCH(QString, marcaFalsa);
        QFETCH(QByteArray, contenido);
        QFETCH(bool, conDescargas);
        QFETCH(bool, instaladaAntes);
        QFETCH(QString, texto);
        QFETCH(int, limite);
        Instalador::Limites limites;
        limites.voz = std::chrono::seconds(limite);
        InstaladorPrueba p(limites);
        if (conDescargas)
            servirDescargas(p.herramientas);
        if (marcaFalsa == "sin-huella")
            QFile::remove(p.herramientas.falso("descargas/") + huella);
        else if (!marcaFalsa.isEmpty())
            p.herramientas.marcar(marcaFalsa, contenido);
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
        const bool queda = instaladaAntes && marcaFalsa == "sin-red";
        QCOMPARE(QFileInfo::exists(marca()), queda);
        QCOMPARE(VozNeural::instalada(), queda);
        if (marcaFalsa == "cortar-curl")
            QVERIFY(!QFileInfo::exists(VozNeural::carpeta() + "/modelos/huella_voz.onnx"));
        QVERIFY(!p.instalador->instalandoVoz());
        QCOMPARE(p.ajustes.booleanoOpcional("vozNeural"), std::nullopt);
        QVERIFY(!p.instalador->registro().contains("Voz neural instalada."));
    }

    // Too little disk for the models' own sizes: nothing is installed and
    // the state says how much is needed.
    void sinEspacio()
    {
        InstaladorPrueba p;
        servirDescargas(p.herramientas, 2500000000, qint64(1) << 50);
        const auto f = p.instalador->instalarVozNeural();
        ESPERAR(f);
        const QString texto = *p.instalador->estadoVoz().texto;
        QVERIFY2(texto.startsWith("No hay espacio suficiente: la voz natural necesita unos 1125907 GB libres y quedan "),
                 qPrintable(texto));
        QVERIFY(texto.endsWith(" GB."));
        QVERIFY(p.herramientas.llamadas("uv").isEmpty());
        QVERIFY(!VozNeural::instalada());
    }

    // Cancelling in the middle stops the script with everything it
    // started: no child is left, no part-download stays, and the voice is
    // missing again, ready for another try.
    void cancelar()
    {
        InstaladorPrueba p;
        servirDescargas(p.herramientas);
        p.herramientas.marcar("colgar-curl", ".onnx");
        const auto f = p.instalador->instalarVozNeural();
        QTRY_VERIFY_WITH_TIMEOUT(p.herramientas.llamadas("curl").size() == 3, 30000);
        QList<qint64> pids;
        QFile llamadas(p.herramientas.falso("llamadas.jsonl"));
        QVERIFY(llamadas.open(QIODevice::ReadOnly));
        for (const QByteArray& l : llamadas.readAll().split('\n'))
            if (!l.isEmpty())
                pids << QJsonDocument::fromJson(l).object().value("pid").toInteger();
        QVERIFY(procesoVivo(pids.last()));

        p.instalador->cancelarVozNeural();
        ESPERAR(f);
        for (qint64 pid : pids)
            QTRY_VERIFY2(!procesoVivo(pid), qPrintable(QString::number(pid)));
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("falta(Voz básica (espeak-ng))"));
        QVERIFY(!p.instalador->instalandoVoz());
        QVERIFY(!VozNeural::instalada());
        QVERIFY(!QFileInfo::exists(VozNeural::carpeta() + "/modelos/huella_voz.onnx.parte"));
        QVERIFY(p.instalador->registro().endsWith("  ✗ Instalación de la voz natural cancelada.\n"));

        p.herramientas.marcar("colgar-curl", "nada");
        const auto otra = p.instalador->instalarVozNeural();
        ESPERAR(otra);
        QCOMPARE(describir(p.instalador->estadoVoz()), QString("listo(Qwen3-TTS local)"));
    }
};

QTEST_GUILESS_MAIN(TestInstaladorVoz)
#include "TestInstaladorVoz.moc"
