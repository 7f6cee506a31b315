#pragma once

#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "audio/VozNeural.h"
#include "comun/MicrofonoFalso.h"
#include "comun/ModelosPrueba.h"
#include "comun/MotorSalaGuionado.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/ReproductorFalso.h"
#include "comun/SintetizadorFalso.h"
#include "comun/SonidosFalsos.h"
#include "projects/EnlaceEscucha.h"
#include "settings/DisenoVoz.h"
#include "settings/EntornoAjustes.h"
#include "setup/Actualizador.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

// The settings window's objects over a temporary home and a fake clock:
// the application's models, a wake-phrase listener on a fake microphone
// (two listed inputs, two outputs), the voice service client and a
// speaker that records what it is asked to say.
struct BancoAjustes : ModelosPrueba {
    std::shared_ptr<MotorReconocimientoGuionado> guion = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{guion};
    MicrofonoFalso microfono;
    PermisosVozFalsos permisos;
    SonidosFalsos sonidos;
    std::shared_ptr<ReproductorFalso> reproductor = std::make_shared<ReproductorFalso>();
    std::shared_ptr<SintetizadorFalso> sintetizador = std::make_shared<SintetizadorFalso>();
    std::unique_ptr<EscuchaZuvi> escucha;
    std::unique_ptr<VozNeural> voz;
    std::unique_ptr<Locutor> locutor;
    std::unique_ptr<DisenoVoz> diseno;
    // An updater that knows of no newer version and reaches no server.
    std::unique_ptr<Actualizador> actualizador;

    BancoAjustes()
    {
        sistema.entradas = {{3, QString("usb_mic"), QString("Micrófono USB"), QString("Logitech"), 0, 1},
                            {4, QString("interno"), QString("Micrófono interno"), std::nullopt, 0, 1}};
        sistema.salidas = {{7, QString("parlantes"), QString("Parlantes"), std::nullopt, 0, 2},
                           {8, QString("audifonos"), QString("Audífonos"), std::nullopt, 0, 2}};
        sistema.entradaPorDefecto = 4;
        sistema.salidaPorDefecto = 7;
    }

    ~BancoAjustes() { cerrarTodo(); }

    // Fresh settings holding `guardados`, written straight into the file
    // before anything reads it.
    void abrirCon(const QVariantMap& guardados = {})
    {
        cerrarTodo();
        abrir();
        for (auto it = guardados.begin(); it != guardados.end(); ++it)
            ajustes->escribir(it.key(), it.value());
        ajustes->volcar();
        // The objects read what is stored when they are built.
        modo.reset();
        asistente.reset();
        asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, *estadoIA, [] { return false; });
        modo = std::make_unique<ModoProyectos>(reloj, *ajustes, *almacen, *perfiles, *asistente,
                                               std::make_unique<MotorSalaGuionado>(reloj));
        escucha = std::make_unique<EscuchaZuvi>(EscuchaZuvi::Capas{
            .motor = {.reloj = reloj, .microfono = microfono, .reconocedor = reconocedor, .ajustes = *ajustes,
                      .dispositivos = sistema},
            .permisos = permisos,
            .sonidos = sonidos});
        EnlaceEscucha::conectar(*escucha, *asistente, *modo, *ajustes);
        escucha->setDespacho([](const QUrl&) {});
        voz = std::make_unique<VozNeural>(*ajustes, reloj);
        locutor = std::make_unique<Locutor>(Locutor::Capas{*ajustes, sistema, reproductor, sintetizador, voz.get()});
        diseno = std::make_unique<DisenoVoz>(*voz, *locutor);
        actualizador = std::make_unique<Actualizador>(
            reloj, *ajustes,
            Actualizador::Instalacion{hogar.en("opt/ZuviIA"), "1.2", 12, {}, QUrl("http://127.0.0.1:9/ultima.json"), {}, 1},
            Actualizador::Cambio{[](const QString&, const QStringList&, QString&) { return false; }, [] {}},
            [] { return Actualizador::Ocupacion{}; });
    }

    void cerrarTodo()
    {
        actualizador.reset();
        diseno.reset();
        locutor.reset();
        voz.reset();
        escucha.reset();
        QThreadPool::globalInstance()->waitForDone();
        cerrar();
    }

    EntornoAjustes entorno()
    {
        return EntornoAjustes{*ajustes, reloj,     *asistente, *escucha, *modo,    *estadoIA,
                              *perfiles, *almacen, *voz,       *locutor, *diseno,   &permisos,
                              actualizador.get()};
    }

    // The settings file as it is on disk once everything held is written.
    QByteArray archivo() const
    {
        ajustes->volcar();
        QFile f(ajustes->archivo());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // An installed neural voice whose service announces `puerto` and
    // stays up; each launch is noted in "lanzamientos".
    // A service that announces `puerto` and the engine `motor`.
    static void instalarVoz(int puerto, const QByteArray& motor = "qwen3-tts")
    {
        const QString bin = VozNeural::carpeta() + "/.venv/bin";
        QDir().mkpath(bin);
        QFile python(bin + "/python");
        QVERIFY(python.open(QIODevice::WriteOnly));
        python.write("#!/bin/sh\n"
                     "echo $$ >> \"$ZUVIIA_VOZ_DIR/lanzamientos\"\n"
                     "echo PUERTO=" + QByteArray::number(puerto) + "\necho MOTOR=" + motor + "\necho LISTO\nexec sleep 600\n");
        python.close();
        python.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile(VozNeural::carpeta() + "/" + VozNeural::marcaInstalada).open(QIODevice::WriteOnly);
    }

    // The listener listening, once its permission read came back.
    void escuchar()
    {
        escucha->iniciar();
        QTRY_VERIFY(escucha->escuchando());
    }
};
