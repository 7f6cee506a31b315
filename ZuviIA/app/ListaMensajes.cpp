#include "app/ListaMensajes.h"

#include "app/BurbujaMensaje.h"
#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

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
    // The reader scrolled away: the next change brings the end back.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { alFinal_ = false; });
}

void ListaMensajes::mostrar(const std::optional<QUuid>& conversacion)
{
    if (conversacion != conversacion_) {
        for (BurbujaMensaje* b : burbujas_)
            delete b;
        burbujas_.clear();
        idUltimo_ = QUuid();
        largoUltimo_ = -1;
    }
    conversacion_ = conversacion;
    sincronizar();
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

    size_t iguales = 0;
    while (iguales < burbujas_.size() && iguales < size_t(mensajes.size())
           && burbujas_[iguales]->id() == mensajes[qsizetype(iguales)].id
           && burbujas_[iguales]->actualizar(mensajes[qsizetype(iguales)]))
        ++iguales;
    while (burbujas_.size() > iguales) {
        delete burbujas_.back();
        burbujas_.pop_back();
    }
    for (qsizetype i = qsizetype(iguales); i < mensajes.size(); ++i) {
        auto* b = new BurbujaMensaje(mensajes[i], voz_, capa_->parentWidget());
        capa_->insertWidget(int(i), b);
        burbujas_.push_back(b);
    }
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
}
