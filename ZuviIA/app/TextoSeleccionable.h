#pragma once

#include "app/TextoMarkdown.h"

#include <QTextBrowser>
#include <QTextCharFormat>

#include <array>

// One selectable piece of text sized to its content: a heading or a
// paragraph with inline marks (one document block per source line), a code
// block that scrolls sideways, or plain text. Built through text cursors
// only: nothing is read as HTML and no resource is ever loaded.
class TextoSeleccionable : public QTextBrowser {
    Q_OBJECT

public:
    using Tipo = TextoMarkdown::Bloque::Tipo;

    explicit TextoSeleccionable(QWidget* parent = nullptr);

    // Draws the block anew, or only its new end when it extends what is shown.
    void mostrar(const TextoMarkdown::Bloque& bloque);
    // Extends the shown block's text; a paragraph is redrawn only from its
    // last settled character.
    void anexar(QStringView mas);
    // Text shown as it is, with an optional bold lead (an author's name).
    void mostrarPlano(const QString& texto, const QString& destacado = {});

    const TextoMarkdown::Bloque& bloque() const { return bloque_; }
    void setSecundario(bool secundario);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int ancho) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant loadResource(int tipo, const QUrl& nombre) override;

signals:
    void enlaceActivado(const QString& destino);

protected:
    void resizeEvent(QResizeEvent* e) override;
    // Copy, the context menu and the X11 selection take the text without
    // the breaks added at wrap points.
    QMimeData* createMimeDataFromSelection() const override;

private:
    void preparar(Tipo tipo);
    void escribirLinea(QStringView linea);
    void extenderLinea(QStringView mas);
    void extenderTrozo(QStringView mas);
    void insertarTramos(const QList<TextoMarkdown::Tramo>& tramos, qsizetype estable);
    void partirLineaLarga();
    void avisarTamano();
    QTextCharFormat formato(const TextoMarkdown::Tramo& t) const;

    TextoMarkdown::Bloque bloque_;
    bool secundario_ = false;
    // The source line being extended, its settled length and where that
    // settled part ends in the document.
    QString linea_;
    qsizetype estable_ = 0;
    int posEstable_ = 0;
    // Document blocks were split at wrap points: a new width redraws.
    bool partido_ = false;
    // The size the layouts were last told of.
    QSize avisado_;
    // Heights asked for at widths other than the shown one.
    struct Medida {
        int revision = -1;
        int ancho = 0;
        int alto = 0;
    };
    mutable std::array<Medida, 4> medidas_{};
    mutable size_t siguienteMedida_ = 0;
};
