#include "settings/SeccionIA.h"

#include "assistant/AsistenteVoz.h"
#include "core/EstadoIA.h"
#include "plataforma/Ajustes.h"
#include "settings/FilaOpcion.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString claveModeloCodex = QStringLiteral("modeloCodex");
const QString claveInstrucciones = QStringLiteral("instruccionesExtra");

}

QString SeccionIA::etiquetaAgente(AgenteCLI agente, const QList<Deteccion>& detecciones)
{
    const bool claude = agente == AgenteCLI::claude;
    const QString base = claude ? QStringLiteral("Claude") : QStringLiteral("Codex");
    const QString id = claude ? QStringLiteral("claude-code") : QStringLiteral("codex-cli");
    for (const Deteccion& d : detecciones)
        if (d.herramienta.id == id)
            return d.instalada() ? base : base + QStringLiteral(" (no instalado)");
    return base;
}

QString SeccionIA::modeloCodexGuardado(const QString& escrito)
{
    const auto blanco = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype inicio = 0;
    qsizetype fin = escrito.size();
    while (inicio < fin && blanco(escrito[inicio]))
        ++inicio;
    while (fin > inicio && blanco(escrito[fin - 1]))
        --fin;
    return escrito.mid(inicio, fin - inicio);
}

SeccionIA::Opcion SeccionIA::opcion(ModeloClaude modelo)
{
    switch (modelo) {
    case ModeloClaude::rapido:
        return {QStringLiteral("Claude Sonnet 5.5"),
                QStringLiteral("Rápido y muy capaz. Recomendado para conversar por voz (responde en menos de 1 s).")};
    case ModeloClaude::calidad:
        return {QStringLiteral("Claude Opus 5.5"),
                QStringLiteral("El más inteligente. Ideal para tareas largas o complejas; tarda un poco más en responder.")};
    case ModeloClaude::ligero:
        break;
    }
    return {QStringLiteral("Claude Haiku 5.5"), QStringLiteral("El más liviano y económico. Para preguntas simples.")};
}

SeccionIA::Opcion SeccionIA::opcion(NivelPermiso nivel)
{
    switch (nivel) {
    case NivelPermiso::responder:
        return {QStringLiteral("Solo conversar y leer"), QStringLiteral("Responde y lee archivos, pero no cambia nada.")};
    case NivelPermiso::editar:
        return {QStringLiteral("Crear y editar archivos del proyecto"),
                QStringLiteral("Puede crear y modificar archivos en la carpeta del proyecto.")};
    case NivelPermiso::total:
        break;
    }
    return {QStringLiteral("Control total del computador"),
            QStringLiteral("Ejecuta comandos, abre y controla apps (Blender, Office, impresora…) sin pedir permiso."), true};
}

QString SeccionIA::textoEditor(const QPlainTextEdit& editor)
{
    // The raw text keeps what the plain text would change (no-break
    // spaces); only the block separators become line breaks.
    QString texto = editor.document()->toRawText();
    texto.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    texto.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return texto;
}

SeccionIA::SeccionIA(const EntornoAjustes& entorno, QWidget* parent)
    : FormularioAjustes(parent), entorno_(entorno), modelo_(ModeloClaudeActual::leer(entorno.ajustes))
{
    setObjectName(QStringLiteral("seccionIA"));
    construirAgente();
    construirModelo();
    construirNivel();
    construirInstrucciones();
    connect(&entorno_.asistente, &AsistenteVoz::agenteCambiado, this, &SeccionIA::seguirAgente);
    connect(&entorno_.asistente, &AsistenteVoz::nivelCambiado, this, &SeccionIA::seguirNivel);
    connect(&entorno_.estadoIA, &EstadoIA::deteccionesChanged, this, &SeccionIA::seguirDetecciones);
    seguirAgente();
    seguirDetecciones();
    seguirNivel();
}

void SeccionIA::construirAgente()
{
    const Grupo g = seccion(QStringLiteral("Quién hace el trabajo"),
                            QStringLiteral("Claude Code es el agente principal. Codex (de OpenAI) es una alternativa "
                                           "si está instalado."));
    auto* picker = new QWidget(g.marco);
    picker->setObjectName(QStringLiteral("agente"));
    picker->setAccessibleName(QStringLiteral("Agente"));
    auto* segmentos = new QHBoxLayout(picker);
    segmentos->setContentsMargins(0, 0, 0, 0);
    segmentos->setSpacing(0);
    agentes_ = new QButtonGroup(this);
    agentes_->setExclusive(true);
    for (AgenteCLI a : {AgenteCLI::claude, AgenteCLI::codex}) {
        auto* b = new QPushButton(picker);
        b->setObjectName(QStringLiteral("agente_") + valorCrudo(a));
        b->setCheckable(true);
        agentes_->addButton(b, int(a));
        segmentos->addWidget(b, 1);
    }
    connect(agentes_, &QButtonGroup::idClicked, this, [this](int id) { entorno_.asistente.setAgente(AgenteCLI(id)); });
    g.filas->addWidget(fila(QStringLiteral("Agente"), picker, g.marco));
}

void SeccionIA::construirModelo()
{
    grupoClaude_ = seccion(QStringLiteral("Modelo de Claude"));
    for (ModeloClaude m : todosLosModelos()) {
        const Opcion o = opcion(m);
        auto* f = new FilaOpcion(o.titulo, o.detalle, m == modelo_, o.aviso, [this, m] { elegirModelo(m); },
                                 grupoClaude_.marco);
        f->setObjectName(QStringLiteral("modelo_") + valorCrudo(m));
        filasModelo_ << f;
        grupoClaude_.filas->addWidget(f);
    }

    grupoCodex_ = seccion(QStringLiteral("Modelo de Codex"),
                          QStringLiteral("Déjalo vacío para usar el modelo que Codex tenga configurado."));
    modeloCodex_ = new QLineEdit(entorno_.ajustes.texto(claveModeloCodex), grupoCodex_.marco);
    modeloCodex_->setObjectName(QStringLiteral("modeloCodex"));
    modeloCodex_->setPlaceholderText(QStringLiteral("Predeterminado"));
    // Typing only: filling the field writes nothing.
    connect(modeloCodex_, &QLineEdit::textEdited, this, [this](const QString& texto) {
        entorno_.ajustes.escribir(claveModeloCodex, modeloCodexGuardado(texto));
    });
    grupoCodex_.filas->addWidget(fila(QStringLiteral("Modelo de Codex"), modeloCodex_, grupoCodex_.marco));
}

void SeccionIA::construirNivel()
{
    const Grupo g = seccion(QStringLiteral("Qué puede hacer"));
    for (NivelPermiso n : todosLosNiveles()) {
        const Opcion o = opcion(n);
        auto* f = new FilaOpcion(o.titulo, o.detalle, false, o.aviso, [this, n] { entorno_.asistente.setNivel(n); },
                                 g.marco);
        f->setObjectName(QStringLiteral("nivel_") + valorCrudo(n));
        filasNivel_ << f;
        g.filas->addWidget(f);
    }
}

void SeccionIA::construirInstrucciones()
{
    const Grupo g = seccion(QStringLiteral("Instrucciones para la zuvi"),
                            QStringLiteral("Se suman a lo que la zuvi ya sabe. Por ejemplo: «Somos el equipo de "
                                           "innovación de Norp. Usa un tono cercano y respuestas muy cortas»."));
    instrucciones_ = new QPlainTextEdit(g.marco);
    instrucciones_->setObjectName(QStringLiteral("instrucciones"));
    instrucciones_->setPlainText(entorno_.ajustes.texto(claveInstrucciones));
    instrucciones_->setMinimumHeight(90);
    instrucciones_->setFrameShape(QFrame::NoFrame);
    // Connected after filling, so showing the text writes nothing.
    connect(instrucciones_, &QPlainTextEdit::textChanged, this,
            [this] { entorno_.ajustes.escribir(claveInstrucciones, textoEditor(*instrucciones_)); });
    g.filas->addWidget(instrucciones_);
}

void SeccionIA::elegirModelo(ModeloClaude modelo)
{
    modelo_ = modelo;
    ModeloClaudeActual::escribir(modelo, entorno_.ajustes);
    entorno_.asistente.precalentar();
    const QList<ModeloClaude> modelos = todosLosModelos();
    for (int i = 0; i < filasModelo_.size(); ++i)
        filasModelo_[i]->setElegida(modelos[i] == modelo_);
}

void SeccionIA::seguirAgente()
{
    const AgenteCLI agente = entorno_.asistente.agente();
    if (QAbstractButton* b = agentes_->button(int(agente)))
        b->setChecked(true);
    grupoClaude_.setVisible(agente == AgenteCLI::claude);
    grupoCodex_.setVisible(agente == AgenteCLI::codex);
}

void SeccionIA::seguirDetecciones()
{
    const QList<Deteccion>& detecciones = entorno_.estadoIA.detecciones();
    for (QAbstractButton* b : agentes_->buttons())
        b->setText(etiquetaAgente(AgenteCLI(agentes_->id(b)), detecciones));
}

void SeccionIA::seguirNivel()
{
    const QList<NivelPermiso> niveles = todosLosNiveles();
    for (int i = 0; i < filasNivel_.size(); ++i)
        filasNivel_[i]->setElegida(niveles[i] == entorno_.asistente.nivel());
}
