#include "app/Compositor.h"

#include "app/BarraHerramientas.h"
#include "vistas/BotonMicrofono.h"
#include "vistas/Iconos.h"
#include "vistas/Paleta.h"
#include "assistant/AsistenteVoz.h"
#include "audio/AudioDispositivos.h"
#include "plataforma/Ajustes.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Return sends; Shift+Return starts a new line.
class CampoTexto : public QPlainTextEdit {
public:
    CampoTexto(std::function<void()> alEnviar, QWidget* parent)
        : QPlainTextEdit(parent), alEnviar_(std::move(alEnviar))
    {
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        const bool retorno = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if (retorno && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            alEnviar_();
            e->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }

private:
    std::function<void()> alEnviar_;
};

QLabel* simbolo(const QString& nombre, QWidget* parent, int lado = 12)
{
    auto* l = new QLabel(parent);
    l->setPixmap(Iconos::icono(nombre).pixmap(lado, lado));
    l->setProperty("simbolo", nombre);
    return l;
}

QLabel* texto(const QString& t, QWidget* parent, const QString& nombre = {})
{
    auto* l = new QLabel(t, parent);
    l->setTextFormat(Qt::PlainText);
    if (!nombre.isEmpty())
        l->setObjectName(nombre);
    return l;
}

const QColor naranja(255, 149, 0);
const QColor verde(52, 199, 89);
const QColor morado(175, 82, 222);

}

QString Compositor::estadoTexto(bool activo, ModoProyectos::Estado estado)
{
    if (!activo)
        return QStringLiteral("En pausa");
    switch (estado) {
    case ModoProyectos::Estado::iniciando:
        return QStringLiteral("Preparando el micrófono…");
    case ModoProyectos::Estado::trabajando:
        return QStringLiteral("Trabajando… (te sigo escuchando)");
    case ModoProyectos::Estado::hablando:
        return QStringLiteral("Hablando");
    case ModoProyectos::Estado::inactivo:
    case ModoProyectos::Estado::preguntandoNombre:
    case ModoProyectos::Estado::escuchando:
        break;
    }
    return QStringLiteral("Escuchando");
}

QString Compositor::indicacion(bool activo)
{
    return activo ? QStringLiteral("Te escucho… habla cuando quieras, o escribe aquí")
                  : QStringLiteral("Escribe una instrucción (la escucha está en pausa)");
}

bool Compositor::puedeEnviar(const QString& texto)
{
    for (QChar c : texto)
        if (c != u' ' && c != u'\t')
            return true;
    return false;
}

Compositor::Compositor(const Entorno& entorno, QWidget* parent)
    : QWidget(parent), voz_(entorno.asistente), modo_(entorno.modo), ajustes_(entorno.ajustes)
{
    setObjectName(QStringLiteral("compositor"));
    auto* pila = new QVBoxLayout(this);
    pila->setContentsMargins(24, 8, 24, 14);
    pila->setSpacing(6);

    avisoSilencio_ = texto(QStringLiteral("El sonido del computador está en silencio: no vas a oír a la zuvi. Sube el volumen."),
                           this, QStringLiteral("avisoSilencio"));
    avisoSilencio_->setWordWrap(true);
    Paleta::colorear(avisoSilencio_, naranja);
    pila->addWidget(avisoSilencio_);

    transcripcion_ = texto(QString(), this, QStringLiteral("transcripcion"));
    transcripcion_->setWordWrap(true);
    transcripcion_->setMaximumHeight(transcripcion_->fontMetrics().lineSpacing() * 2 + 2);
    Paleta::colorear(transcripcion_, palette().color(QPalette::PlaceholderText));
    pila->addWidget(transcripcion_);

    // The capsule: microphone, text, send or stop.
    capsula_ = new QWidget(this);
    capsula_->setObjectName(QStringLiteral("capsula"));
    capsula_->setAttribute(Qt::WA_StyledBackground);
    auto* fila = new QHBoxLayout(capsula_);
    fila->setContentsMargins(6, 4, 8, 4);
    fila->setSpacing(10);
    boton_ = new BotonMicrofono(entorno, 34, true, capsula_);
    fila->addWidget(boton_, 0, Qt::AlignBottom);

    campo_ = new CampoTexto([this] { enviar(); }, capsula_);
    campo_->setObjectName(QStringLiteral("campoTexto"));
    campo_->setFrameShape(QFrame::NoFrame);
    campo_->setTabChangesFocus(true);
    campo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    campo_->viewport()->setAutoFillBackground(false);
    campo_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; padding-top: 8px; padding-bottom: 8px; }"));
    fila->addWidget(campo_, 1);

    enviar_ = new QToolButton(capsula_);
    enviar_->setObjectName(QStringLiteral("enviar"));
    enviar_->setIcon(Iconos::icono(QStringLiteral("arrow.up.circle.fill")));
    enviar_->setIconSize(QSize(26, 26));
    enviar_->setAutoRaise(true);
    enviar_->setToolTip(QStringLiteral("Enviar (Ctrl+↩)"));
    connect(enviar_, &QToolButton::clicked, this, &Compositor::enviar);
    fila->addWidget(enviar_, 0, Qt::AlignBottom);
    parar_ = new QToolButton(capsula_);
    parar_->setObjectName(QStringLiteral("detener"));
    parar_->setIcon(Iconos::icono(QStringLiteral("stop.circle.fill")));
    parar_->setIconSize(QSize(26, 26));
    parar_->setAutoRaise(true);
    parar_->setToolTip(QStringLiteral("Detener al agente"));
    connect(parar_, &QToolButton::clicked, this, [this] { voz_.cancelar(); });
    fila->addWidget(parar_, 0, Qt::AlignBottom);
    pila->addWidget(capsula_);

    // The shortcuts live in the window, so they work wherever the focus is.
    enviarAtajo_ = new QAction(QStringLiteral("Enviar"), this);
    enviarAtajo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    enviarAtajo_->setShortcutContext(Qt::WindowShortcut);
    connect(enviarAtajo_, &QAction::triggered, this, [this] {
        if (!voz_.ejecutando() && enviar_->isEnabled())
            enviar();
    });
    addAction(enviarAtajo_);
    detener_ = new QAction(QStringLiteral("Detener al agente"), this);
    detener_->setObjectName(QStringLiteral("accionDetener"));
    detener_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    detener_->setShortcutContext(Qt::WindowShortcut);
    connect(detener_, &QAction::triggered, this, [this] { voz_.cancelar(); });
    addAction(detener_);

    // The status row.
    auto* estado = new QWidget(this);
    estado->setObjectName(QStringLiteral("filaEstado"));
    auto* linea = new QHBoxLayout(estado);
    linea->setContentsMargins(0, 0, 0, 0);
    linea->setSpacing(6);
    linea->addStretch(1);
    punto_ = new QLabel(estado);
    punto_->setFixedSize(7, 7);
    linea->addWidget(punto_);
    estado_ = texto(QString(), estado, QStringLiteral("estadoTexto"));
    linea->addWidget(estado_);
    musica_ = new QWidget(estado);
    musica_->setObjectName(QStringLiteral("avisoMusica"));
    auto* filaMusica = new QHBoxLayout(musica_);
    filaMusica->setContentsMargins(0, 0, 0, 0);
    filaMusica->setSpacing(6);
    filaMusica->addWidget(texto(QStringLiteral("·"), musica_));
    filaMusica->addWidget(simbolo(QStringLiteral("music.note"), musica_));
    QLabel* textoMusica = texto(QStringLiteral("Música de fondo: dime «Zuvi» para hablarme"), musica_);
    Paleta::colorear(textoMusica, morado);
    filaMusica->addWidget(textoMusica);
    linea->addWidget(musica_);
    linea->addWidget(texto(QStringLiteral("·"), estado));
    simboloMicrofono_ = simbolo(QString(), estado);
    linea->addWidget(simboloMicrofono_);
    microfono_ = texto(QString(), estado, QStringLiteral("microfono"));
    linea->addWidget(microfono_);
    linea->addWidget(texto(QStringLiteral("·"), estado));
    simboloAgente_ = simbolo(QString(), estado);
    linea->addWidget(simboloAgente_);
    agente_ = texto(QString(), estado, QStringLiteral("agenteEstado"));
    linea->addWidget(agente_);
    linea->addWidget(texto(QStringLiteral("·"), estado));
    nivel_ = texto(QString(), estado, QStringLiteral("nivelEstado"));
    linea->addWidget(nivel_);
    linea->addStretch(1);
    QFont pequena = estado->font();
    pequena.setPointSizeF(pequena.pointSizeF() * 0.85);
    for (QLabel* l : estado->findChildren<QLabel*>())
        l->setFont(pequena);
    Paleta::colorear(estado, palette().color(QPalette::PlaceholderText));
    pila->addWidget(estado);

    connect(campo_, &QPlainTextEdit::textChanged, this, [this] {
        const QString t = campo_->toPlainText();
        if (t != voz_.texto())
            voz_.setTexto(t);
        ajustarAltura();
        seguirTurno();
    });
    connect(&voz_, &AsistenteVoz::textoCambiado, this, &Compositor::seguirTexto);
    connect(&voz_, &AsistenteVoz::ejecutandoCambiado, this, &Compositor::seguirTurno);
    connect(&voz_, &AsistenteVoz::leerRespuestaCambiado, this, &Compositor::seguirAviso);
    connect(&voz_, &AsistenteVoz::salidasCambiadas, this, &Compositor::seguirAviso);
    connect(&voz_, &AsistenteVoz::salidaUIDCambiado, this, &Compositor::seguirAviso);
    connect(&voz_, &AsistenteVoz::dispositivosCambiados, this, &Compositor::seguirEstado);
    connect(&voz_, &AsistenteVoz::dispositivoUIDCambiado, this, &Compositor::seguirEstado);
    connect(&voz_, &AsistenteVoz::agenteCambiado, this, &Compositor::seguirEstado);
    connect(&voz_, &AsistenteVoz::nivelCambiado, this, &Compositor::seguirEstado);
    connect(&modo_, &ModoProyectos::activoCambiado, this, &Compositor::seguirModo);
    connect(&modo_, &ModoProyectos::estadoCambiado, this, &Compositor::seguirEstado);
    connect(&modo_, &ModoProyectos::transcripcionCambiada, this, &Compositor::seguirModo);
    connect(&modo_, &ModoProyectos::musicaDeFondoCambiada, this, &Compositor::seguirEstado);
    connect(&ajustes_, &Ajustes::cambiado, this, [this](const QString& clave) {
        if (clave == u"ignorarMusica")
            seguirEstado();
    });
    // The volume keys change the output without any device coming or going.
    voz_.dispositivosSistema().observarSalidas([yo = QPointer<Compositor>(this)] {
        if (yo)
            yo->seguirAviso();
    });

    seguirTexto();
    seguirTurno();
    seguirModo();
    seguirAviso();
    ajustarAltura();
}

void Compositor::enviar()
{
    // A refused send leaves the text in the field.
    voz_.enviar();
}

void Compositor::seguirTexto()
{
    if (campo_->toPlainText() == voz_.texto())
        return;
    campo_->setPlainText(voz_.texto());
    campo_->moveCursor(QTextCursor::End);
}

void Compositor::seguirTurno()
{
    const bool ejecutando = voz_.ejecutando();
    enviar_->setVisible(!ejecutando);
    parar_->setVisible(ejecutando);
    detener_->setEnabled(ejecutando);
    const bool puede = puedeEnviar(voz_.texto());
    enviar_->setEnabled(puede);
    enviarAtajo_->setEnabled(!ejecutando && puede);
}

void Compositor::seguirModo()
{
    const bool activo = modo_.activo();
    campo_->setPlaceholderText(indicacion(activo));
    const QString t = modo_.transcripcion();
    transcripcion_->setVisible(activo && !t.isEmpty());
    transcripcion_->setText(QStringLiteral("«") + t + QStringLiteral("»"));
    capsula_->setStyleSheet(
        QStringLiteral("#capsula { background: palette(base); border-radius: 22px; border: 1px solid %1; }")
            .arg(activo ? QStringLiteral("rgba(52,199,89,115)") : QStringLiteral("rgba(128,128,128,64)")));
    seguirEstado();
}

void Compositor::seguirAviso()
{
    const std::optional<uint32_t> dispositivo = DispositivoAudio::idDe(voz_.salidas(), voz_.salidaUID());
    const bool leer = voz_.leerRespuesta();
    const auto aviso = avisoSonido(leer, !voz_.salidas().isEmpty(),
                                   leer && AudioDispositivos::salidaSilenciada(dispositivo, voz_.dispositivosSistema()));
    avisoSilencio_->setText(aviso.value_or(QString()));
    avisoSilencio_->setVisible(aviso.has_value());
}

std::optional<QString> Compositor::avisoSonido(bool leer, bool haySalida, bool silenciada)
{
    if (!leer)
        return std::nullopt;
    if (!haySalida)
        return QStringLiteral("No hay salida de sonido: no vas a oír a la zuvi. Conecta parlantes o audífonos.");
    if (silenciada)
        return QStringLiteral("El sonido del computador está en silencio: no vas a oír a la zuvi. Sube el volumen.");
    return std::nullopt;
}

void Compositor::seguirEstado()
{
    const bool activo = modo_.activo();
    punto_->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 3px; }")
                              .arg(activo ? verde.name() : QStringLiteral("palette(mid)")));
    estado_->setText(estadoTexto(activo, modo_.estado()));
    musica_->setVisible(activo && modo_.musicaDeFondo() && ModoProyectos::ignorarMusica(ajustes_));

    const auto mic = DispositivoAudio::conUID(voz_.dispositivos(), voz_.dispositivoUID());
    const QString simboloMic = mic ? mic->simbolo() : QStringLiteral("mic.slash");
    const QString nombreMic = mic ? mic->nombre : QStringLiteral("Sin micrófono");
    simboloMicrofono_->setPixmap(Iconos::icono(simboloMic).pixmap(12, 12));
    simboloMicrofono_->setProperty("simbolo", simboloMic);
    microfono_->setText(nombreMic);

    const bool codex = voz_.agente() == AgenteCLI::codex;
    const QString simboloAg = codex ? QStringLiteral("chevron.left.forwardslash.chevron.right") : QStringLiteral("sparkle");
    simboloAgente_->setPixmap(Iconos::icono(simboloAg).pixmap(12, 12));
    simboloAgente_->setProperty("simbolo", simboloAg);
    agente_->setText(codex ? QStringLiteral("Codex") : QStringLiteral("Claude"));

    nivel_->setText(BarraHerramientas::tituloNivel(voz_.nivel()));
    Paleta::colorear(nivel_, voz_.nivel() == NivelPermiso::total ? naranja : palette().color(QPalette::PlaceholderText));
}

// From one line up to eight, then the field scrolls; the frame width
// holds the style's padding.
void Compositor::ajustarAltura()
{
    int lineas = 0;
    for (QTextBlock b = campo_->document()->begin(); b.isValid(); b = b.next())
        lineas += b.layout() && b.layout()->lineCount() > 0 ? b.layout()->lineCount() : 1;
    campo_->setVerticalScrollBarPolicy(lineas > 8 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int alto = campo_->fontMetrics().lineSpacing() * std::clamp(lineas, 1, 8)
        + 2 * int(campo_->document()->documentMargin()) + 2 * campo_->frameWidth() + 2;
    campo_->setFixedHeight(alto);
}
