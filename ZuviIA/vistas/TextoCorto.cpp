#include "vistas/TextoCorto.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QTextLayout>

TextoCorto::TextoCorto(int lineas, QWidget* parent) : QLabel(parent), lineas_(std::max(1, lineas))
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setOpenExternalLinks(false);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TextoCorto::setCompleto(const QString& texto)
{
    if (texto == completo_)
        return;
    completo_ = texto;
    ajustar();
    updateGeometry();
}

QString TextoCorto::recortar(const QString& texto, const QFont& fuente, int ancho, int lineas)
{
    // Line breaks of the text count as breaks; other controls would draw as boxes.
    QString plano = texto;
    plano.replace(QLatin1String("\r\n"), QStringLiteral("\n"));
    plano.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plano.replace(QLatin1Char('\n'), QChar::LineSeparator);
    const QFontMetrics medidas(fuente);
    ancho = std::max(ancho, medidas.horizontalAdvance(QStringLiteral("MMMM")));
    QTextLayout diseno(plano, fuente);
    QTextOption opcion;
    opcion.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    diseno.setTextOption(opcion);
    QStringList partes;
    diseno.beginLayout();
    for (QTextLine linea = diseno.createLine(); linea.isValid(); linea = diseno.createLine()) {
        linea.setLineWidth(ancho);
        if (partes.size() == lineas - 1) {
            // The last line holds the rest, elided on one line.
            QString resto = plano.mid(linea.textStart());
            const bool hayMas = resto.contains(QChar::LineSeparator);
            resto = resto.section(QChar::LineSeparator, 0, 0);
            const QString elipsis(QChar(0x2026));
            partes << (hayMas && medidas.horizontalAdvance(resto + elipsis) <= ancho
                           ? resto + elipsis
                           : medidas.elidedText(resto, Qt::ElideRight, ancho));
            break;
        }
        partes << plano.mid(linea.textStart(), linea.textLength()).remove(QChar::LineSeparator).trimmed();
    }
    diseno.endLayout();
    return partes.join(QLatin1Char('\n'));
}

QSize TextoCorto::sizeHint() const
{
    const QFontMetrics medidas(font());
    const int filas = std::max<qsizetype>(1, text().count(QLatin1Char('\n')) + 1);
    return {std::min(medidas.horizontalAdvance(completo_), 420), int(filas * medidas.lineSpacing())};
}

QSize TextoCorto::minimumSizeHint() const { return {0, QFontMetrics(font()).lineSpacing()}; }

void TextoCorto::resizeEvent(QResizeEvent* e)
{
    QLabel::resizeEvent(e);
    if (e->size().width() != e->oldSize().width())
        ajustar();
}

void TextoCorto::ajustar()
{
    const QString cortado = recortar(completo_, font(), width() - 2, lineas_);
    // What is cut stays readable whole, never as markup. Breaking into
    // lines only moves spaces and line ends.
    const auto letras = [](QString t) { return t.remove(QRegularExpression(QStringLiteral("\\s"))); };
    setToolTip(letras(cortado) == letras(completo_) ? QString() : Qt::convertFromPlainText(completo_));
    if (cortado == text())
        return;
    const bool otraAltura = cortado.count(QLatin1Char('\n')) != text().count(QLatin1Char('\n'));
    setText(cortado);
    if (otraAltura)
        updateGeometry();
}
