#pragma once

#include "plataforma/Reloj.h"

#include <QScrollArea>
#include <QList>
#include <QUuid>

#include <chrono>
#include <optional>
#include <vector>

class Almacen;
class AsistenteVoz;
class BurbujaMensaje;
class QVBoxLayout;
struct Mensaje;

// The messages of one conversation in a scrolling column. Only the last
// messages are built when a conversation opens; earlier ones are built a
// batch at a time as the reader scrolls near the top, keeping what is in
// view in place. It follows the store's changes of that conversation: new
// bubbles are appended, only a changed text is drawn again, and the changes
// are drawn at most once per event-loop turn and once per frame. A change
// of the last message's text scrolls to the end.
class ListaMensajes : public QScrollArea {
    Q_OBJECT

public:
    // A streamed answer brings fragments far faster than a screen shows
    // them: they are drawn together, at most this often.
    static constexpr std::chrono::milliseconds entreDibujos{33};
    // Messages built at a time: when a conversation opens, and each time
    // the reader nears the top of what is built.
    static constexpr int lote = 24;

    ListaMensajes(Almacen& almacen, AsistenteVoz& voz, Reloj& reloj, QWidget* parent = nullptr);

    // The conversation shown; none empties the list. Shows its end at once.
    void mostrar(const std::optional<QUuid>& conversacion);
    std::optional<QUuid> conversacion() const { return conversacion_; }

    // The bubbles built, of the messages from primera() to the last.
    const std::vector<BurbujaMensaje*>& burbujas() const { return burbujas_; }
    qsizetype primera() const { return inicio_; }
    // Draws pending changes now instead of on the next event-loop turn.
    void sincronizar();

private:
    void programar();
    void seguirTurno();
    void alCambiarRango(int minimo, int maximo);
    void vaciar();
    void construir(const QList<Mensaje>& mensajes);
    BurbujaMensaje* crearBurbuja(const Mensaje& mensaje, int posicion);
    bool cercaDeArriba() const;
    void anteponerSiHaceFalta();
    void anteponer();
    void colocar();

    Almacen& almacen_;
    AsistenteVoz& voz_;
    Reloj& reloj_;
    std::optional<QUuid> conversacion_;
    QWidget* contenido_ = nullptr;
    QVBoxLayout* capa_ = nullptr;
    std::vector<BurbujaMensaje*> burbujas_;
    // The index of the first built message in the conversation.
    qsizetype inicio_ = 0;
    bool anteponiendo_ = false;
    bool programado_ = false;
    Temporizador dibujo_;
    std::optional<std::chrono::milliseconds> ultimoDibujo_;
    // The last message's text changed: the end stays in view.
    bool alFinal_ = false;
    QUuid idUltimo_;
    qsizetype largoUltimo_ = -1;
};
