#pragma once

#include "EntornoPrueba.h"
#include "audio/EscuchaZuvi.h"
#include "audio/Locutor.h"
#include "audio/VozNeural.h"
#include "comun/HerramientasFalsas.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/PermisosVozFalsos.h"
#include "comun/ReproductorFalso.h"
#include "comun/SintetizadorFalso.h"
#include "comun/SonidosFalsos.h"
#include "setup/Instalador.h"

#include <QMap>
#include <QTest>

// The setup assistant's objects over the window's: the real installer in
// the temporary home with the fake tools first on PATH and a detection
// that finds what `instalados` holds, a listener whose speech permission
// the test sets, and a speaker over a fake player.
struct ConfiguracionPrueba : EntornoPrueba {
    HerramientasFalsas herramientas{hogar};
    PermisosVozFalsos permisos;
    std::shared_ptr<MotorReconocimientoGuionado> motorVoz = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{motorVoz};
    MicrofonoFalso microfono;
    SonidosFalsos sonidos;
    std::shared_ptr<ReproductorFalso> reproductor = std::make_shared<ReproductorFalso>();
    std::shared_ptr<SintetizadorFalso> sintetizador = std::make_shared<SintetizadorFalso>();
    // Tool id ("claude-code", "codex"...) to the version detection finds.
    std::shared_ptr<QMap<QString, QString>> instalados = std::make_shared<QMap<QString, QString>>();
    std::unique_ptr<VozNeural> vozNeural;
    std::unique_ptr<Instalador> instalador;
    std::unique_ptr<EscuchaZuvi> escucha;
    std::unique_ptr<Locutor> locutor;

    QString recursos() const { return hogar.en("recursos"); }

    void abrirConfiguracion(const QList<Conversacion>& conversaciones = {}, bool completa = false,
                            Instalador::Limites limites = {})
    {
        cerrarConfiguracion();
        abrir(conversaciones, completa);
        QDir().mkpath(recursos() + "/SkillsPack");
        // A voice install a test starts fails at once instead of building
        // a real environment.
        herramientas.marcar("uv-venv-falla");
        instalados->clear();
        qputenv("XDG_DATA_DIRS", hogar.en("sistema").toUtf8());
        Instalador::Bordes bordes;
        bordes.limites = limites;
        bordes.detectar = [lista = instalados](const HerramientaIA& h) {
            Deteccion d{h, std::nullopt, std::nullopt};
            if (lista->contains(h.id)) {
                d.ruta = QStringLiteral("/usr/bin/") + h.id;
                d.version = lista->value(h.id);
            }
            return d;
        };
        // The installer's scripts run for real, on the real clock; the
        // views' own timers run on the fake one.
        vozNeural = std::make_unique<VozNeural>(*ajustes, Reloj::sistema(), recursos());
        instalador = std::make_unique<Instalador>(*ajustes, Reloj::sistema(), *vozNeural, permisos, recursos(), hogar.ruta(),
                                                  std::move(bordes));
        escucha = std::make_unique<EscuchaZuvi>(EscuchaZuvi::Capas{
            .motor = {.reloj = reloj, .microfono = microfono, .reconocedor = reconocedor, .ajustes = *ajustes,
                      .dispositivos = sistema},
            .permisos = permisos,
            .sonidos = sonidos});
        locutor = std::make_unique<Locutor>(Locutor::Capas{*ajustes, sistema, reproductor, sintetizador, vozNeural.get()});
    }

    // A job still running would report to a destroyed installer.
    void cerrarConfiguracion()
    {
        if (instalador)
            (void)QTest::qWaitFor([this] { return !instalador->trabajando() && !instalador->instalandoVoz(); }, 60000);
        locutor.reset();
        escucha.reset();
        instalador.reset();
        if (vozNeural)
            vozNeural->detener();
        vozNeural.reset();
        cerrar();
    }

    Entorno entorno()
    {
        Entorno e = EntornoPrueba::entorno();
        e.instalador = instalador.get();
        e.escucha = escucha.get();
        e.accesibilidad = &permisos;
        e.locutor = locutor.get();
        return e;
    }
};
