#include "setup/PasoSkills.h"

#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int nombresVisibles = 12;

}

QString PasoSkills::textoEncabezado(bool codexInstalado)
{
    return QStringLiteral("Las skills le enseñan al agente a hacer cosas concretas: modelado 3D, diseño, Office, "
                          "impresión, control del computador y más. Se instalan para Claude Code")
        + (codexInstalado ? QStringLiteral(" y Codex") : QString()) + QLatin1Char('.');
}

QString PasoSkills::textoTarjeta(const QStringList& faltantes)
{
    if (faltantes.isEmpty())
        return QStringLiteral("Ya están todas instaladas.");
    return QStringLiteral("Faltan %1. Las que ya tienes no se tocan.").arg(faltantes.size());
}

QString PasoSkills::listaFaltantes(const QStringList& faltantes)
{
    QString texto = faltantes.mid(0, nombresVisibles).join(QStringLiteral(" · "));
    if (faltantes.size() > nombresVisibles)
        texto += QStringLiteral(" …");
    return texto;
}

PasoSkills::PasoSkills(Instalador& ins, QWidget* parent) : QWidget(parent), ins_(ins)
{
    setObjectName(QStringLiteral("pasoSkills"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(14);
    encabezado_ = new Encabezado(QStringLiteral("puzzlepiece.extension"), QStringLiteral("Skills"), QString(), this);
    capa->addWidget(encabezado_);
    insignia_ = new InsigniaEstado;
    tarjeta_ = new Tarjeta(QStringLiteral("shippingbox"), QString(), QString(), insignia_, this);
    capa->addWidget(tarjeta_);
    progreso_ = new QProgressBar(this);
    progreso_->setObjectName(QStringLiteral("progresoSkills"));
    progreso_->setRange(0, 1000);
    progreso_->setTextVisible(false);
    capa->addWidget(progreso_);
    faltantes_ = Rotulos::texto(QString(), this, Rotulos::Estilo::secundario);
    faltantes_->setObjectName(QStringLiteral("skillsFaltantes"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(faltantes_->font().pointSizeF() * 0.85);
    faltantes_->setFont(mono);
    capa->addWidget(faltantes_);
    auto* pie = new QHBoxLayout;
    pie->addStretch(1);
    instalar_ = new QPushButton(QStringLiteral("Instalar skills"), this);
    instalar_->setObjectName(QStringLiteral("instalarSkills"));
    instalar_->setAutoDefault(false);
    Rotulos::destacar(instalar_);
    connect(instalar_, &QPushButton::clicked, this, [this] { ins_.instalarSkills(); });
    pie->addWidget(instalar_);
    capa->addLayout(pie);
    capa->addStretch(1);

    for (auto senal : {&Instalador::agentesChanged, &Instalador::skillsPackChanged, &Instalador::skillsFaltantesChanged,
                       &Instalador::estadoSkillsChanged, &Instalador::progresoSkillsChanged,
                       &Instalador::trabajandoChanged})
        connect(&ins_, senal, this, &PasoSkills::mostrar);
    mostrar();
}

void PasoSkills::mostrar()
{
    const bool codex = ins_.agentes().value(Agente::codex).es(EstadoPaso::Tipo::listo)
        && ins_.agentes().contains(Agente::codex);
    encabezado_->setTexto(textoEncabezado(codex));
    tarjeta_->setTitulo(QStringLiteral("%1 skills incluidas").arg(ins_.skillsPack().size()));
    tarjeta_->setTexto(textoTarjeta(ins_.skillsFaltantes()));
    insignia_->setEstado(ins_.estadoSkills());
    progreso_->setVisible(ins_.estadoSkills().es(EstadoPaso::Tipo::trabajando));
    progreso_->setValue(int(ins_.progresoSkills() * 1000));
    faltantes_->setVisible(!ins_.skillsFaltantes().isEmpty());
    faltantes_->setText(listaFaltantes(ins_.skillsFaltantes()));
    instalar_->setEnabled(!ins_.skillsFaltantes().isEmpty() && !ins_.trabajando());
}
