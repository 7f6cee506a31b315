#pragma once

#include <QStyledItemDelegate>

// Draws the sidebar's rows: a section title, or a conversation's symbol
// and title over its caption line.
class FilaConversacion : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* pintor, const QStyleOptionViewItem& opcion, const QModelIndex& indice) const override;
    QSize sizeHint(const QStyleOptionViewItem& opcion, const QModelIndex& indice) const override;
};
