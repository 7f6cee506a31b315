#pragma once

#include "setup/EstadoPaso.h"

#include <QWidget>

class Instalador;
class InsigniaEstado;
class QCheckBox;
class QPushButton;

// The agents step: a card per agent tool with its status and a switch to
// choose it, and the button that installs the chosen ones still missing.
class PasoAgentes : public QWidget {
    Q_OBJECT

public:
    explicit PasoAgentes(Instalador& ins, QWidget* parent = nullptr);

    // Chosen and not installed, in agent order.
    static QList<Agente> pendientes(const EstadosAgentes& agentes, const AgentesElegidos& elegidos);
    // "Todo instalado", "Instalar Codex", "Instalar 2 agentes".
    static QString tituloInstalar(const QList<Agente>& pendientes);
    static QString titulo(Agente a);

    QPushButton* instalar() const { return instalar_; }
    QCheckBox* interruptor(Agente a) const;
    InsigniaEstado* insignia(Agente a) const;

private:
    void mostrar();

    Instalador& ins_;
    QMap<Agente, InsigniaEstado*> insignias_;
    QMap<Agente, QCheckBox*> interruptores_;
    QPushButton* instalar_ = nullptr;
};
