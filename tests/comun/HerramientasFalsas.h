#pragma once

#include "comun/HogarTemporal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

// Puts tools/herramienta_falsa in a temporary home's .local/bin as curl,
// npm, uv, git, blender and x-terminal-emulator (the installer's scripts
// find them first on PATH) and reads back what they were asked. What they
// do is chosen by files in ~/falsos, described at the top of that script.
class HerramientasFalsas {
public:
    explicit HerramientasFalsas(const HogarTemporal& hogar) : hogar_(hogar)
    {
        QDir().mkpath(bin());
        QDir().mkpath(falso("descargas"));
        for (const char* p : {"curl", "npm", "uv", "git", "blender", "x-terminal-emulator"})
            QFile::link(programa(), bin() + '/' + p);
    }

    QString bin() const { return hogar_.en(".local/bin"); }
    QString falso(const QString& rel) const { return hogar_.en("falsos/" + rel); }

    // A file in ~/falsos that changes a tool's behaviour.
    void marcar(const QString& archivo, const QByteArray& contenido = {}) const
    {
        QFile f(falso(archivo));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(contenido);
    }
    // What the fake curl serves for a URL ending in `nombre`.
    void descarga(const QString& nombre, const QByteArray& contenido) const
    {
        marcar("descargas/" + nombre, contenido);
    }
    void quitar(const QString& programa) const { QFile::remove(bin() + '/' + programa); }
    // tools/agente_falso installed as ~/.local/bin/<nombre> (claude, codex).
    void instalarAgente(const QString& nombre) const { QFile::link(agente(), bin() + '/' + nombre); }

    static QString agente() { return QStringLiteral(ZUVI_AGENTE_FALSO); }
    static QString programa() { return QFileInfo(agente()).path() + "/herramienta_falsa"; }

    // The argument lists of every call of one tool, oldest first.
    QList<QStringList> llamadas(const QString& programa) const
    {
        QList<QStringList> lista;
        QFile f(falso("llamadas.jsonl"));
        if (!f.open(QIODevice::ReadOnly))
            return lista;
        for (const QByteArray& linea : f.readAll().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(linea).object();
            if (o.value("programa").toString() != programa)
                continue;
            QStringList argv;
            for (const auto& a : o.value("argv").toArray())
                argv << a.toString();
            lista << argv;
        }
        return lista;
    }

private:
    const HogarTemporal& hogar_;
};
