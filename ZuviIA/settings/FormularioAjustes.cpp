#include "settings/FormularioAjustes.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QScrollBar>
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
    // Controls added at any time, also by the panels inside, pass here.
    qApp->installEventFilter(this);
}

bool FormularioAjustes::tomaRueda(const QObject* objeto)
{
    return qobject_cast<const QComboBox*>(objeto) || qobject_cast<const QAbstractSpinBox*>(objeto)
        || (qobject_cast<const QAbstractSlider*>(objeto) && !qobject_cast<const QScrollBar*>(objeto));
}

bool FormularioAjustes::eventFilter(QObject* objeto, QEvent* evento)
{
    const auto tipo = evento->type();
    if (tipo != QEvent::Wheel && tipo != QEvent::Polish && tipo != QEvent::FocusIn && tipo != QEvent::FocusOut)
        return false;
    auto* control = qobject_cast<QWidget*>(objeto);
    if (!control || !tomaRueda(control) || !widget()->isAncestorOf(control))
        return false;
    switch (tipo) {
    case QEvent::Polish:
        // A wheel-focus control would take the focus, and then the value.
        if (control->focusPolicy() == Qt::WheelFocus)
            control->setFocusPolicy(Qt::StrongFocus);
        return false;
    case QEvent::FocusIn: {
        // The first control of a window opening gets the focus by itself.
        const Qt::FocusReason razon = static_cast<QFocusEvent*>(evento)->reason();
        if (razon == Qt::MouseFocusReason || razon == Qt::TabFocusReason || razon == Qt::BacktabFocusReason
            || razon == Qt::ShortcutFocusReason)
            elegido_ = control;
        return false;
    }
    case QEvent::FocusOut:
        if (elegido_ == control)
            elegido_.clear();
        return false;
    default:
        break;
    }
    if (elegido_ == control && control->hasFocus())
        return false;
    QCoreApplication::sendEvent(viewport(), evento);
    return true;
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
    colorear(l, secundario());
    return l;
}

QCheckBox* FormularioAjustes::interruptor(const QString& texto, bool valor, const QString& nombre, QWidget* parent)
{
    auto* c = new QCheckBox(texto, parent);
    c->setObjectName(nombre);
    c->setChecked(valor);
    return c;
}

QColor FormularioAjustes::secundario()
{
    return QColor(0x6E, 0x6E, 0x73);
}

QColor FormularioAjustes::naranja()
{
    return QColor(0xE0, 0x7A, 0x00);
}

void FormularioAjustes::colorear(QWidget* texto, const QColor& color)
{
    // A style sheet, as a palette set here is lost to the parents' one.
    texto->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
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
