#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "projects/ContextoProyecto.h"
#include "projects/Minuta.h"

void ModoProyectos::iniciarReunion()
{
    ajustes_.escribir(QStringLiteral("modoGrupo"), true);
    esperandoModalidad_ = false;
    enPresentaciones_ = true;
    perfiles_.setPresentes({});
    const auto actual = almacen_.actual();
    if (!actual || !actual->mensajes.isEmpty())
        almacen_.nueva();
    if (const auto reunion = almacen_.actual()) {
        const QString carpeta = almacen_.carpeta(*reunion);
        if (carpeta != asistente_.carpeta())
            asistente_.setCarpeta(carpeta);
        const QString titulo = Minuta::titulo(reloj_.ahora());
        almacen_.cambiar(reunion->id, true, [&](Conversacion& c) {
            c.esReunion = true;
            c.titulo = titulo;
        });
    }
    Registro::anotar(QStringLiteral("Reunión: presentaciones"));
    decir(QStringLiteral("Perfecto, trabajamos en grupo. Preséntense de a uno: digan su nombre y a qué se "
                         "dedican. Cuando estén todos, digan «listo»."));
}

void ModoProyectos::presentar(const QString& texto, const std::vector<float>& audio)
{
    const QDateTime ahora = reloj_.ahora();
    if (filtroEco_.todasDichas(texto, 30, ahora) || filtroEco_.esEco(texto, ahora)) {
        Registro::anotar(QStringLiteral("Presentaciones: eco propio ignorado"));
        return;
    }
    const auto nombre = Perfiles::extraerNombre(texto);
    if (!nombre) {
        decir(QStringLiteral("No entendí el nombre. ¿Me lo repites?"));
        return;
    }
    const Perfil persona = perfiles_.activar(*nombre).perfil;
    agregarParticipante(persona);
    if (registrarHuella_)
        registrarHuella_(persona.id, audio);
    anotarActa(texto, persona.nombre);
    Registro::anotar(QStringLiteral("Reunión: se presentó ") + persona.nombre + QStringLiteral(" (huella ")
                     + QString::number(audio.size() / 16) + QStringLiteral(" ms)"));
    decir(QStringLiteral("Hola, ") + persona.nombre + QLatin1Char('.'));
}

void ModoProyectos::terminarPresentaciones()
{
    enPresentaciones_ = false;
    QStringList nombres;
    for (const Perfil& p : perfiles_.presentes())
        nombres << p.nombre;
    if (const auto actual = almacen_.actual())
        almacen_.cambiar(actual->id, true, [&](Conversacion& c) { c.asistentes = nombres; });
    asistente_.setContextoPersona(ContextoProyecto::texto(almacen_, perfiles_));
    asistente_.precalentar();
    decir(Minuta::cierrePresentaciones(nombres));
}

void ModoProyectos::agregarParticipante(const Perfil& persona)
{
    const auto actual = almacen_.actual();
    if (!actual)
        return;
    almacen_.cambiar(actual->id, true, [&](Conversacion& c) {
        c.asistentes = Minuta::conAsistente(c.asistentes.value_or(QStringList()), persona.nombre);
    });
}

void ModoProyectos::anotarActa(const QString& texto, const std::optional<QString>& autor)
{
    const auto actual = almacen_.actual();
    if (!actual)
        return;
    const Mensaje nota = Mensaje::nuevo(Mensaje::Rol::acta, texto, std::nullopt, autor, reloj_.ahora());
    almacen_.cambiar(actual->id, true, [&](Conversacion& c) { c.mensajes << nota; });
}

void ModoProyectos::hacerMinuta()
{
    const auto actual = almacen_.actual();
    if (!actual || actual->mensajes.isEmpty()) {
        decir(QStringLiteral("Todavía no hay nada que resumir."));
        return;
    }
    enviarAlAgente(Minuta::instruccion(*actual), QStringLiteral("Haz la minuta de la reunión"));
}
