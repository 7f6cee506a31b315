#include "settings/AjustesView.h"

#include "vistas/Iconos.h"
#include "plataforma/Permisos.h"
#include "settings/SeccionActualizaciones.h"
#include "settings/SeccionAvanzado.h"
#include "settings/SeccionEscucha.h"
#include "settings/SeccionIA.h"
#include "settings/SeccionPersonas.h"
#include "settings/SeccionVoz.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

// The row the list makes current when it takes focus is not a chosen
// one: no focus frame marks it. Moving with the keys selects, and shows.
class SinMarcoFoco : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* opcion, const QModelIndex& indice) const override
    {
        QStyledItemDelegate::initStyleOption(opcion, indice);
        opcion->state &= ~QStyle::State_HasFocus;
    }
};

// The updates section of a window built without the updater.
QWidget* vacia(QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QStringLiteral("seccionVacia"));
    return w;
}

}

QList<AjustesView::Seccion> AjustesView::secciones()
{
    return {Seccion::ia, Seccion::voz, Seccion::escucha, Seccion::personas, Seccion::actualizaciones, Seccion::avanzado};
}

AjustesView::Datos AjustesView::datos(Seccion seccion)
{
    switch (seccion) {
    case Seccion::ia:
        return {QStringLiteral("IA"), QStringLiteral("Inteligencia artificial"), QStringLiteral("sparkles"),
                QColor(0xAF, 0x52, 0xDE)};
    case Seccion::voz:
        return {QStringLiteral("Voz y audio"), QStringLiteral("Voz y audio"), QStringLiteral("waveform"),
                QColor(0xFF, 0x2D, 0x55)};
    case Seccion::escucha:
        return {QStringLiteral("Escucha"), QStringLiteral("Escucha y activación"), QStringLiteral("ear"),
                QColor(0x34, 0xC7, 0x59)};
    case Seccion::personas:
        return {QStringLiteral("Personas"), QStringLiteral("Personas y proyectos"), QStringLiteral("person.2"),
                QColor(0x00, 0x7A, 0xFF)};
    case Seccion::actualizaciones:
        return {QStringLiteral("Actualizaciones"), QStringLiteral("Actualizaciones"),
                QStringLiteral("arrow.down.circle"), QColor(0x30, 0xB0, 0xC7)};
    case Seccion::avanzado:
        break;
    }
    return {QStringLiteral("Avanzado"), QStringLiteral("Permisos y avanzado"), QStringLiteral("gearshape.2"),
            QColor(0x8E, 0x8E, 0x93)};
}

QWidget* AjustesView::crearSeccion(Seccion seccion, const EntornoAjustes& entorno, QWidget* parent)
{
    switch (seccion) {
    case Seccion::ia:
        return new SeccionIA(entorno, parent);
    case Seccion::voz:
        return new SeccionVoz(entorno, parent);
    case Seccion::escucha:
        return new SeccionEscucha(entorno, parent);
    case Seccion::personas:
        return new SeccionPersonas(entorno.perfiles, entorno.almacen, entorno.asistente, entorno.modo, parent);
    case Seccion::actualizaciones:
        if (!entorno.actualizador)
            return vacia(parent);
        return new SeccionActualizaciones(*entorno.actualizador, entorno.ajustes, parent);
    case Seccion::avanzado:
        return new SeccionAvanzado(entorno.ajustes, entorno.permisos ? *entorno.permisos : Permisos::sistema(),
                                   entorno.mostrarPrincipal, {}, parent);
    }
    return vacia(parent);
}

QIcon AjustesView::tesela(const Datos& d)
{
    const qreal escala = 2;  // drawn for high-density screens too
    QPixmap lienzo(QSize(22, 22) * escala);
    lienzo.setDevicePixelRatio(escala);
    lienzo.fill(Qt::transparent);
    QPainter p(&lienzo);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient degradado(0, 0, 0, 22);
    degradado.setColorAt(0, d.color.lighter(118));
    degradado.setColorAt(1, d.color);
    QPainterPath forma;
    forma.addRoundedRect(QRectF(0, 0, 22, 22), 6, 6);
    p.fillPath(forma, degradado);

    // The theme's symbolic icon, recoloured white.
    const QPixmap simbolo = Iconos::pintado(d.simbolo, QSize(13, 13), Qt::white, escala);
    if (!simbolo.isNull())
        p.drawPixmap(QPointF(4.5, 4.5), simbolo);
    p.end();
    return QIcon(lienzo);
}

AjustesView::AjustesView(const EntornoAjustes& entorno, QWidget* parent) : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("ajustes"));
    setFixedSize(ancho, alto);
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(0);

    lista_ = new QListWidget(this);
    lista_->setObjectName(QStringLiteral("secciones"));
    lista_->setMinimumWidth(230);
    lista_->setMaximumWidth(260);
    lista_->setFixedWidth(240);
    lista_->setIconSize(QSize(22, 22));
    lista_->setSpacing(2);
    lista_->setSelectionMode(QAbstractItemView::SingleSelection);
    lista_->setItemDelegate(new SinMarcoFoco(lista_));
    for (Seccion s : secciones()) {
        const Datos d = datos(s);
        auto* item = new QListWidgetItem(tesela(d), d.etiqueta, lista_);
        item->setData(Qt::UserRole, int(s));
        item->setSizeHint(QSize(0, 30));
    }
    // Only a selection chooses: the list also makes its first row current
    // when it takes focus, and that must choose nothing.
    connect(lista_, &QListWidget::itemSelectionChanged, this, &AjustesView::alElegir);
    fila->addWidget(lista_);

    auto* columna = new QWidget(this);
    columna->setObjectName(QStringLiteral("detalle"));
    detalle_ = new QVBoxLayout(columna);
    detalle_->setContentsMargins(0, 0, 0, 0);
    detalle_->setSpacing(0);
    titulo_ = new QLabel(columna);
    titulo_->setObjectName(QStringLiteral("tituloSeccion"));
    QFont grande = titulo_->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.35);
    grande.setBold(true);
    titulo_->setFont(grande);
    titulo_->setContentsMargins(20, 14, 20, 4);
    detalle_->addWidget(titulo_);
    fila->addWidget(columna, 1);
    mostrar();
}

QString AjustesView::titulo() const
{
    return datos(mostrada()).titulo;
}

void AjustesView::alElegir()
{
    const QList<QListWidgetItem*> elegidos = lista_->selectedItems();
    if (elegidos.isEmpty())
        return;  // a section stays chosen until another one is
    const auto s = Seccion(elegidos.first()->data(Qt::UserRole).toInt());
    if (seccion_ == s)
        return;
    seccion_ = s;
    mostrar();
}

void AjustesView::mostrar()
{
    // The old section goes first, so no state of it survives.
    delete vista_;
    vista_ = crearSeccion(mostrada(), entorno_, this);
    detalle_->addWidget(vista_, 1);
    titulo_->setText(titulo());
    setWindowTitle(titulo());
}
