#include "audio/MotorConversacion.h"

#include "audio/AudioDispositivos.h"
#include "audio/EntradaVoz.h"
#include "audio/ErrorDictado.h"
#include "core/Registro.h"

#include <cmath>

namespace {

constexpr qint64 msNiveles = 15000;
constexpr qint64 msClasificaciones = 30000;

} // namespace

MotorConversacion::MotorConversacion(Capas capas, const QString& localeActual)
    : reloj_(capas.reloj), microfono_(capas.microfono), reconocedor_(capas.reconocedor), ajustes_(capas.ajustes),
      dispositivos_(capas.dispositivos), reproductor_(std::move(capas.reproductor)),
      clasificador_(std::move(capas.clasificador)), eco_(std::move(capas.eco)),

      locale_(elegirLocale(localeActual, reconocedor_.localesSoportados())),
      contexto_(std::make_unique<QObject>()), vida_(std::make_shared<MotorConversacion*>(this)),
      ultimaVozDetectada_(QDateTime::fromMSecsSinceEpoch(0)), inicioSegmento_(reloj_.ahora())
{
    salida_ = std::make_unique<SalidaVoz>(
        SalidaVoz::Capas{ajustes_, reproductor_, std::move(capas.sintetizador), capas.voz});
    std::weak_ptr<MotorConversacion*> vida = vida_;
    dispositivos_.observar([vida] {
        if (auto v = vida.lock())
            (*v)->cambioDeDispositivos();
    });
}

MotorConversacion::~MotorConversacion()
{
    vida_.reset();
    detener();
    // Nothing of the player or of a speech turn calls in after this.
    tapSalida_.reset();
    salida_.reset();
}

QString MotorConversacion::elegirLocale(const QString& actual, const QStringList& soportados)
{
    auto guion = [](QString s) { return s.replace(QLatin1Char('_'), QLatin1Char('-')); };
    QStringList disponibles;
    for (const QString& s : soportados)
        disponibles << guion(s);
    for (const QString& c : {guion(actual), QStringLiteral("es-CL"), QStringLiteral("es-ES"), QStringLiteral("es-MX"),
                             QStringLiteral("es-US")}) {
        // Every locale of this recognizer runs on this computer, so the
        // first one kept is the one chosen.
        if (c.startsWith(QLatin1String("es")) && disponibles.contains(c))
            return c;
    }
    return QStringLiteral("es-ES");
}

float MotorConversacion::pisoSiguiente(float rms, float piso)
{
    // Down fast, up slowly.
    return rms < piso ? 0.3f * rms + 0.7f * piso : 0.005f * rms + 0.995f * piso;
}

bool MotorConversacion::esVoz(float rms, float piso)
{
    return rms > std::max(2.5f * piso, 0.006f);
}

std::vector<float> MotorConversacion::promediar16k(const BloqueAudio& bloque)
{
    const int frames = bloque.frames();
    std::vector<float> salida;
    if (frames <= 0 || bloque.frecuencia <= 0)
        return salida;
    const double paso = double(bloque.frecuencia) / 16000.0;
    const size_t c = size_t(std::max(bloque.canales, 1));
    salida.reserve(size_t(double(frames) / paso) + 2);
    double posicion = 0;
    for (int i = int(posicion); i < frames; i = int(posicion)) {
        posicion += paso;
        const int fin = std::min(int(posicion), frames);
        const int hasta = std::max(fin, i + 1);
        float suma = 0;
        for (int k = i; k < hasta; ++k)
            suma += bloque.muestras[size_t(k) * c];
        salida.push_back(suma / float(std::max(fin - i, 1)));
    }
    return salida;
}

std::optional<QString> MotorConversacion::uidSalida(std::optional<uint32_t> salida)
{
    // An output that is not listed leaves playback on the default one.
    if (salida) {
        for (const auto& d : AudioDispositivos::dispositivos(false, dispositivos_)) {
            if (d.id == *salida)
                return d.uid;
        }
    }
    return std::nullopt;
}

void MotorConversacion::arrancar(std::optional<uint32_t> dispositivo, std::optional<uint32_t> salida,
                                 bool cancelacionEco)
{
    detener();
    cancelaEco_ = false;
    if (!reconocedor_.disponible()) {
        Registro::anotar(QStringLiteral("Micrófono: sin reconocedor (%1)").arg(reconocedor_.motivo()));
        throw ErrorDictado::sinReconocedor();
    }
    try {
        uidCaptura_ = EntradaVoz::uid(dispositivo, dispositivos_);
        abrirCaptura();
        if (cancelacionEco) {
            if (!eco_)
                throw std::runtime_error("La cancelación de eco no está disponible en este equipo.");
            eco_->activar(captura_->frecuencia(), captura_->canales());
            cancelaEco_ = true;
        }
        prepararVoz(salida);
        if (clasificador_) {
            posicionAnalisis_ = 0;
            clasificador_->preparar(captura_->frecuencia(), captura_->canales(),
                                    [this](double musica, double habla) { registrarClasificacion(musica, habla); });
        }
        {
            std::lock_guard g(lock_);
            corriendo_ = true;
            audioSegmento_.vaciar();
        }
        {
            std::lock_guard g(lock_);
            avisado_ = false;
        }
        iniciarCaptura();
    } catch (...) {
        detener();
        throw;
    }
    nuevoSegmento();
}

// Opens the chosen input (uidCaptura_) without starting it.
void MotorConversacion::abrirCaptura()
{
    captura_.reset();
    captura_ = EntradaVoz::abrir(microfono_, uidCaptura_);
}

// A microphone that refuses to start or stops delivering is told to the
// owner, not only to the log: otherwise the room would just be deaf.
void MotorConversacion::iniciarCaptura()
{
    captura_->iniciar([this](const BloqueAudio& b) { alBloque(b); },
                      [this](const QString& texto) {
                          Registro::anotar(QStringLiteral("Micrófono: ") + texto);
                          avisarMicrofono(texto);
                      });
}

void MotorConversacion::avisarMicrofono(const QString& texto)
{
    avisar(texto + QStringLiteral(" Revisa que esté conectado y elegido en Ajustes."));
}

// Once per run: the same trouble is not repeated while it lasts.
void MotorConversacion::avisar(const QString& texto)
{
    std::shared_ptr<const Avisos> a;
    {
        std::lock_guard g(lock_);
        if (avisado_)
            return;
        avisado_ = true;
        a = avisos_;
    }
    if (a->aviso)
        a->aviso(texto);
}

void MotorConversacion::detener()
{
    callar();
    {
        std::lock_guard g(lock_);
        corriendo_ = false;
    }
    if (captura_) {
        captura_->detener();
        captura_.reset();
    }
    if (eco_ && cancelaEco_)
        eco_->desactivar();
    std::shared_ptr<TareaReconocimiento> vieja;
    {
        std::lock_guard g(lock_);
        ++segmento_;
        vieja = std::move(tarea_);
        espera_.cancelar();
    }
    retiro_.retirar(std::move(vieja));
}

// A device came, went or became the default: the input is opened again (the
// default input may be another one now) and a new segment starts. Ignored
// while stopped, so no notice reopens a microphone its owner let go.
void MotorConversacion::cambioDeDispositivos()
{
    {
        std::lock_guard g(lock_);
        if (!corriendo_)
            return;
    }
    Registro::anotar(QStringLiteral("Micrófono: cambio de configuración, reanudando"));
    if (captura_)
        captura_->detener();
    try {
        abrirCaptura();
        if (cancelaEco_)
            eco_->activar(captura_->frecuencia(), captura_->canales());
        iniciarCaptura();
    } catch (const std::exception& e) {
        // The next change may bring it back; meanwhile the owner says so.
        Registro::anotar(QStringLiteral("Micrófono: no se pudo reanudar: %1").arg(QString::fromUtf8(e.what())));
        avisarMicrofono(QStringLiteral("El micrófono dejó de entregar audio."));
    }
    nuevoSegmento();
}

bool MotorConversacion::hablando() const
{
    std::lock_guard g(lock_);
    return hablando_;
}

QDateTime MotorConversacion::ultimaVozDetectada() const
{
    std::lock_guard g(lock_);
    return ultimaVozDetectada_;
}

QDateTime MotorConversacion::inicioSegmento() const
{
    std::lock_guard g(lock_);
    return inicioSegmento_;
}

int MotorConversacion::segmento() const
{
    std::lock_guard g(lock_);
    return segmento_;
}

std::shared_ptr<const MotorConversacion::Avisos> MotorConversacion::avisos() const
{
    std::lock_guard g(lock_);
    return avisos_;
}

void MotorConversacion::cambiarAvisos(const std::function<void(Avisos&)>& cambio)
{
    // Copied, so a thread firing the old set keeps it whole.
    std::lock_guard g(lock_);
    auto nuevos = std::make_shared<Avisos>(*avisos_);
    cambio(*nuevos);
    avisos_ = std::move(nuevos);
}

void MotorConversacion::onTexto(OnTexto f) { cambiarAvisos([&](Avisos& a) { a.texto = std::move(f); }); }
void MotorConversacion::onFinSegmento(OnFinSegmento f) { cambiarAvisos([&](Avisos& a) { a.finSegmento = std::move(f); }); }
void MotorConversacion::onNivel(OnNivel f) { cambiarAvisos([&](Avisos& a) { a.nivel = std::move(f); }); }
void MotorConversacion::onVozEncima(OnVozEncima f) { cambiarAvisos([&](Avisos& a) { a.vozEncima = std::move(f); }); }
void MotorConversacion::onMusica(OnMusica f) { cambiarAvisos([&](Avisos& a) { a.musica = std::move(f); }); }
void MotorConversacion::onAviso(OnAviso f) { cambiarAvisos([&](Avisos& a) { a.aviso = std::move(f); }); }

// Every captured block, on the capture thread: arithmetic, copies and short
// locked sections only.
void MotorConversacion::alBloque(const BloqueAudio& entrada)
{
    const bool eco = cancelaEco_;
    BloqueAudio limpio;
    if (eco) {
        limpio = entrada;
        eco_->procesar(limpio);
    }
    const BloqueAudio& bloque = eco ? limpio : entrada;
    const float x = EntradaVoz::rms(bloque);
    const float n = EntradaVoz::nivel(x);
    ++bufferesRecibidos_;
    nivelMax_ = std::max(nivelMax_, n);
    if (bufferesRecibidos_ == 1 || bufferesRecibidos_ % 30 == 0) {
        bool hablando;
        float salida;
        {
            std::lock_guard g(lock_);
            hablando = hablando_;
            salida = nivelSalida_;
        }
        Registro::anotar(QStringLiteral("Micrófono: %1 bloques, nivel máx %2 · hablando %3 salida %4 eco aprendido %5")
                             .arg(bufferesRecibidos_)
                             .arg(double(nivelMax_), 0, 'f', 3)
                             .arg(hablando ? "true" : "false")
                             .arg(double(salida), 0, 'f', 3)
                             .arg(double(vozEncima_.acople()), 0, 'f', 3));
        nivelMax_ = 0;
    }
    std::shared_ptr<TareaReconocimiento> tarea;
    std::shared_ptr<const Avisos> avisos;
    bool hablando;
    int numero;
    {
        std::lock_guard g(lock_);
        tarea = tarea_;
        avisos = avisos_;
        hablando = hablando_;
        numero = segmento_;
    }
    if (hablando && !escucharMientrasHabla) {
        if (avisos->nivel)
            avisos->nivel(0);
        return;
    }
    guardarReciente(bloque);
    registrarNivel(x);
    detectarVoz(x);
    detectarVozEncima(x, *avisos);
    if (!hablando)
        acumularAudio(bloque, numero);
    if (tarea)
        tarea->anadir(bloque.canales == 1 ? bloque : primerCanal(bloque));
    if (avisos->nivel)
        avisos->nivel(n);
}

void MotorConversacion::guardarReciente(const BloqueAudio& bloque)
{
    auto copia = std::make_shared<const BloqueAudio>(bloque);
    if (clasificador_) {
        const int64_t p = posicionAnalisis_;
        posicionAnalisis_ += copia->frames();
        clasificador_->analizar(copia, p);
    }
    const double duracion = double(copia->frames()) / double(copia->frecuencia);
    std::lock_guard g(lock_);
    recientes_.push_back(std::move(copia));
    duracionRecientes_ += duracion;
    while (duracionRecientes_ > segundosRecientes && recientes_.size() >= 2) {
        duracionRecientes_ -= double(recientes_.front()->frames()) / double(recientes_.front()->frecuencia);
        recientes_.pop_front();
    }
}

void MotorConversacion::registrarNivel(float x)
{
    const qint64 ahora = reloj_.monotono().count();
    std::lock_guard g(lock_);
    nivelesRecientes_.push_back({ahora, x});
    while (!nivelesRecientes_.empty() && ahora - nivelesRecientes_.front().ms > msNiveles)
        nivelesRecientes_.pop_front();
}

// The wall clock is read only for a block of voice.
void MotorConversacion::detectarVoz(float x)
{
    bool voz;
    {
        std::lock_guard g(lock_);
        pisoRuido_ = pisoSiguiente(x, pisoRuido_);
        voz = esVoz(x, pisoRuido_) && !hablando_;
    }
    if (!voz)
        return;
    const QDateTime ahora = reloj_.ahora();
    std::lock_guard g(lock_);
    if (!hablando_)
        ultimaVozDetectada_ = ahora;
}

// Voice-print audio at 16 kHz; `numero` is the segment the block belongs to,
// so a block of an ended segment never lands in the next one's audio.
void MotorConversacion::acumularAudio(const BloqueAudio& bloque, int numero)
{
    if (bloque.frames() <= 0 || bloque.frecuencia <= 0)
        return;
    std::vector<float> muestras;
    const bool lenta = bloque.frecuencia < 16000;
    if (!lenta)
        muestras = promediar16k(bloque);
    const BloqueAudio mono = lenta && bloque.canales != 1 ? primerCanal(bloque) : BloqueAudio();
    std::lock_guard g(lock_);
    if (numero != segmento_)
        return;
    if (lenta) {
        // A slow input (a Bluetooth headset at 8 kHz) is resampled, in one
        // stream per segment.
        if (!remuestreadorHuella_)
            remuestreadorHuella_ = std::make_unique<Remuestreador>(bloque.frecuencia, 16000);
        muestras = remuestreadorHuella_->procesar(bloque.canales == 1 ? bloque.muestras : mono.muestras);
    }
    audioSegmento_.anadir(muestras.data(), muestras.size());
}

std::vector<float> MotorConversacion::tomarAudioSegmento()
{
    std::lock_guard g(lock_);
    std::vector<float> r = audioSegmento_.copia();
    audioSegmento_.vaciar();
    return r;
}

void MotorConversacion::registrarClasificacion(double musica, double habla)
{
    const qint64 ahora = reloj_.monotono().count();
    const bool hayMusica = musica > 0.4;
    bool cambio;
    std::shared_ptr<const Avisos> avisos;
    {
        std::lock_guard g(lock_);
        clasificaciones_.push_back({ahora, musica, habla});
        while (!clasificaciones_.empty() && ahora - clasificaciones_.front().ms > msClasificaciones)
            clasificaciones_.pop_front();
        cambio = hayMusica != musicaAnunciada_;
        musicaAnunciada_ = hayMusica;
        avisos = avisos_;
    }
    if (cambio && avisos->musica)
        avisos->musica(hayMusica);
}
