#pragma once

#include "assistant/AsistenteVoz.h"
#include "audio/VozNeural.h"
#include "comun/AgenteFalso.h"
#include "comun/AvanceReloj.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/MotorSalaGuionado.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/DetectorIA.h"
#include "core/EstadoIA.h"
#include "core/HerramientaIA.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QFileInfo>

#include <memory>

// The room over the scripted engine with the real assistant, store and
// people, the fake agent found by the real detection, and voice prints
// through `voz` when a test gives one.
struct SalaConAgente {
    HogarTemporal hogar;
    RelojFalso reloj{QDateTime(QDate(2026, 12, 10), QTime(15, 30, 0))};
    DispositivosSistemaFalso sistema;
    std::unique_ptr<AgenteFalso> agente;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<EstadoIA> deteccion;
    std::unique_ptr<AsistenteVoz> asistente;
    std::unique_ptr<ModoProyectos> modo;
    MotorSalaGuionado* motor = nullptr;
    VozNeural* voz = nullptr;
    qint64 inicioRegistro = 0;

    static QList<Deteccion> buscarAgentes()
    {
        QList<Deteccion> lista;
        for (const char* id : {"claude-code", "codex-cli"})
            lista << DetectorIA::buscar(*HerramientaIA::porId(QString::fromLatin1(id)));
        return lista;
    }

    void abrir(Ajustes* propios = nullptr, Reloj* relojPropio = nullptr)
    {
        cerrar();
        // Settings of their own come with a home of their own, voice service included.
        if (!propios)
            QDir(Carpetas::datosApp()).removeRecursively();
        QDir().mkpath(Carpetas::datosApp());
        QFile::remove(hogar.en("agente-registro.jsonl"));
        agente = std::make_unique<AgenteFalso>(hogar);
        if (!propios) {
            QFile::remove(hogar.en(".config/cl.norp.ZuviIA.conf"));
            ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        }
        Ajustes& a = propios ? *propios : *ajustes;
        Reloj& r = relojPropio ? *relojPropio : reloj;
        a.escribir(QStringLiteral("configuracionCompleta"), true);
        perfiles = std::make_unique<Perfiles>(a, r, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(r, *perfiles, Carpetas::datosApp());
        deteccion = std::make_unique<EstadoIA>(r, &buscarAgentes, EstadoIA::Agente{});
        asistente = std::make_unique<AsistenteVoz>(a, r, *almacen, sistema, *deteccion, [] { return false; });
        asistente->setLeerRespuesta(false);
        asistente->setAgente(AgenteCLI::codex);
        // Claude refuses full control to a root process, as the tests may run.
        asistente->setNivel(NivelPermiso::editar);
        auto guionado = std::make_unique<MotorSalaGuionado>(r);
        motor = guionado.get();
        ModoProyectos::Bordes bordes{r, a, *almacen, *perfiles, *asistente, std::move(guionado), {}, {}, {}, {}, {}, {}};
        if (voz) {
            bordes.identificar = [this](const std::vector<float>& audio, const QList<QUuid>& candidatos,
                                        ModoProyectos::AlIdentificar listo) {
                auto f = voz->identificar(audio, candidatos);
                f.then(modo.get(), [listo](std::optional<Identificacion> r) { listo(r); });
            };
            bordes.registrarHuella = [this](const QUuid& id, const std::vector<float>& audio) {
                voz->registrarHuella(id, audio);
            };
        }
        modo = std::make_unique<ModoProyectos>(std::move(bordes));
        Registro::vaciar();
        inicioRegistro = QFileInfo(Registro::archivo()).size();
    }

    void cerrar()
    {
        if (asistente && asistente->ejecutando())
            asistente->cancelar();
        if (asistente)
            AvanceReloj::hastaQue(reloj, [this] { return !asistente->ejecutando(); });
        motor = nullptr;
        modo.reset();
        asistente.reset();
        deteccion.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
        agente.reset();
    }

    // The full-screen room opened and its first words said.
    bool abrirSala()
    {
        modo->iniciar();
        return AvanceReloj::hastaQue(reloj, [this] { return modo->activo() && !modo->ultimaFrase().isEmpty(); });
    }

    QString registro() const
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().mid(inicioRegistro)) : QString();
    }

    // The last argument of each agent process and every line on its
    // standard input, in order.
    QStringList alAgente() const
    {
        QStringList t;
        for (const QJsonObject& r : agente->registro()) {
            if (r["evento"] == QLatin1String("inicio"))
                t << r["argv"].toArray().last().toString();
            else if (r["evento"] == QLatin1String("instruccion"))
                t << r["texto"].toString();
            else if (r["evento"] == QLatin1String("entrada"))
                t << r["linea"].toString();
        }
        return t;
    }
};
