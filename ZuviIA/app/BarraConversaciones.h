#pragma once

#include "app/Entorno.h"

#include <QWidget>

class QTreeView;

// The sidebar: the conversations grouped by how recently they changed.
class BarraConversaciones : public QWidget {
    Q_OBJECT

public:
    BarraConversaciones(const Entorno& entorno, QWidget* parent = nullptr);

    QTreeView* lista() const { return lista_; }

private:
    Entorno entorno_;
    QTreeView* lista_ = nullptr;
};
