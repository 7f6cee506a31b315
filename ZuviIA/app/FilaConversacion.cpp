#include "app/FilaConversacion.h"

#include "app/ModeloConversaciones.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int margen = 8;
constexpr int icono = 14;

QFont fuenteLeyenda(const QFont& base)
{
    QFont f = base;
    f.setPointSizeF(base.pointSizeF() * 0.85);
    return f;
}

}

void FilaConversacion::paint(QPainter* pintor, const QStyleOptionViewItem& opcion, const QModelIndex& indice) const
{
    QStyleOptionViewItem o = opcion;
    initStyleOption(&o, indice);
    const QWidget* widget = o.widget;
    QStyle* estilo = widget ? widget->style() : QApplication::style();
    const QString titulo = indice.data(Qt::DisplayRole).toString();
    pintor->save();
    if (indice.data(ModeloConversaciones::RolCabecera).toBool()) {
        QFont f = o.font;
        f.setBold(true);
        f.setPointSizeF(o.font.pointSizeF() * 0.85);
        pintor->setFont(f);
        pintor->setPen(o.palette.color(QPalette::PlaceholderText));
        pintor->drawText(o.rect.adjusted(margen, 0, -margen, -2), Qt::AlignLeft | Qt::AlignBottom, titulo);
        pintor->restore();
        return;
    }
    o.text.clear();
    o.icon = QIcon();
    estilo->drawPrimitive(QStyle::PE_PanelItemViewItem, &o, pintor, widget);
    const bool elegida = o.state & QStyle::State_Selected;
    const QColor texto = o.palette.color(elegida ? QPalette::HighlightedText : QPalette::Text);
    const QColor secundario = elegida ? texto : o.palette.color(QPalette::PlaceholderText);

    const QFontMetrics m(o.font);
    const QRect r = o.rect.adjusted(margen, 2, -margen, -2);
    const QRect lineaTitulo(r.left(), r.top(), r.width(), m.height());
    const QIcon simbolo = qvariant_cast<QIcon>(indice.data(Qt::DecorationRole));
    simbolo.paint(pintor, QRect(r.left(), lineaTitulo.center().y() - icono / 2, icono, icono));
    pintor->setPen(texto);
    pintor->setFont(o.font);
    const QRect textoTitulo = lineaTitulo.adjusted(icono + 5, 0, 0, 0);
    pintor->drawText(textoTitulo, Qt::AlignLeft | Qt::AlignVCenter,
                     m.elidedText(titulo, Qt::ElideRight, textoTitulo.width()));

    const QString leyenda = indice.data(ModeloConversaciones::RolSubtitulo).toString();
    if (!leyenda.isEmpty()) {
        const QFont fl = fuenteLeyenda(o.font);
        const QFontMetrics ml(fl);
        pintor->setFont(fl);
        pintor->setPen(secundario);
        const QRect lineaLeyenda(r.left(), lineaTitulo.bottom() + 3, r.width(), ml.height());
        pintor->drawText(lineaLeyenda, Qt::AlignLeft | Qt::AlignVCenter,
                         ml.elidedText(leyenda, Qt::ElideRight, lineaLeyenda.width()));
    }
    pintor->restore();
}

QSize FilaConversacion::sizeHint(const QStyleOptionViewItem& opcion, const QModelIndex& indice) const
{
    const QFontMetrics m(opcion.font);
    if (indice.data(ModeloConversaciones::RolCabecera).toBool())
        return {opcion.rect.width(), m.height() + 12};
    int alto = m.height() + 8;
    if (indice.data(ModeloConversaciones::RolTieneSubtitulo).toBool())
        alto += QFontMetrics(fuenteLeyenda(opcion.font)).height() + 3;
    return {opcion.rect.width(), alto};
}
