#include "app/PantallaVacia.h"

#include "vistas/BotonMicrofono.h"
#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"
#include "projects/ModoProyectos.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

const PantallaVacia::Ideas& PantallaVacia::ideasPorDefecto()
{
    static const Ideas ideas{
        {QStringLiteral("cube.transparent"), QStringLiteral("Modela en Blender una taza con mi logo")},
        {QStringLiteral("printer.filled.and.paper"), QStringLiteral("Diseña un soporte para celular e imprímelo")},
        {QStringLiteral("doc.richtext"), QStringLiteral("Crea un informe en Word con lo que hicimos hoy")},
        {QStringLiteral("chart.bar.doc.horizontal"), QStringLiteral("Arma un presupuesto en Excel para el proyecto")},
    };
    return ideas;
}

QString PantallaVacia::titulo(bool activo, const QString& transcripcion)
{
    if (!activo)
        return QStringLiteral("¿Qué construimos hoy?");
    return transcripcion.isEmpty() ? QStringLiteral("Te escucho") : QStringLiteral("…");
}

QString PantallaVacia::subtitulo(bool activo, const QString& transcripcion)
{
    if (!activo)
        return QStringLiteral("La escucha está en pausa. Pulsa el micrófono para que la zuvi te escuche siempre.");
    if (transcripcion.isEmpty())
        return QStringLiteral("Habla cuando quieras: al hacer una pausa, lo envío. Di «Oye Zuvi» para la zuvi inmersiva.");
    return QStringLiteral("«") + transcripcion + QStringLiteral("»");
}

PantallaVacia::PantallaVacia(const Entorno& entorno, const Ideas& ideas, QWidget* parent)
    : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("pantallaVacia"));
    auto* pila = new QVBoxLayout(this);
    pila->setContentsMargins(30, 30, 30, 30);
    pila->setSpacing(26);
    pila->addStretch(1);
    microfono_ = new BotonMicrofono(entorno_, 104, true, this);
    pila->addWidget(microfono_, 0, Qt::AlignHCenter);

    auto* textos = new QVBoxLayout;
    textos->setSpacing(6);
    titulo_ = new QLabel(this);
    titulo_->setObjectName(QStringLiteral("tituloVacia"));
    titulo_->setTextFormat(Qt::PlainText);
    titulo_->setAlignment(Qt::AlignCenter);
    QFont grande = titulo_->font();
    grande.setPointSizeF(grande.pointSizeF() * 2.2);
    grande.setWeight(QFont::DemiBold);
    titulo_->setFont(grande);
    subtitulo_ = new QLabel(this);
    subtitulo_->setObjectName(QStringLiteral("subtituloVacia"));
    subtitulo_->setTextFormat(Qt::PlainText);
    subtitulo_->setAlignment(Qt::AlignCenter);
    subtitulo_->setWordWrap(true);
    subtitulo_->setMaximumWidth(520);
    subtitulo_->setMaximumHeight(subtitulo_->fontMetrics().lineSpacing() * 3 + 2);
    QPalette tenue = subtitulo_->palette();
    tenue.setColor(QPalette::WindowText, tenue.color(QPalette::PlaceholderText));
    subtitulo_->setPalette(tenue);
    textos->addWidget(titulo_);
    // Centred by stretches, not an alignment: an aligned item gets its size
    // hint's height, not the height its lines need at the width it gets.
    auto* centrado = new QHBoxLayout;
    centrado->addStretch(1);
    centrado->addWidget(subtitulo_, 100);
    centrado->addStretch(1);
    textos->addLayout(centrado);
    pila->addLayout(textos);

    auto* cuadricula = new QWidget(this);
    cuadricula->setObjectName(QStringLiteral("ideas"));
    cuadricula->setMaximumWidth(580);
    auto* rejilla = new QGridLayout(cuadricula);
    rejilla->setContentsMargins(0, 0, 0, 0);
    rejilla->setSpacing(10);
    for (qsizetype i = 0; i < ideas.size(); ++i) {
        const auto& [simbolo, instruccion] = ideas[i];
        auto* chip = new QPushButton(Iconos::icono(simbolo), instruccion, cuadricula);
        chip->setObjectName(QStringLiteral("idea%1").arg(i));
        chip->setFlat(true);
        chip->setCursor(Qt::PointingHandCursor);
        chip->setMinimumWidth(180);
        // Both columns share the width alike, whatever their texts.
        chip->setSizePolicy(QSizePolicy::Ignored, chip->sizePolicy().verticalPolicy());
        chip->setProperty("idea", instruccion);
        chip->installEventFilter(this);
        chip->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 12px; border-radius: 10px; "
                                           "background: palette(alternate-base); }"));
        // The assistant refuses it while a turn runs.
        connect(chip, &QPushButton::clicked, this,
                [this, instruccion] { entorno_.asistente.enviar(instruccion, std::nullopt, std::nullopt); });
        rejilla->addWidget(chip, int(i / 2), int(i % 2));
        chips_ << chip;
    }
    // Centred by stretches too, so the chips get the width there is (up to
    // the grid's maximum) rather than their smallest.
    auto* filaIdeas = new QHBoxLayout;
    filaIdeas->addStretch(1);
    filaIdeas->addWidget(cuadricula, 100);
    filaIdeas->addStretch(1);
    pila->addLayout(filaIdeas);
    pila->addStretch(1);

    connect(&entorno_.modo, &ModoProyectos::activoCambiado, this, &PantallaVacia::seguir);
    connect(&entorno_.modo, &ModoProyectos::transcripcionCambiada, this, &PantallaVacia::seguir);
    seguir();
}

void PantallaVacia::seguir()
{
    const bool activo = entorno_.modo.activo();
    const QString t = entorno_.modo.transcripcion();
    titulo_->setText(titulo(activo, t));
    subtitulo_->setText(subtitulo(activo, t));
}

bool PantallaVacia::eventFilter(QObject* objeto, QEvent* evento)
{
    if (evento->type() == QEvent::Resize)
        if (auto* chip = qobject_cast<QPushButton*>(objeto); chip && chips_.contains(chip))
            recortarIdea(chip);
    return QWidget::eventFilter(objeto, evento);
}

void PantallaVacia::recortarIdea(QPushButton* chip)
{
    const QString idea = chip->property("idea").toString();
    const QFontMetrics fm = chip->fontMetrics();
    // What the chip draws besides its text: icon, padding, frame.
    const int resto = chip->sizeHint().width() - fm.horizontalAdvance(chip->text());
    const QString texto = fm.elidedText(idea, Qt::ElideRight, chip->width() - resto);
    chip->setText(texto);
    chip->setToolTip(texto == idea ? QString() : idea);
}

