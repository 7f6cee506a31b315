#pragma once

#include "core/Codificacion.h"
#include "core/Modelos.h"

#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>

class Perfiles;
class Reloj;

// Every conversation in memory and in "conversaciones.json", the selected
// one, and each conversation's working folder. The only writer of
// conversations. GUI thread only.
class Almacen : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Conversacion> conversaciones READ conversaciones NOTIFY conversacionesCambiadas)
    Q_PROPERTY(std::optional<QUuid> seleccion READ seleccion WRITE setSeleccion NOTIFY seleccionCambiada)

public:
    // Loads `carpetaDatos`/conversaciones.json once; `perfiles` tells the
    // folder of a conversation that belongs to a person.
    Almacen(Reloj& reloj, Perfiles& perfiles, const QString& carpetaDatos, QObject* parent = nullptr);

    static Almacen& shared();

    // Newest change first right after loading; afterwards a new
    // conversation goes to the front and a changed one stays in place.
    const QList<Conversacion>& conversaciones() const { return conversaciones_; }
    std::optional<QUuid> seleccion() const { return seleccion_; }
    void setSeleccion(std::optional<QUuid> id);
    // A copy of the selected conversation; change it only through cambiar.
    std::optional<Conversacion> actual() const;
    std::optional<Conversacion> conversacion(const QUuid& id) const;

    // Selects the first empty conversation (made a fresh project) or a new
    // one at the front, saves, and returns its id.
    QUuid nueva();
    // Edits one conversation in place and stamps `actualizada`; an unknown
    // id changes and writes nothing.
    void cambiar(const QUuid& id, bool guardar, const std::function<void(Conversacion&)>& cambio);
    // Appends streamed text to one message, as cambiar would but without
    // copying what is already there; an unknown id or an empty text does
    // nothing.
    void anexarTexto(const QUuid& id, const QUuid& mensaje, const QString& texto, bool guardar);
    void guardar();
    void eliminar(const QUuid& id);
    // Before a person is forgotten: their conversations without a folder
    // of their own keep the person's memory folder instead of falling back
    // to the projects root. `actualizada` stays, since nothing was said.
    void fijarCarpetaDePersona(const Perfil& perfil);
    // The working folder: its own, else its person's memory folder, else
    // the projects root. Creates nothing but the root.
    QString carpeta(const Conversacion& conversacion) const;

    QString archivo() const { return archivo_; }
    QString nuevaCarpetaProyecto() const;

signals:
    // The list as a whole changed (an insertion, a removal).
    void conversacionesCambiadas();
    // One conversation changed through cambiar; the list is otherwise as it was.
    void conversacionCambiada(const QUuid& id);
    void seleccionCambiada();

private:
    void cargar();
    qsizetype indice(const QUuid& id) const;

    Reloj& reloj_;
    Perfiles& perfiles_;
    QString archivo_;
    QList<Conversacion> conversaciones_;
    std::optional<QUuid> seleccion_;
    // Where the last cambiar found its conversation: streaming hits it again.
    mutable qsizetype ultimoIndice_ = -1;
    // Conversations a newer version wrote that this one cannot read: kept
    // out of the list and written back in their places.
    QList<Codificacion::Ilegible> ilegibles_;
    // The unreadable file could not be moved aside: never write over it.
    bool sinGuardar_ = false;
};
