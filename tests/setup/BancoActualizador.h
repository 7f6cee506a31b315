#pragma once

#include "ArbolPrueba.h"
#include "ClavePrueba.h"
#include "ServidorPrueba.h"

#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"

#include "Publicacion.h"
#include "plataforma/Ajustes.h"
#include "setup/Actualizador.h"

#include <QDir>
#include <QTest>

#include <memory>

struct Lanzamiento {
    QString programa;
    QStringList argumentos;
};

// An installed build 12 beside a published build 13 on the loopback server.
struct Banco {
    HogarTemporal hogar;
    ServidorPrueba servidor;
    RelojFalso reloj;
    Ajustes ajustes{hogar.en(".config/zuvi.conf")};
    QString prefijo = hogar.en("opt/ZuviIA");
    QByteArray zip;
    Manifiesto manifiesto;
    Actualizador::Ocupacion ocupacion;
    QList<Lanzamiento> lanzados;
    bool lanzaBien = true;
    int salidas = 0;
    std::unique_ptr<Actualizador> act;

    explicit Banco(bool automatica = false)
    {
        ajustes.escribir("actualizarSola", automatica);
        ArbolPrueba::crear(prefijo);
        ArbolPrueba::sellar(prefijo, 12);
        publicar(13, "1.3");
        act = std::make_unique<Actualizador>(
            reloj, ajustes,
            Actualizador::Instalacion{prefijo, "1.2", 12, ClavePrueba::publica(), servidor.url("/ultima.json"),
                                      hogar.en(".local/state/ZuviIA/actualizacion.log"), 4242},
            Actualizador::Cambio{[this](const QString& p, const QStringList& a, QString& error) {
                                     lanzados.append({p, a});
                                     error = "sin permiso";
                                     return lanzaBien;
                                 },
                                 [this] { ++salidas; }},
            [this] { return ocupacion; });
    }

    // Publishes a release and serves its manifest and archive.
    void publicar(qint64 build, const QString& version, std::optional<QString> notas = std::nullopt)
    {
        const QString arbol = hogar.en(QStringLiteral("construido-%1/ZuviIA").arg(build));
        ArbolPrueba::crear(arbol);
        const QString ruta = QStringLiteral("/ZuviIA-%1.zip").arg(version);
        const auto r = Publicacion::publicar({arbol, ClavePrueba::secreta(), version, build, servidor.url(ruta),
                                              notas.value_or("Notas " + version), hogar.en(QStringLiteral("salida-%1").arg(build))});
        zip = ArbolPrueba::leer(r.zip);
        const QByteArray json = ArbolPrueba::leer(r.manifiesto);
        manifiesto = Manifiesto::decodificar(json);
        servidor.servir("/ultima.json", {200, json});
        servidor.servir(ruta, {200, zip});
    }

    QString rutaArchivo() const { return manifiesto.url.path(); }

    QStringList preparadas() const
    {
        return QDir(hogar.en("opt")).entryList({"ZuviIA-act-*"}, QDir::Dirs | QDir::Hidden);
    }

    // Runs until the updater rests in a state other than buscando/descargando.
    bool reposa()
    {
        return QTest::qWaitFor([&] {
            const auto c = act->estado().caso;
            return c != EstadoActualizacion::Caso::buscando && c != EstadoActualizacion::Caso::descargando;
        }, 15000);
    }

    void revisar(bool silencioso = false)
    {
        act->buscar(silencioso);
        QVERIFY(reposa());
    }

    void bajar()
    {
        act->descargar();
        QVERIFY(reposa());
    }
};
