#include "setup/PasoListo.h"

#include "vistas/Iconos.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

struct Frase {
    const char* frase;
    const char* detalle;
};

constexpr Frase frases[] = {
    {"Oye Zuvi", "la zuvi te recibe y queda escuchando"},
    {"Cambiar de persona", "para que trabaje con otra persona"},
    {"Terminamos por hoy", "para cerrar la zuvi"},
    {"Ctrl+Mayús+P", "dentro de la app, sin el lanzador"},
};

QFrame* tarjetaFrases(QWidget* padre)
{
    auto* tarjeta = new QFrame(padre);
    tarjeta->setObjectName(QStringLiteral("frases"));
    tarjeta->setStyleSheet(QStringLiteral("#frases { background: palette(alternate-base); border-radius: 12px; }"));
    auto* rejilla = new QGridLayout(tarjeta);
    rejilla->setContentsMargins(18, 18, 18, 18);
    rejilla->setVerticalSpacing(10);
    int fila = 0;
    for (const Frase& f : frases) {
        auto* simbolo = new QLabel(tarjeta);
        simbolo->setPixmap(Iconos::icono(QStringLiteral("quote.opening")).pixmap(16, 16));
        auto* frase = new QLabel(QString::fromUtf8(f.frase), tarjeta);
        QFont negrita = frase->font();
        negrita.setWeight(QFont::DemiBold);
        frase->setFont(negrita);
        auto* detalle = new QLabel(QString::fromUtf8(f.detalle), tarjeta);
        detalle->setForegroundRole(QPalette::PlaceholderText);
        rejilla->addWidget(simbolo, fila, 0);
        rejilla->addWidget(frase, fila, 1);
        rejilla->addWidget(detalle, fila, 2);
        ++fila;
    }
    rejilla->setColumnStretch(2, 1);
    return tarjeta;
}

}

PasoListo::PasoListo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pasoListo"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 20, 0, 0);
    capa->setSpacing(16);

    auto* sello = new QLabel(this);
    sello->setPixmap(Iconos::icono(QStringLiteral("checkmark.seal.fill")).pixmap(72, 72));
    sello->setAlignment(Qt::AlignCenter);
    capa->addWidget(sello);

    auto* titulo = new QLabel(QStringLiteral("Todo listo"), this);
    QFont grande = titulo->font();
    grande.setPointSizeF(grande.pointSizeF() * 2.2);
    grande.setBold(true);
    titulo->setFont(grande);
    titulo->setAlignment(Qt::AlignCenter);
    capa->addWidget(titulo);
    capa->addWidget(tarjetaFrases(this), 0, Qt::AlignHCenter);
    capa->addStretch(1);
}
