#include "setup/Rotulos.h"

#include "app/Iconos.h"

#include <QLabel>
#include <QPushButton>

namespace Rotulos {

QLabel* texto(const QString& t, QWidget* padre, Estilo estilo)
{
    auto* l = new QLabel(t, padre);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    if (estilo == Estilo::secundario)
        color(l, secundario(l));
    return l;
}

void fuente(QLabel* l, double escala, int peso)
{
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * escala);
    f.setWeight(QFont::Weight(peso));
    l->setFont(f);
}

void color(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

QColor secundario(const QWidget* w) { return w->palette().color(QPalette::PlaceholderText); }

QColor acento(const QWidget* w) { return w->palette().color(QPalette::Highlight); }

void destacar(QPushButton* b)
{
    b->setStyleSheet(QStringLiteral("QPushButton:enabled { background: palette(highlight); color: "
                                    "palette(highlighted-text); border-radius: 6px; padding: 5px 14px; }"));
}

QLabel* simbolo(const QString& nombre, int lado, QWidget* padre)
{
    auto* l = new QLabel(padre);
    l->setPixmap(Iconos::icono(nombre).pixmap(lado, lado));
    l->setFixedSize(lado, lado);
    return l;
}

}
