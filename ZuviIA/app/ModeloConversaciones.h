#pragma once

#include "app/AgrupacionConversaciones.h"
#include "plataforma/Reloj.h"

#include <QAbstractListModel>
#include <QHash>
#include <QUuid>

#include <optional>

class Almacen;

// The sidebar's rows: a header per section, then its conversations. A
// change inside one conversation that leaves its place and its height as
// they were only repaints that row (filaCambiada: the list view lays out
// every row again on dataChanged); a new height is a dataChanged of the
// row; anything else groups the list again.
class ModeloConversaciones : public QAbstractListModel {
    Q_OBJECT

public:
    enum Rol { RolCabecera = Qt::UserRole + 1, RolId, RolSubtitulo, RolTieneSubtitulo };

    ModeloConversaciones(Almacen& almacen, Reloj& reloj, QObject* parent = nullptr);

    int rowCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int rol) const override;
    Qt::ItemFlags flags(const QModelIndex& indice) const override;

    // The row of a conversation, or -1 when it is not listed.
    int fila(const QUuid& id) const;
    std::optional<QUuid> id(int fila) const;
    // How many times the whole list has been grouped (for measurements).
    int reagrupaciones() const { return reagrupaciones_; }

signals:
    // The row's contents changed, its height did not: repaint it alone.
    void filaCambiada(int fila);

private:
    struct Entrada {
        AgrupacionConversaciones::Seccion seccion;
        // The store position; -1 for a section header.
        qsizetype posicion;
        bool conSubtitulo = false;
        // What the row shows, so a change that shows nothing new (an
        // answer growing past the subtitle) repaints nothing.
        size_t aspecto = 0;
        // The date it was placed by: while it stays, so does the row.
        QDateTime actualizada;
    };

    void reagrupar();
    void alCambiarConversacion(const QUuid& id);
    void alCambiarSeleccion();
    bool sigueEnSuSitio(int fila) const;
    void programarMedianoche();

    Almacen& almacen_;
    Reloj& reloj_;
    QList<Entrada> entradas_;
    QHash<QUuid, int> filas_;
    std::optional<QUuid> seleccion_;
    Temporizador medianoche_;
    int reagrupaciones_ = 0;
};
