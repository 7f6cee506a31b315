#include "setup/PasoVoz.h"

#include "vistas/BotonMicrofono.h"
#include "vistas/Entorno.h"
#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"
#include "plataforma/Permisos.h"
#include "setup/Encabezado.h"
#include "setup/Rotulos.h"
#include "setup/TarjetaReconocimiento.h"
#include "setup/TarjetaVozNeural.h"
#include "vistas/Paleta.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString separador = QStringLiteral("  ·  ");
constexpr int lado = 56;

// Fills a picker with the devices and selects the chosen UID, without
// emitting anything the step would take for the user's choice.
void llenar(QComboBox* selector, const QList<DispositivoAudio>& lista, const std::optional<QString>& uid,
            QString (*etiqueta)(const DispositivoAudio&))
{
    const QSignalBlocker bloqueo(selector);
    selector->clear();
    for (const DispositivoAudio& d : lista)
        selector->addItem(Iconos::icono(d.simbolo()), etiqueta(d), d.uid);
    selector->setCurrentIndex(uid ? selector->findData(*uid) : -1);
}

}

QString PasoVoz::etiquetaMicrofono(const DispositivoAudio& d)
{
    return d.nombre + separador + (d.fabricante.isEmpty() ? d.conexion() : d.fabricante + QStringLiteral(", ") + d.conexion());
}

QString PasoVoz::etiquetaSalida(const DispositivoAudio& d) { return d.nombre + separador + d.conexion(); }

QString PasoVoz::textoPrueba(bool modelo, bool microfono)
{
    if (!modelo)
        return QStringLiteral("Falta el modelo de voz en español: sin él la zuvi no entiende lo que dices.");
    if (!microfono)
        return QStringLiteral("No hay micrófono: conecta uno y elígelo arriba.");
    return QStringLiteral("Lo que entienda aparece aquí; nada se envía al agente.");
}

PasoVoz::PasoVoz(const Entorno& entorno, QWidget* parent)
    : QWidget(parent), voz_(entorno.asistente), permisos_(entorno.permisosEnUso())
{
    setObjectName(QStringLiteral("pasoVoz"));
    voz_.setModoPrueba(true);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(12);
    capa->addWidget(new Encabezado(
        QStringLiteral("mic"), QStringLiteral("Voz"),
        QStringLiteral("Elige por dónde escucha y por dónde habla la zuvi. Si tienes un micrófono USB (como un Logitech) "
                       "lo elegimos solo, y la voz sale por los parlantes del computador, no por parlantes de red ni salidas virtuales."),
        this));

    auto* formulario = new QFormLayout;
    microfono_ = new QComboBox(this);
    microfono_->setObjectName(QStringLiteral("microfono"));
    salida_ = new QComboBox(this);
    salida_->setObjectName(QStringLiteral("salida"));
    formulario->addRow(QStringLiteral("Micrófono"), microfono_);
    formulario->addRow(QStringLiteral("La zuvi habla por"), salida_);
    capa->addLayout(formulario);
    // Only a pick by the user stores a device.
    connect(microfono_, &QComboBox::activated, this,
            [this](int i) { voz_.setDispositivoUID(microfono_->itemData(i).toString()); });
    connect(salida_, &QComboBox::activated, this, [this](int i) { voz_.setSalidaUID(salida_->itemData(i).toString()); });

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("panelPrueba"));
    panel->setStyleSheet(QStringLiteral("#panelPrueba { background: palette(alternate-base); border-radius: 12px; }"));
    auto* fila = new QHBoxLayout(panel);
    fila->setContentsMargins(14, 14, 14, 14);
    fila->setSpacing(16);
    // Push-to-talk over the assistant's dictation.
    boton_ = new BotonMicrofono(entorno, lado, false, panel);
    fila->addWidget(boton_);
    auto* textos = new QVBoxLayout;
    textos->setSpacing(4);
    titular_ = Rotulos::texto(QString(), panel);
    titular_->setObjectName(QStringLiteral("titularPrueba"));
    Rotulos::fuente(titular_, 1.05, QFont::DemiBold);
    dictado_ = Rotulos::texto(QString(), panel, Rotulos::Estilo::secundario);
    dictado_->setObjectName(QStringLiteral("textoPrueba"));
    dictado_->setMaximumHeight(dictado_->fontMetrics().lineSpacing() * 2 + 2);
    textos->addWidget(titular_);
    textos->addWidget(dictado_);
    fila->addLayout(textos, 1);
    capa->addWidget(panel);

    aviso_ = Rotulos::texto(QString(), this);
    aviso_->setObjectName(QStringLiteral("avisoVoz"));
    Paleta::colorear(aviso_, Rotulos::naranja);
    capa->addWidget(Rotulos::conSimbolo(QStringLiteral("exclamationmark.triangle.fill"), aviso_, this));

    reconocimiento_ = new TarjetaReconocimiento(entorno.reconocimientoEnUso(), this);
    capa->addWidget(reconocimiento_);
    tarjeta_ = new TarjetaVozNeural(entorno.instaladorEnUso(), voz_, entorno.reloj, entorno.locutorEnUso(), this);
    capa->addWidget(tarjeta_);
    capa->addStretch(1);

    connect(&voz_, &AsistenteVoz::dispositivosCambiados, this, &PasoVoz::llenarMicrofonos);
    connect(&voz_, &AsistenteVoz::dispositivosCambiados, this, &PasoVoz::mostrarDictado);
    connect(&voz_, &AsistenteVoz::dispositivoUIDCambiado, this, &PasoVoz::llenarMicrofonos);
    connect(&voz_, &AsistenteVoz::salidasCambiadas, this, &PasoVoz::llenarSalidas);
    connect(&voz_, &AsistenteVoz::salidaUIDCambiado, this, &PasoVoz::llenarSalidas);
    for (auto senal : {&AsistenteVoz::escuchandoCambiado, &AsistenteVoz::textoCambiado, &AsistenteVoz::avisoCambiado})
        connect(&voz_, senal, this, &PasoVoz::mostrarDictado);
    llenarMicrofonos();
    llenarSalidas();
    mostrarDictado();
}

// Leaving the step ends the test: nothing dictated here stays behind.
PasoVoz::~PasoVoz()
{
    voz_.setModoPrueba(false);
    voz_.detenerDictado();
    voz_.setTexto(QString());
}

void PasoVoz::llenarMicrofonos() { llenar(microfono_, voz_.dispositivos(), voz_.dispositivoUID(), &etiquetaMicrofono); }

void PasoVoz::llenarSalidas() { llenar(salida_, voz_.salidas(), voz_.salidaUID(), &etiquetaSalida); }

void PasoVoz::mostrarDictado()
{
    const bool escuchando = voz_.escuchando();
    microfono_->setEnabled(!escuchando);
    titular_->setText(escuchando ? QStringLiteral("Te escucho… di algo")
                                 : QStringLiteral("Pulsa y di «Hola, esto es una prueba»"));
    dictado_->setText(!voz_.texto().isEmpty()
                          ? voz_.texto()
                          : textoPrueba(permisos_.reconocimiento(), permisos_.microfono()));
    aviso_->parentWidget()->setVisible(voz_.aviso().has_value());
    aviso_->setText(voz_.aviso().value_or(QString()));
}
