#include "setup/OnboardingView.h"

#include "vistas/Iconos.h"
#include "vistas/IndicadorActividad.h"
#include "plataforma/Ajustes.h"
#include "setup/Instalador.h"
#include "setup/PasoActivacion.h"
#include "setup/PasoAgentes.h"
#include "setup/PasoBienvenida.h"
#include "setup/PasoConexiones.h"
#include "setup/PasoCuentas.h"
#include "setup/PasoListo.h"
#include "setup/PasoSkills.h"
#include "setup/PasoVoz.h"
#include "setup/RegistroView.h"
#include "setup/Rotulos.h"
#include "setup/Stepper.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

QFrame* divisor(QWidget* padre)
{
    auto* linea = new QFrame(padre);
    linea->setFrameShape(QFrame::HLine);
    linea->setFrameShadow(QFrame::Sunken);
    return linea;
}

QPushButton* boton(const QString& texto, const QString& nombre, QWidget* padre)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(nombre);
    b->setAutoDefault(false);
    b->setMinimumHeight(30);
    return b;
}

}

OnboardingView::Barra OnboardingView::barra(PasoConfig paso, bool trabajando)
{
    Barra b;
    b.atras = paso != PasoConfig::bienvenida;
    b.omitir = paso == PasoConfig::agentes || paso == PasoConfig::skills || paso == PasoConfig::conexiones;
    b.empezar = paso == PasoConfig::listo;
    if (!b.empezar)
        b.primario = paso == PasoConfig::bienvenida ? QStringLiteral("Comenzar") : QStringLiteral("Continuar");
    b.navegable = !trabajando;
    b.trabajando = trabajando;
    return b;
}

OnboardingView::OnboardingView(const Entorno& entorno, QWidget* parent) : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("onboarding"));
    setMinimumSize(760, 600);
    setFocusPolicy(Qt::ClickFocus);
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);

    stepper_ = new Stepper(paso_, this);
    auto* arriba = new QVBoxLayout;
    arriba->setContentsMargins(32, 24, 32, 16);
    arriba->addWidget(stepper_);
    capa->addLayout(arriba);
    capa->addWidget(divisor(this));

    desplazable_ = new QScrollArea(this);
    desplazable_->setObjectName(QStringLiteral("contenidoPaso"));
    desplazable_->setWidgetResizable(true);
    desplazable_->setFrameShape(QFrame::NoFrame);
    desplazable_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The content is at most 620 wide, centred: stretches on both sides
    // keep the wrapped texts' heights, which an alignment would lose.
    auto* marco = new QWidget;
    auto* centrado = new QHBoxLayout(marco);
    centrado->setContentsMargins(0, 0, 0, 0);
    auto* columna = new QWidget(marco);
    columna->setMaximumWidth(620 + 2 * 32);
    columna->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    capaContenido_ = new QVBoxLayout(columna);
    capaContenido_->setContentsMargins(32, 32, 32, 32);
    centrado->addStretch(1);
    centrado->addWidget(columna, 100);
    centrado->addStretch(1);
    desplazable_->setWidget(marco);
    capa->addWidget(desplazable_, 1);
    capa->addWidget(divisor(this));

    auto* pie = new QHBoxLayout;
    pie->setContentsMargins(24, 14, 24, 14);
    atras_ = boton(QStringLiteral("Atrás"), QStringLiteral("atras"), this);
    connect(atras_, &QPushButton::clicked, this, [this] { irA(Pasos::numero(paso_) - 1); });
    registro_ = boton(QStringLiteral("Registro"), QStringLiteral("verRegistro"), this);
    registro_->setIcon(Iconos::icono(QStringLiteral("text.alignleft")));
    registro_->setFlat(true);
    // Hidden while the log is empty, keeping its place in the bar.
    QSizePolicy sitio = registro_->sizePolicy();
    sitio.setRetainSizeWhenHidden(true);
    registro_->setSizePolicy(sitio);
    connect(registro_, &QPushButton::clicked, this, &OnboardingView::abrirRegistro);
    trabajando_ = new IndicadorActividad(this);
    trabajando_->setTexto(QStringLiteral("Trabajando…"));
    omitir_ = boton(QStringLiteral("Omitir"), QStringLiteral("omitir"), this);
    primario_ = boton(QString(), QStringLiteral("primario"), this);
    empezar_ = boton(QStringLiteral("Empezar a usar Zuvi IA"), QStringLiteral("empezar"), this);
    for (QPushButton* b : {omitir_, primario_})
        connect(b, &QPushButton::clicked, this, [this] { irA(Pasos::numero(paso_) + 1); });
    connect(empezar_, &QPushButton::clicked, this,
            [this] { entorno_.ajustes.escribir(QStringLiteral("configuracionCompleta"), true); });
    for (QPushButton* b : {primario_, empezar_})
        Rotulos::destacar(b);
    pie->addWidget(atras_);
    pie->addWidget(registro_);
    pie->addStretch(1);
    pie->addWidget(trabajando_);
    pie->addWidget(omitir_);
    pie->addWidget(primario_);
    pie->addWidget(empezar_);
    capa->addLayout(pie);

    for (auto tecla : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* atajo = new QShortcut(QKeySequence(tecla), this);
        atajo->setContext(Qt::WidgetWithChildrenShortcut);
        connect(atajo, &QShortcut::activated, this, &OnboardingView::pulsarPrincipal);
    }

    Instalador& ins = entorno_.instaladorEnUso();
    connect(&ins, &Instalador::trabajandoChanged, this, &OnboardingView::mostrarBarra);
    connect(&ins, &Instalador::registroChanged, this, &OnboardingView::mostrarBarra);
    irA(Pasos::numero(PasoConfig::bienvenida));
    ins.comprobarTodo();
}

void OnboardingView::pulsarPrincipal()
{
    QPushButton* b = paso_ == PasoConfig::listo ? empezar_ : primario_;
    if (b->isEnabled())
        b->click();
}

void OnboardingView::irA(int numero)
{
    const auto destino = Pasos::desde(numero);
    if (!destino || (contenido_ && *destino == paso_))
        return;
    paso_ = *destino;
    // Focus inside the old step would go with it and leave the window with
    // none, and Return with nothing to reach.
    if (contenido_ && contenido_->isAncestorOf(QApplication::focusWidget()))
        setFocus(Qt::OtherFocusReason);
    // The old step goes first: its destructor's hooks run before the new
    // step's constructor.
    delete contenido_;
    contenido_ = crear(paso_);
    capaContenido_->addWidget(contenido_);
    stepper_->setPaso(paso_);
    mostrarBarra();
}

QWidget* OnboardingView::crear(PasoConfig p)
{
    switch (p) {
    case PasoConfig::bienvenida: return new PasoBienvenida;
    case PasoConfig::agentes: return new PasoAgentes(entorno_.instaladorEnUso());
    case PasoConfig::skills: return new PasoSkills(entorno_.instaladorEnUso());
    case PasoConfig::conexiones: return new PasoConexiones(entorno_.instaladorEnUso());
    case PasoConfig::voz:
        return new PasoVoz(entorno_);
    case PasoConfig::activacion: return new PasoActivacion(entorno_.escuchaEnUso(), entorno_.permisosEnUso());
    case PasoConfig::cuentas: return new PasoCuentas(entorno_.instaladorEnUso(), entorno_.asistente);
    case PasoConfig::listo:
        return new PasoListo(entorno_.instaladorEnUso(), entorno_.permisosEnUso(), entorno_.escuchaEnUso(),
                             entorno_.asistente);
    }
    return new QWidget;
}

void OnboardingView::mostrarBarra()
{
    const Instalador& ins = entorno_.instaladorEnUso();
    const Barra b = barra(paso_, ins.trabajando());
    atras_->setVisible(b.atras);
    atras_->setEnabled(b.navegable);
    registro_->setVisible(!ins.registro().isEmpty());
    trabajando_->setVisible(b.trabajando);
    omitir_->setVisible(b.omitir);
    omitir_->setEnabled(b.navegable);
    primario_->setVisible(!b.primario.isEmpty());
    primario_->setText(b.primario);
    primario_->setEnabled(b.navegable);
    empezar_->setVisible(b.empezar);
}

void OnboardingView::abrirRegistro()
{
    if (hoja_)
        return;
    hoja_ = new RegistroView(entorno_.instaladorEnUso(), this);
    hoja_->setAttribute(Qt::WA_DeleteOnClose);
    hoja_->open();
}
