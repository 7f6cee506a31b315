#pragma once

#include "core/ArchivoLista.h"
#include "core/Codificacion.h"
#include "core/EscritorAlmacen.h"
#include "core/Modelos.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class Perfiles;
class Reloj;

// Every conversation in memory and in "conversaciones.json", the selected
// one, and each conversation's working folder. The only writer of
// conversations. GUI thread only; the file is read and written on threads
// of its own.
class Almacen : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Conversacion> conversaciones READ conversaciones NOTIFY conversacionesCambiadas)
    Q_PROPERTY(std::optional<QUuid> seleccion READ seleccion WRITE setSeleccion NOTIFY seleccionCambiada)
    Q_PROPERTY(bool cargado READ cargado NOTIFY cargadoCambiado)
    Q_PROPERTY(std::optional<QString> apartado READ apartado NOTIFY apartadoCambiado)

public:
    enum class Carga {
        ahora,           // read before the constructor returns
        enSegundoPlano,  // read on a worker; the list fills when it ends
    };

    // Loads `carpetaDatos`/conversaciones.json once; `perfiles` tells the
    // folder of a conversation that belongs to a person.
    Almacen(Reloj& reloj, Perfiles& perfiles, const QString& carpetaDatos, Carga carga = Carga::ahora,
            QObject* parent = nullptr);
    // Waits for the load and writes what is still waiting.
    ~Almacen() override;

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

    // False while the file is being read. Until then the list holds only
    // what was made meanwhile; saves wait, and the file's conversations
    // join the list after them.
    bool cargado() const { return cargado_; }
    // Runs `hacer` once the file has been read: now, or when it is.
    void alCargar(QObject* contexto, std::function<void()> hacer);
    // Where the unreadable file of this start was moved, until the user
    // has been told.
    std::optional<QString> apartado() const { return apartado_; }
    void descartarApartado();

    // Blocks until the load and every save asked for so far are on disk.
    void esperarGuardado();
    // As esperarGuardado, up to `limite` for the writing: false when a
    // write is still under way.
    bool esperarGuardado(std::chrono::milliseconds limite);

signals:
    // The list as a whole changed (an insertion, a removal).
    void conversacionesCambiadas();
    // One conversation changed through cambiar; the list is otherwise as it was.
    void conversacionCambiada(const QUuid& id);
    void seleccionCambiada();
    void cargadoCambiado();
    void apartadoCambiado();

private:
    struct Leido {
        QList<Conversacion> conversaciones;  // sorted
        QList<Codificacion::Ilegible> ilegibles;
        ArchivoLista::Carga carga = ArchivoLista::Carga::ausente;
        QString apartado;
    };
    static Leido leer(const QString& archivo, const QDateTime& ahora);
    void terminarCarga();
    void aplicar(Leido leido);
    qsizetype indice(const QUuid& id) const;
    void tocar(const QUuid& id);
    EscritorAlmacen::Instantanea instantanea(bool escribir) const;

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
    std::optional<QString> apartado_;
    bool cargado_ = false;
    // A save asked for before the file was read.
    bool guardadoPendiente_ = false;
    // What the writer's cached encodings are checked against.
    QHash<QUuid, quint64> revisiones_;
    quint64 ultimaRevision_ = 0;
    std::unique_ptr<EscritorAlmacen> escritor_;
    // Filled by the loading thread before it hands over.
    std::optional<Leido> leido_;
    std::thread cargador_;
    QElapsedTimer desdeInicio_;
};
