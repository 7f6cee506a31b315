#pragma once
// A store of many conversations for the benchmarks: 50 messages each,
// written to a private home's data folder.
#include "core/Almacen.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

inline constexpr int mensajesPorConversacion = 50;

inline QList<Conversacion> conversaciones(int cuantas)
{
    const QDateTime inicio(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
    const QString frase = QStringLiteral("Revisé el proyecto y dejé los cambios en la carpeta; faltan las pruebas "
                                         "del módulo de audio y una nota para José sobre la reunión del martes. ");
    QList<Conversacion> lista;
    for (int i = 0; i < cuantas; ++i) {
        Conversacion c;
        c.id = QUuid::createUuid();
        c.titulo = QStringLiteral("Proyecto %1").arg(i);
        c.creada = inicio.addSecs(i * 60);
        c.actualizada = c.creada.addSecs(30);
        c.carpeta = QStringLiteral("/home/ana/Zuvi IA/Proyectos/2026-01-01 09.%1.00").arg(i % 60);
        c.sesionClaude = QUuid::createUuid().toString(QUuid::WithoutBraces);
        for (int m = 0; m < mensajesPorConversacion; ++m) {
            const bool agente = m % 2 == 1;
            c.mensajes << Mensaje::nuevo(agente ? Mensaje::Rol::agente : Mensaje::Rol::usuario, frase,
                                         agente ? std::optional(AgenteCLI::claude) : std::nullopt,
                                         agente ? std::nullopt : std::optional(QStringLiteral("Ana")),
                                         c.creada.addSecs(m));
        }
        lista << c;
    }
    return lista;
}

// A private home with a store file of `cuantas` conversations.
struct Hogar {
    QTemporaryDir dir;
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;
    QString datos;

    explicit Hogar(int cuantas)
    {
        qputenv("HOME", dir.path().toUtf8());
        datos = dir.path() + QStringLiteral("/datos");
        ajustes = std::make_unique<Ajustes>(dir.path() + QStringLiteral("/ajustes.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, Reloj::sistema(), datos);
        QFile f(datos + QStringLiteral("/conversaciones.json"));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(Codificacion::codificar(conversaciones(cuantas)));
    }

    std::unique_ptr<Almacen> abrir() const
    {
        return std::make_unique<Almacen>(Reloj::sistema(), *perfiles, datos);
    }

    qint64 tamano() const { return QFileInfo(datos + QStringLiteral("/conversaciones.json")).size(); }
};
