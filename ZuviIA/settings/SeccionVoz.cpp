#include "settings/SeccionVoz.h"

#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"
#include "audio/EscuchaZuvi.h"
#include "audio/MotorConversacion.h"
#include "plataforma/Ajustes.h"
#include "projects/ModoProyectos.h"
#include "settings/AjustesVozNeural.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString claveVelocidad = QStringLiteral("velocidadVoz");
const QString claveVoz = QStringLiteral("vozID");
const QString claveMusica = QStringLiteral("ignorarMusica");
const QString claveEco = QStringLiteral("cancelacionEco");

// Fills a device picker with the UID as each option's data, choosing the
// given one (none: no option chosen). Filling emits no user signal.
void llenar(QComboBox* combo, const QList<DispositivoAudio>& lista, const std::optional<QString>& elegido,
            QString (*etiqueta)(const DispositivoAudio&))
{
    const QSignalBlocker bloqueo(combo);
    combo->clear();
    for (const DispositivoAudio& d : lista)
        combo->addItem(Iconos::icono(d.simbolo()), etiqueta(d), d.uid);
    combo->setCurrentIndex(elegido ? combo->findData(*elegido) : -1);
}

}

double SeccionVoz::velocidadInicial(const Ajustes& ajustes)
{
    const double v = ajustes.real(claveVelocidad, 0);
    return v > 0 ? v : 1.15;
}

int SeccionVoz::pasoDe(double velocidad)
{
    const double acotada = std::clamp(velocidad, velocidadMinima, velocidadMaxima);
    return int(std::lround(acotada / paso));
}

float SeccionVoz::velocidadDe(int n)
{
    // Rounded to two decimals, so the file holds "1.2", not "1.2000000476".
    return float(std::round(n * paso * 100) / 100);
}

QString SeccionVoz::etiquetaMicrofono(const DispositivoAudio& d)
{
    return d.fabricante.isEmpty() ? d.nombre : d.nombre + QStringLiteral(" (") + d.fabricante + QLatin1Char(')');
}

QString SeccionVoz::etiquetaSalida(const DispositivoAudio& d)
{
    return d.nombre + QStringLiteral(" (") + d.conexion() + QLatin1Char(')');
}

QString SeccionVoz::etiquetaVoz(const VozSistema& voz)
{
    const QString calidad = voz.calidad >= 3   ? QStringLiteral("Premium")
                            : voz.calidad == 2 ? QStringLiteral("Mejorada")
                                               : QStringLiteral("Básica");
    return voz.nombre + QStringLiteral(" (") + calidad + QLatin1Char(')');
}

QString SeccionVoz::vozElegida(const std::optional<QString>& guardada, const std::optional<VozSistema>& mejor)
{
    if (guardada)
        return *guardada;
    return mejor ? mejor->identificador : QString();
}

QString SeccionVoz::nombreIdioma(const std::optional<QString>& locale)
{
    if (!locale)
        return QStringLiteral("—");
    const QLocale l(*locale);
    if (l.language() == QLocale::C || l.nativeLanguageName().isEmpty())
        return *locale;
    const QString territorio = l.nativeTerritoryName();
    // Some names carry the territory already ("español de España").
    return territorio.isEmpty() || l.nativeLanguageName().contains(territorio) ? l.nativeLanguageName()
                                : l.nativeLanguageName() + QStringLiteral(" (") + territorio + QLatin1Char(')');
}

SeccionVoz::SeccionVoz(const EntornoAjustes& entorno, QWidget* parent) : FormularioAjustes(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("seccionVoz"));
    construirDispositivos();
    const Grupo neural = seccion(QStringLiteral("Voz natural local (Qwen3-TTS)"));
    vozNeural_ = new AjustesVozNeural(entorno_, neural.marco);
    neural.filas->addWidget(vozNeural_);
    construirHabla();
    construirEscucha();
}

void SeccionVoz::construirDispositivos()
{
    const Grupo g = seccion(QStringLiteral("Dispositivos"));
    microfono_ = new QComboBox(g.marco);
    microfono_->setObjectName(QStringLiteral("microfono"));
    g.filas->addWidget(fila(QStringLiteral("Micrófono"), microfono_, g.marco));
    salida_ = new QComboBox(g.marco);
    salida_->setObjectName(QStringLiteral("salida"));
    g.filas->addWidget(fila(QStringLiteral("La zuvi habla por"), salida_, g.marco));
    idioma_ = new QLabel(nombreIdioma(entorno_.asistente.idiomaReconocimiento()), g.marco);
    idioma_->setObjectName(QStringLiteral("idioma"));
    idioma_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g.filas->addWidget(fila(QStringLiteral("Idioma de reconocimiento"), idioma_, g.marco));

    seguirMicrofonos();
    seguirSalidas();
    // The pickers follow the assistant live; only the user's pick is a choice.
    AsistenteVoz& voz = entorno_.asistente;
    connect(&voz, &AsistenteVoz::dispositivosCambiados, this, &SeccionVoz::seguirMicrofonos);
    connect(&voz, &AsistenteVoz::dispositivoUIDCambiado, this, &SeccionVoz::seguirMicrofonos);
    connect(&voz, &AsistenteVoz::salidasCambiadas, this, &SeccionVoz::seguirSalidas);
    connect(&voz, &AsistenteVoz::salidaUIDCambiado, this, &SeccionVoz::seguirSalidas);
    connect(microfono_, &QComboBox::activated, this, &SeccionVoz::elegirMicrofono);
    connect(salida_, &QComboBox::activated, this,
            [this](int i) { entorno_.asistente.setSalidaUID(salida_->itemData(i).toString()); });
}

void SeccionVoz::elegirMicrofono(int indice)
{
    const auto antes = entorno_.asistente.dispositivoUID();
    entorno_.asistente.setDispositivoUID(microfono_->itemData(indice).toString());
    // The wake-phrase listener captures from the new microphone at once.
    EscuchaZuvi& escucha = entorno_.escucha;
    if (entorno_.asistente.dispositivoUID() != antes && escucha.escuchando()) {
        escucha.detener();
        escucha.iniciar();
    }
}

void SeccionVoz::seguirMicrofonos()
{
    llenar(microfono_, entorno_.asistente.dispositivos(), entorno_.asistente.dispositivoUID(), &etiquetaMicrofono);
}

void SeccionVoz::seguirSalidas()
{
    llenar(salida_, entorno_.asistente.salidas(), entorno_.asistente.salidaUID(), &etiquetaSalida);
}

void SeccionVoz::construirHabla()
{
    const Grupo g = seccion(QStringLiteral("Cómo habla"));
    auto* deslizador = new QWidget(g.marco);
    auto* h = new QHBoxLayout(deslizador);
    h->setContentsMargins(0, 0, 0, 0);
    velocidad_ = new QSlider(Qt::Horizontal, deslizador);
    velocidad_->setObjectName(QStringLiteral("velocidad"));
    velocidad_->setRange(pasoDe(velocidadMinima), pasoDe(velocidadMaxima));
    velocidad_->setPageStep(1);
    // A stored speed outside the slider's range shows at its end, and
    // stays stored as it is until the user moves the slider.
    velocidad_->setValue(pasoDe(velocidadInicial(entorno_.ajustes)));
    h->addWidget(nota(QStringLiteral("Normal"), deslizador));
    h->addWidget(velocidad_, 1);
    h->addWidget(nota(QStringLiteral("Rápida"), deslizador));
    connect(velocidad_, &QSlider::valueChanged, this,
            [this](int n) { entorno_.ajustes.escribir(claveVelocidad, velocidadDe(n)); });
    g.filas->addWidget(fila(QStringLiteral("Velocidad"), deslizador, g.marco));

    leer_ = interruptor(QStringLiteral("Leer las respuestas en voz alta"), entorno_.asistente.leerRespuesta(),
                        QStringLiteral("leer"), g.marco);
    connect(leer_, &QCheckBox::clicked, this, [this](bool on) { entorno_.asistente.setLeerRespuesta(on); });
    g.filas->addWidget(leer_);

    vozRespaldo_ = new QComboBox(g.marco);
    vozRespaldo_->setObjectName(QStringLiteral("vozRespaldo"));
    for (const VozSistema& v : MotorConversacion::vocesEspanol())
        vozRespaldo_->addItem(etiquetaVoz(v), v.identificador);
    const QString elegida = vozElegida(entorno_.ajustes.textoOpcional(claveVoz), MotorConversacion::mejorVoz());
    vozRespaldo_->setCurrentIndex(elegida.isEmpty() ? -1 : vozRespaldo_->findData(elegida));
    connect(vozRespaldo_, &QComboBox::activated, this,
            [this](int i) { entorno_.ajustes.escribir(claveVoz, vozRespaldo_->itemData(i).toString()); });
    g.filas->addWidget(fila(QStringLiteral("Voz de respaldo (del sistema)"), vozRespaldo_, g.marco));
}

void SeccionVoz::construirEscucha()
{
    const Grupo g = seccion(QStringLiteral("Escucha"), QStringLiteral("Los cambios de micrófono y cancelación de eco "
                                                                      "se aplican al pausar y reanudar la escucha."));
    enviar_ = interruptor(QStringLiteral("Enviar al dejar de hablar"), entorno_.asistente.enviarAlCallar(),
                          QStringLiteral("enviar"), g.marco);
    connect(enviar_, &QCheckBox::clicked, this, [this](bool on) { entorno_.asistente.setEnviarAlCallar(on); });
    musica_ = interruptor(QStringLiteral("Ignorar música y canciones de fondo (salvo que digan «Zuvi»)"),
                          ModoProyectos::ignorarMusica(entorno_.ajustes), QStringLiteral("musica"), g.marco);
    connect(musica_, &QCheckBox::clicked, this, [this](bool on) { entorno_.ajustes.escribir(claveMusica, on); });
    eco_ = interruptor(QStringLiteral("Cancelación de eco (experimental)"), entorno_.ajustes.booleano(claveEco, false),
                       QStringLiteral("eco"), g.marco);
    connect(eco_, &QCheckBox::clicked, this, [this](bool on) { entorno_.ajustes.escribir(claveEco, on); });
    for (QCheckBox* c : {enviar_, musica_, eco_})
        g.filas->addWidget(c);
}
