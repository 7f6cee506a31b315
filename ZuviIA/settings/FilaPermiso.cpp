#include "settings/FilaPermiso.h"

#include "vistas/Iconos.h"
#include "settings/FormularioAjustes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPixmap tenido(const QString& simbolo, const QColor& color)
{
    const QPixmap mapa = Iconos::icono(simbolo).pixmap(18, 18);
    if (mapa.isNull())
        return mapa;
    QPixmap r(mapa.size());
    r.setDevicePixelRatio(mapa.devicePixelRatio());
    r.fill(color);
    r.setMask(mapa.createMaskFromColor(Qt::transparent));
    return r;
}

QLabel* secundaria(const QString& texto, QWidget* parent)
{
    QLabel* l = FormularioAjustes::nota(texto, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}

FilaPermiso::FilaPermiso(const Datos& datos, AbrirPanel abrirPanel, QWidget* parent) : QWidget(parent), datos_(datos)
{
    setObjectName(QStringLiteral("filaPermiso"));
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(0, 3, 0, 3);
    auto* marca = new QLabel(this);
    marca->setObjectName(QStringLiteral("marca"));
    marca->setPixmap(datos.ok ? tenido(QStringLiteral("checkmark.circle.fill"), QColor(0x34, 0xc7, 0x59))
                              : tenido(QStringLiteral("exclamationmark.circle.fill"), QColor(0xff, 0x95, 0x00)));
    capa->addWidget(marca, 0, Qt::AlignVCenter);

    auto* columna = new QVBoxLayout;
    columna->setSpacing(1);
    auto* nombre = new QLabel(datos.nombre, this);
    nombre->setObjectName(QStringLiteral("nombre"));
    columna->addWidget(nombre);
    if (!datos.ok && !datos.ayuda.isEmpty()) {
        auto* ayuda = secundaria(datos.ayuda, this);
        ayuda->setObjectName(QStringLiteral("ayuda"));
        ayuda->setWordWrap(true);
        columna->addWidget(ayuda);
    }
    capa->addLayout(columna, 1);

    if (datos.ok) {
        auto* concedido = secundaria(QStringLiteral("Concedido"), this);
        concedido->setObjectName(QStringLiteral("concedido"));
        capa->addWidget(concedido, 0, Qt::AlignVCenter);
    } else if (!datos.panel.isEmpty()) {
        auto* abrir = new QPushButton(QStringLiteral("Abrir configuración"), this);
        abrir->setObjectName(QStringLiteral("abrirConfiguracion"));
        connect(abrir, &QPushButton::clicked, this, [abrirPanel, panel = datos.panel] {
            if (abrirPanel)
                abrirPanel(panel);
        });
        capa->addWidget(abrir, 0, Qt::AlignVCenter);
    }
}
