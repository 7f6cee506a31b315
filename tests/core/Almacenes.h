#pragma once

#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

// What the store tests share: a temporary home, a fake clock and helpers
// for the files on disk.
struct Almacenes {
    HogarTemporal hogar;
    RelojFalso reloj{QDateTime(QDate(2026, 12, 10), QTime(15, 30, 0), Qt::UTC)};

    // The settings and people a store is built over, new in each test
    // that calls empezar().
    std::unique_ptr<Ajustes> ajustes;
    std::unique_ptr<Perfiles> perfiles;

    // A fresh data folder and projects root for each test.
    void limpiar()
    {
        QDir(Carpetas::datosApp()).removeRecursively();
        QDir(hogar.en("Zuvi IA")).removeRecursively();
        QFile::remove(hogar.en(".config/prueba.conf"));
        QDir().mkpath(Carpetas::datosApp());
    }

    // limpiar(), then new settings and people over the empty folders.
    void empezar()
    {
        perfiles.reset();
        ajustes.reset();
        limpiar();
        ajustes = std::make_unique<Ajustes>(hogar.en(".config/prueba.conf"));
        perfiles = std::make_unique<Perfiles>(*ajustes, reloj, Carpetas::datosApp());
    }

    static QString archivo() { return Carpetas::datosApp() + QStringLiteral("/conversaciones.json"); }

    static QByteArray leer(const QString& ruta)
    {
        QFile f(ruta);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void escribir(const QString& ruta, const QByteArray& datos)
    {
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(datos);
    }

    static QJsonArray lista(const QString& ruta) { return QJsonDocument::fromJson(leer(ruta)).array(); }

    static QString registro()
    {
        Registro::vaciar();
        return QString::fromUtf8(leer(Registro::archivo()));
    }

    // Files in the data folder whose name starts with `prefijo`.
    static QStringList apartados(const QString& prefijo)
    {
        return QDir(Carpetas::datosApp()).entryList({prefijo + QStringLiteral(".ilegible-*")}, QDir::Files | QDir::Dirs);
    }
};
