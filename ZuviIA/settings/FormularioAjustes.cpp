#include "settings/FormularioAjustes.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FormularioAjustes::FormularioAjustes(QWidget* parent) : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* contenido = new QWidget(this);
    contenido->setObjectName(QStringLiteral("contenidoFormulario"));
    columna_ = new QVBoxLayout(contenido);
    columna_->setContentsMargins(20, 12, 20, 20);
    columna_->setSpacing(6);
    columna_->addStretch(1);
    setWidget(contenido);
}

void FormularioAjustes::Grupo::setVisible(bool visible) const
{
    encabezado->setVisible(visible);
    marco->setVisible(visible);
    if (pie)
        pie->setVisible(visible);
}

FormularioAjustes::Grupo FormularioAjustes::seccion(const QString& encabezado, const QString& pie)
{
    QWidget* contenido = widget();
    const int fin = columna_->count() - 1;  // before the stretch
    auto* titulo = new QLabel(encabezado, contenido);
    titulo->setObjectName(QStringLiteral("encabezado"));
    QFont negrita = titulo->font();
    negrita.setBold(true);
    titulo->setFont(negrita);
    titulo->setContentsMargins(4, fin > 0 ? 12 : 0, 0, 2);
    columna_->insertWidget(fin, titulo);

    auto* grupo = new QFrame(contenido);
    grupo->setObjectName(QStringLiteral("grupo"));
    grupo->setFrameShape(QFrame::StyledPanel);
    grupo->setAutoFillBackground(true);
    grupo->setBackgroundRole(QPalette::Base);
    auto* filas = new QVBoxLayout(grupo);
    filas->setContentsMargins(12, 10, 12, 10);
    filas->setSpacing(8);
    columna_->insertWidget(fin + 1, grupo);

    Grupo g{titulo, grupo, nullptr, filas};
    if (!pie.isEmpty()) {
        g.pie = nota(pie, contenido);
        g.pie->setObjectName(QStringLiteral("pie"));
        g.pie->setContentsMargins(4, 2, 0, 0);
        columna_->insertWidget(fin + 2, g.pie);
    }
    return g;
}

QLabel* FormularioAjustes::nota(const QString& texto, QWidget* parent)
{
    auto* l = new QLabel(texto, parent);
    l->setWordWrap(true);
    QFont chica = l->font();
    chica.setPointSizeF(chica.pointSizeF() * 0.85);
    l->setFont(chica);
    // On a group's panel (Base) a label draws with Text, elsewhere with WindowText.
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
    p.setColor(QPalette::Text, p.color(QPalette::PlaceholderText));
    l->setPalette(p);
    return l;
}

QWidget* FormularioAjustes::fila(const QString& etiqueta, QWidget* control, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    auto* l = new QLabel(etiqueta, w);
    l->setBuddy(control);
    h->addWidget(l);
    h->addStretch(1);
    control->setParent(w);
    h->addWidget(control, 2);
    return w;
}
