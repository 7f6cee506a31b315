#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "core/TextoHablado.h"
#include "plataforma/Ajustes.h"
#include "projects/ContextoProyecto.h"

ModoProyectos::ModoProyectos(Ajustes& ajustes, Almacen& almacen, Perfiles& perfiles, AsistenteVoz& asistente,
                             QObject* parent)
    : QObject(parent), ajustes_(ajustes), almacen_(almacen), perfiles_(perfiles), asistente_(asistente)
{
}

ModoProyectos::~ModoProyectos() = default;

ModoProyectos& ModoProyectos::shared()
{
    // Lives as long as the process, like the assistant it drives.
    static ModoProyectos* unico =
        new ModoProyectos(Ajustes::shared(), Almacen::shared(), Perfiles::shared(), AsistenteVoz::shared());
    return *unico;
}

void ModoProyectos::setActivo(bool valor)
{
    if (valor == activo_)
        return;
    activo_ = valor;
    emit activoCambiado();
}

void ModoProyectos::setInmersivo(bool valor)
{
    if (valor == inmersivo_)
        return;
    inmersivo_ = valor;
    emit inmersivoCambiado();
}

void ModoProyectos::setEstado(Estado valor)
{
    if (valor == estado_)
        return;
    estado_ = valor;
    emit estadoCambiado();
}

bool ModoProyectos::escuchaSiempre(const Ajustes& ajustes)
{
    if (!ajustes.contiene(QStringLiteral("escuchaSiempre")))
        return true;
    return ajustes.valor(QStringLiteral("escuchaSiempre")).toBool();
}

bool ModoProyectos::escuchaSiempre()
{
    return escuchaSiempre(Ajustes::shared());
}

bool ModoProyectos::ignorarMusica(const Ajustes& ajustes)
{
    return ajustes.booleano(QStringLiteral("ignorarMusica"), true);
}

bool ModoProyectos::ignorarMusica()
{
    return ignorarMusica(Ajustes::shared());
}

QString ModoProyectos::paraHablar(const QString& respuesta)
{
    return TextoHablado::paraHablar(respuesta);
}

void ModoProyectos::proyectoNuevo()
{
    almacen_.nueva();
    perfiles_.setActivo(std::nullopt);
    perfiles_.setPresentes({});
    aplicarProyecto();
    if (activo_ && inmersivo_)
        saludar();
}

void ModoProyectos::aplicarProyecto()
{
    const auto actual = almacen_.actual();
    if (!actual)
        return;
    const QString carpeta = almacen_.carpeta(*actual);
    if (carpeta != asistente_.carpeta())
        asistente_.setCarpeta(carpeta);

    QList<Perfil> presentes;
    for (const QString& nombre : actual->asistentes.value_or(QStringList())) {
        for (const Perfil& p : perfiles_.todos()) {
            if (p.nombre == nombre) {
                presentes << p;
                break;
            }
        }
    }
    perfiles_.setPresentes(presentes);
    const bool reunion = actual->esReunion.value_or(false);
    perfiles_.setActivo(presentes.size() == 1 && !reunion ? std::optional<Perfil>(presentes.first()) : std::nullopt);
    ajustes_.escribir(QStringLiteral("modoGrupo"), reunion);
    enPresentaciones_ = false;
    asistente_.setContextoPersona(ContextoProyecto::texto(almacen_, perfiles_));
    Registro::anotar(QStringLiteral("Proyecto: «") + Texto::primeros(actual->titulo, 30) + QStringLiteral("» (")
                     + QString::number(presentes.size()) + QStringLiteral(" participantes)"));
}

void ModoProyectos::saludar()
{
    esperandoNombre_ = false;
    esperandoModalidad_ = true;
    enPresentaciones_ = false;
    setEstado(Estado::preguntandoNombre);
    preguntaContinuar_ = false;
    // Speaking the welcome belongs to the room's speech queue, which is
    // not part of the application yet.
}

// The lifecycle below only moves the observable state; the room's audio
// engine and speech queue attach to these same operations.
void ModoProyectos::escucharSiempre()
{
    if (activo_)
        return;
    setInmersivo(false);
    setActivo(true);
    setEstado(Estado::escuchando);
}

void ModoProyectos::iniciar()
{
    Registro::anotar(QStringLiteral("Zuvi inmersiva: abrir"));
    setInmersivo(true);
    if (abrirVentana_)
        abrirVentana_();
    if (activo_) {
        saludar();
        return;
    }
    setActivo(true);
    setEstado(Estado::escuchando);
}

void ModoProyectos::terminar()
{
    setActivo(false);
    setEstado(Estado::inactivo);
    if (!transcripcion_.isEmpty()) {
        transcripcion_.clear();
        emit transcripcionCambiada();
    }
    if (nivel_ != 0) {
        nivel_ = 0;
        emit nivelCambiado();
    }
    Registro::anotar(QStringLiteral("Modo proyectos: detenido"));
}

void ModoProyectos::salir(bool despedirse)
{
    Q_UNUSED(despedirse)
    setInmersivo(false);
    if (!escuchaSiempre(ajustes_))
        terminar();
}

void ModoProyectos::interrumpir()
{
    if (!activo_ || estado_ != Estado::hablando)
        return;
    setEstado(Estado::escuchando);
}
