#include "BancoActualizador.h"

#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"

#include "Publicacion.h"
#include "plataforma/Ajustes.h"
#include "setup/Actualizador.h"
#include "setup/DescargaHttp.h"
#include "setup/FirmaActualizacion.h"

#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace std::chrono_literals;
using Caso = EstadoActualizacion::Caso;
using Modo = ServidorPrueba::Respuesta::Modo;

namespace {

EstadoActualizacion estado(Caso c, const QString& texto = {}) { return {c, texto}; }

}

class TestActualizador : public QObject {
    Q_OBJECT

private slots:
    void revision_data()
    {
        QTest::addColumn<int>("estadoHttp");
        QTest::addColumn<QByteArray>("cuerpo");
        QTest::addColumn<int>("modo");
        QTest::addColumn<bool>("silencioso");
        QTest::addColumn<int>("caso");
        QTest::addColumn<QString>("texto");

        const QByteArray viejo = "{\"version\":\"1.1\",\"build\":11,\"url\":\"https://x.example/a.zip\",\"sha256\":\""
                                 + QByteArray(64, 'a') + "\",\"firma\":\"x\"}";
        const QByteArray mismo = QByteArray(viejo).replace("\"build\":11", "\"build\":12").replace("1.1", "9.9");
        const QByteArray sinFirma = QByteArray(viejo).replace("\"build\":11", "\"build\":13");
        const int completa = int(Modo::completa);
        QTest::newRow("misma build, otra versión") << 200 << mismo << completa << false << int(Caso::alDia) << "";
        QTest::newRow("build menor") << 200 << viejo << completa << false << int(Caso::alDia) << "";
        QTest::newRow("firma inválida, visible") << 200 << sinFirma << completa << false << int(Caso::error)
                                                 << "la firma de la actualización no es válida";
        QTest::newRow("firma inválida, silenciosa") << 200 << sinFirma << completa << true << int(Caso::alDia) << "";
        QTest::newRow("404, visible") << 404 << QByteArray("no") << completa << false << int(Caso::error)
                                      << "el servidor no respondió";
        QTest::newRow("500 con un manifiesto válido") << 500 << QByteArray() << completa << false << int(Caso::error)
                                                     << "el servidor no respondió";
        QTest::newRow("404, silenciosa") << 404 << QByteArray("no") << completa << true << int(Caso::alDia) << "";
        QTest::newRow("no es JSON") << 200 << QByteArray("<html>") << completa << false << int(Caso::error) << "";
        QTest::newRow("más de 64 KiB") << 200 << QByteArray(65 * 1024, ' ') << completa << false << int(Caso::error)
                                       << "la actualización es más grande de lo permitido";
        QTest::newRow("cortado") << 200 << QByteArray(2000, ' ') << int(Modo::truncada) << false << int(Caso::error)
                                 << DescargaHttp::mensajeRed(QNetworkReply::RemoteHostClosedError);
    }

    void revision()
    {
        QFETCH(int, estadoHttp);
        QFETCH(QByteArray, cuerpo);
        QFETCH(int, modo);
        QFETCH(bool, silencioso);
        QFETCH(int, caso);
        QFETCH(QString, texto);
        Banco b;
        const QByteArray valido = ArbolPrueba::leer(b.hogar.en("salida-13/ultima.json"));
        b.servidor.servir("/ultima.json", {estadoHttp, cuerpo.isEmpty() ? valido : cuerpo, Modo(modo)});
        b.revisar(silencioso);
        QCOMPARE(int(b.act->estado().caso), caso);
        if (!texto.isEmpty())
            QCOMPARE(b.act->estado().texto, texto);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);
        QCOMPARE(b.act->notas(), std::nullopt);
    }

    void revisionEncuentraLaNueva()
    {
        Banco b;
        QSignalSpy cambios(b.act.get(), &Actualizador::estadoCambiado);
        b.revisar(true);
        QCOMPARE(b.act->estado(), estado(Caso::disponible, "1.3"));
        QCOMPARE(b.act->notas(), std::optional<QString>("Notas 1.3"));
        QCOMPARE(b.servidor.ultimoAgente(), QByteArray("ZuviIA/1.2"));
        QCOMPARE(cambios.count(), 2);   // buscando, disponible
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);   // not automatic
        b.revisar();
        QCOMPARE(b.servidor.pedidos("/ultima.json"), 2);   // never a cached answer
    }

    void descarga_data()
    {
        QTest::addColumn<int>("estadoHttp");
        QTest::addColumn<bool>("otroCuerpo");
        QTest::addColumn<int>("modo");
        QTest::addColumn<QString>("texto");
        QTest::newRow("404") << 404 << false << int(Modo::completa) << "el servidor no respondió";
        QTest::newRow("otro archivo") << 200 << true << int(Modo::completa) << "el archivo descargado no coincide";
        QTest::newRow("cortado") << 200 << false << int(Modo::truncada)
                                 << DescargaHttp::mensajeRed(QNetworkReply::RemoteHostClosedError);
    }

    // Every failure is shown, even after a silent check, and leaves no
    // staging folder behind.
    void descarga()
    {
        QFETCH(int, estadoHttp);
        QFETCH(bool, otroCuerpo);
        QFETCH(int, modo);
        QFETCH(QString, texto);
        Banco b(true);
        QByteArray cuerpo = b.zip;
        if (otroCuerpo)
            cuerpo[100] = char(cuerpo[100] ^ 1);
        b.servidor.servir(b.rutaArchivo(), {estadoHttp, cuerpo, Modo(modo)});
        b.revisar(true);
        QCOMPARE(b.act->estado(), estado(Caso::error, texto));
        QCOMPARE(b.preparadas(), QStringList());
        b.act->instalar();
        QCOMPARE(b.lanzados.size(), 0);
    }

    void descargaVerificada()
    {
        Banco b;
        b.revisar();
        b.bajar();
        QCOMPARE(b.act->estado(), estado(Caso::lista, "1.3"));
        const QStringList preparadas = b.preparadas();
        QCOMPARE(preparadas.size(), 1);
        QVERIFY(QFileInfo(b.hogar.en("opt/" + preparadas[0] + "/ZuviIA/bin/zuviia")).isExecutable());
        QCOMPARE(b.lanzados.size(), 0);   // not automatic: the user installs

        // A silent check that fails keeps the waiting update offered.
        b.servidor.servir("/ultima.json", {503, "caído"});
        b.revisar(true);
        QCOMPARE(b.act->estado(), estado(Caso::lista, "1.3"));
    }

    // No timeout would leave a stalled transfer running for ever and every
    // later check returning at once.
    void unServidorQueSeCuelga()
    {
        Banco b;
        const QByteArray manifiesto = ArbolPrueba::leer(b.hogar.en("salida-13/ultima.json"));
        b.servidor.servir("/ultima.json", {200, manifiesto, Modo::estancada});
        b.act->buscar(false);
        QVERIFY(QTest::qWaitFor([&] { return b.servidor.pedidos("/ultima.json") == 1; }));
        QTest::qWait(50);
        b.reloj.avanzar(19s);
        QCOMPARE(b.act->estado().caso, Caso::buscando);
        b.reloj.avanzar(1s);
        QVERIFY(b.reposa());
        QCOMPARE(b.act->estado(), estado(Caso::error, DescargaHttp::mensajeRed(QNetworkReply::TimeoutError)));

        b.servidor.servir("/ultima.json", {200, manifiesto});
        b.servidor.servir(b.rutaArchivo(), {200, b.zip, Modo::estancada});
        b.revisar();
        b.act->descargar();
        QVERIFY(QTest::qWaitFor([&] { return b.servidor.pedidos(b.rutaArchivo()) == 1; }));
        QTest::qWait(50);
        b.act->instalar();   // refused while downloading
        QCOMPARE(b.act->estado().caso, Caso::descargando);
        b.reloj.avanzar(60s);
        QVERIFY(b.reposa());
        QCOMPARE(b.act->estado(), estado(Caso::error, DescargaHttp::mensajeRed(QNetworkReply::TimeoutError)));
        QCOMPARE(b.preparadas(), QStringList());
        QCOMPARE(b.lanzados.size(), 0);

        b.servidor.servir(b.rutaArchivo(), {200, b.zip});
        b.bajar();
        QCOMPARE(b.act->estado(), estado(Caso::lista, "1.3"));
    }

    // A verified 1.3 must not be installed once 1.4 is known and its
    // download failed; an older manifest replayed later changes nothing.
    void soloSeInstalaLaDelManifiesto()
    {
        Banco b;
        b.revisar();
        b.bajar();
        const QByteArray manifiesto13 = ArbolPrueba::leer(b.hogar.en("salida-13/ultima.json"));
        b.publicar(14, "1.4");
        b.servidor.servir(b.rutaArchivo(), {404, "no"});
        b.revisar();
        QCOMPARE(b.act->estado(), estado(Caso::disponible, "1.4"));
        QCOMPARE(b.preparadas(), QStringList());   // the stale 1.3 is gone
        b.bajar();
        QCOMPARE(b.act->estado(), estado(Caso::error, "el servidor no respondió"));
        b.act->instalar();
        QCOMPARE(b.lanzados.size(), 0);

        b.servidor.servir("/ultima.json", {200, manifiesto13});
        b.revisar();
        QCOMPARE(b.act->estado(), estado(Caso::disponible, "1.4"));
        QCOMPARE(b.act->notas(), std::optional<QString>("Notas 1.4"));
    }

    void instalarUnaSolaVez()
    {
        Banco b;
        b.revisar();
        b.bajar();
        const QString app = b.hogar.en("opt/" + b.preparadas().value(0) + "/ZuviIA");
        b.act->instalar();
        b.act->instalar();
        QCOMPARE(b.act->estado().caso, Caso::instalando);
        QCOMPARE(b.lanzados.size(), 1);
        QCOMPARE(b.salidas, 1);
        QCOMPARE(b.lanzados[0].programa, QStringLiteral("/bin/sh"));
        const QStringList a = b.lanzados[0].argumentos;
        QCOMPARE(a.mid(3), (QStringList{"4242", b.prefijo, app, "1.3 (build 13)", "13",
                                        b.hogar.en(".local/state/ZuviIA/actualizacion.log")}));
        b.act->buscar(false);   // nothing happens while installing
        QCOMPARE(b.act->estado().caso, Caso::instalando);
    }

    // The application did not end in time: the script gives up and writes
    // why, and the running application leaves "instalando" and offers the
    // update again. An outcome of an earlier swap in the log counts for
    // nothing.
    void cambioQueSeRinde_data()
    {
        QTest::addColumn<QByteArray>("escrito");
        QTest::addColumn<int>("espera");
        QTest::addColumn<int>("caso");
        QTest::newRow("la app no se cerró") << QByteArray("resultado: fallida 13 la app no se cerró\n") << 2
                                            << int(Caso::disponible);
        QTest::newRow("sin señales del script") << QByteArray() << 92 << int(Caso::disponible);
        QTest::newRow("aún esperando") << QByteArray("inicio 2026-01-01 build 13\n") << 60 << int(Caso::instalando);
    }

    void cambioQueSeRinde()
    {
        QFETCH(QByteArray, escrito);
        QFETCH(int, espera);
        Banco b;
        const QString log = b.hogar.en(".local/state/ZuviIA/actualizacion.log");
        QDir().mkpath(QFileInfo(log).path());
        ArbolPrueba::escribir(log, "resultado: fallida 12 la app no se cerró\n", ArbolPrueba::lectura);
        b.revisar();
        b.bajar();
        b.act->instalar();
        QCOMPARE(b.act->estado().caso, Caso::instalando);
        b.reloj.avanzar(std::chrono::seconds(2));
        QCOMPARE(b.act->estado().caso, Caso::instalando);
        QFile f(log);
        QVERIFY(f.open(QIODevice::Append));
        f.write(escrito);
        f.close();
        for (int s = 0; s < espera; s += 2)
            b.reloj.avanzar(std::chrono::seconds(2));
        QTEST(int(b.act->estado().caso), "caso");
        if (b.act->estado().caso == Caso::disponible) {
            QCOMPARE(b.act->estado().texto, QStringLiteral("1.3"));
            // Offered again: a new install needs a new download.
            b.act->instalar();
            QCOMPARE(b.lanzados.size(), 1);
        }
    }

    void unScriptQueNoArranca()
    {
        Banco b;
        b.lanzaBien = false;
        b.revisar();
        b.bajar();
        b.act->instalar();
        QCOMPARE(b.act->estado(), estado(Caso::error, "no se pudo instalar: sin permiso"));
        QCOMPARE(b.salidas, 0);
    }

    void instalarSinVerificadaNoHaceNada()
    {
        Banco b;
        b.revisar();
        QCOMPARE(b.act->estado().caso, Caso::disponible);
        b.act->instalar();
        QCOMPARE(b.act->estado().caso, Caso::disponible);
        QCOMPARE(b.lanzados.size(), 0);
    }

    void descargarEInstalar_data()
    {
        QTest::addColumn<bool>("verificadaAntes");
        QTest::addColumn<bool>("ofrecida");
        QTest::addColumn<int>("estadoArchivo");
        QTest::addColumn<int>("lanzados");
        QTest::addColumn<int>("pedidosArchivo");
        QTest::addColumn<int>("caso");
        QTest::newRow("lista: instala sin bajar otra vez") << true << false << 200 << 1 << 1 << int(Caso::instalando);
        QTest::newRow("disponible: baja y luego instala") << false << true << 200 << 1 << 1 << int(Caso::instalando);
        QTest::newRow("descarga fallida: nada") << false << true << 404 << 0 << 1 << int(Caso::error);
        QTest::newRow("descarga fallida tras una verificada: nada") << true << true << 404 << 0 << 2 << int(Caso::error);
    }

    // The banner's button installs only what its own download just
    // verified, also while the room is busy.
    void descargarEInstalar()
    {
        QFETCH(bool, verificadaAntes);
        QFETCH(bool, ofrecida);
        QFETCH(int, estadoArchivo);
        QFETCH(int, lanzados);
        QFETCH(int, pedidosArchivo);
        QFETCH(int, caso);
        Banco b;
        b.ocupacion.turno = true;
        b.revisar();
        if (verificadaAntes)
            b.bajar();
        if (ofrecida)
            b.revisar();
        b.servidor.servir(b.rutaArchivo(), {estadoArchivo, b.zip});
        b.act->descargarEInstalar();
        QVERIFY(b.reposa());
        QCOMPARE(int(b.act->estado().caso), caso);
        QCOMPARE(b.lanzados.size(), lanzados);
        QCOMPARE(b.salidas, lanzados);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), pedidosArchivo);
    }

    // Nothing offered, nothing waiting: the button does nothing.
    void descargarEInstalarSinNada()
    {
        Banco b;
        b.act->descargarEInstalar();
        QCOMPARE(b.act->estado().caso, Caso::alDia);
        b.servidor.servir("/ultima.json", {503, "caído"});
        b.revisar();
        b.act->descargarEInstalar();
        QCOMPARE(b.act->estado().caso, Caso::error);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);
    }

    // Automatic updates wait for the room: a conversation changed 200 s
    // ago holds the install until the first poll after 300 s.
    void esperaQueLaSalaQuedeLibre()
    {
        Banco b(true);
        b.ocupacion.ultimaConversacion = b.reloj.ahora().addSecs(-200);
        b.revisar(true);
        QCOMPARE(b.act->estado(), estado(Caso::lista, "1.3"));
        QCOMPARE(b.lanzados.size(), 0);
        b.reloj.avanzar(60s);
        QCOMPARE(b.lanzados.size(), 0);
        b.ocupacion.tareasFondo = 1;
        b.reloj.avanzar(60s);
        QCOMPARE(b.lanzados.size(), 0);
        b.ocupacion.tareasFondo = 0;
        b.reloj.avanzar(60s);
        QCOMPARE(b.lanzados.size(), 1);
        b.reloj.avanzar(10min);
        QCOMPARE(b.lanzados.size(), 1);
    }

    void instalaEnSeguidaSiEstaLibre()
    {
        Banco b(true);
        b.revisar(true);
        QCOMPARE(b.act->estado().caso, Caso::instalando);
        QCOMPARE(b.lanzados.size(), 1);
    }

    // 15 s, then 6 h after each check; a second programar adds nothing.
    void calendario()
    {
        Banco b;
        b.act->programar();
        b.act->programar();
        b.reloj.avanzar(14s);
        QTest::qWait(20);
        QCOMPARE(b.servidor.pedidos("/ultima.json"), 0);
        b.reloj.avanzar(1s);
        QVERIFY(b.reposa());
        QTRY_COMPARE(b.servidor.pedidos("/ultima.json"), 1);
        b.reloj.avanzar(6h - 1s);
        QTest::qWait(20);
        QCOMPARE(b.servidor.pedidos("/ultima.json"), 1);
        b.reloj.avanzar(1s);
        QTRY_COMPARE(b.servidor.pedidos("/ultima.json"), 2);
        QVERIFY(b.reposa());
        b.reloj.avanzar(6h);
        QTRY_COMPARE(b.servidor.pedidos("/ultima.json"), 3);
    }

    // A build whose swap failed its checks is not downloaded again.
    void unaBuildRechazadaNoVuelve()
    {
        Banco b(true);
        const QString registro = b.hogar.en(".local/state/ZuviIA/actualizacion.log");
        ArbolPrueba::escribir(registro, "inicio\nresultado: rechazada 13 la versión nueva no arrancó\n",
                              ArbolPrueba::lectura);
        QDir().mkpath(b.hogar.en("opt/ZuviIA-act-13-viejo"));
        b.act->programar();
        QCOMPARE(b.preparadas(), QStringList());
        QVERIFY(!QFile::exists(registro));
        b.revisar(true);
        QCOMPARE(b.act->estado().caso, Caso::alDia);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);
        b.publicar(14, "1.4");
        b.revisar(true);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 1);
    }

    void carpetaQueNoEsNuestra_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::newRow("carpeta de compilación") << "build";
        QTest::newRow("sin sello") << "sin sello";
        QTest::newRow("sello de otra build") << "otra build";
        QTest::newRow("sello de otra clave") << "otra clave";
        QTest::newRow("padre sin escritura") << "padre";
    }

    // The swap moves the folder aside and deletes it: it must never be a
    // build folder or ~/.local, which holds the conversations.
    void carpetaQueNoEsNuestra()
    {
        QFETCH(QString, caso);
        if (caso == "padre" && ::geteuid() == 0)
            QSKIP("root writes everywhere");
        HogarTemporal hogar;
        const QString prefijo = hogar.en(caso == "build" ? "build" : "opt/ZuviIA");
        ArbolPrueba::crear(prefijo);
        if (caso == "otra build")
            ArbolPrueba::sellar(prefijo, 11);
        else if (caso != "sin sello")
            ArbolPrueba::sellar(prefijo, 12);
        const QString clave = caso == "otra clave" ? ClavePrueba::otra() : ClavePrueba::publica();
        if (caso == "padre")
            QFile::setPermissions(hogar.en("opt"), QFile::ReadOwner | QFile::ExeOwner);
        const auto motivo = Actualizador::noActualizable(prefijo, clave, 12);
        QFile::setPermissions(hogar.en("opt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(motivo);
        QVERIFY2(motivo->startsWith("esta copia de Zuvi IA no se actualiza sola: "), qPrintable(*motivo));
        QVERIFY(!Actualizador::noActualizable(hogar.en("opt/ZuviIA"), ClavePrueba::publica(), 12) || caso != "padre");
    }

    void descargaNadaFueraDeSuCarpeta()
    {
        Banco b(true);
        QFile::remove(b.prefijo + "/SELLO");
        b.revisar(true);
        QCOMPARE(b.act->estado(), estado(Caso::disponible, "1.3"));
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);
        b.act->descargar();
        QCOMPARE(b.act->estado().caso, Caso::error);
        QVERIFY(b.act->estado().texto.startsWith("esta copia de Zuvi IA no se actualiza sola"));
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), 0);
    }

    void desocupada_data()
    {
        QTest::addColumn<bool>("turno");
        QTest::addColumn<int>("fondo");
        QTest::addColumn<bool>("activo");
        QTest::addColumn<bool>("inmersivo");
        QTest::addColumn<int>("haceSegundos");   // -1: no conversation
        QTest::addColumn<bool>("libre");
        QTest::newRow("nada") << false << 0 << false << false << -1 << true;
        QTest::newRow("hace 301 s") << false << 0 << false << false << 301 << true;
        QTest::newRow("hace 300 s") << false << 0 << false << false << 300 << false;
        QTest::newRow("fecha futura") << false << 0 << false << false << -86400 << false;
        QTest::newRow("un turno") << true << 0 << false << false << -1 << false;
        QTest::newRow("tarea de fondo") << false << 2 << false << false << -1 << false;
        QTest::newRow("sala inmersiva") << false << 0 << true << true << -1 << false;
        QTest::newRow("escucha en la ventana") << false << 0 << true << false << -1 << true;
    }

    void desocupada()
    {
        QFETCH(bool, turno);
        QFETCH(int, fondo);
        QFETCH(bool, activo);
        QFETCH(bool, inmersivo);
        QFETCH(int, haceSegundos);
        QFETCH(bool, libre);
        const QDateTime ahora(QDate(2026, 5, 1), QTime(12, 0));
        Actualizador::Ocupacion o{turno, fondo, activo, inmersivo, std::nullopt};
        if (haceSegundos != -1)
            o.ultimaConversacion = ahora.addSecs(-haceSegundos);
        QCOMPARE(Actualizador::desocupada(o, ahora), libre);
    }

    void urlManifiesto_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<bool>("usada");
        QTest::newRow("sin variable") << "" << false;
        QTest::newRow("dirección") << "http://127.0.0.1:8080/u.json" << true;
        QTest::newRow("no es dirección") << "no es una dirección" << false;
        QTest::newRow("relativa") << "actualizaciones/u.json" << false;
    }

    void urlManifiesto()
    {
        QFETCH(QString, variable);
        QFETCH(bool, usada);
        const QUrl url = Actualizador::urlManifiesto(variable);
        QCOMPARE(url.toString() == variable, usada);
        if (!usada)
            QCOMPARE(url.path(), QStringLiteral("/actualizaciones/ultima.json"));
    }
};

QTEST_GUILESS_MAIN(TestActualizador)
#include "TestActualizador.moc"
