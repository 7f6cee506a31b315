#include "app/ModeloConversaciones.h"

#include "vistas/Iconos.h"
#include "core/Almacen.h"

#include <QFont>

using namespace AgrupacionConversaciones;

namespace {

// Far more than one caption line can show.
constexpr qsizetype largoSubtitulo = 400;

size_t aspecto(const Conversacion& c)
{
    return qHashMulti(0, c.titulo, subtitulo(c, largoSubtitulo), simbolo(c));
}

}

ModeloConversaciones::ModeloConversaciones(Almacen& almacen, Reloj& reloj, QObject* parent)
    : QAbstractListModel(parent), almacen_(almacen), reloj_(reloj)
{
    connect(&almacen_, &Almacen::conversacionesCambiadas, this, &ModeloConversaciones::reagrupar);
    connect(&almacen_, &Almacen::conversacionCambiada, this, &ModeloConversaciones::alCambiarConversacion);
    connect(&almacen_, &Almacen::seleccionCambiada, this, &ModeloConversaciones::alCambiarSeleccion);
    reagrupar();
}

int ModeloConversaciones::rowCount(const QModelIndex& padre) const
{
    return padre.isValid() ? 0 : int(entradas_.size());
}

QVariant ModeloConversaciones::data(const QModelIndex& indice, int rol) const
{
    if (!indice.isValid() || indice.row() >= entradas_.size())
        return {};
    const Entrada& e = entradas_[indice.row()];
    if (e.posicion < 0) {
        if (rol == Qt::DisplayRole)
            return titulo(e.seccion);
        if (rol == RolCabecera)
            return true;
        return {};
    }
    const Conversacion& c = almacen_.conversaciones()[e.posicion];
    switch (rol) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return c.titulo;
    case Qt::DecorationRole:
        return Iconos::icono(simbolo(c));
    case RolCabecera:
        return false;
    case RolId:
        return c.id;
    case RolSubtitulo:
        return subtitulo(c, largoSubtitulo);
    case RolTieneSubtitulo:
        return tieneSubtitulo(c);
    default:
        return {};
    }
}

Qt::ItemFlags ModeloConversaciones::flags(const QModelIndex& indice) const
{
    if (!indice.isValid() || indice.row() >= entradas_.size() || entradas_[indice.row()].posicion < 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

int ModeloConversaciones::fila(const QUuid& id) const
{
    return filas_.value(id, -1);
}

std::optional<QUuid> ModeloConversaciones::id(int fila) const
{
    if (fila < 0 || fila >= entradas_.size() || entradas_[fila].posicion < 0)
        return std::nullopt;
    return almacen_.conversaciones()[entradas_[fila].posicion].id;
}

void ModeloConversaciones::reagrupar()
{
    ++reagrupaciones_;
    beginResetModel();
    entradas_.clear();
    filas_.clear();
    seleccion_ = almacen_.seleccion();
    const auto& conversaciones = almacen_.conversaciones();
    for (const Grupo& g : agrupar(conversaciones, seleccion_, reloj_.ahora().toLocalTime())) {
        entradas_ << Entrada{g.seccion, -1, false, 0, {}};
        for (qsizetype p : g.filas) {
            filas_.insert(conversaciones[p].id, int(entradas_.size()));
            const Conversacion& c = conversaciones[p];
            entradas_ << Entrada{g.seccion, p, tieneSubtitulo(c), aspecto(c), c.actualizada};
        }
    }
    endResetModel();
    programarMedianoche();
}

// "Hoy" and "Ayer" move on at midnight.
void ModeloConversaciones::programarMedianoche()
{
    const QDateTime ahora = reloj_.ahora().toLocalTime();
    const QDateTime manana(ahora.date().addDays(1), QTime(0, 0));
    const auto espera = std::chrono::milliseconds(std::max<qint64>(ahora.msecsTo(manana), 0) + 1000);
    medianoche_ = reloj_.despues(espera, this, [this] { reagrupar(); });
}

void ModeloConversaciones::alCambiarConversacion(const QUuid& id)
{
    const int f = fila(id);
    if (f < 0) {
        // Its first message makes an unselected conversation appear.
        const auto c = almacen_.conversacion(id);
        if (c && listada(*c, seleccion_))
            reagrupar();
        return;
    }
    Entrada& e = entradas_[f];
    const Conversacion& c = almacen_.conversaciones()[e.posicion];
    // A streamed answer changes the conversation on every fragment without
    // moving it: its place is checked again only when its date moved.
    const bool quieta = c.actualizada == e.actualizada && listada(c, seleccion_);
    if (!quieta && !sigueEnSuSitio(f)) {
        reagrupar();
        return;
    }
    e.actualizada = c.actualizada;
    const bool conSubtitulo = tieneSubtitulo(c);
    const size_t nuevo = aspecto(c);
    if (conSubtitulo == e.conSubtitulo) {
        if (nuevo != e.aspecto) {
            e.aspecto = nuevo;
            emit filaCambiada(f);
        }
        return;
    }
    e.aspecto = nuevo;
    e.conSubtitulo = conSubtitulo;
    const QModelIndex i = index(f);
    emit dataChanged(i, i);
}

bool ModeloConversaciones::sigueEnSuSitio(int f) const
{
    const auto& conversaciones = almacen_.conversaciones();
    const Entrada& e = entradas_[f];
    const Conversacion& c = conversaciones[e.posicion];
    if (!listada(c, seleccion_) || seccion(c.actualizada, reloj_.ahora().toLocalTime()) != e.seccion)
        return false;
    // Newest first, ties in store order: compare with the neighbours alone.
    auto antesQue = [&](const Entrada& a, const Entrada& b) {
        const auto& ca = conversaciones[a.posicion];
        const auto& cb = conversaciones[b.posicion];
        return ca.actualizada > cb.actualizada || (ca.actualizada == cb.actualizada && a.posicion < b.posicion);
    };
    if (f > 0 && entradas_[f - 1].posicion >= 0 && !antesQue(entradas_[f - 1], e))
        return false;
    if (f + 1 < entradas_.size() && entradas_[f + 1].posicion >= 0 && !antesQue(e, entradas_[f + 1]))
        return false;
    return true;
}

void ModeloConversaciones::alCambiarSeleccion()
{
    const auto anterior = seleccion_;
    seleccion_ = almacen_.seleccion();
    // Only an empty conversation is listed because it is the selection.
    auto vacia = [&](const std::optional<QUuid>& id) {
        if (!id)
            return false;
        const auto c = almacen_.conversacion(*id);
        return c && c->mensajes.isEmpty();
    };
    if (vacia(anterior) || vacia(seleccion_))
        reagrupar();
}
