#pragma once

#include "audio/MotorConversacion.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/MicrofonoFalso.h"
#include "comun/MotorReconocimientoGuionado.h"
#include "comun/RelojFalso.h"
#include "comun/ReproductorFalso.h"
#include "comun/Senales.h"

#include <memory>

// A conversation engine's layers as fakes in a temporary home: a scripted
// recognizer, a microphone the test pushes blocks into, one listed
// microphone (id 3, "usb_mic") and one output (id 7, "altavoz"), and a
// player that plays nothing. Echo cancellation and the sound classifier
// are the test's own.
struct CapasMotorFalsas {
    HogarTemporal hogar;
    RelojFalso reloj;
    std::shared_ptr<MotorReconocimientoGuionado> voz = std::make_shared<MotorReconocimientoGuionado>();
    Reconocedor reconocedor{voz};
    MicrofonoFalso microfono;
    DispositivosSistemaFalso dispositivos;
    Ajustes ajustes{hogar.en(".config/cl.norp.ZuviIA.conf")};
    std::shared_ptr<ReproductorFalso> reproductor = std::make_shared<ReproductorFalso>();

    CapasMotorFalsas()
    {
        dispositivos.entradas = {{3, QString("usb_mic"), QString("Micrófono USB"), std::nullopt, 0, 1}};
        dispositivos.salidas = {{7, QString("altavoz"), QString("Altavoz"), std::nullopt, 0, 2}};
    }

    MotorConversacion::Capas capas(std::shared_ptr<CancelacionEco> eco = nullptr,
                                   std::shared_ptr<ClasificadorSonido> clasificador = nullptr)
    {
        return {.reloj = reloj, .microfono = microfono, .reconocedor = reconocedor, .ajustes = ajustes,
                .dispositivos = dispositivos, .reproductor = reproductor, .clasificador = std::move(clasificador),
                .eco = std::move(eco)};
    }

    // Blocks of 1024 frames of a sine at that amplitude.
    bool empujar(float amplitud = 0.1f, int canales = 1)
    {
        return microfono.empujar(Senales::seno(1024, microfono.frecuencia, amplitud, canales));
    }
};
