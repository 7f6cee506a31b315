#include "assistant/TextosTurno.h"

#include "core/Texto.h"

namespace TextosTurno {

namespace {

QString nombre(AgenteCLI agente)
{
    return agente == AgenteCLI::codex ? QStringLiteral("Codex") : QStringLiteral("Claude");
}

QString enMinusculasSinPuntos(const QString& actividad)
{
    return actividad.toLower().remove(QStringLiteral("…"));
}

}

QString sinSenales()
{
    return QStringLiteral("El agente dejó de responder.");
}

std::optional<QString> respuestaVacia(const QString& respuesta, int codigo, bool interrumpido,
                                      const std::optional<QString>& error, const QString& errores)
{
    if (!respuesta.trimmed().isEmpty())
        return std::nullopt;
    if (codigo == codigoCancelado || interrumpido)
        return QStringLiteral("Detenido.");
    const QString detalle = error.value_or(errores).trimmed();
    if (!detalle.isEmpty())
        return QStringLiteral("No hubo respuesta:\n") + Texto::ultimos(detalle, 600);
    return QStringLiteral("No hubo respuesta (código %1).").arg(codigo);
}

QString noInstalado(AgenteCLI agente)
{
    return nombre(agente) + QStringLiteral(" no está instalado. Ábrelo desde Ajustes → Configuración.");
}

QString sinCodex()
{
    return nombre(AgenteCLI::codex) + QStringLiteral(" no está instalado: se usa Claude");
}

QString titulo(const QString& mostrado)
{
    return Texto::primeros(mostrado, 48);
}

QString tituloFondo(const QString& pedido)
{
    return Texto::primeros(pedido, 60);
}

QString fondoSinRespuesta()
{
    return QStringLiteral("(la tarea en segundo plano se cerró sin respuesta)");
}

QString pasaAFondo(const QString& titulo, int enFondo)
{
    return QStringLiteral("Claude: «%1» pasa a segundo plano (%2 en fondo)")
        .arg(Texto::primeros(titulo, 30), QString::number(enFondo));
}

QString terminoEnFondo(const QString& titulo)
{
    return QStringLiteral("Claude: terminó en segundo plano «%1»").arg(Texto::primeros(titulo, 30));
}

QString resumen(const std::optional<Trabajo>& enCurso, const QList<Trabajo>& fondo)
{
    QStringList partes;
    if (enCurso) {
        QString parte = QStringLiteral("Estoy con: ") + Texto::primeros(enCurso->que, 60);
        if (enCurso->actividad)
            parte += QStringLiteral(", ahora ") + enMinusculasSinPuntos(*enCurso->actividad);
        partes << parte;
    }
    for (const Trabajo& tarea : fondo) {
        QString parte = QStringLiteral("En segundo plano: ") + tarea.que;
        if (tarea.actividad)
            parte += QStringLiteral(", ") + enMinusculasSinPuntos(*tarea.actividad);
        partes << parte;
    }
    if (partes.isEmpty())
        return QStringLiteral("No estoy haciendo nada ahora.");
    return partes.join(QStringLiteral(". ")) + QLatin1Char('.');
}

}
