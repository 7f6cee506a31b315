#include "comun/MotorSalaGuionado.h"
#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/RelojFalso.h"
#include "comun/SonidosFalsos.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/EnlaceEscucha.h"
#include "projects/ModoProyectos.h"

#include <QTest>
#include <QThreadPool>

// The listener over the real assistant and room: it opens the assistant's
// microphone, and stays off while dictation runs or the room listens
// always.
class TestEnlaceEscucha : public QObject {
    Q_OBJECT

private slots:
    void leeAlAsistenteYLaSala_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<bool>("escuchando");
        QTest::newRow("libre") << "libre" << true;
        QTest::newRow("dictando") << "dictando" << false;
        QTest::newRow("escucha siempre") << "siempre" << false;
    }

    void leeAlAsistenteYLaSala()
    {
        QFETCH(QString, caso);
        QFETCH(bool, escuchando);
        HogarTemporal hogar;
        RelojFalso reloj;
        DispositivosSistemaFalso sistema;
        sistema.entradas = {{3, QString("usb_mic"), QString("Micrófono USB"), std::nullopt, 0, 1},
                            {4, QString("otro_mic"), QString("Otro"), std::nullopt, 0, 1}};
        Ajustes ajustes(hogar.en(".config/cl.norp.ZuviIA.conf"));
        ajustes.escribir("escuchaSiempre", caso == "siempre");
        ajustes.escribir("micUID", "otro_mic");
        Perfiles perfiles(ajustes, reloj, Carpetas::datosApp());
        Almacen almacen(reloj, perfiles, Carpetas::datosApp());
        EstadoIA deteccion(reloj, [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
        auto voz = std::make_shared<MotorReconocimientoGuionado>();
        Reconocedor reconocedor(voz);
        MicrofonoFalso microfono;
        PermisosVozFalsos permisos;
        SonidosFalsos sonidos;
        EscuchaZuvi escucha({.motor = {.reloj = reloj, .microfono = microfono, .reconocedor = reconocedor,
                                       .ajustes = ajustes, .dispositivos = sistema},
                             .permisos = permisos,
                             .sonidos = sonidos});
        AsistenteVoz asistente(ajustes, reloj, almacen, sistema, deteccion);
        ModoProyectos modo(reloj, ajustes, almacen, perfiles, asistente, std::make_unique<MotorSalaGuionado>(reloj));
        EnlaceEscucha::conectar(escucha, asistente, modo, ajustes);
        asistente.setEscuchando(caso == "dictando");
        escucha.iniciar();
        QTRY_VERIFY(permisos.consultas > 0);
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(50);
        QCOMPARE(escucha.escuchando(), escuchando);
        if (escuchando)
            QCOMPARE(microfono.abiertos, (std::vector<std::optional<QString>>{QString("otro_mic")}));
    }
};

QTEST_GUILESS_MAIN(TestEnlaceEscucha)
#include "TestEnlaceEscucha.moc"
