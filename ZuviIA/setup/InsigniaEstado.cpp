#include "setup/InsigniaEstado.h"

#include "vistas/Iconos.h"
#include "vistas/IndicadorActividad.h"
#include "setup/Rotulos.h"
#include "vistas/Paleta.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr int anchoMaximo = 260;

// Drops the last character as the reader sees it, never half an emoji.
void quitarUltimo(QString& texto)
{
    QTextBoundaryFinder limites(QTextBoundaryFinder::Grapheme, texto);
    limites.toEnd();
    texto.truncate(std::max<qsizetype>(0, limites.toPreviousBoundary()));
}

InsigniaEstado::Vista girando()
{
    InsigniaEstado::Vista v;
    v.rueda = true;
    return v;
}

}

InsigniaEstado::Vista InsigniaEstado::vista(const std::optional<EstadoPaso>& estado)
{
    using T = EstadoPaso::Tipo;
    if (!estado || estado->es(T::comprobando) || estado->es(T::trabajando))
        return girando();
    switch (estado->tipo) {
    case T::falta:
        return {false, estado->texto.value_or(QStringLiteral("Pendiente")), QStringLiteral("circle.dashed"),
                Vista::Tono::secundario, 1};
    case T::listo:
        return {false, estado->texto.value_or(QStringLiteral("Listo")), QStringLiteral("checkmark.circle.fill"),
                Vista::Tono::verde, 1};
    case T::error:
        return {false, estado->texto.value_or(QString()), QStringLiteral("exclamationmark.triangle.fill"),
                Vista::Tono::naranja, 2};
    default: return girando();
    }
}

InsigniaEstado::InsigniaEstado(const std::optional<EstadoPaso>& estado, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("insignia"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(5);
    rueda_ = new IndicadorActividad(this);
    icono_ = new QLabel(this);
    icono_->setFixedSize(16, 16);
    texto_ = Rotulos::texto(QString(), this);
    texto_->setObjectName(QStringLiteral("textoInsignia"));
    fila->addWidget(rueda_);
    fila->addWidget(icono_, 0, Qt::AlignTop);
    fila->addWidget(texto_, 1);
    estado_ = estado;
    mostrar();
}

void InsigniaEstado::setEstado(const std::optional<EstadoPaso>& estado)
{
    if (estado == estado_)
        return;
    estado_ = estado;
    mostrar();
}

bool InsigniaEstado::muestraRueda() const { return !rueda_->isHidden(); }

void InsigniaEstado::mostrar()
{
    vista_ = vista(estado_);
    rueda_->setVisible(vista_.rueda);
    icono_->setVisible(!vista_.rueda);
    texto_->setVisible(!vista_.rueda);
    if (vista_.rueda)
        return;
    icono_->setPixmap(Iconos::icono(vista_.simbolo).pixmap(16, 16));
    const QColor c = vista_.tono == Vista::Tono::verde ? Rotulos::verde
        : vista_.tono == Vista::Tono::naranja          ? Rotulos::naranja
                                                       : Rotulos::secundario(this);
    Paleta::colorear(texto_, c);
    ajustarTexto();
}

void InsigniaEstado::ajustarTexto()
{
    // A detail keeps one line, an error two; the rest is elided.
    const QFontMetrics m(texto_->font());
    // The nearest column with a width limit bounds the text; the badge's own
    // width follows the text, so it cannot be the measure.
    int ancho = anchoMaximo;
    for (const QWidget* w = this; w; w = w->parentWidget())
        if (w->maximumWidth() < QWIDGETSIZE_MAX) {
            ancho = std::clamp(w->maximumWidth() - icono_->width() - layout()->spacing(), 1, anchoMaximo);
            break;
        }
    texto_->setMinimumWidth(0);
    texto_->setMaximumWidth(ancho);
    QString mostrado = vista_.texto;
    if (vista_.lineas == 1) {
        texto_->setWordWrap(false);
        mostrado = m.elidedText(mostrado, Qt::ElideRight, ancho);
    } else {
        texto_->setWordWrap(true);
        // A wrapped label would otherwise take a narrower width of its own
        // choosing and need a third line.
        texto_->setFixedWidth(std::min(ancho, m.horizontalAdvance(mostrado) + 2));
        const auto alto = [&](const QString& t) {
            return m.boundingRect(QRect(0, 0, ancho, 10000), Qt::TextWordWrap, t).height();
        };
        if (alto(mostrado) > 2 * m.lineSpacing()) {
            while (!mostrado.isEmpty() && alto(mostrado + QStringLiteral("…")) > 2 * m.lineSpacing())
                quitarUltimo(mostrado);
            mostrado += QStringLiteral("…");
        }
    }
    texto_->setText(mostrado);
    // Outside text (an agent's output) must not be read as markup.
    texto_->setToolTip(mostrado == vista_.texto ? QString() : Qt::convertFromPlainText(vista_.texto));
}
