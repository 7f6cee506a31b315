#include "setup/PasoListo.h"

#include "assistant/AsistenteVoz.h"
#include "assistant/TextosTurno.h"
#include "audio/EscuchaZuvi.h"
#include "plataforma/Permisos.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"
#include "vistas/Iconos.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

using T = EstadoPaso::Tipo;

struct Frase {
    const char* frase;
    const char* detalle;
};

constexpr Frase frases[] = {
    {"Oye Zuvi", "la zuvi te recibe y queda escuchando"},
    {"Cambiar de persona", "para que trabaje con otra persona"},
    {"Terminamos por hoy", "para cerrar la zuvi"},
    {"Ctrl+Mayús+P", "dentro de la app, sin el lanzador"},
};

struct Simbolo {
    PasoConfig paso;
    const char* nombre;
};

constexpr Simbolo simbolos[] = {
    {PasoConfig::agentes, "cpu"},     {PasoConfig::skills, "puzzlepiece.extension"},
    {PasoConfig::voz, "mic"},         {PasoConfig::activacion, "waveform.circle"},
    {PasoConfig::cuentas, "person.badge.key"},
};

// A running check or job shows as such; nothing found is still missing.
bool enMarcha(const EstadoPaso& e) { return e.es(T::comprobando) || e.es(T::trabajando); }

PasoListo::Fila filaAgentes(const EstadosAgentes& agentes)
{
    const QList<Agente> cli{Agente::claudeCode, Agente::codex};
    for (Agente a : cli)
        if (agentes.value(a, EstadoPaso::falta()).es(T::listo))
            return {PasoConfig::agentes, EstadoPaso::listo(), QString()};
    for (Agente a : cli)
        if (enMarcha(agentes.value(a, EstadoPaso::falta())))
            return {PasoConfig::agentes, EstadoPaso::comprobando(), QStringLiteral("Comprobando los agentes…")};
    return {PasoConfig::agentes, EstadoPaso::falta(),
            QStringLiteral("Falta un agente: instala Claude Code o Codex en el paso Agentes.")};
}

PasoListo::Fila filaSkills(const EstadoPaso& skills)
{
    if (skills.es(T::listo))
        return {PasoConfig::skills, EstadoPaso::listo(), QString()};
    return {PasoConfig::skills, skills,
            QStringLiteral("Faltan skills: instálalas en el paso Skills para que el agente sepa manejar tus apps.")};
}

PasoListo::Fila filaVoz(const PasoListo::Situacion& s)
{
    if (!s.modelo)
        return {PasoConfig::voz, EstadoPaso::error(QStringLiteral("Sin modelo de voz")),
                QStringLiteral("Falta el modelo de voz en español: instálalo en el paso Voz. Sin él la zuvi no te "
                               "entiende.")};
    if (!s.microfono)
        return {PasoConfig::voz, EstadoPaso::error(QStringLiteral("Sin micrófono")),
                QStringLiteral("No hay micrófono: conecta uno y elígelo en el paso Voz.")};
    return {PasoConfig::voz, EstadoPaso::listo(), QString()};
}

PasoListo::Fila filaActivacion(const PasoListo::Situacion& s)
{
    if (!s.oyeActivada)
        return {PasoConfig::activacion, EstadoPaso::falta(),
                QStringLiteral("«Oye Zuvi» está apagado: actívalo en el paso Activación.")};
    if (!PasoListo::oyeFunciona(s))
        return {PasoConfig::activacion, EstadoPaso::error(QStringLiteral("«Oye Zuvi» no puede escuchar")),
                QStringLiteral("«Oye Zuvi» necesita el modelo de voz y un micrófono (paso Voz).")};
    return {PasoConfig::activacion, EstadoPaso::listo(), QString()};
}

PasoListo::Fila filaCuentas(const PasoListo::Situacion& s)
{
    const bool claude = s.agentes.value(Agente::claudeCode, EstadoPaso::falta()).es(T::listo);
    if (claude && TextosTurno::rechazaNivel(AgenteCLI::claude, s.nivel, s.comoRoot))
        return {PasoConfig::cuentas, EstadoPaso::error(QStringLiteral("Nivel no admitido como root")),
                QStringLiteral("Claude no acepta «Control total del computador» cuando Zuvi IA corre como root: "
                               "elige otro nivel en el paso Cuentas o abre Zuvi IA con tu usuario normal.")};
    std::optional<EstadoPaso> peor;
    for (Agente a : {Agente::claudeCode, Agente::codex}) {
        if (!s.agentes.value(a, EstadoPaso::falta()).es(T::listo))
            continue;
        const EstadoPaso sesion = s.sesion.value(a, EstadoPaso::falta());
        if (sesion.es(T::listo))
            return {PasoConfig::cuentas, EstadoPaso::listo(), QString()};
        if (!peor || sesion.es(T::error))
            peor = sesion;
    }
    if (!peor)
        return {PasoConfig::cuentas, EstadoPaso::falta(), QStringLiteral("Sin agente no hay cuenta que probar: instala uno en el paso Agentes.")};
    return {PasoConfig::cuentas, *peor,
            QStringLiteral("Ninguna cuenta respondió a la prueba: inicia sesión y pulsa «Probar» en el paso Cuentas.")};
}

QWidget* tarjetaFrases(QWidget* padre, QWidget*& fraseOye)
{
    auto* tarjeta = new QFrame(padre);
    tarjeta->setObjectName(QStringLiteral("frases"));
    tarjeta->setStyleSheet(QStringLiteral("#frases { background: palette(alternate-base); border-radius: 12px; }"));
    auto* lista = new QVBoxLayout(tarjeta);
    lista->setContentsMargins(18, 18, 18, 18);
    lista->setSpacing(10);
    for (const Frase& f : frases) {
        auto* fila = new QWidget(tarjeta);
        auto* capa = new QGridLayout(fila);
        capa->setContentsMargins(0, 0, 0, 0);
        auto* simbolo = new QLabel(fila);
        simbolo->setPixmap(Iconos::icono(QStringLiteral("quote.opening")).pixmap(16, 16));
        auto* frase = Rotulos::texto(QString::fromUtf8(f.frase), fila);
        frase->setWordWrap(false);
        Rotulos::fuente(frase, 1.0, QFont::DemiBold);
        auto* detalle = Rotulos::texto(QString::fromUtf8(f.detalle), fila, Rotulos::Estilo::secundario);
        capa->addWidget(simbolo, 0, 0, Qt::AlignTop);
        capa->addWidget(frase, 0, 1, Qt::AlignTop);
        capa->addWidget(detalle, 0, 2);
        capa->setColumnStretch(2, 1);
        lista->addWidget(fila);
        if (!fraseOye)
            fraseOye = fila;
    }
    return tarjeta;
}

}

QList<PasoListo::Fila> PasoListo::resumen(const Situacion& s)
{
    return {filaAgentes(s.agentes), filaSkills(s.skills), filaVoz(s), filaActivacion(s), filaCuentas(s)};
}

PasoListo::PasoListo(Instalador& ins, Permisos& permisos, EscuchaZuvi& oye, AsistenteVoz& voz, QWidget* parent)
    : QWidget(parent), ins_(ins), permisos_(permisos), oye_(oye), voz_(voz)
{
    setObjectName(QStringLiteral("pasoListo"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 20, 0, 0);
    capa->setSpacing(16);

    sello_ = new QLabel(this);
    sello_->setAlignment(Qt::AlignCenter);
    capa->addWidget(sello_);

    titulo_ = Rotulos::texto(QString(), this);
    titulo_->setObjectName(QStringLiteral("tituloListo"));
    Rotulos::fuente(titulo_, 2.2, QFont::Bold);
    titulo_->setAlignment(Qt::AlignCenter);
    capa->addWidget(titulo_);

    auto* pasos = new QVBoxLayout;
    pasos->setSpacing(8);
    for (const Simbolo& s : simbolos) {
        auto* insignia = new InsigniaEstado(std::nullopt);
        auto* fila = new Tarjeta(QString::fromLatin1(s.nombre), Pasos::titulo(s.paso), QString(), insignia, this);
        fila->setObjectName(QStringLiteral("resumen-") + Pasos::titulo(s.paso));
        pasos->addWidget(fila);
        insignias_.insert(s.paso, insignia);
        filas_.insert(s.paso, fila);
    }
    capa->addLayout(pasos);
    capa->addWidget(tarjetaFrases(this, fraseOye_));
    capa->addStretch(1);

    for (auto senal : {&Instalador::agentesChanged, &Instalador::estadoSkillsChanged, &Instalador::sesionChanged})
        connect(&ins_, senal, this, &PasoListo::mostrar);
    connect(&oye_, &EscuchaZuvi::activadaCambiada, this, &PasoListo::mostrar);
    connect(&voz_, &AsistenteVoz::nivelCambiado, this, &PasoListo::mostrar);
    connect(&voz_, &AsistenteVoz::dispositivosCambiados, this, &PasoListo::mostrar);
    mostrar();
}

PasoListo::Situacion PasoListo::situacion() const
{
    const bool modelo = permisos_.reconocimiento();
    return {ins_.agentes(), ins_.estadoSkills(), modelo, permisos_.microfono(), oye_.activada(), ins_.sesion(),
            voz_.nivel(), voz_.comoRoot()};
}

void PasoListo::mostrar()
{
    const Situacion s = situacion();
    bool todo = true;
    for (const Fila& f : resumen(s)) {
        insignias_.value(f.paso)->setEstado(f.estado);
        filas_.value(f.paso)->setTexto(f.estado.es(T::listo) ? QStringLiteral("Listo.") : f.falta);
        todo = todo && f.estado.es(T::listo);
    }
    titulo_->setText(todo ? QStringLiteral("Todo listo") : QStringLiteral("Casi listo"));
    sello_->setPixmap(Iconos::icono(todo ? QStringLiteral("checkmark.seal.fill")
                                         : QStringLiteral("exclamationmark.triangle.fill"))
                          .pixmap(72, 72));
    // The wake phrase is promised only where it can work.
    fraseOye_->setVisible(oyeFunciona(s));
}
