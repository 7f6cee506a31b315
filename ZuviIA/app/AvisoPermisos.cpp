#include "app/AvisoPermisos.h"

#include "vistas/ActivarEscucha.h"
#include "vistas/Iconos.h"
#include "audio/EscuchaZuvi.h"
#include "projects/ModoProyectos.h"
#include "setup/InstaladorReconocimiento.h"
#include "setup/TarjetaReconocimiento.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString local = QStringLiteral(" El audio se procesa en este computador.");

// The microphone is missing, perhaps the model too.
QString queFalta(const ComprobacionPermisos::Respuesta& r)
{
    if (!r.voz)
        return QStringLiteral("Faltan un micrófono y el modelo de reconocimiento de voz en español: conecta un "
                              "micrófono e instala el modelo desde el asistente de configuración, en el paso de voz.");
    return QStringLiteral("Falta un micrófono: conecta uno y revisa que aparezca en la configuración de sonido "
                          "del sistema.");
}

// The model is what is missing: the banner installs it.
AvisoPermisos::Contenido soloModelo(const std::optional<EstadoPaso>& modelo)
{
    const QString titulo = QStringLiteral("Zuvi IA necesita tu permiso para escucharte");
    const QString instalar = TarjetaReconocimiento::textoInstalar;
    if (modelo && modelo->es(EstadoPaso::Tipo::trabajando))
        return {titulo, QStringLiteral("Instalando el modelo de reconocimiento de voz en español…") + local,
                QStringLiteral("Instalando…")};
    if (modelo && modelo->es(EstadoPaso::Tipo::error))
        return {titulo, modelo->texto.value_or(QString()) + local, QStringLiteral("Reintentar")};
    return {titulo,
            QStringLiteral("Falta el modelo de reconocimiento de voz en español (%1): instálalo aquí o desde el asistente "
                           "de configuración, en el paso de voz.")
                    .arg(InstaladorReconocimiento::tamano(InstaladorReconocimiento::espanol().bytes))
                + local,
            instalar};
}

}

std::optional<AvisoPermisos::Contenido>
AvisoPermisos::contenido(const std::optional<ComprobacionPermisos::Respuesta>& permisos,
                         const std::optional<QString>& aviso, const std::optional<EstadoPaso>& modelo)
{
    if (!permisos)
        return std::nullopt;
    if (permisos->microfono && !permisos->voz)
        return soloModelo(modelo);
    if (!permisos->listos())
        return Contenido{QStringLiteral("Zuvi IA necesita tu permiso para escucharte"), queFalta(*permisos) + local,
                         QStringLiteral("Dar permiso")};
    if (!aviso)
        return std::nullopt;
    return Contenido{*aviso,
                     QStringLiteral("Al reintentar, Zuvi IA busca de nuevo el micrófono y el modelo de reconocimiento de voz.") + local,
                     QStringLiteral("Reintentar")};
}

bool AvisoPermisos::reanudar(const std::optional<bool>& antes, bool ahora, bool escuchaSiempre, bool activo)
{
    return antes == false && ahora && escuchaSiempre && !activo;
}

AvisoPermisos::AvisoPermisos(const Entorno& entorno, QWidget* parent) : QFrame(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("avisoPermisos"));
    auto* fuera = new QVBoxLayout(this);
    fuera->setContentsMargins(24, 12, 24, 0);
    auto* tarjeta = new QFrame(this);
    tarjeta->setObjectName(QStringLiteral("tarjetaPermisos"));
    tarjeta->setStyleSheet(QStringLiteral("#tarjetaPermisos { background: rgba(255,149,0,31); border-radius: 12px; }"));
    fuera->addWidget(tarjeta);
    auto* fila = new QHBoxLayout(tarjeta);
    fila->setContentsMargins(14, 14, 14, 14);
    fila->setSpacing(12);
    auto* simbolo = new QLabel(tarjeta);
    simbolo->setPixmap(
        Iconos::pintado(QStringLiteral("ear.trianglebadge.exclamationmark"), QSize(24, 24), QColor(255, 149, 0)));
    fila->addWidget(simbolo);
    auto* textos = new QVBoxLayout;
    textos->setSpacing(2);
    titulo_ = new QLabel(tarjeta);
    titulo_->setObjectName(QStringLiteral("tituloPermisos"));
    titulo_->setTextFormat(Qt::PlainText);
    titulo_->setWordWrap(true);
    QFont negrita = titulo_->font();
    negrita.setBold(true);
    titulo_->setFont(negrita);
    detalle_ = new QLabel(tarjeta);
    detalle_->setObjectName(QStringLiteral("detallePermisos"));
    detalle_->setTextFormat(Qt::PlainText);
    detalle_->setWordWrap(true);
    QPalette tenue = detalle_->palette();
    tenue.setColor(QPalette::WindowText, tenue.color(QPalette::PlaceholderText));
    detalle_->setPalette(tenue);
    textos->addWidget(titulo_);
    textos->addWidget(detalle_);
    fila->addLayout(textos, 1);
    boton_ = new QPushButton(tarjeta);
    boton_->setObjectName(QStringLiteral("botonPermisos"));
    boton_->setDefault(true);
    connect(boton_, &QPushButton::clicked, this, [this] {
        if (permisos_ && permisos_->microfono && !permisos_->voz) {
            entorno_.reconocimientoEnUso().instalar();
        } else if (permisos_ && permisos_->listos() && !entorno_.modo.aviso() && entorno_.escucha
                   && entorno_.escucha->aviso()) {
            // The wake listener went deaf: it starts over.
            entorno_.escucha->detener();
            entorno_.escucha->iniciar();
        } else {
            activarEscucha(entorno_, this);
        }
    });
    fila->addWidget(boton_);

    ComprobacionPermisos& comprobacion = entorno_.comprobacion();
    permisos_ = comprobacion.ultima();
    if (permisos_)
        listos_ = permisos_->listos();
    connect(&entorno_.modo, &ModoProyectos::avisoCambiado, this, &AvisoPermisos::mostrar);
    if (entorno_.escucha)
        connect(entorno_.escucha, &EscuchaZuvi::avisoCambiado, this, &AvisoPermisos::mostrar);
    // A model just installed is heard at once: the answer is asked again.
    connect(&entorno_.reconocimientoEnUso(), &InstaladorReconocimiento::estadoCambiado, this, [this] {
        if (entorno_.reconocimientoEnUso().estado().es(EstadoPaso::Tipo::listo))
            recomputar(false);
        mostrar();
    });
    connect(&entorno_.modo, &ModoProyectos::activoCambiado, this, [this] { recomputar(false); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState estado) {
        if (estado == Qt::ApplicationActive)
            recomputar(true);
    });
    mostrar();
    recomputar(false);
}

void AvisoPermisos::recomputar(bool alVolver)
{
    entorno_.comprobacion().comprobar(this, [this, alVolver](ComprobacionPermisos::Respuesta r) {
        const std::optional<bool> antes = listos_;
        permisos_ = r;
        listos_ = r.listos();
        mostrar();
        ModoProyectos& modo = entorno_.modo;
        if (alVolver && reanudar(antes, r.listos(), ModoProyectos::escuchaSiempre(entorno_.ajustes), modo.activo()))
            modo.escucharSiempre();
    });
}

void AvisoPermisos::mostrar()
{
    std::optional<QString> aviso = entorno_.modo.aviso();
    if (!aviso && entorno_.escucha)
        aviso = entorno_.escucha->aviso();
    const auto c = contenido(permisos_, aviso, entorno_.reconocimientoEnUso().estado());
    // Hidden, it takes no room in the screen's column.
    setVisible(c.has_value());
    if (!c)
        return;
    titulo_->setText(c->titulo);
    detalle_->setText(c->detalle);
    boton_->setText(c->boton);
    boton_->setEnabled(!entorno_.reconocimientoEnUso().estado().es(EstadoPaso::Tipo::trabajando) || permisos_->listos());
}
