#pragma once

#include "plataforma/Reloj.h"

#include <QScrollArea>
#include <QUuid>

#include <chrono>
#include <optional>
#include <vector>

class Almacen;
class AsistenteVoz;
class BurbujaMensaje;
class QVBoxLayout;

// The messages of one conversation in a scrolling column. It follows the
// store's changes of that conversation: new bubbles are appended, only a
// changed text is drawn again, and the changes are drawn at most once per
// event-loop turn and once per frame. A change of the last message's text
// scrolls to the end.
class ListaMensajes : public QScrollArea {
    Q_OBJECT

public:
    // A streamed answer brings fragments far faster than a screen shows
    // them: they are drawn together, at most this often.
    static constexpr std::chrono::milliseconds entreDibujos{33};

    ListaMensajes(Almacen& almacen, AsistenteVoz& voz, Reloj& reloj, QWidget* parent = nullptr);

    // The conversation shown; none empties the list. Shows its end at once.
    void mostrar(const std::optional<QUuid>& conversacion);
    std::optional<QUuid> conversacion() const { return conversacion_; }

    const std::vector<BurbujaMensaje*>& burbujas() const { return burbujas_; }
    // Draws pending changes now instead of on the next event-loop turn.
    void sincronizar();

private:
    void programar();
    void seguirTurno();
    void alCambiarRango(int minimo, int maximo);

    Almacen& almacen_;
    AsistenteVoz& voz_;
    Reloj& reloj_;
    std::optional<QUuid> conversacion_;
    QWidget* contenido_ = nullptr;
    QVBoxLayout* capa_ = nullptr;
    std::vector<BurbujaMensaje*> burbujas_;
    bool programado_ = false;
    Temporizador dibujo_;
    std::optional<std::chrono::milliseconds> ultimoDibujo_;
    // The last message's text changed: the end stays in view.
    bool alFinal_ = false;
    QUuid idUltimo_;
    qsizetype largoUltimo_ = -1;
};
