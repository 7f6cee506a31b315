#include "app/BurbujaMensaje.h"

#include "vistas/Iconos.h"
#include "vistas/IndicadorActividad.h"
#include "app/TextoMarkdown.h"
#include "app/TextoSeleccionable.h"
#include "assistant/AsistenteVoz.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPalette secundaria(QPalette p, QPalette::ColorRole rol = QPalette::WindowText)
{
    p.setColor(rol, p.color(QPalette::PlaceholderText));
    return p;
}

QLabel* avatar(const Mensaje& m, QWidget* parent)
{
    auto* a = new QLabel(parent);
    a->setObjectName(QStringLiteral("avatar"));
    a->setFixedSize(28, 28);
    a->setAlignment(Qt::AlignCenter);
    const bool error = m.rol == Mensaje::Rol::error;
    const QString simbolo = error ? QStringLiteral("exclamationmark.triangle.fill")
        : m.agente == AgenteCLI::codex ? QStringLiteral("chevron.left.forwardslash.chevron.right")
                                        : QStringLiteral("sparkle");
    a->setProperty("simbolo", simbolo);
    a->setPixmap(Iconos::icono(simbolo).pixmap(15, 15));
    a->setStyleSheet(error ? QStringLiteral("QLabel { background: rgba(255,149,0,38); border-radius: 14px; }")
                           : QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
                                            "stop:0 palette(highlight), stop:1 palette(link)); border-radius: 14px; }"));
    return a;
}

QToolButton* accion(const QString& simbolo, const QString& ayuda, const QString& nombre, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(nombre);
    b->setIcon(Iconos::icono(simbolo));
    b->setToolTip(ayuda);
    b->setAccessibleName(ayuda);
    b->setAutoRaise(true);
    return b;
}

}

BurbujaMensaje::BurbujaMensaje(const Mensaje& mensaje, AsistenteVoz& voz, QWidget* parent)
    : QWidget(parent), voz_(voz), id_(mensaje.id), rol_(mensaje.rol), autor_(mensaje.autor)
{
    setObjectName(QStringLiteral("burbuja"));
    switch (rol_) {
    case Mensaje::Rol::usuario:
        construirUsuario(mensaje);
        break;
    case Mensaje::Rol::acta:
        construirActa(mensaje);
        break;
    case Mensaje::Rol::agente:
    case Mensaje::Rol::error:
        construirAgente(mensaje);
        break;
    }
}

void BurbujaMensaje::construirUsuario(const Mensaje& m)
{
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->addSpacing(80);
    fila->addStretch(1);
    auto* columna = new QVBoxLayout;
    columna->setSpacing(3);
    if (m.autor) {
        auto* autor = new QLabel(*m.autor, this);
        autor->setObjectName(QStringLiteral("autor"));
        autor->setTextFormat(Qt::PlainText);
        QFont f = autor->font();
        f.setPointSizeF(f.pointSizeF() * 0.9);
        f.setWeight(QFont::DemiBold);
        autor->setFont(f);
        autor->setPalette(secundaria(autor->palette()));
        columna->addWidget(autor, 0, Qt::AlignRight);
    }
    plano_ = new QLabel(m.texto, this);
    plano_->setObjectName(QStringLiteral("textoUsuario"));
    plano_->setTextFormat(Qt::PlainText);
    plano_->setWordWrap(true);
    plano_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    plano_->setStyleSheet(QStringLiteral("QLabel { color: white; background: palette(highlight); "
                                         "border-radius: 16px; padding: 9px 14px; }"));
    ajustarAncho();
    columna->addWidget(plano_, 0, Qt::AlignRight);
    fila->addLayout(columna);
}

// A wrapping label asks for little width; a short instruction keeps one line.
void BurbujaMensaje::ajustarAncho()
{
    int ancho = 0;
    for (const QString& linea : plano_->text().split(u'\n'))
        ancho = std::max(ancho, plano_->fontMetrics().horizontalAdvance(linea));
    plano_->setMinimumWidth(std::min(ancho + 40, 520));
}

void BurbujaMensaje::construirActa(const Mensaje& m)
{
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(6, 0, 6, 0);
    fila->setSpacing(6);
    auto* cita = new QLabel(this);
    cita->setPixmap(Iconos::icono(QStringLiteral("text.quote")).pixmap(12, 12));
    fila->addWidget(cita, 0, Qt::AlignTop);
    acta_ = new TextoSeleccionable(this);
    acta_->setObjectName(QStringLiteral("textoActa"));
    acta_->setSecundario(true);
    textoActa_ = m.texto;
    acta_->mostrarPlano(m.texto, m.autor.value_or(QStringLiteral("Alguien")) + QStringLiteral(": "));
    fila->addWidget(acta_, 1);
    auto* hora = new QLabel(QLocale().toString(m.fecha.toLocalTime().time(), QLocale::ShortFormat), this);
    hora->setObjectName(QStringLiteral("horaActa"));
    hora->setTextFormat(Qt::PlainText);
    QFont f = hora->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    hora->setFont(f);
    hora->setPalette(secundaria(hora->palette()));
    fila->addWidget(hora, 0, Qt::AlignTop);
}

void BurbujaMensaje::construirAgente(const Mensaje& m)
{
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(12);
    fila->addWidget(avatar(m, this), 0, Qt::AlignTop);
    auto* columna = new QVBoxLayout;
    columna->setSpacing(8);
    markdown_ = new TextoMarkdown(this);
    markdown_->setSecundario(rol_ == Mensaje::Rol::error);
    markdown_->setTexto(m.texto);
    markdown_->setVisible(!m.texto.isEmpty());
    // Only web and mail links reach here.
    connect(markdown_, &TextoMarkdown::enlaceActivado, this,
            [](const QString& destino) {
                if (TextoMarkdown::enlaceAbrible(destino))
                    QDesktopServices::openUrl(QUrl(destino.trimmed(), QUrl::StrictMode));
            });
    columna->addWidget(markdown_);
    indicador_ = new IndicadorActividad(this);
    indicador_->hide();
    columna->addWidget(indicador_);
    if (rol_ == Mensaje::Rol::agente) {
        acciones_ = new QWidget(this);
        acciones_->setObjectName(QStringLiteral("acciones"));
        auto* botones = new QHBoxLayout(acciones_);
        botones->setContentsMargins(0, 0, 0, 0);
        botones->setSpacing(14);
        leer_ = accion(QStringLiteral("speaker.wave.2"), QStringLiteral("Leer en voz alta"), QStringLiteral("leer"),
                       acciones_);
        connect(leer_, &QToolButton::clicked, this, [this] { voz_.hablar(texto()); });
        copiar_ = accion(QStringLiteral("doc.on.doc"), QStringLiteral("Copiar"), QStringLiteral("copiar"), acciones_);
        connect(copiar_, &QToolButton::clicked, this, &BurbujaMensaje::copiar);
        botones->addWidget(leer_);
        botones->addWidget(copiar_);
        botones->addStretch(1);
        // Invisible until the pointer is over the bubble, but keeping its place.
        QSizePolicy p = acciones_->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        acciones_->setSizePolicy(p);
        columna->addWidget(acciones_);
    }
    fila->addLayout(columna, 1);
    fila->addSpacing(40);
    seguirEstado();
}

bool BurbujaMensaje::actualizar(const Mensaje& m)
{
    if (m.rol != rol_ || m.autor != autor_)
        return false;
    if (plano_) {
        if (plano_->text() != m.texto) {
            plano_->setText(m.texto);
            ajustarAncho();
        }
    } else if (acta_) {
        if (textoActa_ != m.texto) {
            textoActa_ = m.texto;
            acta_->mostrarPlano(m.texto, m.autor.value_or(QStringLiteral("Alguien")) + QStringLiteral(": "));
        }
    } else if (markdown_) {
        markdown_->setTexto(m.texto);
        markdown_->setVisible(!m.texto.isEmpty());
    }
    return true;
}

void BurbujaMensaje::setEscribiendo(bool escribiendo)
{
    // Only answers and errors carry the indicator.
    escribiendo = escribiendo && markdown_;
    if (escribiendo_ == escribiendo)
        return;
    escribiendo_ = escribiendo;
    seguirEstado();
}

void BurbujaMensaje::setActividad(const std::optional<QString>& actividad)
{
    if (indicador_)
        indicador_->setTexto(actividad.value_or(QStringLiteral("Escribiendo…")));
}

void BurbujaMensaje::seguirEstado()
{
    if (indicador_)
        indicador_->setVisible(escribiendo_);
    if (acciones_)
        acciones_->setVisible(!escribiendo_ && sobre_);
    // The row keeps its place only where it shows at all.
    if (acciones_) {
        QSizePolicy p = acciones_->sizePolicy();
        p.setRetainSizeWhenHidden(!escribiendo_);
        acciones_->setSizePolicy(p);
    }
}

QString BurbujaMensaje::texto() const
{
    if (plano_)
        return plano_->text();
    if (acta_)
        return textoActa_;
    return markdown_ ? markdown_->texto() : QString();
}

void BurbujaMensaje::copiar() const
{
    QClipboard* portapapeles = QApplication::clipboard();
    portapapeles->clear();
    portapapeles->setText(texto());
}

void BurbujaMensaje::enterEvent(QEnterEvent* e)
{
    sobre_ = true;
    seguirEstado();
    QWidget::enterEvent(e);
}

void BurbujaMensaje::leaveEvent(QEvent* e)
{
    sobre_ = false;
    seguirEstado();
    QWidget::leaveEvent(e);
}
