#pragma once

#include "vistas/Entorno.h"

#include <QUuid>
#include <QWidget>

class ModeloConversaciones;
class QLabel;
class QListView;

// The sidebar: the conversations grouped by how recently they changed,
// its selection tied both ways to the store's.
class BarraConversaciones : public QWidget {
    Q_OBJECT

public:
    BarraConversaciones(const Entorno& entorno, QWidget* parent = nullptr);

    QListView* lista() const { return lista_; }
    ModeloConversaciones* modelo() const { return modelo_; }
    QLabel* vacio() const { return vacio_; }

    // Stops the turn and the background tasks writing into the
    // conversation, then removes it from the store.
    void eliminar(const QUuid& id);

private:
    void seleccionarDesdeAlmacen();
    void alElegirEnLista();
    void menuContextual(const QPoint& punto);
    void actualizarVacio();

    Entorno entorno_;
    ModeloConversaciones* modelo_ = nullptr;
    QListView* lista_ = nullptr;
    QLabel* vacio_ = nullptr;
};
