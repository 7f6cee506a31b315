#include "setup/EstadoPaso.h"

EstadoPaso EstadoPaso::refrescado(const EstadoPaso& actual, const EstadoPaso& comprobado)
{
    if (actual.es(Tipo::trabajando))
        return actual;
    if (actual.es(Tipo::error) && comprobado.es(Tipo::falta))
        return actual;
    return comprobado;
}

QString describir(const EstadoPaso& e)
{
    static const char* const nombres[] = {"listo", "error", "comprobando", "falta", "trabajando"};
    QString r = QString::fromLatin1(nombres[int(e.tipo)]);
    if (e.texto)
        r += QLatin1Char('(') + *e.texto + QLatin1Char(')');
    return r;
}

namespace Agentes {

const QList<Agente>& todos()
{
    static const QList<Agente> lista{Agente::claudeCode, Agente::codex, Agente::claudeApp};
    return lista;
}

QString valorCrudo(Agente a)
{
    switch (a) {
    case Agente::claudeCode: return QStringLiteral("claudeCode");
    case Agente::codex: return QStringLiteral("codex");
    case Agente::claudeApp: return QStringLiteral("claudeApp");
    }
    return {};
}

QString herramienta(Agente a)
{
    switch (a) {
    case Agente::claudeCode: return QStringLiteral("claude-code");
    case Agente::codex: return QStringLiteral("codex-cli");
    case Agente::claudeApp: return QStringLiteral("claude-app");
    }
    return {};
}

QString nombre(Agente a)
{
    switch (a) {
    case Agente::claudeCode: return QStringLiteral("Claude Code");
    case Agente::codex: return QStringLiteral("Codex");
    case Agente::claudeApp: return QStringLiteral("Claude para computador");
    }
    return {};
}

}

namespace Conexiones {

const QList<Conexion>& todas()
{
    static const QList<Conexion> lista{Conexion::mac, Conexion::office, Conexion::blender, Conexion::impresora};
    return lista;
}

QString valorCrudo(Conexion c)
{
    switch (c) {
    case Conexion::mac: return QStringLiteral("mac");
    case Conexion::office: return QStringLiteral("office");
    case Conexion::blender: return QStringLiteral("blender");
    case Conexion::impresora: return QStringLiteral("impresora");
    }
    return {};
}

// Debian's packages first, then Flathub's and Snap's exported entries.
QStringList apps(Conexion c)
{
    switch (c) {
    case Conexion::mac:
        return {};
    case Conexion::office:
        return {QStringLiteral("libreoffice-writer.desktop"), QStringLiteral("libreoffice-calc.desktop"),
                QStringLiteral("libreoffice-impress.desktop"),
                QStringLiteral("org.libreoffice.LibreOffice.writer.desktop"),
                QStringLiteral("org.libreoffice.LibreOffice.calc.desktop"),
                QStringLiteral("org.libreoffice.LibreOffice.impress.desktop")};
    case Conexion::blender:
        return {QStringLiteral("blender.desktop"), QStringLiteral("org.blender.Blender.desktop"),
                QStringLiteral("blender_blender.desktop")};
    case Conexion::impresora:
        return {QStringLiteral("com.bambulab.BambuStudio.desktop"),
                QStringLiteral("io.github.softfever.OrcaSlicer.desktop"), QStringLiteral("orca-slicer.desktop"),
                QStringLiteral("PrusaSlicer.desktop"), QStringLiteral("com.prusa3d.PrusaSlicer.desktop"),
                QStringLiteral("cura.desktop"), QStringLiteral("com.ultimaker.cura.desktop")};
    }
    return {};
}

}
