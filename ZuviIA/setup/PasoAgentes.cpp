#include "setup/PasoAgentes.h"

#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/ScriptsInstalador.h"
#include "setup/Tarjeta.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct FilaAgente {
    Agente agente;
    const char* simbolo;
    const char* texto;
};

constexpr FilaAgente filas[] = {
    {Agente::claudeCode, "sparkle", "El agente de Anthropic que construye, edita y controla tu computador."},
    {Agente::codex, "chevron.left.forwardslash.chevron.right", "El agente de OpenAI. Una segunda opción para tus proyectos."},
    {Agente::claudeApp, "bubble.left.and.text.bubble.right",
     "La app de chat de Claude no tiene versión para Linux: Zuvi IA usa Claude Code en su lugar."},
};

}

QString PasoAgentes::titulo(Agente a)
{
    switch (a) {
    case Agente::claudeCode: return QStringLiteral("Claude Code");
    case Agente::codex: return QStringLiteral("Codex");
    case Agente::claudeApp: return QStringLiteral("Claude para computador");
    }
    return {};
}

QList<Agente> PasoAgentes::pendientes(const EstadosAgentes& agentes, const AgentesElegidos& elegidos)
{
    QList<Agente> lista;
    for (Agente a : Agentes::todos())
        if (elegidos.contains(a) && ScriptsInstalador::instalable(a)
            && !(agentes.contains(a) && agentes.value(a).es(EstadoPaso::Tipo::listo)))
            lista << a;
    return lista;
}

QString PasoAgentes::tituloInstalar(const QList<Agente>& pendientes)
{
    if (pendientes.isEmpty())
        return QStringLiteral("Todo instalado");
    if (pendientes.size() == 1)
        return QStringLiteral("Instalar ") + titulo(pendientes.first());
    return QStringLiteral("Instalar %1 agentes").arg(pendientes.size());
}

PasoAgentes::PasoAgentes(Instalador& ins, QWidget* parent) : QWidget(parent), ins_(ins)
{
    setObjectName(QStringLiteral("pasoAgentes"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(10);
    capa->addWidget(new Encabezado(QStringLiteral("cpu"), QStringLiteral("Agentes de IA"),
                                   QStringLiteral("Son los que hacen el trabajo. Marca los que quieres y Zuvi IA instala "
                                                  "los que falten."),
                                   this));
    for (const FilaAgente& f : filas) {
        auto* accesorio = new QWidget;
        auto* fila = new QHBoxLayout(accesorio);
        fila->setContentsMargins(0, 0, 0, 0);
        fila->setSpacing(10);
        auto* insignia = new InsigniaEstado(std::nullopt, accesorio);
        auto* interruptor = new QCheckBox(accesorio);
        interruptor->setObjectName(QStringLiteral("elegir-") + Agentes::valorCrudo(f.agente));
        interruptor->setAccessibleName(titulo(f.agente));
        fila->addWidget(insignia);
        fila->addWidget(interruptor);
        // Only the user's click writes the choice; filling the switch does not.
        connect(interruptor, &QCheckBox::clicked, this, [this, a = f.agente](bool on) {
            AgentesElegidos elegidos = ins_.agentesElegidos();
            elegidos.removeAll(a);
            if (on)
                elegidos << a;
            ins_.setAgentesElegidos(elegidos);
        });
        insignias_.insert(f.agente, insignia);
        interruptores_.insert(f.agente, interruptor);
        capa->addWidget(
            new Tarjeta(QString::fromLatin1(f.simbolo), titulo(f.agente), QString::fromUtf8(f.texto), accesorio, this));
    }
    auto* pie = new QHBoxLayout;
    pie->setContentsMargins(0, 8, 0, 0);
    pie->addStretch(1);
    instalar_ = new QPushButton(this);
    instalar_->setObjectName(QStringLiteral("instalarAgentes"));
    instalar_->setAutoDefault(false);
    Rotulos::destacar(instalar_);
    connect(instalar_, &QPushButton::clicked, this, [this] { ins_.instalarAgentes(); });
    pie->addWidget(instalar_);
    capa->addLayout(pie);
    capa->addStretch(1);

    connect(&ins_, &Instalador::agentesChanged, this, &PasoAgentes::mostrar);
    connect(&ins_, &Instalador::agentesElegidosChanged, this, &PasoAgentes::mostrar);
    connect(&ins_, &Instalador::trabajandoChanged, this, &PasoAgentes::mostrar);
    mostrar();
}

QCheckBox* PasoAgentes::interruptor(Agente a) const { return interruptores_.value(a); }

InsigniaEstado* PasoAgentes::insignia(Agente a) const { return insignias_.value(a); }

void PasoAgentes::mostrar()
{
    for (Agente a : Agentes::todos()) {
        const auto estado = ins_.agentes().contains(a) ? std::optional(ins_.agentes().value(a)) : std::nullopt;
        const bool listo = estado && estado->es(EstadoPaso::Tipo::listo);
        insignias_.value(a)->setEstado(estado);
        // What cannot be installed here is never "pending".
        insignias_.value(a)->setVisible(ScriptsInstalador::instalable(a) || listo);
        QCheckBox* interruptor = interruptores_.value(a);
        interruptor->setVisible(ScriptsInstalador::instalable(a) && !listo);
        interruptor->setChecked(ins_.agentesElegidos().contains(a));
    }
    const QList<Agente> faltan = pendientes(ins_.agentes(), ins_.agentesElegidos());
    instalar_->setText(tituloInstalar(faltan));
    instalar_->setEnabled(!faltan.isEmpty() && !ins_.trabajando());
}
