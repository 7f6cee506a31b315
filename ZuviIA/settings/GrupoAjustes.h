#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// One section of a grouped settings form: an optional header, its rows on
// a rounded panel with thin separators, and an optional footer.
class GrupoAjustes : public QWidget {
    Q_OBJECT

public:
    explicit GrupoAjustes(const QString& titulo = {}, const QString& pie = {}, QWidget* parent = nullptr);

    // The row becomes a child of the panel.
    void agregar(QWidget* fila);
    // Removes and deletes every row.
    void vaciar();
    void setPie(const QString& pie);

    QLabel* pie() const { return pie_; }

    // A row of a text, a flexible space and whatever `derecha` holds.
    static QWidget* fila(const QString& texto, QWidget* derecha, QWidget* parent = nullptr);

private:
    QWidget* panel_ = nullptr;
    QVBoxLayout* filas_ = nullptr;
    QLabel* pie_ = nullptr;
};
