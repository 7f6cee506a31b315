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

QString sinSenales(const QString& errores, AgenteCLI agente)
{
    const QString frase = QStringLiteral("El agente dejó de responder.");
    const QStringList lineas = errores.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto it = lineas.rbegin(); it != lineas.rend(); ++it) {
        const QString ultima = it->trimmed();
        if (!ultima.isEmpty())
            return frase + QLatin1Char('\n') + explicarError(ultima, agente).value_or(Texto::ultimos(ultima, 300));
    }
    return frase;
}

std::optional<QString> explicarError(const QString& texto, AgenteCLI agente)
{
    enum class Falla { raiz, sesion, clave, red, perdida };
    // Matched on lower case, anywhere in the text; the first row wins.
    static const struct {
        const char* trozo;
        Falla falla;
    } conocidos[] = {
        {"cannot be used with root/sudo", Falla::raiz},
        {"invalid api key", Falla::clave},
        {"missing api key", Falla::clave},
        {"openai_api_key", Falla::clave},
        {"anthropic_api_key", Falla::clave},
        {"not logged in", Falla::sesion},
        {"please run /login", Falla::sesion},
        {"codex login", Falla::sesion},
        {"401 unauthorized", Falla::sesion},
        {"waiting for network", Falla::red},
        {"stream disconnected before completion", Falla::red},
        {"unable to connect to api", Falla::red},
        {"no conversation found with session id", Falla::perdida},
    };
    const QString minusculas = texto.toLower();
    for (const auto& c : conocidos) {
        if (!minusculas.contains(QLatin1String(c.trozo)))
            continue;
        switch (c.falla) {
        case Falla::raiz:
            return raizSinControlTotal();
        case Falla::sesion:
            return nombre(agente) + QStringLiteral(" no tiene una sesión iniciada. Inicia sesión desde Ajustes → Configuración.");
        case Falla::clave:
            return nombre(agente) + QStringLiteral(" no tiene una clave de API válida. Inicia sesión de nuevo desde Ajustes → Configuración.");
        case Falla::red:
            return nombre(agente) + QStringLiteral(" no logra conectarse a internet. Revisa la conexión y vuelve a intentarlo.");
        case Falla::perdida:
            return nombre(agente) + QStringLiteral(" no encontró la conversación guardada en la carpeta del proyecto. "
                                                   "Vuelve a escribir y empezará una nueva.");
        }
    }
    return std::nullopt;
}

bool rechazaNivel(AgenteCLI agente, NivelPermiso nivel, bool comoRoot)
{
    return comoRoot && agente == AgenteCLI::claude && nivel == NivelPermiso::total;
}

QString raizSinControlTotal()
{
    return QStringLiteral("Claude no acepta «Control total del computador» cuando Zuvi IA corre como root. "
                          "Baja el nivel de permiso en Ajustes o abre Zuvi IA con tu usuario normal.");
}

namespace {

// What went wrong: our own error as it is, else the agent's explained, else
// `sinExplicar`. What we hand on is already Spanish; the agent's own text
// may not be.
QString detalleDe(const std::optional<QString>& error, const QString& errores, AgenteCLI agente,
                  const QString& sinExplicar)
{
    return error ? error->trimmed() : explicarError(errores, agente).value_or(sinExplicar);
}

}

std::optional<QString> respuestaVacia(const QString& respuesta, int codigo, bool interrumpido,
                                      const std::optional<QString>& error, const QString& errores,
                                      AgenteCLI agente)
{
    if (!respuesta.trimmed().isEmpty())
        return std::nullopt;
    if (codigo == codigoCancelado || interrumpido)
        return QStringLiteral("Detenido.");
    const QString detalle = detalleDe(error, errores, agente, errores.trimmed());
    if (!detalle.isEmpty())
        return QStringLiteral("No hubo respuesta:\n") + Texto::ultimos(detalle, 600);
    return QStringLiteral("No hubo respuesta (código %1).").arg(codigo);
}

std::optional<QString> respuestaCortada(int codigo, bool interrumpido, const std::optional<QString>& error,
                                        const QString& errores, AgenteCLI agente)
{
    if (codigo == codigoCancelado || interrumpido)
        return QStringLiteral("Detenido.");
    if (codigo == 0 && !error)
        return std::nullopt;
    const QString detalle = detalleDe(error, errores, agente, QString());
    if (!detalle.isEmpty())
        return QStringLiteral("La respuesta quedó a medias:\n") + Texto::ultimos(detalle, 600);
    return QStringLiteral("La respuesta quedó a medias: %1 se cerró de golpe (código %2). Vuelve a pedírselo.")
        .arg(nombre(agente))
        .arg(codigo);
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
