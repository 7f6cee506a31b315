#include "settings/FilaOpcion.h"

#include "vistas/Iconos.h"
#include "settings/FormularioAjustes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FilaOpcion::FilaOpcion(const QString& titulo, const QString& detalle, bool elegida, bool aviso,
                       std::function<void()> accion, QWidget* parent)
    : QAbstractButton(parent), elegida_(elegida), aviso_(aviso)
{
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(titulo);
    setFocusPolicy(Qt::StrongFocus);
    QSizePolicy forma(QSizePolicy::Preferred, QSizePolicy::Preferred);
    forma.setHeightForWidth(true);  // the sentence wraps
    setSizePolicy(forma);
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 2, 0, 2);
    fila->setSpacing(10);
    marca_ = new QLabel(this);
    marca_->setObjectName(QStringLiteral("marca"));
    fila->addWidget(marca_, 0, Qt::AlignTop);
    auto* textos = new QVBoxLayout;
    textos->setSpacing(2);
    titulo_ = new QLabel(titulo, this);
    titulo_->setObjectName(QStringLiteral("titulo"));
    detalle_ = new QLabel(detalle, this);
    detalle_->setObjectName(QStringLiteral("detalle"));
    detalle_->setWordWrap(true);
    QFont chica = detalle_->font();
    chica.setPointSizeF(chica.pointSizeF() * 0.92);
    detalle_->setFont(chica);
    textos->addWidget(titulo_);
    textos->addWidget(detalle_);
    fila->addLayout(textos, 1);
    // The labels only draw: the row itself takes the mouse.
    for (QLabel* l : {marca_, titulo_, detalle_})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(this, &QAbstractButton::clicked, this, [accion = std::move(accion)] {
        if (accion)
            accion();
    });
    pintar();
}

void FilaOpcion::setElegida(bool valor)
{
    if (valor == elegida_)
        return;
    elegida_ = valor;
    pintar();
}

QString FilaOpcion::detalle() const
{
    return detalle_->text();
}

void FilaOpcion::pintar()
{
    const QString simbolo = elegida_ ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
    marca_->setPixmap(Iconos::icono(simbolo).pixmap(QSize(20, 20), devicePixelRatioF(),
                                                     elegida_ ? QIcon::Active : QIcon::Disabled));
    marca_->setProperty("simbolo", simbolo);
    FormularioAjustes::colorear(detalle_, enNaranja() ? FormularioAjustes::naranja() : FormularioAjustes::secundario());
}
