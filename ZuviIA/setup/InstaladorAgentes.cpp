// The agent tools: detection, install, the answer test and the sign-in.
#include "setup/Instalador.h"

#include "core/DetectorIA.h"
#include "core/Registro.h"
#include "core/Futuros.h"
#include "setup/ScriptsInstalador.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtConcurrent>

QFuture<Deteccion> Instalador::detectar(Agente a)
{
    const auto herramienta = HerramientaIA::porId(Agentes::herramienta(a));
    if (!herramienta)
        return QtFuture::makeReadyFuture(Deteccion{});
    return QtConcurrent::run([detectar = bordes_.detectar, h = *herramienta] { return detectar(h); });
}

QFuture<void> Instalador::comprobarAgentes()
{
    const EstadosAgentes previos = agentes_;
    for (Agente a : Agentes::todos())
        if (!agentes_.value(a).es(EstadoPaso::Tipo::trabajando))
            fijarAgente(a, EstadoPaso::comprobando());
    return Futuros::enSerie(this, Agentes::todos(),
                            [this, previos](Agente a) {
                                return Futuros::luego(detectar(a), this, [this, a, previos](const Deteccion& d) {
                                    const EstadoPaso visto =
                                        d.instalada() ? EstadoPaso::listo(d.version) : EstadoPaso::falta();
                                    const EstadoPaso ahora = agentes_.value(a);
                                    const EstadoPaso base = ahora.es(EstadoPaso::Tipo::comprobando)
                                        ? previos.value(a, ahora)
                                        : ahora;
                                    fijarAgente(a, EstadoPaso::refrescado(base, visto));
                                });
                            })
        .then(Futuros::vigia(), Futuros::siVive(this, [this] { bordes_.refrescarDeteccion(); }));
}

QFuture<void> Instalador::instalarAgente(Agente a)
{
    fijarAgente(a, EstadoPaso::trabajando());
    anotar(QStringLiteral("▸ Instalando %1…").arg(Agentes::nombre(a)));
    const ms limite = bordes_.limites.agente;
    const auto instalado = shellConSalida(ScriptsInstalador::instalarAgente(a), true, {}, limite);
    return Futuros::luego(instalado, this, [this, a, limite](const ResultadoShell& r) {
               return Futuros::luego(detectar(a), this, [this, a, r, limite](const Deteccion& d) {
                   fijarAgente(a, ScriptsInstalador::trasInstalar(d.instalada(), d.version, r.ok, r.agotado, limite));
               });
           })
        .unwrap();
}

QFuture<void> Instalador::instalarAgentes()
{
    empezarTrabajo();
    QList<Agente> porInstalar;
    for (Agente a : Agentes::todos())
        if (agentesElegidos_.contains(a) && ScriptsInstalador::instalable(a)
            && !agentes_.value(a).es(EstadoPaso::Tipo::listo))
            porInstalar << a;
    return Futuros::enSerie(this, porInstalar, [this](Agente a) { return instalarAgente(a); })
        .then(Futuros::vigia(), Futuros::siVive(this, [this] {
            bordes_.refrescarDeteccion();
            // The skill folders depend on whether Codex is now installed.
            comprobarSkills();
            terminarTrabajo();
        }));
}

QFuture<void> Instalador::probar(Agente agente)
{
    fijarSesion(agente, EstadoPaso::trabajando());
    const ms limite = bordes_.limites.prueba;
    return shellConSalida(ScriptsInstalador::prueba(agente), false, {}, limite)
        .then(Futuros::vigia(), Futuros::siVive(this, [this, agente, limite](const ResultadoShell& r) {
            if (r.ok && ScriptsInstalador::respondioOk(r.salida))
                fijarSesion(agente, EstadoPaso::listo());
            else
                fijarSesion(agente, EstadoPaso::error(ScriptsInstalador::falloPrueba(r.salida, r.agotado, limite)));
        }));
}

bool Instalador::iniciarSesion(Agente agente)
{
    const QStringList programa{DetectorIA::shellDelUsuario(), QStringLiteral("-l"), QStringLiteral("-c"),
                               ScriptsInstalador::inicioSesion(agente)};
    for (const QString& terminal : ScriptsInstalador::terminales()) {
        const QString ruta = QStandardPaths::findExecutable(terminal);
        if (!ruta.isEmpty()
            && QProcess::startDetached(ruta, ScriptsInstalador::argumentosTerminal(terminal, programa), home_))
            return true;
    }
    anotar(QStringLiteral("▸ ") + sinTerminal(agente));
    return false;
}

QString Instalador::sinTerminal(Agente agente)
{
    return QStringLiteral("No encontré una terminal para iniciar sesión. Instala una (por ejemplo xterm) "
                          "o ejecuta «%1» en la tuya.")
        .arg(agente == Agente::codex ? QStringLiteral("codex login") : QStringLiteral("claude"));
}
