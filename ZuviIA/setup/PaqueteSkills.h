#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The skills pack on disk: its layout, what a destination lacks, and the
// copies. Pure file work, safe off the GUI thread; nothing here replaces a
// file that exists, except the launch refresh of the application's own
// skills, which rewrites only files whose bytes differ.
namespace PaqueteSkills {

struct Contenido {
    QStringList skills;   // items with a SKILL.md directly inside
    QStringList apoyo;    // every other item: support material
};

// Items not beginning with ".", sorted; an absent pack gives nothing.
Contenido listar(const QString& pack);

// The skill's SKILL.md is in the destination's folder of that name.
bool presente(const QString& destino, const QString& skill);

// Every file under `origen`, at any depth, exists at the same relative
// path under `en`. A source that cannot be walked counts as complete.
bool estaCompleta(const QString& origen, const QString& en);

// Copies into `en` every file of `origen` that is not there yet; an
// existing file is never replaced. The first failure stops it: its Spanish
// description, or none when everything went well.
std::optional<QString> completar(const QString& origen, const QString& en);

// The launch refresh: for each of ".claude/skills" and ".codex/skills"
// under `inicio` that exists, the top-level files of every pack item named
// "zuvi-ia-*" that differ are rewritten atomically. Failures are skipped.
void actualizarPropias(const QString& pack, const QString& inicio);

// The install's log line and its error text, skills and support folders
// counted apart.
QString lineaResultado(int skills, int fallosSkills, const QStringList& apoyo);
QString textoError(int fallosSkills, int fallosApoyo);

}
