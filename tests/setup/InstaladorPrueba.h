#pragma once

#include "audio/VozNeural.h"
#include "comun/HerramientasFalsas.h"
#include "comun/HogarTemporal.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "plataforma/Permisos.h"
#include "plataforma/Reloj.h"
#include "setup/Instalador.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QTest>

#include <memory>

// Waits, with the event loop running, for an installer operation to end.
#define ESPERAR(futuro) QTRY_VERIFY_WITH_TIMEOUT((futuro).isFinished(), 60000)

struct PermisosFalsos final : Permisos {
    bool microfono() override { return true; }
    bool reconocimiento() override { return true; }
    bool accesibilidad() override { return acceso; }
    bool grabacionPantalla() override { return pantalla; }
    bool acceso = true;
    bool pantalla = true;
};

// A home folder whose path a script with pasted values would break.
inline const QString hogarRaro = QStringLiteral("casa de O'Brien 100%");

// The "hogar" column of a table: an ordinary home and the odd one.
inline void filasDeHogar()
{
    QTest::addColumn<QString>("hogar");
    QTest::newRow("hogar corriente") << QString();
    QTest::newRow("hogar con espacio, comilla y %") << hogarRaro;
}

// A temporary home with the fake tools first on PATH, a skills pack of its
// own and an installer over them, with the real voice client and clock.
// No desktop entry of the machine is seen: only those a test writes.
class InstaladorPrueba {
public:
    explicit InstaladorPrueba(Instalador::Limites limites = {}, const QString& nombreHogar = {},
                              Reloj& reloj = Reloj::sistema())
        : hogar(nombreHogar)
    {
        QDir().mkpath(recursos() + "/SkillsPack");
        qputenv("XDG_DATA_DIRS", hogar.en("sistema").toUtf8());
        Instalador::Bordes bordes;
        bordes.limites = limites;
        bordes.refrescarDeteccion = [this] { ++refrescos; };
        voz = std::make_unique<VozNeural>(ajustes, reloj);
        instalador = std::make_unique<Instalador>(ajustes, reloj, *voz, permisos, recursos(), hogar.ruta(),
                                                  std::move(bordes));
    }
    ~InstaladorPrueba()
    {
        instalador.reset();
        if (voz)
            voz->detener();
    }

    QString recursos() const { return hogar.en("recursos"); }
    QString pack(const QString& rel = {}) const
    {
        return recursos() + "/SkillsPack" + (rel.isEmpty() ? QString() : '/' + rel);
    }
    // A file of the pack, with its folders.
    void archivoPack(const QString& rel, const QByteArray& contenido = "x") const
    {
        escribir(pack(rel), contenido);
    }
    static void escribir(const QString& ruta, const QByteArray& contenido)
    {
        QDir().mkpath(QFileInfo(ruta).path());
        QFile f(ruta);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(contenido);
    }
    // A desktop entry in the user's applications folder.
    void entrada(const QString& archivo, const QString& nombre) const
    {
        escribir(hogar.en(".local/share/applications/" + archivo),
                 ("[Desktop Entry]\nType=Application\nName=" + nombre + "\nExec=true\n").toUtf8());
    }
    static QByteArray leer(const QString& ruta)
    {
        QFile f(ruta);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    HogarTemporal hogar;   // first: every path below reads it
    HerramientasFalsas herramientas{hogar};
    Ajustes ajustes{hogar.en(".config/cl.norp.ZuviIA.conf")};
    PermisosFalsos permisos;
    int refrescos = 0;
    std::unique_ptr<VozNeural> voz;
    std::unique_ptr<Instalador> instalador;
};
