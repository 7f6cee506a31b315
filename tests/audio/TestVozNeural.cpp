#include "HablaVoz.h"
#include "ServicioVozPrueba.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using namespace std::chrono_literals;

class TestVozNeural : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicioVozPrueba> s;
    std::unique_ptr<VozNeural> voz;

    void esperarLista()
    {
        QTRY_VERIFY_WITH_TIMEOUT(voz->estado().listaParaHablar(), 15000);
    }

    void arrancada()
    {
        voz->arrancar();
        esperarLista();
    }

    // Lets pending exits and output reach the client.
    static void asentar() { QTest::qWait(300); }

private slots:
    void init()
    {
        s = std::make_unique<ServicioVozPrueba>();
        voz = std::make_unique<VozNeural>(s->ajustes, s->reloj);
    }

    void cleanup()
    {
        voz.reset();
        s.reset();
    }

    void arrancaYAnunciaPuerto()
    {
        QVERIFY(!voz->estado().listaParaHablar());
        arrancada();
        QVERIFY(*voz->estado().puerto > 0);
        QVERIFY(QFileInfo::exists(s->voz("referencia.wav")));
        QVERIFY(QFileInfo::exists(s->voz("referencia.txt")));
        voz->arrancar();  // already running: nothing
        asentar();
        QCOMPARE(s->lanzamientos().size(), 1);
        QCOMPARE(voz->token().size(), 36);
        QCOMPARE(voz->token(), voz->token().toUpper());
    }

    void noArrancaSinEntornoOApagada_data()
    {
        QTest::addColumn<bool>("sinPython");
        QTest::addColumn<QVariant>("vozNeural");
        QTest::addColumn<bool>("arranca");
        QTest::newRow("sin entorno") << true << QVariant() << false;
        QTest::newRow("apagada") << false << QVariant(false) << false;
        QTest::newRow("ajuste que no es booleano") << false << QVariant("no") << true;
    }

    void noArrancaSinEntornoOApagada()
    {
        QFETCH(bool, sinPython);
        QFETCH(QVariant, vozNeural);
        QFETCH(bool, arranca);
        if (sinPython)
            QFile::remove(s->voz(".venv/bin/python"));
        if (vozNeural.isValid())
            s->ajustes.escribir("vozNeural", vozNeural);
        QCOMPARE(VozNeural::instalada(), !sinPython);
        voz->arrancar();
        asentar();
        QCOMPARE(s->lanzamientos().size(), arranca ? 1 : 0);
    }

    void sinScriptNoArranca()
    {
        VozNeural sinRecursos(s->ajustes, s->reloj, s->hogar.en("vacio"));
        sinRecursos.arrancar();
        asentar();
        QVERIFY(s->lanzamientos().isEmpty());
    }

    void rechazaTokenAjeno_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::newRow("otro") << QByteArray("00000000-0000-0000-0000-000000000000");
        QTest::newRow("sin cabecera") << QByteArray();
        QTest::newRow("en minusculas") << QByteArray("minusculas");
    }

    void rechazaTokenAjeno()
    {
        QFETCH(QByteArray, token);
        arrancada();
        QNetworkAccessManager red;
        red.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest r(QUrl(QString("http://127.0.0.1:%1/huella/identificar").arg(*voz->estado().puerto)));
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (token == "minusculas")
            token = voz->token().toLower().toUtf8();
        if (!token.isEmpty())
            r.setRawHeader("X-ZuviIA-Token", token);
        std::unique_ptr<QNetworkReply> respuesta(red.post(r, QByteArray("{\"texto\":\"hola\"}")));
        QTRY_VERIFY(respuesta->isFinished());
        QCOMPARE(respuesta->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 403);
    }

    // Dying before "LISTO" three times in a row gets three relaunches, then
    // none; a restart grants three more.
    void relanzaTresVecesYReiniciarDaOtrasTres()
    {
        QFile(s->voz("fallar")).open(QIODevice::WriteOnly);
        voz->arrancar();
        for (int lanzados = 1; lanzados <= 4; ++lanzados) {
            QTRY_COMPARE(s->lanzamientos().size(), lanzados);
            QTRY_VERIFY(s->reloj.pendientes() == (lanzados <= 3 ? 1 : 0));
            s->reloj.avanzar(3s);
        }
        asentar();
        QCOMPARE(s->lanzamientos().size(), 4);
        QCOMPARE(voz->estado().reintentos, 4);

        voz->reiniciar();
        for (int i = 0; i < 4; ++i) {
            QTRY_VERIFY(s->reloj.pendientes() == (i < 3 ? 1 : 0));
            s->reloj.avanzar(3s);
        }
        asentar();
        QCOMPARE(s->lanzamientos().size(), 8);
    }

    // A ready service that is killed comes back, and "LISTO" resets the count.
    void servicioMatadoVuelve()
    {
        arrancada();
        for (int vez = 1; vez <= 4; ++vez) {
            const qint64 pid = s->lanzamientos().last();
            ::kill(pid_t(pid), SIGKILL);
            QTRY_VERIFY(!voz->estado().puerto);
            QVERIFY(!voz->estado().lista);
            QCOMPARE(voz->estado().reintentos, 1);
            s->reloj.avanzar(3s);
            esperarLista();
            QCOMPARE(voz->estado().reintentos, 0);
        }
        QCOMPARE(s->lanzamientos().size(), 5);
    }

    // The stopped process's exit arrives after the new launch and must not
    // touch it: no cleared port, no extra launch.
    void reiniciarIgnoraLaSalidaDelAnterior()
    {
        arrancada();
        const qint64 viejo = s->lanzamientos().last();
        voz->reiniciar();
        QTRY_VERIFY(!procesoVivo(viejo));
        esperarLista();
        asentar();
        QVERIFY(voz->estado().listaParaHablar());
        QCOMPARE(s->reloj.pendientes(), 0);
        s->reloj.avanzar(3s);
        asentar();
        QCOMPARE(s->lanzamientos().size(), 2);
        QVERIFY(voz->estado().listaParaHablar());
    }

    void detenerNoRelanza()
    {
        arrancada();
        voz->detener();
        QVERIFY(!voz->estado().lista);
        QTRY_VERIFY(!voz->estado().puerto);
        QCOMPARE(s->reloj.pendientes(), 0);
        s->reloj.avanzar(10s);
        asentar();
        QCOMPARE(s->lanzamientos().size(), 1);
    }

    // A death during the 3 s wait, then the user turns the voice off: the
    // pending relaunch must not bring it back.
    void detenerCancelaUnRelanzamientoPendiente()
    {
        arrancada();
        ::kill(pid_t(s->lanzamientos().last()), SIGKILL);
        QTRY_COMPARE(s->reloj.pendientes(), 1);
        voz->detener();
        s->reloj.avanzar(3s);
        asentar();
        QCOMPARE(s->lanzamientos().size(), 1);
    }

    // The service never outlives its client: stopped when the client goes,
    // and gone by itself when its standard input closes (a crash).
    void servicioNoQuedaHuerfano()
    {
        arrancada();
        const qint64 pid = s->lanzamientos().last();
        voz.reset();
        QTRY_VERIFY(!procesoVivo(pid));

        QProcess directo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("ZUVIIA_VOZ_DIR", VozNeural::carpeta());
        entorno.insert("ZUVIIA_TOKEN", "X");
        directo.setProcessEnvironment(entorno);
        directo.start(s->voz(".venv/bin/python"), {Carpetas::recursos() + "/Voz/servidor_voz.py"});
        QVERIFY(directo.waitForReadyRead(10000));
        QVERIFY(directo.readAll().startsWith("PUERTO="));
        directo.closeWriteChannel();
        QVERIFY(directo.waitForFinished(5000));
        QCOMPARE(directo.exitStatus(), QProcess::NormalExit);
    }

    // At quit the service is told to stop and nobody waits for it, even a
    // service that does not listen; it still goes with its client, which
    // does not wait for it either.
    void salirNoEsperaAlServicio()
    {
        QFile(s->voz("sordo")).open(QIODevice::WriteOnly);
        arrancada();
        const qint64 pid = s->lanzamientos().last();
        QElapsedTimer reloj;
        reloj.start();
        voz->alSalir();
        QVERIFY(!voz->estado().listaParaHablar());
        QVERIFY(procesoVivo(pid));
        voz.reset();
        QVERIFY2(reloj.elapsed() < 250, qPrintable(QString::number(reloj.elapsed())));
        QTRY_VERIFY(!procesoVivo(pid));
    }

    void sintetizarAntesDeEstarLista()
    {
        bool llamado = false;
        QVERIFY(!voz->sintetizar("hola", [&](const QAudioBuffer&) { llamado = true; },
                                 [&](bool, bool) { llamado = true; }));
        asentar();
        QVERIFY(!llamado);
    }

    // 24 kHz floats in 0.1 s buffers; only the last one may be shorter.
    void hablaEnFlujo()
    {
        arrancada();
        const auto h = hablar(*voz, "Hola, esta es una frase de prueba con diez palabras en total.");
        QVERIFY(h->completo);
        QVERIFY(h->huboAudio);
        QVERIFY(h->frames.size() > 10);
        for (int i = 0; i + 1 < h->frames.size(); ++i)
            QCOMPARE(h->frames[i], qint64(2400));
        QVERIFY(h->frames.last() >= 1 && h->frames.last() <= 2400);
        const double segundos = h->muestras.size() / 24000.0;
        QVERIFY2(segundos > 2 && segundos < 8, qPrintable(QString::number(segundos)));
        float pico = 0;
        for (float m : h->muestras) {
            QVERIFY(std::isfinite(m));
            pico = std::max(pico, std::abs(m));
        }
        QVERIFY(pico > 0.05f && pico <= 1.0f);
        QCOMPARE(h->terminado.load(), 1);
    }

    // The service refuses an empty text (400): no buffer, (false, false).
    void hablaRechazada()
    {
        arrancada();
        const auto h = hablar(*voz, "   ");
        QVERIFY(!h->completo);
        QVERIFY(!h->huboAudio);
        QVERIFY(h->frames.isEmpty());
    }

    void cancelar_data()
    {
        QTest::addColumn<int>("tras");
        QTest::addColumn<bool>("huboAudio");
        QTest::newRow("antes del primer buffer") << 0 << false;
        QTest::newRow("tras el primero") << 1 << true;
        QTest::newRow("tras cinco") << 5 << true;
    }

    void cancelar()
    {
        QFETCH(int, tras);
        QFETCH(bool, huboAudio);
        arrancada();
        const auto h = hablar(*voz,
            "Una frase bastante larga para que el audio dure varios segundos y se pueda cortar a la mitad.", tras);
        Habla* p = h.get();
        QVERIFY(p->tarea);
        asentar();
        QCOMPARE(p->terminado.load(), 1);
        QVERIFY(!p->completo);
        QCOMPARE(p->huboAudio, huboAudio);
        QCOMPARE(p->frames.size(), tras);
        for (qint64 f : p->frames)
            QCOMPARE(f, qint64(2400));
        // The service is still fine for the next sentence.
        QVERIFY(hablar(*voz, "Sigo aquí.")->completo);
    }

    // A service that dies mid-sentence is a failed stream with audio, never
    // a finished sentence.
    void servicioMuereAMitadDeFrase()
    {
        arrancada();
        QString larga;
        // Far more audio than loopback's socket buffers hold, so the service
        // is still writing when it dies even on a slow, loaded machine.
        for (int i = 0; i < 200; ++i)
            larga += QStringLiteral("Esta es la frase número %1 de un texto largo, para que el audio siga saliendo. ").arg(i);
        const auto h = hablar(*voz, larga, 2, s->lanzamientos().last());
        QCOMPARE(h->terminado.load(), 1);
        QVERIFY(!h->completo);
        QVERIFY(h->huboAudio);
        QVERIFY(h->frames.size() >= 2);
    }

    // Two clearly different voices enrolled with one sentence each are told
    // apart on other sentences; voices nobody enrolled get no id.
    void huellas_data()
    {
        QTest::addColumn<QString>("voz");
        QTest::addColumn<QString>("frase");
        QTest::addColumn<QString>("quien");  // "A", "B" or empty for nobody
        const QString frases[] = {"¿Puedes abrir el archivo de configuración por favor?",
                                  "Mañana tenemos reunión con el equipo de diseño.",
                                  "Zuvi, apaga la luz de la oficina."};
        for (const QString& f : frases) {
            QTest::addRow("hombre: %s", qPrintable(f.left(10))) << "es-419" << f << "A";
            QTest::addRow("mujer: %s", qPrintable(f.left(10))) << "es+f4" << f << "B";
            QTest::addRow("abuela: %s", qPrintable(f.left(10))) << "es-419+grandma" << f << "";
            QTest::addRow("otro hombre: %s", qPrintable(f.left(10))) << "es+m7" << f << "";
        }
    }

    void huellas()
    {
        QFETCH(QString, voz);
        QFETCH(QString, frase);
        QFETCH(QString, quien);
        arrancada();
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
        QVERIFY(esperar(this->voz->registrarHuella(
            a, ServicioVozPrueba::decir16k("es-419", "Me llamo Pedro y hoy vengo a revisar las cuentas del mes."))));
        QVERIFY(esperar(this->voz->registrarHuella(
            b, ServicioVozPrueba::decir16k("es+f4", "Hola, me llamo Ana y trabajo en el proyecto de la casa."))));
        for (const QUuid& id : {a, b})
            QVERIFY(QFileInfo::exists(s->voz("huellas/" + VozNeural::textoUuid(id) + ".npz")));

        const auto muestras = ServicioVozPrueba::decir16k(voz, frase);
        const auto r = esperar(this->voz->identificar(muestras, {a, b, QUuid::createUuid()}));
        if (quien.isEmpty()) {
            QVERIFY(!r);
            return;
        }
        QVERIFY(r);
        QCOMPARE(r->id, quien == "A" ? a : b);
        QVERIFY(r->puntaje >= 0.9 && r->puntaje <= 1.0);
        // Only the candidates count: without the right one, nobody.
        QVERIFY(!esperar(this->voz->identificar(muestras, {quien == "A" ? b : a})));
    }

    void huellaDemasiadoCorta()
    {
        arrancada();
        const QUuid id = QUuid::createUuid();
        auto audio = ServicioVozPrueba::decir16k("es-419", "Hola, me llamo Pedro y vengo a trabajar.");
        audio.resize(9599);
        QVERIFY(!esperar(voz->registrarHuella(id, audio)));
        QVERIFY(!esperar(voz->identificar(audio, {id})));
        QVERIFY(!QFileInfo::exists(s->voz("huellas/" + VozNeural::textoUuid(id) + ".npz")));
        // Silence is no voice print either.
        QVERIFY(!esperar(voz->registrarHuella(id, std::vector<float>(16000, 0.0f))));
    }

    void huellaSinServicio()
    {
        const auto audio = std::vector<float>(16000, 0.1f);
        QVERIFY(!esperar(voz->registrarHuella(QUuid::createUuid(), audio)));
        QVERIFY(!esperar(voz->identificar(audio, {QUuid::createUuid()})));
    }

    void disenarSinServicio()
    {
        const auto e = errorDe(voz->disenar("voz de mujer"));
        QCOMPARE(e.first, 2);
        QCOMPARE(e.second, QStringLiteral("La voz neural no está en marcha."));
    }

    // Without the natural voice the service says so, in every state of
    // the description, and names its engine.
    void disenarSinVozNatural_data()
    {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("texto");
        QTest::newRow("descripción") << "Una voz de mujer joven" << "Diseñar voz necesita la voz natural instalada.";
        QTest::newRow("solo blancos") << "   " << "Falta la descripción de la voz.";
    }
    void disenarSinVozNatural()
    {
        QFETCH(QString, descripcion);
        QFETCH(QString, texto);
        arrancada();
        QCOMPARE(voz->estado().motor, MotorVoz::basica);
        const auto e = errorDe(voz->disenar(descripcion));
        QCOMPARE(e.first, 3);
        QCOMPARE(e.second, texto);
    }

    void referenciaPorDefecto()
    {
        VozNeural::prepararReferencia(false);
        QFile wav(s->voz("referencia.wav"));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QCOMPARE(wav.read(4), QByteArray("RIFF"));
        wav.close();
        QFile propio(s->voz("referencia.wav"));
        propio.open(QIODevice::WriteOnly | QIODevice::Truncate);
        propio.write("mia");
        propio.close();
        VozNeural::prepararReferencia(false);
        QCOMPARE(QFileInfo(s->voz("referencia.wav")).size(), 3);
        VozNeural::prepararReferencia(true);
        QVERIFY(QFileInfo(s->voz("referencia.wav")).size() > 1000);
    }
};

QTEST_GUILESS_MAIN(TestVozNeural)
#include "TestVozNeural.moc"
