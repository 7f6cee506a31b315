#include "assistant/AsistenteVoz.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/PulsePrueba.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QApplication>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using Registro = DispositivosSistema::Registro;

namespace {

Registro registro(uint32_t indice, const char* nombre, const char (&transporte)[5])
{
    return {indice, QString::fromLatin1(nombre), QString::fromLatin1(nombre), std::nullopt, codigoCuatro(transporte), 2};
}

}

// Settings, devices and the folder chooser, over real settings and store
// files in a temporary home and a fake sound server.
class TestAsistenteVoz : public QObject {
    Q_OBJECT

    std::unique_ptr<HogarTemporal> hogar;
    std::unique_ptr<Ajustes> ajustes;
    RelojFalso reloj;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    DispositivosSistemaFalso sistema;
    EstadoIA deteccion{reloj, [] { return QList<Deteccion>{}; }, {}};

    std::unique_ptr<AsistenteVoz> abrir()
    {
        return std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, deteccion);
    }

private slots:
    void init()
    {
        hogar = std::make_unique<HogarTemporal>();
        ajustes = std::make_unique<Ajustes>(hogar->en(".config/cl.norp.ZuviIA.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(reloj, *perfiles, Carpetas::datosApp());
        sistema = DispositivosSistemaFalso();
    }

    void cleanup()
    {
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        hogar.reset();
    }

    void ajustesAlEmpezar_data()
    {
        QTest::addColumn<QVariant>("agenteGuardado");
        QTest::addColumn<QVariant>("nivelGuardado");
        QTest::addColumn<QVariant>("leerGuardado");
        QTest::addColumn<QVariant>("enviarGuardado");
        QTest::addColumn<AgenteCLI>("agente");
        QTest::addColumn<NivelPermiso>("nivel");
        QTest::addColumn<bool>("leer");
        QTest::addColumn<bool>("enviar");
        const QVariant nada;
        QTest::newRow("nada guardado") << nada << nada << nada << nada << AgenteCLI::claude << NivelPermiso::total << true << true;
        QTest::newRow("todo guardado") << QVariant("codex") << QVariant("responder") << QVariant(false) << QVariant(false)
                                       << AgenteCLI::codex << NivelPermiso::responder << false << false;
        QTest::newRow("mayúsculas y textos raros")
            << QVariant("Codex") << QVariant("Editar") << QVariant("no") << QVariant(1) << AgenteCLI::claude
            << NivelPermiso::total << true << true;
        QTest::newRow("espacios") << QVariant("codex ") << QVariant(" editar") << QVariant(true) << QVariant("false")
                                  << AgenteCLI::claude << NivelPermiso::total << true << false;
        QTest::newRow("editar") << QVariant("claude") << QVariant("editar") << nada << nada << AgenteCLI::claude
                                << NivelPermiso::editar << true << true;
    }

    void ajustesAlEmpezar()
    {
        const QStringList claves{"agente", "nivel", "leerRespuesta", "enviarAlCallar"};
        QFETCH(QVariant, agenteGuardado);
        QFETCH(QVariant, nivelGuardado);
        QFETCH(QVariant, leerGuardado);
        QFETCH(QVariant, enviarGuardado);
        const QVariantList guardados{agenteGuardado, nivelGuardado, leerGuardado, enviarGuardado};
        for (int i = 0; i < claves.size(); ++i)
            if (guardados[i].isValid())
                ajustes->escribir(claves[i], guardados[i]);
        auto asistente = abrir();
        QTEST(asistente->agente(), "agente");
        QTEST(asistente->nivel(), "nivel");
        QTEST(asistente->leerRespuesta(), "leer");
        QTEST(asistente->enviarAlCallar(), "enviar");
        QCOMPARE(asistente->carpeta(), hogar->en("Zuvi IA"));
        QVERIFY(QFileInfo(hogar->en("Zuvi IA")).isDir());
    }

    void carpetaGuardada()
    {
        ajustes->escribir("carpeta", hogar->en("proyecto"));
        QCOMPARE(abrir()->carpeta(), hogar->en("proyecto"));
        ajustes->escribir("carpeta", QUrl::fromLocalFile(hogar->en("otro")).toString());
        QCOMPARE(abrir()->carpeta(), hogar->en("otro"));
    }

    void asignacionesGuardanComoDice()
    {
        sistema.entradas = {registro(1, "mic.a", "usb "), registro(2, "mic.b", "bltn")};
        auto asistente = abrir();
        QSignalSpy escrituras(ajustes.get(), &Ajustes::cambiado);
        QSignalSpy agente(asistente.get(), &AsistenteVoz::agenteCambiado);
        QSignalSpy nivel(asistente.get(), &AsistenteVoz::nivelCambiado);
        QSignalSpy mic(asistente.get(), &AsistenteVoz::dispositivoUIDCambiado);

        // The same value still stores "agente", "nivel" and the toggles, silently.
        asistente->setAgente(AgenteCLI::claude);
        asistente->setNivel(NivelPermiso::total);
        asistente->setLeerRespuesta(true);
        asistente->setEnviarAlCallar(true);
        asistente->setCarpeta(asistente->carpeta());
        QCOMPARE(escrituras.size(), 5);
        QCOMPARE(ajustes->valor("agente").toString(), QString("claude"));
        QCOMPARE(ajustes->valor("nivel").toString(), QString("total"));
        QCOMPARE(agente.size() + nivel.size(), 0);
        asistente->setNivel(NivelPermiso::editar);
        QCOMPARE(nivel.size(), 1);
        QCOMPARE(ajustes->valor("nivel").toString(), QString("editar"));

        // The same device again writes nothing; another one is stored;
        // none (or an empty text) removes the key.
        escrituras.clear();
        QCOMPARE(asistente->dispositivoUID(), std::optional<QString>("mic.a"));
        QVERIFY(!ajustes->contiene("micUID"));
        asistente->setDispositivoUID(QString("mic.a"));
        QCOMPARE(escrituras.size(), 0);
        QCOMPARE(mic.size(), 0);
        asistente->setDispositivoUID(QString("mic.b"));
        QCOMPARE(ajustes->valor("micUID").toString(), QString("mic.b"));
        asistente->setDispositivoUID(QString(""));
        QVERIFY(!ajustes->contiene("micUID"));
        QCOMPARE(asistente->dispositivoUID(), std::nullopt);
        QCOMPARE(mic.size(), 2);
        asistente->setSalidaUID(QString("altavoz"));
        QCOMPARE(ajustes->valor("salidaUID").toString(), QString("altavoz"));
        asistente->setSalidaUID(std::nullopt);
        QVERIFY(!ajustes->contiene("salidaUID"));
    }

    void elegidoQueVuelveGanaDeNuevo()
    {
        sistema.entradas = {registro(1, "integrado", "bltn"), registro(2, "usb", "usb ")};
        sistema.salidas = {registro(5, "hdmi", "hdmi"), registro(6, "altavoces", "bltn")};
        sistema.salidaPorDefecto = 5;
        ajustes->escribir("micUID", "externo");
        auto asistente = abrir();
        QSignalSpy reinicios(asistente.get(), &AsistenteVoz::microfonoCambiadoPorDispositivos);

        QCOMPARE(asistente->dispositivos().size(), 2);
        QCOMPARE(asistente->dispositivoUID(), std::optional<QString>("usb"));
        QCOMPARE(asistente->salidaUID(), std::optional<QString>("altavoces"));
        QCOMPARE(ajustes->valor("micUID").toString(), QString("externo"));
        QVERIFY(!ajustes->contiene("salidaUID"));

        // A change that keeps the microphone does not restart the listener.
        sistema.salidas.pop_back();
        sistema.cambiar();
        QCOMPARE(asistente->salidaUID(), std::optional<QString>("hdmi"));
        QCOMPARE(reinicios.size(), 0);

        sistema.entradas.push_back(registro(3, "externo", "blue"));
        sistema.cambiar();
        QCOMPARE(asistente->dispositivoUID(), std::optional<QString>("externo"));
        QCOMPARE(reinicios.size(), 1);

        sistema.entradas.clear();
        sistema.cambiar();
        QCOMPARE(asistente->dispositivoUID(), std::nullopt);
        QCOMPARE(ajustes->valor("micUID").toString(), QString("externo"));
        QCOMPARE(reinicios.size(), 2);
    }

    void servidorDeSonidoReal()
    {
        EXIGIR_PULSE();
        auto asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, DispositivosSistema::sistema(), deteccion);
        // The test server's outputs and microphone are all virtual, so the
        // system defaults are chosen.
        QVERIFY(!asistente->salidas().isEmpty());
        QCOMPARE(asistente->salidaUID(), std::optional<QString>(PulsePrueba::pactl({"get-default-sink"})));
        QCOMPARE(asistente->dispositivoUID(), std::optional<QString>(PulsePrueba::pactl({"get-default-source"})));
        QVERIFY(!ajustes->contiene("salidaUID"));
        QVERIFY(!ajustes->contiene("micUID"));
    }

    void elegirCarpeta_data()
    {
        QTest::addColumn<bool>("confirmar");
        QTest::newRow("confirmada") << true;
        QTest::newRow("cancelada") << false;
    }

    void elegirCarpeta()
    {
        QFETCH(bool, confirmar);
        auto asistente = abrir();
        const QString antes = asistente->carpeta();
        const QUuid conversacion = almacen->nueva();
        const auto carpetaAntes = almacen->conversacion(conversacion)->carpeta;
        const QString destino = hogar->en("Mi proyecto");
        QDir().mkpath(destino);

        QString titulo, boton, inicio;
        QTimer::singleShot(0, this, [&] {
            auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialogo);
            titulo = dialogo->windowTitle();
            boton = dialogo->labelText(QFileDialog::Accept);
            inicio = dialogo->directory().absolutePath();
            QCOMPARE(dialogo->fileMode(), QFileDialog::Directory);
            if (confirmar) {
                dialogo->selectFile(destino);
                QMetaObject::invokeMethod(dialogo, "accept");
            } else {
                dialogo->reject();
            }
        });
        asistente->elegirCarpeta();

        QCOMPARE(titulo, QString("Elige la carpeta del proyecto donde trabajará el agente."));
        QCOMPARE(boton, QString("Usar esta carpeta"));
        QCOMPARE(inicio, antes);
        const QString esperada = confirmar ? destino : antes;
        QCOMPARE(asistente->carpeta(), esperada);
        QCOMPARE(almacen->conversacion(conversacion)->carpeta, confirmar ? std::optional(destino) : carpetaAntes);
        QCOMPARE(ajustes->contiene("carpeta"), confirmar);
    }
};

QTEST_MAIN(TestAsistenteVoz)
#include "TestAsistenteVoz.moc"
