#pragma once

#include "core/HerramientaIA.h"
#include "core/Modelos.h"
#include "settings/EntornoAjustes.h"
#include "settings/FormularioAjustes.h"

#include <QList>

class FilaOpcion;
class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;

// Who does the work and how: the agent, the Claude model or the Codex
// model name, the permission level and the standing instructions. Each
// setting is written the moment the user changes it, never on display.
class SeccionIA : public FormularioAjustes {
    Q_OBJECT

public:
    struct Opcion {
        QString titulo;
        QString detalle;
        bool aviso = false;
    };

    SeccionIA(const EntornoAjustes& entorno, QWidget* parent = nullptr);

    // "Codex (no instalado)" once detection has not found its tool.
    static QString etiquetaAgente(AgenteCLI agente, const QList<Deteccion>& detecciones);
    // Spaces and tabs go from both ends; line breaks stay.
    static QString modeloCodexGuardado(const QString& escrito);
    static Opcion opcion(ModeloClaude modelo);
    static Opcion opcion(NivelPermiso nivel);
    // The editor's text as typed, line breaks as "\n".
    static QString textoEditor(const QPlainTextEdit& editor);

    QButtonGroup* agentes() const { return agentes_; }
    const QList<FilaOpcion*>& filasModelo() const { return filasModelo_; }
    const QList<FilaOpcion*>& filasNivel() const { return filasNivel_; }
    QLineEdit* modeloCodex() const { return modeloCodex_; }
    QPlainTextEdit* instrucciones() const { return instrucciones_; }

private:
    void construirAgente();
    void construirModelo();
    void construirNivel();
    void construirInstrucciones();
    void elegirModelo(ModeloClaude modelo);
    void seguirAgente();
    void seguirDetecciones();
    void seguirNivel();

    EntornoAjustes entorno_;
    ModeloClaude modelo_;
    QButtonGroup* agentes_ = nullptr;
    Grupo grupoClaude_;
    Grupo grupoCodex_;
    QList<FilaOpcion*> filasModelo_;
    QList<FilaOpcion*> filasNivel_;
    QLineEdit* modeloCodex_ = nullptr;
    QPlainTextEdit* instrucciones_ = nullptr;
};
