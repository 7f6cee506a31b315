#pragma once

#include "core/Modelos.h"

#include <QUuid>
#include <QWidget>

class AsistenteVoz;
class IndicadorActividad;
class QLabel;
class QToolButton;
class TextoMarkdown;
class TextoSeleccionable;

// One message of the list, drawn by its role: the user's instruction as a
// right-aligned bubble, an answer or an error as formatted text beside an
// avatar, a minutes line as a quiet quoted line. Every text is plain text
// or our own markdown: nothing is read as HTML.
class BurbujaMensaje : public QWidget {
    Q_OBJECT

public:
    BurbujaMensaje(const Mensaje& mensaje, AsistenteVoz& voz, QWidget* parent = nullptr);

    QUuid id() const { return id_; }
    Mensaje::Rol rol() const { return rol_; }
    // Takes the message's new text; false when the bubble must be made
    // anew (the role or the author changed).
    bool actualizar(const Mensaje& mensaje);
    // The last message while a turn runs.
    void setEscribiendo(bool escribiendo);
    bool escribiendo() const { return escribiendo_; }
    // The status phrase, or "Escribiendo…" for none.
    void setActividad(const std::optional<QString>& actividad);

    // The raw text, markdown marks included.
    QString texto() const;
    // "Copiar": the raw text on the clipboard, nothing else.
    void copiar() const;

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void construirUsuario(const Mensaje& m);
    void construirActa(const Mensaje& m);
    void construirAgente(const Mensaje& m);
    void seguirEstado();
    void ajustarAncho();

    AsistenteVoz& voz_;
    QUuid id_;
    Mensaje::Rol rol_;
    std::optional<QString> autor_;
    bool escribiendo_ = false;
    bool sobre_ = false;

    QLabel* plano_ = nullptr;                // user's text
    TextoSeleccionable* acta_ = nullptr;     // minutes line
    TextoMarkdown* markdown_ = nullptr;      // answer or error
    IndicadorActividad* indicador_ = nullptr;
    QWidget* acciones_ = nullptr;
    QToolButton* leer_ = nullptr;
    QToolButton* copiar_ = nullptr;
    QString textoActa_;
};
