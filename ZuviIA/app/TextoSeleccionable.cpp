#include "app/TextoSeleccionable.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace {

// A growing line is cut at a wrap point once its document block passes
// this length, so each fragment lays out a short block, not the whole line.
constexpr int largoPartir = 1500;
// Longer documents are never laid out at a width they are not shown at.
constexpr int largoMedible = 6000;
// Marks a document block that continues the line before it: the break
// between them was added at a wrap point and is not in the text.
constexpr int propiedadContinua = QTextFormat::UserProperty + 1;

} // namespace

TextoSeleccionable::TextoSeleccionable(QWidget* parent) : QTextBrowser(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                            | Qt::LinksAccessibleByMouse);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    document()->setDocumentMargin(0);
    document()->setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        emit enlaceActivado(url.toString());
    });
}

QVariant TextoSeleccionable::loadResource(int, const QUrl&)
{
    return {};
}

void TextoSeleccionable::setSecundario(bool secundario)
{
    if (secundario_ == secundario)
        return;
    secundario_ = secundario;
    QPalette p = palette();
    p.setColor(QPalette::Text, secundario ? palette().color(QPalette::PlaceholderText)
                                          : QWidget().palette().color(QPalette::Text));
    setPalette(p);
}

void TextoSeleccionable::preparar(Tipo tipo)
{
    bloque_ = {tipo, QString()};
    linea_.clear();
    estable_ = 0;
    posEstable_ = 0;
    partido_ = false;
    document()->clear();
    if (tipo == Tipo::codigo) {
        setLineWrapMode(QTextEdit::NoWrap);
        document()->setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        document()->setDocumentMargin(10);
        setStyleSheet(QStringLiteral("QTextBrowser { background: palette(alternate-base); border-radius: 8px; }"));
    } else {
        setLineWrapMode(QTextEdit::WidgetWidth);
        QFont f = font();
        if (tipo == Tipo::titulo) {
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() + 1);
        }
        document()->setDefaultFont(f);
    }
}

void TextoSeleccionable::mostrar(const TextoMarkdown::Bloque& b)
{
    if (b.tipo == bloque_.tipo && b.tipo != Tipo::titulo && b.texto.startsWith(bloque_.texto)) {
        anexar(QStringView(b.texto).mid(bloque_.texto.size()));
        return;
    }
    preparar(b.tipo);
    anexar(b.texto);
    avisarTamano();
}

void TextoSeleccionable::anexar(QStringView mas)
{
    if (mas.isEmpty())
        return;
    bloque_.texto += mas;
    if (bloque_.tipo == Tipo::codigo) {
        QTextCursor c(document());
        c.movePosition(QTextCursor::End);
        c.insertText(mas.toString());
    } else {
        for (qsizetype desde = 0;;) {
            const qsizetype salto = mas.indexOf(u'\n', desde);
            extenderLinea(mas.mid(desde, (salto < 0 ? mas.size() : salto) - desde));
            if (salto < 0)
                break;
            QTextCursor c(document());
            c.movePosition(QTextCursor::End);
            // A real break: the new line continues nothing.
            c.insertBlock(QTextBlockFormat());
            linea_.clear();
            estable_ = 0;
            posEstable_ = c.position();
            desde = salto + 1;
        }
    }
    avisarTamano();
}

void TextoSeleccionable::mostrarPlano(const QString& texto, const QString& destacado)
{
    preparar(Tipo::parrafo);
    QTextCursor c(document());
    if (!destacado.isEmpty()) {
        QTextCharFormat f;
        f.setFontWeight(QFont::DemiBold);
        c.insertText(destacado, f);
    }
    c.insertText(texto, QTextCharFormat());
    bloque_.texto = texto;
    avisarTamano();
}

// Redraws the line from its settled point: the marks before it cannot
// change, so a fragment costs what it adds, not the whole line. A long
// addition (a draw that comes late) goes in pieces, each cut at a wrap
// point: a line with no break opportunity costs Qt a scan of the rest of
// the document block for every visual line.
void TextoSeleccionable::extenderLinea(QStringView mas)
{
    while (mas.size() > largoPartir) {
        qsizetype n = largoPartir;
        if (mas[n - 1].isHighSurrogate())
            --n;
        extenderTrozo(mas.first(n));
        mas = mas.sliced(n);
    }
    extenderTrozo(mas);
}

void TextoSeleccionable::extenderTrozo(QStringView mas)
{
    linea_ += mas;
    qsizetype estable = 0;
    const QList<TextoMarkdown::Tramo> tramos = TextoMarkdown::enLinea(linea_, estable_, estable);
    QTextCursor c(document());
    // One edit: the block is laid out once, not after every run inserted
    // nor again after the cut, which the layout of the last edit places.
    c.beginEditBlock();
    partirLineaLarga();
    c.setPosition(posEstable_);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    insertarTramos(tramos, estable);
    c.endEditBlock();
    estable_ = estable;
}

void TextoSeleccionable::insertarTramos(const QList<TextoMarkdown::Tramo>& tramos, qsizetype estable)
{
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    for (const TextoMarkdown::Tramo& t : tramos) {
        if (t.origen < estable)
            posEstable_ += int(t.texto.size());
        c.insertText(t.texto, formato(t));
    }
}

QTextCharFormat TextoSeleccionable::formato(const TextoMarkdown::Tramo& t) const
{
    QTextCharFormat f;
    if (t.negrita)
        f.setFontWeight(QFont::Bold);
    if (t.cursiva)
        f.setFontItalic(true);
    if (t.tachado)
        f.setFontStrikeOut(true);
    if (t.codigo) {
        f.setFontFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
        f.setBackground(palette().color(QPalette::AlternateBase));
    }
    if (!t.enlace.isEmpty() && TextoMarkdown::enlaceAbrible(t.enlace)) {
        f.setAnchor(true);
        f.setAnchorHref(t.enlace);
        f.setToolTip(t.enlace);
        f.setFontUnderline(true);
        f.setForeground(palette().color(QPalette::Link));
    }
    return f;
}

// The last document block is cut at a visual line start whose line lies
// wholly in the settled part: the text wraps there already and nothing
// later can move that wrap point, so the cut does not show, and later
// fragments lay out only the short rest. Looked for from the end, so a
// long unsettled tail (openers that may still close) is cut as well. Runs
// inside an edit, on the layout the previous edit left.
void TextoSeleccionable::partirLineaLarga()
{
    const QTextBlock ultimo = document()->lastBlock();
    if (ultimo.length() < largoPartir)
        return;
    document()->documentLayout()->blockBoundingRect(ultimo);
    const QTextLayout* capa = ultimo.layout();
    if (!capa)
        return;
    const int estable = posEstable_ - ultimo.position();
    int linea = capa->lineCount() - 2;
    while (linea > 0 && capa->lineAt(linea + 1).textStart() > estable)
        --linea;
    if (linea <= 0)
        return;
    QTextCursor c(document());
    c.setPosition(ultimo.position() + capa->lineAt(linea).textStart());
    QTextBlockFormat continua = ultimo.blockFormat();
    continua.setProperty(propiedadContinua, true);
    c.insertBlock(continua, c.charFormat());
    ++posEstable_;
    partido_ = true;
}

// Tells the layouts only when the size they would get changed: most
// fragments extend a line without making the text taller, and every
// notice lays out the answer and the list that hold it again.
void TextoSeleccionable::avisarTamano()
{
    if (!testAttribute(Qt::WA_Resized)) {
        avisado_ = QSize();
        updateGeometry();
        return;
    }
    const QTextDocument* d = document();
    const QSize ahora(lineWrapMode() == QTextEdit::NoWrap ? int(std::ceil(d->idealWidth())) : 0,
                      int(std::ceil(d->size().height())));
    if (ahora == avisado_)
        return;
    avisado_ = ahora;
    updateGeometry();
}

void TextoSeleccionable::resizeEvent(QResizeEvent* e)
{
    QTextBrowser::resizeEvent(e);
    // Splits made at the old wrap points would show as short lines.
    if (partido_ && e->oldSize().width() != e->size().width()) {
        const TextoMarkdown::Bloque b = bloque_;
        preparar(b.tipo);
        anexar(b.texto);
    }
    avisarTamano();
}

QMimeData* TextoSeleccionable::createMimeDataFromSelection() const
{
    const QTextCursor seleccion = textCursor();
    if (!seleccion.hasSelection())
        return QTextBrowser::createMimeDataFromSelection();
    // The selection alone is copied and its added breaks dropped, from the
    // end so earlier positions stay valid; its first block continues
    // nothing that was selected.
    QTextDocument copia;
    QTextCursor c(&copia);
    c.insertFragment(seleccion.selection());
    QList<int> saltos;
    for (QTextBlock b = copia.firstBlock().next(); b.isValid(); b = b.next())
        if (b.blockFormat().boolProperty(propiedadContinua))
            saltos << b.position() - 1;
    for (qsizetype i = saltos.size() - 1; i >= 0; --i) {
        c.setPosition(saltos[i]);
        c.deleteChar();
    }
    const QTextDocumentFragment limpia(&copia);
    auto* datos = new QMimeData;
    datos->setText(limpia.toPlainText());
    datos->setHtml(limpia.toHtml());
    return datos;
}

int TextoSeleccionable::heightForWidth(int ancho) const
{
    QTextDocument* d = document();
    if (lineWrapMode() == QTextEdit::NoWrap || qFuzzyCompare(d->textWidth(), qreal(ancho)))
        return int(std::ceil(d->size().height()));
    for (const Medida& m : medidas_)
        if (m.revision == d->revision() && m.ancho == ancho)
            return m.alto;
    int alto = 0;
    if (d->characterCount() <= largoMedible) {
        // Measured on a copy: the shown document keeps its width and layout.
        std::unique_ptr<QTextDocument> copia(d->clone());
        copia->setTextWidth(ancho);
        alto = int(std::ceil(copia->size().height()));
    } else {
        // A long answer is not laid out again at every width a layout asks
        // about; its height scales with the width until it gets that width.
        const qreal actual = std::max<qreal>(d->textWidth(), 1);
        alto = int(std::ceil(d->size().height() * actual / std::max(ancho, 1)));
    }
    medidas_[siguienteMedida_] = {d->revision(), ancho, alto};
    siguienteMedida_ = (siguienteMedida_ + 1) % medidas_.size();
    return alto;
}

// A wrapping text hints the width it has: layouts ask the height for the
// hinted width, and any other one would lay the text out a second time.
// Before a layout gives it a width its height means nothing, and is not
// worth laying the text out at the width it happens to have.
QSize TextoSeleccionable::sizeHint() const
{
    const bool sinAncho = !testAttribute(Qt::WA_Resized) && !isVisible();
    if (lineWrapMode() == QTextEdit::NoWrap)
        return {int(std::ceil(document()->idealWidth())), heightForWidth(width())};
    if (sinAncho)
        return {QTextBrowser::sizeHint().width(), 0};
    return {width(), heightForWidth(width())};
}

QSize TextoSeleccionable::minimumSizeHint() const
{
    const bool sinAncho = !testAttribute(Qt::WA_Resized) && !isVisible();
    return {40, sinAncho && lineWrapMode() != QTextEdit::NoWrap ? 0 : heightForWidth(width())};
}
