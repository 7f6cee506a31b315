#include "setup/PasoBienvenida.h"

#include "setup/Rotulos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PasoBienvenida::PasoBienvenida(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pasoBienvenida"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 30, 0, 0);
    capa->setSpacing(18);
    capa->addWidget(Rotulos::simbolo(QStringLiteral("waveform.circle.fill"), 84, this), 0, Qt::AlignHCenter);
    auto* titulo = Rotulos::texto(QStringLiteral("Zuvi inmersiva de IA"), this);
    Rotulos::fuente(titulo, 2.2, QFont::Bold);
    titulo->setAlignment(Qt::AlignCenter);
    capa->addWidget(titulo);
    auto* texto = Rotulos::texto(
        QStringLiteral("Di «Oye Zuvi» y la zuvi te recibe, sabe con quién trabaja y queda escuchando: tú hablas y los "
                       "agentes de IA construyen, controlando tu computador, Office, Blender y tu impresora 3D.\n\n"
                       "En unos minutos dejaremos todo instalado y conectado."),
        this, Rotulos::Estilo::secundario);
    texto->setObjectName(QStringLiteral("textoBienvenida"));
    texto->setAlignment(Qt::AlignCenter);
    texto->setMaximumWidth(460);
    // Centred by stretches, not an alignment: an aligned item gets its size
    // hint's height, not the height its lines need at the width it gets.
    auto* centrado = new QHBoxLayout;
    centrado->addStretch(1);
    centrado->addWidget(texto, 100);
    centrado->addStretch(1);
    capa->addLayout(centrado);
    capa->addStretch(1);
}
