#include "projects/ModoProyectos.h"

#include "assistant/AsistenteVoz.h"
#include "audio/VozNeural.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "core/TextoHablado.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "projects/ContextoProyecto.h"

ModoProyectos::ModoProyectos(Ajustes& ajustes, Almacen& almacen, Perfiles& perfiles, AsistenteVoz& asistente,
                             Reloj& reloj, VozNeural& voz, QObject* parent)
    : QObject(parent), ajustes_(ajustes), almacen_(almacen), perfiles_(perfiles), asistente_(asistente),
      reloj_(reloj), voz_(voz)
{
}

ModoProyectos::~ModoProyectos() = default;

ModoProyectos& ModoProyectos::shared()
{
    // Lives as long as the process, like the assistant it drives.
    static ModoProyectos* unico =
        new ModoProyectos(Ajustes::shared(), Almacen::shared(), Perfiles::shared(), AsistenteVoz::shared(),
                          Reloj::sistema(), VozNeural::shared());
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

void ModoProyectos::setUltimaFrase(const QString& texto)
{
    if (texto == ultimaFrase_)
        return;
    ultimaFrase_ = texto;
    emit ultimaFraseCambiada();
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
    decir(QStringLiteral("Bienvenidos a nuestra zuvi inmersiva de inteligencia artificial. ¿Hoy trabajamos de "
                         "forma individual o en grupo?"));
}

// Stand-ins until the room speaks through its engine: the text is shown,
// logged and remembered by the echo filter, and ends at once.
void ModoProyectos::decir(const QString& texto, std::function<void(bool)> alTerminar)
{
    Registro::anotar(QStringLiteral("Voz: dice «") + Texto::primeros(texto, 40) + QStringLiteral("»"));
    ultimaFueRespuestaPendiente_ = texto.trimmed().endsWith(QLatin1Char('?'));
    filtroEco_.registrar(texto, reloj_.ahora());
    setUltimaFrase(texto);
    ultimaVezHablo_ = reloj_.ahora();
    if (alTerminar)
        alTerminar(true);
}

void ModoProyectos::callarTodo()
{
    if (activo_)
        setEstado(asistente_.ejecutando() ? Estado::trabajando
                  : esperandoNombre_      ? Estado::preguntandoNombre
                                          : Estado::escuchando);
}

void ModoProyectos::enviarAlAgente(const QString& texto, const std::optional<QString>& mostrar)
{
    const auto actual = almacen_.actual();
    const bool reunion = actual && actual->esReunion.value_or(false);
    if (!perfiles_.activo() && inmersivo_ && !reunion) {
        esperandoNombre_ = true;
        decir(QStringLiteral("Antes de empezar, ¿con quién trabajo hoy?"));
        return;
    }
    callarTodo();
    setEstado(Estado::trabajando);
    if (!asistente_.enviar(texto, mostrar, std::nullopt))
        pendiente_ = pendiente_ ? *pendiente_ + QStringLiteral(". ") + texto : texto;
}

void ModoProyectos::iniciar()
{
    Registro::anotar(QStringLiteral("Zuvi inmersiva: abrir"));
    setInmersivo(true);
    saludar();
}

void ModoProyectos::salir(bool despedirse)
{
    const auto seguir = [this] {
        // Leaving the full-screen room ends its questions too, or windowed
        // listening would keep taking every utterance as their answer.
        esperandoModalidad_ = false;
        enPresentaciones_ = false;
        setInmersivo(false);
        esperandoNombre_ = false;
    };
    if (despedirse && activo_ && inmersivo_) {
        const auto persona = perfiles_.activo();
        decir(persona ? QStringLiteral("Hasta pronto, ") + persona->nombre
                            + QStringLiteral(". Aquí estaré cuando me necesites.")
                      : QStringLiteral("Hasta pronto."),
              [seguir](bool) { seguir(); });
        return;
    }
    seguir();
}
