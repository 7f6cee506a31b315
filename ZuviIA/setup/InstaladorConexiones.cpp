// The connections: desktop control, LibreOffice, Blender and the slicers.
#include "setup/Instalador.h"

#include "plataforma/EntradaEscritorio.h"
#include "plataforma/Permisos.h"
#include "core/Futuros.h"
#include "setup/ScriptsInstalador.h"

#include <QFileInfo>

namespace {

QString skillDe(Conexion c)
{
    switch (c) {
    case Conexion::mac: return QStringLiteral("zuvi-ia-control-mac");
    case Conexion::office: return QStringLiteral("zuvi-ia-office");
    case Conexion::impresora: return QStringLiteral("zuvi-ia-impresion-3d");
    case Conexion::blender: break;
    }
    return {};
}

void agregarUnico(QStringList& lista, const QString& nombre)
{
    if (!lista.contains(nombre))
        lista << nombre;
}

}

QStringList Instalador::buscarApps(Conexion c) const
{
    QStringList nombres;
    for (const QString& archivo : Conexiones::apps(c)) {
        const auto ruta = EntradaEscritorio::buscar(archivo);
        if (!ruta)
            continue;
        const auto claves = EntradaEscritorio::leerArchivo(*ruta);
        const QString nombre = claves ? claves->value(QStringLiteral("Name")) : QString();
        agregarUnico(nombres, nombre.isEmpty() ? QFileInfo(*ruta).completeBaseName() : nombre);
    }
    return nombres;
}

bool Instalador::skillInstalada(const QString& skill) const
{
    return QFileInfo::exists(home_ + QStringLiteral("/.claude/skills/") + skill + QStringLiteral("/SKILL.md"));
}

QFuture<EstadoPaso> Instalador::estadoConexion(Conexion c)
{
    const QStringList apps = appsConexion_.value(c);
    const auto porSkill = [this, c] {
        return QtFuture::makeReadyFuture(skillInstalada(skillDe(c)) ? EstadoPaso::listo() : EstadoPaso::falta());
    };
    switch (c) {
    case Conexion::mac: {
        QStringList faltan;
        if (!permisos_.accesibilidad())
            faltan << QStringLiteral("Accesibilidad");
        if (!permisos_.grabacionPantalla())
            faltan << QStringLiteral("Grabación de pantalla");
        if (!skillInstalada(skillDe(c)))
            faltan << QStringLiteral("skill de control");
        if (faltaMac_ != faltan) {
            faltaMac_ = faltan;
            emit faltaMacChanged();
        }
        // No setting grants the rest on Wayland: what Linux allows is done
        // once the skill is there.
        if (faltan.contains(QStringLiteral("skill de control")))
            return QtFuture::makeReadyFuture(EstadoPaso::falta());
        return QtFuture::makeReadyFuture(faltan.isEmpty() ? EstadoPaso::listo()
                                                          : EstadoPaso::listo(QStringLiteral("Limitado en Wayland")));
    }
    case Conexion::office:
        if (apps.isEmpty())
            return QtFuture::makeReadyFuture(EstadoPaso::error(QStringLiteral("LibreOffice no está instalado")));
        return porSkill();
    case Conexion::impresora:
        if (apps.isEmpty())
            return QtFuture::makeReadyFuture(
                EstadoPaso::error(QStringLiteral("No hay laminador (Bambu Studio, Orca, Prusa o Cura)")));
        return porSkill();
    case Conexion::blender:
        if (apps.isEmpty())
            return QtFuture::makeReadyFuture(EstadoPaso::error(QStringLiteral("Blender no está instalado")));
        return shellConSalida(QStringLiteral("claude mcp get blender >/dev/null 2>&1"), false, {},
                              bordes_.limites.sonda)
            .then([](const ResultadoShell& r) { return r.ok ? EstadoPaso::listo() : EstadoPaso::falta(); });
    }
    return QtFuture::makeReadyFuture(EstadoPaso::falta());
}

QFuture<void> Instalador::comprobarConexiones()
{
    return Futuros::enSerie(this, Conexiones::todas(), [this](Conexion c) {
        QFuture<QStringList> apps = QtFuture::makeReadyFuture(buscarApps(c));
        // Blender also comes as a program on PATH, a flatpak or a snap.
        if (c == Conexion::blender)
            apps = Futuros::luego(shellConSalida(ScriptsInstalador::sondaBlender(), false, {}, bordes_.limites.sonda),
                                  this, [this](const ResultadoShell& r) {
                                      QStringList nombres = buscarApps(Conexion::blender);
                                      if (r.ok && !r.salida.trimmed().isEmpty())
                                          agregarUnico(nombres, QStringLiteral("Blender"));
                                      return nombres;
                                  });
        auto estado = Futuros::luego(apps, this, [this, c](const QStringList& nombres) {
            if (!appsConexion_.contains(c) || appsConexion_.value(c) != nombres) {
                appsConexion_.insert(c, nombres);
                emit appsConexionChanged();
            }
            return estadoConexion(c);
        });
        return Futuros::luego(estado.unwrap(), this, [this, c](const EstadoPaso& e) {
            // A configuration still running keeps its state.
            const bool enCurso = conexiones_.value(c, e).es(EstadoPaso::Tipo::trabajando);
            fijarConexion(c, enCurso ? conexiones_.value(c) : e);
        });
    });
}

QFuture<std::optional<QString>> Instalador::accionConexion(Conexion c)
{
    using Fallo = std::optional<QString>;
    switch (c) {
    case Conexion::mac:
        if (!permisos_.accesibilidad() || !permisos_.grabacionPantalla())
            anotar(QStringLiteral("▸ En Wayland ninguna aplicación puede controlar el escritorio ni ver la pantalla "
                                  "por su cuenta: para el control del computador entra con una sesión X11 (Xorg)."));
        break;
    case Conexion::blender: {
        anotar(QStringLiteral("▸ Conectando Blender (Blender Lab MCP)…"));
        const ms limite = bordes_.limites.blender;
        return shellConSalida(ScriptsInstalador::conectarBlender(), true,
                              {QString::fromLatin1(ScriptsInstalador::repositorioBlenderMcp),
                               QString::fromLatin1(ScriptsInstalador::etiquetaBlenderMcp)},
                              limite)
            .then([limite](const ResultadoShell& r) -> Fallo {
                if (r.ok)
                    return std::nullopt;
                if (r.agotado)
                    return QStringLiteral("No se pudo conectar Blender. ") + ScriptsInstalador::agotado(limite);
                return QStringLiteral("No se pudo conectar Blender. Revisa el registro.");
            });
    }
    case Conexion::office:
    case Conexion::impresora:
        // LibreOffice and the slicers ask for no permission: the skills do it all.
        break;
    }
    return QtFuture::makeReadyFuture(Fallo());
}

QFuture<void> Instalador::configurar(Conexion conexion)
{
    empezarTrabajo();
    fijarConexion(conexion, EstadoPaso::trabajando());
    QFuture<void> antes = estadoSkills_.es(EstadoPaso::Tipo::falta) ? instalarSkills() : Futuros::hecho();
    const auto accion = Futuros::luego(antes, this, [this, conexion] { return accionConexion(conexion); }).unwrap();
    auto estado = Futuros::luego(accion, this, [this, conexion](const std::optional<QString>& fallo) {
        return estadoConexion(conexion).then([fallo](const EstadoPaso& e) {
            return fallo && !e.es(EstadoPaso::Tipo::listo) ? EstadoPaso::error(*fallo) : e;
        });
    });
    return Futuros::luego(estado.unwrap(), this, [this, conexion](const EstadoPaso& e) {
        fijarConexion(conexion, e);
        terminarTrabajo();
    });
}
