#include "app/ModoProyectosView.h"

#include "app/Fondo.h"
#include "vistas/Iconos.h"
#include "vistas/Paleta.h"
#include "app/Orbe.h"
#include "assistant/AsistenteVoz.h"
#include "audio/AudioDispositivos.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QStyleOption>
#include <QTimeZone>
#include <QVBoxLayout>

#include <tuple>

using namespace std::chrono_literals;

namespace {

using E = ModoProyectos::Estado;

// The orb at up to 60 frames a second, the background at up to 30.
// Both redraw less where the eye cannot tell: the orb at 30 frames a
// second, and the background, whose glows drift a few points a second
// (a fraction of a shade), once a second and at once on a change of state.
constexpr auto intervaloOrbe = 33ms;
constexpr auto intervaloFondo = 1000ms;
// The background is drawn at a quarter of its size, then scaled up.
constexpr double escalaFondo = 0.25;

// A plain-text label drawn once per text, size and look, then copied: the
// orb beneath it paints its square thirty times a second, and laying the
// text out again each time would cost more than the orb.
class EtiquetaQuieta : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        const qreal dpr = devicePixelRatioF();
        auto clave = std::tuple(text(), size(), dpr, palette().color(foregroundRole()), font(), alignment(), wordWrap());
        if (copia_.isNull() || clave != hecha_) {
            hecha_ = std::move(clave);
            copia_ = QPixmap(size() * dpr);
            copia_.setDevicePixelRatio(dpr);
            copia_.fill(Qt::transparent);
            QPainter p(&copia_);
            p.setFont(font());
            QStyleOption opcion;
            opcion.initFrom(this);
            // As QLabel lays plain text out.
            int banderas = int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextForceLeftToRight;
            if (wordWrap())
                banderas |= Qt::TextWordWrap;
            style()->drawItemText(&p, contentsRect(), banderas, opcion.palette, isEnabled(), text(), foregroundRole());
        }
        QPainter p(this);
        p.drawPixmap(e->rect(), copia_, QRectF(QPointF(e->rect().topLeft()) * dpr, QSizeF(e->rect().size()) * dpr));
    }

private:
    QPixmap copia_;
    std::tuple<QString, QSize, qreal, QColor, QFont, Qt::Alignment, bool> hecha_;
};

template <typename Etiqueta = QLabel>
QLabel* etiqueta(const QString& texto, QWidget* parent, const QString& nombre = {})
{
    auto* l = new Etiqueta(texto, parent);
    l->setTextFormat(Qt::PlainText);
    if (!nombre.isEmpty())
        l->setObjectName(nombre);
    return l;
}

QLabel* simbolo(const QString& nombre, QWidget* parent, int lado, const QColor& color)
{
    auto* l = new QLabel(parent);
    l->setPixmap(Iconos::pintado(nombre, QSize(lado, lado), color));
    l->setProperty("simbolo", nombre);
    return l;
}

QColor blanco(double opacidad)
{
    return QColor::fromRgbF(1, 1, 1, float(opacidad));
}

// A symbol with its text, as one label group.
QWidget* rotulo(const QString& simboloNombre, QLabel* texto, QWidget* parent, const QColor& color)
{
    auto* w = new QWidget(parent);
    auto* fila = new QHBoxLayout(w);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(4);
    fila->addWidget(simbolo(simboloNombre, w, 12, color));
    texto->setParent(w);
    Paleta::colorear(texto, color);
    fila->addWidget(texto);
    return w;
}

}

QString ModoProyectosView::titulo(E estado, const QString& transcripcion, const std::optional<QString>& actividad,
                                  const std::optional<QString>& persona)
{
    switch (estado) {
    case E::inactivo:
    case E::iniciando:
        break;
    case E::preguntandoNombre:
        return QStringLiteral("¿Con quién trabajo hoy?");
    case E::escuchando:
        return transcripcion.isEmpty() ? QStringLiteral("Te escucho") : QStringLiteral("…");
    case E::trabajando:
        return actividad.value_or(QStringLiteral("Trabajando…"));
    case E::hablando:
        return QStringLiteral("Hablando con ") + persona.value_or(QStringLiteral("Zuvi IA"));
    }
    return QStringLiteral("Preparando la zuvi…");
}

QString ModoProyectosView::subtitulo(const std::optional<QString>& aviso, bool salidaEnSilencio,
                                     const QString& transcripcion, const QString& ultimaFrase)
{
    if (aviso)
        return *aviso;
    if (salidaEnSilencio)
        return QStringLiteral("⚠︎ El sonido del computador está en silencio: sube el volumen para escuchar a la zuvi.");
    if (!transcripcion.isEmpty())
        return QStringLiteral("«") + transcripcion + QStringLiteral("»");
    return ultimaFrase;
}

std::optional<QString> ModoProyectosView::ultimaRespuesta(const std::optional<Conversacion>& actual)
{
    if (!actual || actual->mensajes.isEmpty())
        return std::nullopt;
    const Mensaje& ultimo = actual->mensajes.last();
    if (ultimo.rol == Mensaje::Rol::usuario || ultimo.texto.isEmpty())
        return std::nullopt;
    return ultimo.texto;
}

QString ModoProyectosView::pista(bool modoGrupo)
{
    if (modoGrupo)
        return QStringLiteral("Modo grupo · «Zuvi, …» · espera · para · sigue · ¿qué estás haciendo? · terminamos por hoy");
    return QStringLiteral(
        "«Zuvi, espera» · «para» · «sigue» · «¿qué estás haciendo?» · «cambiar de persona» · «terminamos por hoy»");
}

double ModoProyectosView::segundos(const QDateTime& momento)
{
    static const QDateTime origen(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return double(origen.msecsTo(momento)) / 1000.0;
}

ModoProyectosView::ModoProyectosView(const Entorno& entorno, QWidget* parent) : QWidget(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("modoProyectosView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The room is always dark, whatever the desktop's scheme.
    QPalette oscura = palette();
    oscura.setColor(QPalette::Window, QColor(8, 10, 23));
    oscura.setColor(QPalette::WindowText, Qt::white);
    oscura.setColor(QPalette::Text, Qt::white);
    oscura.setColor(QPalette::Base, QColor(8, 10, 23));
    oscura.setColor(QPalette::Button, QColor(44, 44, 52));
    oscura.setColor(QPalette::ButtonText, Qt::white);
    setPalette(oscura);
    construir();

    ModoProyectos& modo = entorno_.modo;
    for (auto s : {&ModoProyectos::estadoCambiado, &ModoProyectos::transcripcionCambiada,
                   &ModoProyectos::ultimaFraseCambiada, &ModoProyectos::avisoCambiado, &ModoProyectos::cancelaEcoCambiado,
                   &ModoProyectos::musicaDeFondoCambiada})
        connect(&modo, s, this, &ModoProyectosView::actualizar);
    AsistenteVoz& a = entorno_.asistente;
    for (auto s : {&AsistenteVoz::actividadCambiada, &AsistenteVoz::dispositivosCambiados,
                   &AsistenteVoz::dispositivoUIDCambiado, &AsistenteVoz::salidasCambiadas,
                   &AsistenteVoz::salidaUIDCambiado, &AsistenteVoz::agenteCambiado})
        connect(&a, s, this, &ModoProyectosView::actualizar);
    connect(&entorno_.perfiles, &Perfiles::activoCambiado, this, &ModoProyectosView::actualizar);
    connect(&entorno_.almacen, &Almacen::seleccionCambiada, this, &ModoProyectosView::actualizar);
    connect(&entorno_.almacen, &Almacen::conversacionCambiada, this, &ModoProyectosView::actualizar);
    connect(&entorno_.almacen, &Almacen::conversacionesCambiadas, this, &ModoProyectosView::actualizar);
    actualizar();
}

void ModoProyectosView::construir()
{
    auto* pila = new QVBoxLayout(this);
    pila->setContentsMargins(28, 28, 28, 28);
    pila->setSpacing(0);

    auto* barra = new QHBoxLayout;
    auto* nombre = etiqueta(QStringLiteral("Modo proyectos"), this, QStringLiteral("tituloSala"));
    QFont titular = nombre->font();
    titular.setBold(true);
    nombre->setFont(titular);
    barra->addWidget(rotulo(QStringLiteral("waveform"), nombre, this, blanco(0.85)));
    barra->addStretch(1);
    persona_ = etiqueta(QString(), this, QStringLiteral("persona"));
    persona_->setFont(titular);
    persona_->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(255,255,255,31); "
                                           "border-radius: 14px; padding: 6px 12px; }"));
    barra->addWidget(persona_);
    pila->addLayout(barra);
    pila->addStretch(1);

    orbe_ = new Orbe(this);
    connect(orbe_, &Orbe::tocado, this, [this] { entorno_.modo.interrumpir(); });
    // The halos reach past the 260-point frame; the layout keeps that frame.
    marco_ = new QWidget(this);
    marco_->setObjectName(QStringLiteral("marcoOrbe"));
    marco_->setFixedSize(Orbe::lado, Orbe::lado);
    marco_->installEventFilter(this);
    pila->addWidget(marco_, 0, Qt::AlignHCenter);

    titulo_ = etiqueta<EtiquetaQuieta>(QString(), this, QStringLiteral("tituloInmersiva"));
    QFont grande = titulo_->font();
    grande.setPixelSize(30);
    grande.setWeight(QFont::DemiBold);
    titulo_->setFont(grande);
    titulo_->setAlignment(Qt::AlignCenter);
    Paleta::colorear(titulo_, Qt::white);
    pila->addSpacing(34);
    pila->addWidget(titulo_);

    subtitulo_ = etiqueta<EtiquetaQuieta>(QString(), this, QStringLiteral("subtituloInmersiva"));
    QFont medio = subtitulo_->font();
    medio.setPixelSize(20);
    subtitulo_->setFont(medio);
    subtitulo_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    subtitulo_->setWordWrap(true);
    subtitulo_->setMaximumWidth(700);
    subtitulo_->setMinimumHeight(90);
    subtitulo_->setMaximumHeight(std::max(90, subtitulo_->fontMetrics().lineSpacing() * 4 + 2));
    Paleta::colorear(subtitulo_, blanco(0.75));
    pila->addSpacing(10);
    subtitulo_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* centrado = new QHBoxLayout;
    centrado->addStretch(0);
    centrado->addWidget(subtitulo_, 1);
    centrado->addStretch(0);
    pila->addLayout(centrado);
    pila->addStretch(1);

    // The card: a soft rounded panel holding the scrolling answer.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("tarjetaRespuesta"));
    panel->setMaximumSize(760, 150);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    panel->setStyleSheet(QStringLiteral("#tarjetaRespuesta { background: rgba(255,255,255,18); border-radius: 16px; }"));
    auto* dentro = new QVBoxLayout(panel);
    dentro->setContentsMargins(16, 16, 16, 16);
    tarjeta_ = new QScrollArea(panel);
    tarjeta_->setWidgetResizable(true);
    tarjeta_->setFrameShape(QFrame::NoFrame);
    tarjeta_->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    respuesta_ = etiqueta(QString(), tarjeta_, QStringLiteral("ultimaRespuesta"));
    respuesta_->setWordWrap(true);
    respuesta_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    respuesta_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Paleta::colorear(respuesta_, blanco(0.9));
    tarjeta_->setWidget(respuesta_);
    dentro->addWidget(tarjeta_);
    tarjetaPanel_ = panel;
    auto* centrada = new QHBoxLayout;
    centrada->addStretch(0);
    centrada->addWidget(panel, 1);
    centrada->addStretch(0);
    pila->addLayout(centrada);
    pila->addSpacing(20);

    pila->addWidget(construirPie());
    // Beneath everything else, as the texts come after it in the room:
    // the orb paints whole squares, and what lies over it draws on top.
    orbe_->lower();
    marco_->lower();
}

QWidget* ModoProyectosView::construirPie()
{
    auto* pie = new QWidget(this);
    pie->setObjectName(QStringLiteral("pie"));
    auto* fila = new QHBoxLayout(pie);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(18);
    const QColor tenue = blanco(0.5);
    QFont pequena = font();
    pequena.setPointSizeF(pequena.pointSizeF() * 0.85);
    microfono_ = etiqueta(QString(), pie, QStringLiteral("microfonoSala"));
    fila->addWidget(rotulo(QStringLiteral("mic.fill"), microfono_, pie, tenue));
    agente_ = etiqueta(QString(), pie, QStringLiteral("agenteSala"));
    auto* grupoAgente = new QWidget(pie);
    auto* filaAgente = new QHBoxLayout(grupoAgente);
    filaAgente->setContentsMargins(0, 0, 0, 0);
    filaAgente->setSpacing(4);
    simboloAgente_ = new QLabel(grupoAgente);
    filaAgente->addWidget(simboloAgente_);
    agente_->setParent(grupoAgente);
    Paleta::colorear(agente_, tenue);
    filaAgente->addWidget(agente_);
    fila->addWidget(grupoAgente);
    musica_ = rotulo(QStringLiteral("music.note"), etiqueta(QStringLiteral("Música de fondo: díganme «Zuvi»"), pie), pie,
                     tenue);
    musica_->setObjectName(QStringLiteral("musicaSala"));
    fila->addWidget(musica_);
    tocar_ = rotulo(QStringLiteral("hand.tap"), etiqueta(QStringLiteral("Toca el orbe para interrumpir"), pie), pie,
                    tenue);
    tocar_->setObjectName(QStringLiteral("tocarOrbe"));
    fila->addWidget(tocar_);
    pista_ = etiqueta(QString(), pie, QStringLiteral("pista"));
    Paleta::colorear(pista_, tenue);
    // On a narrow window the hint wraps rather than being cut.
    pista_->setWordWrap(true);
    pista_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pista_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    fila->addWidget(pista_, 1);
    salir_ = new QPushButton(QStringLiteral("Salir"), pie);
    salir_->setObjectName(QStringLiteral("salir"));
    connect(salir_, &QPushButton::clicked, this, [this] { entorno_.modo.salir(true); });
    fila->addWidget(salir_);
    // Escape leaves with the farewell, like the button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, salir_, &QPushButton::click);
    for (QLabel* l : pie->findChildren<QLabel*>())
        l->setFont(pequena);
    return pie;
}

QWidget* ModoProyectosView::tarjeta() const
{
    return tarjetaPanel_;
}

void ModoProyectosView::actualizar()
{
    // Hidden, the room would lay the whole growing answer out again at
    // every fragment for nobody; it reads everything when shown.
    if (!isVisible())
        return;
    ModoProyectos& modo = entorno_.modo;
    AsistenteVoz& a = entorno_.asistente;
    const auto& activo = entorno_.perfiles.activo();
    const std::optional<QString> persona = activo ? std::optional<QString>(activo->nombre) : std::nullopt;
    persona_->setVisible(persona.has_value());
    persona_->setText(persona.value_or(QString()));
    titulo_->setText(titulo(modo.estado(), modo.transcripcion(), a.actividad(), persona));

    const bool silencio =
        AudioDispositivos::salidaSilenciada(DispositivoAudio::idDe(a.salidas(), a.salidaUID()), a.dispositivosSistema());
    subtitulo_->setText(subtitulo(modo.aviso(), silencio, modo.transcripcion(), modo.ultimaFrase()));

    const auto respuesta = ultimaRespuesta(entorno_.almacen.actual());
    tarjetaPanel_->setVisible(respuesta.has_value());
    respuesta_->setText(respuesta.value_or(QString()));

    const auto mic = DispositivoAudio::conUID(a.dispositivos(), a.dispositivoUID());
    microfono_->setText(mic ? mic->nombre : QStringLiteral("Micrófono"));
    const bool codex = a.agente() == AgenteCLI::codex;
    const QString simboloAgente = codex ? QStringLiteral("chevron.left.forwardslash.chevron.right") : QStringLiteral("sparkle");
    simboloAgente_->setPixmap(Iconos::pintado(simboloAgente, QSize(12, 12), blanco(0.5)));
    simboloAgente_->setProperty("simbolo", simboloAgente);
    agente_->setText(codex ? QStringLiteral("Codex") : QStringLiteral("Claude"));
    musica_->setVisible(modo.musicaDeFondo() && ModoProyectos::ignorarMusica(entorno_.ajustes));
    tocar_->setVisible(!modo.cancelaEco());
    // Read again at each redraw of the footer.
    pista_->setText(pista(entorno_.ajustes.booleano(QStringLiteral("modoGrupo"), false)));
    const double t = tiempo();
    if (Fondo::colorEstado(modo.estado()) != colorFondo_) {
        pintarFondo(t);
        update();
    }
    orbe_->fijar(modo.estado(), modo.nivel(), t);
}

double ModoProyectosView::tiempo()
{
    // The wall clock once per showing, then the monotonic one: the local
    // time costs more to read than a frame's sums.
    const auto monotono = entorno_.reloj.monotono();
    if (!origen_)
        origen_ = Origen{segundos(entorno_.reloj.ahora()), monotono};
    return origen_->segundos + double((monotono - origen_->monotono).count()) / 1000.0;
}

void ModoProyectosView::cuadro()
{
    const double t = tiempo();
    orbe_->fijar(entorno_.modo.estado(), entorno_.modo.nivel(), t);
    if (entorno_.reloj.monotono() - ultimoFondo_ >= intervaloFondo) {
        pintarFondo(t);
        update();
    }
    if (isVisible())
        cuadro_ = entorno_.reloj.despues(intervaloOrbe, this, [this] { cuadro(); });
}

void ModoProyectosView::pintarFondo(double t)
{
    const E estado = entorno_.modo.estado();
    const qreal dpr = devicePixelRatioF();
    const QImage chica = Fondo::pintar(size(), estado, t, escalaFondo);
    fondo_ = QImage(size() * dpr, QImage::Format_RGB32);
    fondo_.setDevicePixelRatio(dpr);
    {
        QPainter p(&fondo_);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(rect()), chica);
    }
    colorFondo_ = Fondo::colorEstado(estado);
    ultimoFondo_ = entorno_.reloj.monotono();
    darFondoAlOrbe();
}

void ModoProyectosView::darFondoAlOrbe()
{
    const qreal dpr = fondo_.devicePixelRatio();
    orbe_->fijarFondo(fondo_.copy(QRectF(QPointF(orbe_->pos()) * dpr, QSizeF(orbe_->size()) * dpr).toRect()));
}

void ModoProyectosView::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (fondo_.isNull() || fondo_.deviceIndependentSize().toSize() != size())
        pintarFondo(tiempo());
    p.drawImage(e->rect(), fondo_, QRectF(QPointF(e->rect().topLeft()) * fondo_.devicePixelRatio(),
                                          QSizeF(e->rect().size()) * fondo_.devicePixelRatio()));
}

void ModoProyectosView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    pintarFondo(tiempo());
}

void ModoProyectosView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    origen_.reset();
    actualizar();
    cuadro();
}

void ModoProyectosView::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    cuadro_.cancelar();
}

bool ModoProyectosView::eventFilter(QObject* objeto, QEvent* e)
{
    // The orb stays centred on its frame wherever the layout puts it.
    if (objeto == marco_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) {
        orbe_->move(marco_->geometry().center() - orbe_->rect().center());
        darFondoAlOrbe();
    }
    return QWidget::eventFilter(objeto, e);
}
