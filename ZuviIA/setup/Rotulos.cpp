#include "setup/Rotulos.h"

#include "vistas/Iconos.h"
#include "vistas/Paleta.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace Rotulos {

QLabel* texto(const QString& t, QWidget* padre, Estilo estilo)
{
    auto* l = new QLabel(t, padre);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    if (estilo == Estilo::secundario)
        Paleta::colorear(l, secundario(l));
    return l;
}

void fuente(QLabel* l, double escala, int peso)
{
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * escala);
    f.setWeight(QFont::Weight(peso));
    l->setFont(f);
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

QWidget* conSimbolo(const QString& nombre, QLabel* texto, QWidget* padre)
{
    auto* fila = new QWidget(padre);
    auto* capa = new QHBoxLayout(fila);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(5);
    QLabel* icono = simbolo(nombre, 16, fila);
    icono->setObjectName(QStringLiteral("simbolo"));
    texto->setParent(fila);
    capa->addWidget(icono, 0, Qt::AlignTop);
    capa->addWidget(texto, 1);
    return fila;
}

QLabel* simboloDe(QWidget* fila) { return fila->findChild<QLabel*>(QStringLiteral("simbolo")); }

}
