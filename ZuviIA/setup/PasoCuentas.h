#pragma once

#include "core/Modelos.h"
#include "setup/EstadoPaso.h"

#include <QWidget>

class AsistenteVoz;
class Instalador;
class InsigniaEstado;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

// The accounts step: signing in to each installed agent and testing it,
// and how much the agent may do.
class PasoCuentas : public QWidget {
    Q_OBJECT

public:
    PasoCuentas(Instalador& ins, AsistenteVoz& voz, QWidget* parent = nullptr);

    // The agents that get a row: installed ones, Claude Code then Codex.
    static QList<Agente> conFila(const EstadosAgentes& agentes);
    // The warning under the levels: none, the one for full control, or
    // the refusal every turn would meet (Claude as root at full control).
    static std::optional<QString> advertenciaNivel(NivelPermiso nivel, bool comoRoot);
    // A passed test says nothing of a level the agent will refuse.
    static EstadoPaso sesionMostrada(Agente a, const EstadoPaso& sesion, NivelPermiso nivel, bool comoRoot);

    QList<Agente> filas() const { return probar_.keys(); }
    QPushButton* probar(Agente a) const { return probar_.value(a); }
    QPushButton* iniciarSesion(Agente a) const { return iniciar_.value(a); }
    InsigniaEstado* insignia(Agente a) const { return insignias_.value(a); }
    QRadioButton* opcion(NivelPermiso n) const { return opciones_.value(n); }
    QLabel* advertencia() const { return advertencia_; }
    // Says so when no terminal emulator could open the sign-in.
    QLabel* sinTerminal() const { return sinTerminal_; }

private:
    void construirFilas();
    void mostrarSesiones();
    void mostrarNivel();

    Instalador& ins_;
    AsistenteVoz& voz_;
    QVBoxLayout* lista_ = nullptr;
    QList<Agente> conFila_;
    QMap<Agente, InsigniaEstado*> insignias_;
    QMap<Agente, QPushButton*> iniciar_;
    QMap<Agente, QPushButton*> probar_;
    QMap<NivelPermiso, QRadioButton*> opciones_;
    QLabel* advertencia_ = nullptr;
    QLabel* sinTerminal_ = nullptr;
};
