#pragma once

#include <QDateTime>
#include <QString>

struct Perfil;

// The memory folders of projects and people under the projects root: each
// holds a "CLAUDE.md" written only when absent and an "AGENTS.md" link to it,
// so both agents read the same memory. No failure is reported.
namespace CarpetasMemoria {

// "Zuvi IA" in the home folder, created (with its parents) on every call.
QString raiz();

// "yyyy-MM-dd HH.mm.ss" in local time, Gregorian and ASCII whatever the locale.
QString nombreProyecto(const QDateTime& momento);

// Makes Proyectos/<time> with its memory and returns it in every case.
QString nuevaCarpetaProyecto(const QDateTime& ahora);

// A name that can be one folder under the root; anything else ("/", "..",
// empty, too long) is replaced by the person's id.
bool nombreSeguro(const QString& nombre);

// The person's folder: <raiz>/<nombre> when it already holds a "CLAUDE.md",
// else <raiz>/Personas/<nombre>. Creates nothing but the root.
QString dePersona(const Perfil& perfil);

// Makes the person's folder, its memory when missing and the link when missing.
void prepararPersona(const Perfil& perfil);

QString plantillaProyecto();
QString plantillaPersona(const QString& nombre);

}
