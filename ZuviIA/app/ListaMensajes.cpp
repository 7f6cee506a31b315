#include "app/ListaMensajes.h"

#include "app/BurbujaMensaje.h"
#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The stored conversation itself: a copy held across fragments would make
// the store copy the growing answer on every append.
const Conversacion* buscar(const Almacen& almacen, const std::optional<QUuid>& id)
{
    if (!id)
        return nullptr;
    for (const Conversacion& c : almacen.conversaciones())
        if (c.id == *id)
            return &c;
    return nullptr;
}

}

ListaMensajes::ListaMensajes(Almacen& almacen, AsistenteVoz& voz, Reloj& reloj, QWidget* parent)
    : QScrollArea(parent), almacen_(almacen), voz_(voz), reloj_(reloj)
{
    setObjectName(QStringLiteral("listaMensajes"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    contenido_ = new QWidget;
    contenido_->setObjectName(QStringLiteral("contenidoLista"));
    auto* centro = new QHBoxLayout(contenido_);
    centro->setContentsMargins(0, 0, 0, 0);
    auto* columna = new QWidget(contenido_);
    columna->setMaximumWidth(820);
    centro->addWidget(columna, 1);
    capa_ = new QVBoxLayout(columna);
    capa_->setContentsMargins(28, 20, 28, 20);
    capa_->setSpacing(18);
    capa_->addStretch(1);
    setWidget(contenido_);
    contenido_->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);

    connect(&almacen_, &Almacen::conversacionCambiada, this, [this](const QUuid& id) {
        if (conversacion_ == id)
            programar();
    });
    connect(&almacen_, &Almacen::conversacionesCambiadas, this, &ListaMensajes::programar);
    connect(&voz_, &AsistenteVoz::ejecutandoCambiado, this, &ListaMensajes::seguirTurno);
    connect(&voz_, &AsistenteVoz::actividadCambiada, this, &ListaMensajes::seguirTurno);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &ListaMensajes::alCambiarRango);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ListaMensajes::anteponerSiHaceFalta);
    // The reader scrolled away: the next change brings the end back.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { alFinal_ = false; });
}

void ListaMensajes::mostrar(const std::optional<QUuid>& conversacion)
{
    if (conversacion != conversacion_) {
        vaciar();
        idUltimo_ = QUuid();
        largoUltimo_ = -1;
    }
    conversacion_ = conversacion;
    sincronizar();
}

void ListaMensajes::vaciar()
{
    for (BurbujaMensaje* b : burbujas_)
        delete b;
    burbujas_.clear();
    inicio_ = 0;
}

// Redraws on the next event-loop turn, however many fragments arrived, and
// no sooner than a frame after the last drawing: laying out and painting
// for every fragment would cost far more than the fragments themselves.
void ListaMensajes::programar()
{
    if (programado_)
        return;
    programado_ = true;
    const auto ahora = reloj_.monotono();
    if (!ultimoDibujo_ || ahora - *ultimoDibujo_ >= entreDibujos)
        QMetaObject::invokeMethod(this, &ListaMensajes::sincronizar, Qt::QueuedConnection);
    else
        dibujo_ = reloj_.despues(*ultimoDibujo_ + entreDibujos - ahora, this, [this] { sincronizar(); });
}

void ListaMensajes::sincronizar()
{
    programado_ = false;
    dibujo_.cancelar();
    ultimoDibujo_ = reloj_.monotono();
    const Conversacion* c = buscar(almacen_, conversacion_);
    const QList<Mensaje> vacia;
    const QList<Mensaje>& mensajes = c ? c->mensajes : vacia;

    construir(mensajes);
    seguirTurno();

    // The end follows the last message's text; other changes leave the place.
    const QUuid ultimo = mensajes.isEmpty() ? QUuid() : mensajes.last().id;
    const qsizetype largo = mensajes.isEmpty() ? -1 : mensajes.last().texto.size();
    if (ultimo != idUltimo_ || largo != largoUltimo_) {
        idUltimo_ = ultimo;
        largoUltimo_ = largo;
        alFinal_ = true;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

// Brings the built bubbles in line with the messages from inicio_ on: the
// ones that still match keep their widgets, the rest are made anew. An
// empty list starts with the last batch.
void ListaMensajes::construir(const QList<Mensaje>& mensajes)
{
    const qsizetype n = mensajes.size();
    if (inicio_ > n)
        vaciar();
    if (burbujas_.empty())
        inicio_ = std::max<qsizetype>(0, n - lote);
    size_t iguales = 0;
    while (iguales < burbujas_.size() && inicio_ + qsizetype(iguales) < n) {
        const Mensaje& m = mensajes[inicio_ + qsizetype(iguales)];
        if (burbujas_[iguales]->id() != m.id || !burbujas_[iguales]->actualizar(m))
            break;
        ++iguales;
    }
    while (burbujas_.size() > iguales) {
        delete burbujas_.back();
        burbujas_.pop_back();
    }
    for (qsizetype i = inicio_ + qsizetype(iguales); i < n; ++i)
        burbujas_.push_back(crearBurbuja(mensajes[i], int(i - inicio_)));
}

BurbujaMensaje* ListaMensajes::crearBurbuja(const Mensaje& mensaje, int posicion)
{
    auto* b = new BurbujaMensaje(mensaje, voz_, capa_->parentWidget());
    capa_->insertWidget(posicion, b);
    // Shown now, not on a later turn: the next layout must count it.
    b->show();
    return b;
}

bool ListaMensajes::cercaDeArriba() const
{
    return inicio_ > 0 && verticalScrollBar()->value() < viewport()->height();
}

// Near the top of what is built, or with a column shorter than the view,
// the earlier messages are built after this turn of the event loop, once
// the layout has settled and if the view is still there.
void ListaMensajes::anteponerSiHaceFalta()
{
    if (anteponiendo_ || !cercaDeArriba())
        return;
    anteponiendo_ = true;
    QMetaObject::invokeMethod(this, &ListaMensajes::anteponer, Qt::QueuedConnection);
}

void ListaMensajes::anteponer()
{
    anteponiendo_ = false;
    if (programado_)
        sincronizar();
    // Judged on the settled layout: a list just shown has not laid out yet.
    if (!isVisible())
        return;
    colocar();
    if (!cercaDeArriba())
        return;
    const Conversacion* c = buscar(almacen_, conversacion_);
    if (!c || inicio_ <= 0 || inicio_ >= c->mensajes.size() || burbujas_.empty()
        || burbujas_.front()->id() != c->mensajes[inicio_].id)
        return;
    QScrollBar* barra = verticalScrollBar();
    const int desdeAbajo = barra->maximum() - barra->value();
    const qsizetype desde = std::max<qsizetype>(0, inicio_ - lote);
    std::vector<BurbujaMensaje*> nuevas;
    for (qsizetype i = desde; i < inicio_; ++i)
        nuevas.push_back(crearBurbuja(c->mensajes[i], int(i - desde)));
    burbujas_.insert(burbujas_.begin(), nuevas.begin(), nuevas.end());
    inicio_ = desde;
    seguirTurno();
    // Laid out before anything is painted, so what the reader looks at
    // stays where it was instead of jumping down by the new height.
    colocar();
    barra->setValue(barra->maximum() - desdeAbajo);
    anteponerSiHaceFalta();
}

// Lays the column out now and sets the scroll range from it.
void ListaMensajes::colocar()
{
    capa_->activate();
    contenido_->layout()->activate();
    QEvent pedido(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &pedido);
}

void ListaMensajes::seguirTurno()
{
    const bool ejecutando = voz_.ejecutando();
    for (size_t i = 0; i < burbujas_.size(); ++i)
        burbujas_[i]->setEscribiendo(ejecutando && i + 1 == burbujas_.size());
    if (!burbujas_.empty())
        burbujas_.back()->setActividad(voz_.actividad());
}

void ListaMensajes::alCambiarRango(int, int maximo)
{
    if (alFinal_)
        verticalScrollBar()->setValue(maximo);
    anteponerSiHaceFalta();
}
