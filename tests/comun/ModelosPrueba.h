#pragma once

#include "assistant/AsistenteVoz.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/AvanceReloj.h"
#include "comun/HogarTemporal.h"
#include "comun/MotorSalaGuionado.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/Codificacion.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <functional>
#include <memory>

// The shared model objects of the application, real ones over a temporary
// home and a fake clock. Detection finds nothing and counts its runs,
// unless the test gives its own.
struct ModelosPrueba {
    HogarTemporal hogar;
    RelojFalso reloj{QDateTime(QDate(2026, 12, 10), QTime(15, 30, 0))};
    DispositivosSistemaFalso sistema;
    std::shared_ptr<std::atomic<int>> busquedas = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    std::unique_ptr<Almacen> almacen;
    std::unique_ptr<EstadoIA> estadoIA;
    std::unique_ptr<AsistenteVoz> asistente;
    // What the assistant speaks with; nothing unless the test says.
    AsistenteVoz::Voz voz;
    std::unique_ptr<ModoProyectos> modo;
    std::function<QList<Deteccion>()> detectar;
    // The room's scripted engine, owned by `modo`.
    MotorSalaGuionado* motor = nullptr;
    // The room's edges as the test drives them.
    int pausas = 0;
    int reanudaciones = 0;
    std::function<void(ModoProyectos::AlPermisos)> permisos;
    std::function<void(const std::vector<float>&, const QList<QUuid>&, ModoProyectos::AlIdentificar)> identificar;
    int eleccion = 0;
    qint64 inicioRegistro = 0;
    // How the next abrir reads the store.
    Almacen::Carga carga = Almacen::Carga::ahora;
    // Written as the store file instead of the conversations, when set.
    std::optional<QByteArray> crudo;

    // A fresh store (the conversations given) and fresh settings.
    void abrir(const QList<Conversacion>& conversaciones = {}, bool configuracionCompleta = true)
    {
        cerrar();
        QDir(Carpetas::datosApp()).removeRecursively();
        QDir().mkpath(Carpetas::datosApp());
        QFile::remove(hogar.en(".config/cl.norp.ZuviIA.conf"));
        if (!conversaciones.isEmpty() || crudo) {
            QFile f(Carpetas::datosApp() + QStringLiteral("/conversaciones.json"));
            if (f.open(QIODevice::WriteOnly))
                f.write(crudo ? *crudo : Codificacion::codificar(conversaciones));
        }
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/cl.norp.ZuviIA.conf"));
        ajustes->escribir(QStringLiteral("configuracionCompleta"), configuracionCompleta);
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
        almacen = std::make_unique<Almacen>(reloj, *perfiles, Carpetas::datosApp(), carga);
        auto contador = busquedas;
        auto buscar = detectar ? detectar : [contador] { ++*contador; return QList<Deteccion>{}; };
        estadoIA = std::make_unique<EstadoIA>(reloj, std::move(buscar), EstadoIA::Agente{});
        // Tests run as root on CI: the root refusal has tests of its own.
        asistente = std::make_unique<AsistenteVoz>(*ajustes, reloj, *almacen, sistema, *estadoIA, voz, [] { return false; });
        auto guionado = std::make_unique<MotorSalaGuionado>(reloj);
        motor = guionado.get();
        motor->esperar = [this](std::chrono::milliseconds ms) { AvanceReloj::avanzar(reloj, ms); };
        pausas = reanudaciones = 0;
        eleccion = 0;
        permisos = nullptr;
        identificar = nullptr;
        ModoProyectos::Bordes bordes{reloj, *ajustes, *almacen, *perfiles, *asistente, std::move(guionado), {}, {}, {},
                                     {}, {}, {}};
        bordes.pausarEscucha = [this] { ++pausas; };
        bordes.reanudarEscucha = [this] { ++reanudaciones; };
        bordes.pedirPermisos = [this](ModoProyectos::AlPermisos listo) {
            if (permisos)
                permisos(std::move(listo));
            else
                listo(true, true);
        };
        bordes.identificar = [this](const std::vector<float>& audio, const QList<QUuid>& candidatos,
                                    ModoProyectos::AlIdentificar listo) {
            if (identificar)
                identificar(audio, candidatos, std::move(listo));
            else
                listo(std::nullopt);
        };
        bordes.elegir = [this](int n) { return eleccion % n; };
        modo = std::make_unique<ModoProyectos>(std::move(bordes));
        Registro::vaciar();
        inicioRegistro = QFileInfo(Registro::archivo()).size();
    }

    void cerrar()
    {
        motor = nullptr;
        modo.reset();
        asistente.reset();
        estadoIA.reset();
        almacen.reset();
        perfiles.reset();
        ajustes.reset();
    }

    // The log lines written since abrir().
    QString registro() const
    {
        Registro::vaciar();
        QFile f(Registro::archivo());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().mid(inicioRegistro)) : QString();
    }

    // A conversation changed at `actualizada` with one answer of the agent.
    static Conversacion conversacion(const QString& titulo, const QDateTime& actualizada, bool conMensajes = true)
    {
        Conversacion c;
        c.id = QUuid::createUuid();
        c.titulo = titulo;
        c.creada = actualizada;
        c.actualizada = actualizada;
        if (conMensajes) {
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"), std::nullopt, std::nullopt, actualizada);
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, QStringLiteral("Respuesta de ") + titulo,
                                         AgenteCLI::claude, std::nullopt, actualizada);
        }
        return c;
    }
};
