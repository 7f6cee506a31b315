#include "settings/GrupoAjustes.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* secundario(const QString& texto, QWidget* parent)
{
    auto* l = new QLabel(texto, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
    l->setPalette(p);
    return l;
}

}

GrupoAjustes::GrupoAjustes(const QString& titulo, const QString& pie, QWidget* parent) : QWidget(parent)
{
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(6);
    if (!titulo.isEmpty()) {
        auto* cabecera = new QLabel(titulo, this);
        cabecera->setObjectName(QStringLiteral("cabecera"));
        cabecera->setTextFormat(Qt::PlainText);
        QFont f = cabecera->font();
        f.setBold(true);
        cabecera->setFont(f);
        capa->addWidget(cabecera);
    }
    panel_ = new QFrame(this);
    panel_->setObjectName(QStringLiteral("panel"));
    panel_->setStyleSheet(QStringLiteral("QFrame#panel { background: palette(base); border: 1px solid palette(midlight); "
                                         "border-radius: 8px; }"));
    filas_ = new QVBoxLayout(panel_);
    filas_->setContentsMargins(12, 6, 12, 6);
    filas_->setSpacing(6);
    capa->addWidget(panel_);
    pie_ = secundario(pie, this);
    pie_->setObjectName(QStringLiteral("pie"));
    pie_->setVisible(!pie.isEmpty());
    capa->addWidget(pie_);
}

void GrupoAjustes::agregar(QWidget* fila)
{
    fila->setParent(panel_);
    filas_->addWidget(fila);
}

void GrupoAjustes::vaciar()
{
    while (QLayoutItem* item = filas_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void GrupoAjustes::setPie(const QString& pie)
{
    pie_->setText(pie);
    pie_->setVisible(!pie.isEmpty());
}

QWidget* GrupoAjustes::fila(const QString& texto, QWidget* derecha, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* capa = new QHBoxLayout(w);
    capa->setContentsMargins(0, 2, 0, 2);
    auto* etiqueta = new QLabel(texto, w);
    etiqueta->setTextFormat(Qt::PlainText);
    capa->addWidget(etiqueta);
    capa->addStretch(1);
    if (derecha) {
        derecha->setParent(w);
        capa->addWidget(derecha);
    }
    return w;
}
