// The skills pack: what is missing in the agents' skill folders and the copy.
#include "setup/Instalador.h"

#include "plataforma/Carpetas.h"
#include "core/Futuros.h"
#include "setup/PaqueteSkills.h"

#include <QFileInfo>
#include <QtConcurrent>

struct Instalador::Copia {
    QStringList items;
    int skills = 0;   // the first `skills` items are skills, the rest support
    QStringList destinos;
    int hechos = 0;
    QStringList fallos;
    int fallosSkills = 0;
    QPromise<void> promesa;
};

QString Instalador::packURL() const
{
    const QString pack = recursos_ + QStringLiteral("/SkillsPack");
    return QFileInfo(pack).isDir() ? pack : QString();
}

QStringList Instalador::destinosSkills() const
{
    QStringList destinos{home_ + QStringLiteral("/.claude/skills")};
    if (agentes_.value(Agente::codex).es(EstadoPaso::Tipo::listo))
        destinos << home_ + QStringLiteral("/.codex/skills");
    return destinos;
}

void Instalador::comprobarSkills()
{
    const QString pack = packURL();
    const PaqueteSkills::Contenido c = PaqueteSkills::listar(pack);
    const QStringList destinos = destinosSkills();
    QStringList faltantes;
    for (const QString& s : c.skills)
        for (const QString& d : destinos)
            if (!PaqueteSkills::presente(d, s)) {
                faltantes << s;
                break;
            }
    bool apoyo = false;
    for (const QString& a : c.apoyo)
        for (const QString& d : destinos)
            apoyo = apoyo || !PaqueteSkills::estaCompleta(pack + QLatin1Char('/') + a, d + QLatin1Char('/') + a);

    if (skillsPack_ != c.skills) {
        skillsPack_ = c.skills;
        emit skillsPackChanged();
    }
    if (carpetasApoyo_ != c.apoyo) {
        carpetasApoyo_ = c.apoyo;
        emit carpetasApoyoChanged();
    }
    if (skillsFaltantes_ != faltantes) {
        skillsFaltantes_ = faltantes;
        emit skillsFaltantesChanged();
    }
    if (apoyoFaltante_ != apoyo) {
        apoyoFaltante_ = apoyo;
        emit apoyoFaltanteChanged();
    }
    EstadoPaso visto = faltantes.isEmpty() && !apoyo
        ? EstadoPaso::listo(QStringLiteral("%1 skills").arg(c.skills.size()))
        : EstadoPaso::falta();
    // A missing pack is a broken application, never "listo".
    if (pack.isEmpty())
        visto = EstadoPaso::error(QStringLiteral("La app no incluye el paquete de skills."));
    fijarEstadoSkills(EstadoPaso::refrescado(estadoSkills_, visto));
}

QFuture<void> Instalador::instalarSkills()
{
    const QString pack = packURL();
    if (pack.isEmpty()) {
        fijarEstadoSkills(EstadoPaso::error(QStringLiteral("La app no incluye el paquete de skills.")));
        return Futuros::hecho();
    }
    empezarTrabajo();
    fijarEstadoSkills(EstadoPaso::trabajando());
    fijarProgreso(0);
    auto copia = std::make_shared<Copia>();
    copia->items = skillsFaltantes_ + carpetasApoyo_;
    copia->skills = int(skillsFaltantes_.size());
    copia->destinos = destinosSkills();
    copia->promesa.start();
    QFuture<void> futuro = copia->promesa.future();
    copiarSiguiente(copia);
    return futuro;
}

void Instalador::copiarSiguiente(std::shared_ptr<Copia> copia)
{
    if (copia->hechos >= copia->items.size()) {
        terminarCopia(copia);
        return;
    }
    const QString item = copia->items.at(copia->hechos);
    const QString origen = packURL() + QLatin1Char('/') + item;
    QtConcurrent::run([item, origen, destinos = copia->destinos]() -> std::optional<QString> {
        for (const QString& d : destinos) {
            if (auto fallo = PaqueteSkills::completar(origen, d + QLatin1Char('/') + item))
                return item + QStringLiteral(": ") + *fallo;
        }
        return std::nullopt;
    }).then(Futuros::vigia(), Futuros::siVive(this, [this, copia](const std::optional<QString>& fallo) {
        if (fallo) {
            copia->fallos << *fallo;
            if (copia->hechos < copia->skills)
                ++copia->fallosSkills;
        }
        ++copia->hechos;
        fijarProgreso(double(copia->hechos) / std::max<qsizetype>(copia->items.size(), 1));
        copiarSiguiente(copia);
    }));
}

void Instalador::terminarCopia(std::shared_ptr<Copia> copia)
{
    anotar(PaqueteSkills::lineaResultado(copia->skills, copia->fallosSkills, carpetasApoyo_));
    for (const QString& f : copia->fallos)
        agregarRegistro(QStringLiteral("  ✗ ") + f + QLatin1Char('\n'));
    // The copy's own result replaces the `trabajando` it set.
    fijarEstadoSkills(EstadoPaso::comprobando());
    comprobarSkills();
    if (!copia->fallos.isEmpty())
        fijarEstadoSkills(EstadoPaso::error(PaqueteSkills::textoError(
            copia->fallosSkills, int(copia->fallos.size()) - copia->fallosSkills)));
    terminarTrabajo();
    // Connection states depend on the skills.
    comprobarConexiones().then(Futuros::vigia(), Futuros::siVive(this, [copia] { copia->promesa.finish(); }));
}

void Instalador::actualizarSkillsPropias()
{
    PaqueteSkills::actualizarPropias(Carpetas::recursos() + QStringLiteral("/SkillsPack"), Carpetas::inicio());
}
