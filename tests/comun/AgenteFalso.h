#pragma once

#include "comun/HogarTemporal.h"
#include "core/DetectorIA.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

// Installs tools/agente_falso as ~/.local/bin/claude and ~/.local/bin/codex
// of a temporary home and reads back what it recorded. Its scenario format
// is described at the top of tools/agente_falso.
class AgenteFalso {
public:
    explicit AgenteFalso(const HogarTemporal& hogar)
        : bin_(hogar.en(".local/bin")), registro_(hogar.en("agente-registro.jsonl")),
          escenario_(hogar.en("agente-escenario.json")), sesiones_(hogar.en("agente-sesiones.json"))
    {
        QFile::remove(sesiones_);
        QDir().mkpath(bin_);
        QFile::link(QStringLiteral(ZUVI_AGENTE_FALSO), ruta("claude"));
        QFile::link(QStringLiteral(ZUVI_AGENTE_FALSO), ruta("codex"));
        qputenv("ZUVI_FALSO_REGISTRO", registro_.toUtf8());
        qputenv("ZUVI_FALSO_ESCENARIO", escenario_.toUtf8());
        qputenv("ZUVI_FALSO_SESIONES", sesiones_.toUtf8());
        escenario(QJsonObject());
    }
    ~AgenteFalso()
    {
        qunsetenv("ZUVI_FALSO_REGISTRO");
        qunsetenv("ZUVI_FALSO_ESCENARIO");
        qunsetenv("ZUVI_FALSO_SESIONES");
    }
    AgenteFalso(const AgenteFalso&) = delete;

    // The real detection of the two agents' command-line tools, which finds
    // these in the home's ~/.local/bin.
    static QList<Deteccion> detectar()
    {
        QList<Deteccion> lista;
        for (const char* id : {"claude-code", "codex-cli"})
            lista << DetectorIA::buscar(*HerramientaIA::porId(QString::fromLatin1(id)));
        return lista;
    }
    AgenteFalso& operator=(const AgenteFalso&) = delete;

    QString ruta(const QString& programa = QStringLiteral("claude")) const { return bin_ + '/' + programa; }

    void escenario(const QJsonObject& escenario) const { escribir(QJsonDocument(escenario).toJson()); }
    // A scenario written as JSON text, for tests that read better that way.
    void escenario(const char* json) const { escribir(QByteArray(json)); }
    // Only the turns: each an array of steps.
    // One turn's steps written as a JSON array.
    static QJsonArray pasos(const char* json)
    {
        const QJsonDocument d = QJsonDocument::fromJson(json);
        Q_ASSERT(d.isArray());
        return d.array();
    }

    void turnos(const QList<QJsonArray>& turnos) const
    {
        QJsonArray lista;
        for (const QJsonArray& t : turnos)
            lista.append(t);
        escenario(QJsonObject{{"turnos", lista}});
    }

    // Every record, in the order written.
    QList<QJsonObject> registro() const
    {
        QList<QJsonObject> lista;
        QFile f(registro_);
        if (!f.open(QIODevice::ReadOnly))
            return lista;
        for (const QByteArray& linea : f.readAll().split('\n'))
            if (!linea.isEmpty())
                lista << QJsonDocument::fromJson(linea).object();
        return lista;
    }
    QList<QJsonObject> eventos(const QString& evento) const
    {
        QList<QJsonObject> lista;
        for (const QJsonObject& r : registro())
            if (r.value("evento").toString() == evento)
                lista << r;
        return lista;
    }
    // Lets a turn held at {"puerta": nombre} go on.
    void abrirPuerta(const QString& nombre) const
    {
        QFile f(QFileInfo(escenario_).dir().filePath(QStringLiteral("puerta-") + nombre));
        if (f.open(QIODevice::WriteOnly))
            f.close();
    }
    void cerrarPuertas() const
    {
        QDir d = QFileInfo(escenario_).dir();
        for (const QString& n : d.entryList({QStringLiteral("puerta-*")}, QDir::Files))
            d.remove(n);
    }
    // A turn waits at that gate now.
    bool enPuerta(const QString& nombre) const
    {
        for (const QJsonObject& r : eventos(QStringLiteral("puerta")))
            if (r.value("nombre").toString() == nombre)
                return true;
        return false;
    }

    // Processes started so far.
    int procesos() const { return int(eventos("inicio").size()); }
    QJsonObject inicio(int proceso) const { return eventos("inicio").value(proceso); }
    QStringList argv(int proceso) const { return lista(inicio(proceso).value("argv").toArray()); }
    // Standard-input lines of one process.
    QStringList entradas(int proceso = 0) const
    {
        QStringList lineas;
        for (const QJsonObject& r : eventos("entrada"))
            if (r.value("proceso").toInt() == proceso)
                lineas << r.value("linea").toString();
        return lineas;
    }

private:
    void escribir(const QByteArray& datos) const
    {
        QFile f(escenario_);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(datos);
    }
    static QStringList lista(const QJsonArray& a)
    {
        QStringList l;
        for (const auto& v : a)
            l << v.toString();
        return l;
    }

    QString bin_;
    QString registro_;
    QString escenario_;
    QString sesiones_;
};
