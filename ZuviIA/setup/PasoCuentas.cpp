#include "setup/PasoCuentas.h"

#include "assistant/AsistenteVoz.h"
#include "assistant/TextosTurno.h"
#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"
#include "vistas/Paleta.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

struct Cuenta {
    Agente agente;
    const char* titulo;
    const char* simbolo;
    const char* palabra;
};

constexpr Cuenta cuentas[] = {
    {Agente::claudeCode, "Claude Code", "sparkle", "Claude"},
    {Agente::codex, "Codex", "chevron.left.forwardslash.chevron.right", "ChatGPT"},
};

struct Nivel {
    NivelPermiso nivel;
    const char* titulo;
    const char* detalle;
};

constexpr Nivel niveles[] = {
    {NivelPermiso::responder, "Solo conversar y leer", "Responde y lee archivos, pero no cambia nada."},
    {NivelPermiso::editar, "Crear y editar archivos del proyecto",
     "Puede crear y modificar archivos en la carpeta del proyecto."},
    {NivelPermiso::total, "Control total del computador",
     "Ejecuta comandos, abre y controla apps (Blender, Office, impresora…) sin pedir permiso."},
};

}

QList<Agente> PasoCuentas::conFila(const EstadosAgentes& agentes)
{
    QList<Agente> lista;
    for (const Cuenta& c : cuentas)
        if (agentes.contains(c.agente) && agentes.value(c.agente).es(EstadoPaso::Tipo::listo))
            lista << c.agente;
    return lista;
}

std::optional<QString> PasoCuentas::advertenciaNivel(NivelPermiso nivel, bool comoRoot)
{
    if (TextosTurno::rechazaNivel(AgenteCLI::claude, nivel, comoRoot))
        return QStringLiteral("Zuvi IA corre como root y Claude no acepta «Control total del computador»: cada turno "
                              "con Claude fallaría. Elige otro nivel o abre Zuvi IA con tu usuario normal.");
    if (nivel == NivelPermiso::total)
        return QStringLiteral("Con control total el agente ejecuta comandos y controla apps sin preguntarte. Úsalo en "
                              "un computador y una carpeta de confianza.");
    return std::nullopt;
}

EstadoPaso PasoCuentas::sesionMostrada(Agente a, const EstadoPaso& sesion, NivelPermiso nivel, bool comoRoot)
{
    if (a == Agente::claudeCode && sesion.es(EstadoPaso::Tipo::listo)
        && TextosTurno::rechazaNivel(AgenteCLI::claude, nivel, comoRoot))
        return EstadoPaso::error(QStringLiteral("Responde, pero como root no acepta control total"));
    return sesion;
}

PasoCuentas::PasoCuentas(Instalador& ins, AsistenteVoz& voz, QWidget* parent) : QWidget(parent), ins_(ins), voz_(voz)
{
    setObjectName(QStringLiteral("pasoCuentas"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(10);
    capa->addWidget(new Encabezado(QStringLiteral("person.badge.key"), QStringLiteral("Cuentas y permisos"),
                                   QStringLiteral("Inicia sesión una vez en cada agente (se abre una terminal: sigue las "
                                                  "instrucciones) y luego pruébalo."),
                                   this));
    lista_ = new QVBoxLayout;
    lista_->setSpacing(10);
    capa->addLayout(lista_);
    sinTerminal_ = Rotulos::texto(QString(), this);
    sinTerminal_->setObjectName(QStringLiteral("sinTerminal"));
    Paleta::colorear(sinTerminal_, Rotulos::naranja);
    sinTerminal_->setVisible(false);
    capa->addWidget(sinTerminal_);

    auto* pregunta = Rotulos::texto(QStringLiteral("¿Cuánto puede hacer el agente?"), this);
    Rotulos::fuente(pregunta, 1.05, QFont::DemiBold);
    capa->addSpacing(12);
    capa->addWidget(pregunta);
    // The picker's label is the question above; assistive tools get it here.
    auto* selector = new QWidget(this);
    selector->setObjectName(QStringLiteral("nivelControl"));
    selector->setAccessibleName(QStringLiteral("Nivel de control"));
    auto* opciones = new QVBoxLayout(selector);
    opciones->setContentsMargins(0, 0, 0, 0);
    opciones->setSpacing(capa->spacing());
    capa->addWidget(selector);
    auto* grupo = new QButtonGroup(this);
    for (const Nivel& n : niveles) {
        auto* opcion = new QRadioButton(QString::fromUtf8(n.titulo), selector);
        opcion->setObjectName(QStringLiteral("nivel-") + valorCrudo(n.nivel));
        grupo->addButton(opcion);
        // Only the user's pick stores "nivel".
        connect(opcion, &QRadioButton::clicked, this, [this, nivel = n.nivel] { voz_.setNivel(nivel); });
        auto* detalle = Rotulos::texto(QString::fromUtf8(n.detalle), selector, Rotulos::Estilo::secundario);
        Rotulos::fuente(detalle, 0.85, QFont::Normal);
        detalle->setContentsMargins(24, 0, 0, 0);
        opciones->addWidget(opcion);
        opciones->addWidget(detalle);
        opciones_.insert(n.nivel, opcion);
    }
    advertencia_ = Rotulos::texto(QString(), this);
    advertencia_->setObjectName(QStringLiteral("advertenciaTotal"));
    Paleta::colorear(advertencia_, Rotulos::naranja);
    capa->addWidget(Rotulos::conSimbolo(QStringLiteral("exclamationmark.shield.fill"), advertencia_, this));
    capa->addStretch(1);

    connect(&ins_, &Instalador::agentesChanged, this, &PasoCuentas::construirFilas);
    connect(&ins_, &Instalador::sesionChanged, this, &PasoCuentas::mostrarSesiones);
    connect(&voz_, &AsistenteVoz::nivelCambiado, this, &PasoCuentas::mostrarNivel);
    construirFilas();
    mostrarNivel();
}

void PasoCuentas::construirFilas()
{
    const QList<Agente> nuevas = conFila(ins_.agentes());
    if (nuevas == conFila_)
        return;
    conFila_ = nuevas;
    while (QLayoutItem* item = lista_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    insignias_.clear();
    iniciar_.clear();
    probar_.clear();
    for (const Cuenta& c : cuentas) {
        if (!conFila_.contains(c.agente))
            continue;
        auto* accesorio = new QWidget;
        accesorio->setMaximumWidth(300);
        auto* fila = new QHBoxLayout(accesorio);
        fila->setContentsMargins(0, 0, 0, 0);
        auto* insignia = new InsigniaEstado(std::nullopt, accesorio);
        auto* iniciar = new QPushButton(QStringLiteral("Iniciar sesión"), accesorio);
        iniciar->setObjectName(QStringLiteral("iniciar-") + Agentes::valorCrudo(c.agente));
        iniciar->setAutoDefault(false);
        connect(iniciar, &QPushButton::clicked, this, [this, a = c.agente] {
            const bool abierta = ins_.iniciarSesion(a);
            sinTerminal_->setText(abierta ? QString() : Instalador::sinTerminal(a));
            sinTerminal_->setVisible(!abierta);
        });
        auto* probar = new QPushButton(QStringLiteral("Probar"), accesorio);
        probar->setObjectName(QStringLiteral("probar-") + Agentes::valorCrudo(c.agente));
        probar->setAutoDefault(false);
        connect(probar, &QPushButton::clicked, this, [this, a = c.agente] { ins_.probar(a); });
        fila->addWidget(insignia);
        fila->addWidget(iniciar);
        fila->addWidget(probar);
        // The badge fits its text to its own limit: what the buttons leave.
        insignia->setMaximumWidth(accesorio->maximumWidth() - iniciar->sizeHint().width() - probar->sizeHint().width()
                                  - 2 * fila->spacing());
        lista_->addWidget(new Tarjeta(QString::fromLatin1(c.simbolo), QString::fromUtf8(c.titulo),
                                      QStringLiteral("Usa tu cuenta de %1.").arg(QString::fromUtf8(c.palabra)), accesorio,
                                      this));
        insignias_.insert(c.agente, insignia);
        iniciar_.insert(c.agente, iniciar);
        probar_.insert(c.agente, probar);
    }
    mostrarSesiones();
}

void PasoCuentas::mostrarSesiones()
{
    for (Agente a : probar_.keys()) {
        const EstadoPaso sesion = ins_.sesion().value(a, EstadoPaso::falta());
        insignias_.value(a)->setEstado(sesionMostrada(a, sesion, voz_.nivel(), voz_.comoRoot()));
        probar_.value(a)->setEnabled(!sesion.es(EstadoPaso::Tipo::trabajando));
    }
}

void PasoCuentas::mostrarNivel()
{
    opciones_.value(voz_.nivel())->setChecked(true);
    const auto aviso = advertenciaNivel(voz_.nivel(), voz_.comoRoot());
    advertencia_->setText(aviso.value_or(QString()));
    advertencia_->parentWidget()->setVisible(aviso.has_value());
    mostrarSesiones();
}
