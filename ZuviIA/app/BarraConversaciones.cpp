#include "app/BarraConversaciones.h"

#include "app/FilaConversacion.h"
#include "app/ModeloConversaciones.h"
#include "assistant/AsistenteVoz.h"
#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/Registro.h"

#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QGridLayout>

BarraConversaciones::BarraConversaciones(const Entorno& entorno, QWidget* parent)
    : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("barraConversaciones"));
    setMinimumWidth(200);
    auto* capa = new QGridLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);

    modelo_ = new ModeloConversaciones(entorno_.almacen, entorno_.reloj, this);
    lista_ = new QListView(this);
    lista_->setObjectName(QStringLiteral("listaConversaciones"));
    lista_->setModel(modelo_);
    lista_->setItemDelegate(new FilaConversacion(lista_));
    lista_->setSelectionMode(QAbstractItemView::SingleSelection);
    lista_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lista_->setContextMenuPolicy(Qt::CustomContextMenu);
    capa->addWidget(lista_, 0, 0);

    // Laid over the list, centred.
    vacio_ = new QLabel(this);
    vacio_->setObjectName(QStringLiteral("vacioConversaciones"));
    vacio_->setAlignment(Qt::AlignCenter);
    vacio_->setWordWrap(true);
    vacio_->setForegroundRole(QPalette::PlaceholderText);
    vacio_->setMargin(16);
    vacio_->setAttribute(Qt::WA_TransparentForMouseEvents);
    capa->addWidget(vacio_, 0, 0, Qt::AlignCenter);

    connect(lista_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BarraConversaciones::alElegirEnLista);
    connect(modelo_, &ModeloConversaciones::filaCambiada, this,
            [this](int fila) { lista_->update(modelo_->index(fila)); });
    connect(lista_, &QWidget::customContextMenuRequested, this, &BarraConversaciones::menuContextual);
    connect(modelo_, &QAbstractItemModel::modelReset, this, [this] {
        seleccionarDesdeAlmacen();
        actualizarVacio();
    });
    connect(&entorno_.almacen, &Almacen::seleccionCambiada, this, &BarraConversaciones::seleccionarDesdeAlmacen);
    connect(&entorno_.almacen, &Almacen::cargadoCambiado, this, &BarraConversaciones::actualizarVacio);
    seleccionarDesdeAlmacen();
    actualizarVacio();
}

void BarraConversaciones::seleccionarDesdeAlmacen()
{
    const auto id = entorno_.almacen.seleccion();
    const int fila = id ? modelo_->fila(*id) : -1;
    auto* seleccion = lista_->selectionModel();
    const QModelIndex indice = fila >= 0 ? modelo_->index(fila) : QModelIndex();
    if (indice.isValid() ? seleccion->isSelected(indice) : !seleccion->hasSelection())
        return;
    if (indice.isValid()) {
        seleccion->setCurrentIndex(indice, QItemSelectionModel::ClearAndSelect);
        lista_->scrollTo(indice);
    } else {
        seleccion->clearSelection();
    }
}

void BarraConversaciones::alElegirEnLista()
{
    const auto elegidas = lista_->selectionModel()->selectedIndexes();
    if (elegidas.isEmpty())
        return;  // the store keeps its selection; a list reset clears ours
    entorno_.almacen.setSeleccion(modelo_->id(elegidas.first().row()));
}

void BarraConversaciones::menuContextual(const QPoint& punto)
{
    const auto id = modelo_->id(lista_->indexAt(punto).row());
    if (!id)
        return;
    QMenu menu(this);
    QAction* eliminarAccion = menu.addAction(QStringLiteral("Eliminar"));
    eliminarAccion->setObjectName(QStringLiteral("eliminar"));
    if (menu.exec(lista_->viewport()->mapToGlobal(punto)) == eliminarAccion)
        eliminar(*id);
}

void BarraConversaciones::eliminar(const QUuid& id)
{
    TurnoAgente& turno = entorno_.asistente.turno();
    // The agent must not go on working for a conversation nobody can see.
    const auto enCurso = turno.enCurso();
    if (turno.ejecutando() && enCurso && enCurso->conversacion == id) {
        Registro::anotar(QStringLiteral("Eliminar: se detiene el turno de la conversación"));
        entorno_.asistente.cancelar();
    }
    for (const auto& tarea : turno.enFondo()) {
        if (tarea->conversacion != id)
            continue;
        Registro::anotar(QStringLiteral("Eliminar: se detiene la tarea en segundo plano «%1»").arg(tarea->titulo));
        tarea->sesion->interrumpir();
        tarea->sesion->cerrar();
    }
    entorno_.almacen.eliminar(id);
}

void BarraConversaciones::actualizarVacio()
{
    // Until the file is read an empty list says nothing of the history.
    vacio_->setText(entorno_.almacen.cargado() ? QStringLiteral("Tus proyectos aparecerán aquí")
                                               : QStringLiteral("Cargando conversaciones…"));
    vacio_->setVisible(entorno_.almacen.conversaciones().isEmpty());
}
