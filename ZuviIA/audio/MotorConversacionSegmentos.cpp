// The recognition side of the conversation engine: numbered segments, their
// results, the re-fed segment and the pause after repeated errors.
#include "audio/MotorConversacion.h"

#include "core/Registro.h"

namespace {

constexpr int erroresAntesDeEsperar = 3;
constexpr std::chrono::milliseconds esperaTrasErrores{1000};

const QString avisoSinModelo = QStringLiteral(
    "No se pudo cargar el modelo de voz en español. Instálalo de nuevo desde el asistente de configuración, "
    "en el paso de voz.");

const QStringList terminosFijos = {
    "Zuvi IA", "Oye Zuvi", "ZuviIA", "modo proyectos", "Bambu Studio", "Bambu Lab", "H2D", "X1 Carbon", "P1S",
    "A1 mini", "Blender", "Claude", "Codex", "ChatGPT", "Safari", "Chrome", "Google Chrome", "Word", "Excel",
    "PowerPoint", "el gestor de archivos", "impresora", "imprimir", "laminar", "laminador", "filamento", "PLA",
    "PETG", "STL", "3MF", "render", "modelo 3D", "Accesibilidad", "la configuración del sistema",
    "cambiar de persona", "terminamos por hoy"};

} // namespace

QStringList MotorConversacion::terminos(const Ajustes& ajustes)
{
    return terminosFijos + ajustes.listaTextos(QStringLiteral("terminosPerfiles"));
}

size_t MotorConversacion::cuantosRecientes(const std::vector<double>& duraciones, double segundos)
{
    double suma = 0;
    size_t n = 0;
    for (auto it = duraciones.rbegin(); it != duraciones.rend() && suma < segundos; ++it) {
        suma += *it;
        ++n;
    }
    return n;
}

BloqueAudio MotorConversacion::primerCanal(const BloqueAudio& bloque)
{
    BloqueAudio mono;
    mono.canales = 1;
    mono.frecuencia = bloque.frecuencia;
    mono.capturado = bloque.capturado;
    const int frames = bloque.frames();
    mono.muestras.resize(size_t(frames));
    for (int i = 0; i < frames; ++i)
        mono.muestras[size_t(i)] = bloque.muestras[size_t(i) * size_t(bloque.canales)];
    return mono;
}

void MotorConversacion::restringirA(const QStringList& frases)
{
    std::lock_guard g(lock_);
    frases_ = frases;
}

void MotorConversacion::nuevoSegmento()
{
    empezarSegmento(std::nullopt);
}

void MotorConversacion::nuevoSegmentoConLoUltimo(double segundos)
{
    empezarSegmento(segundos);
}

// After repeated errors with no text the next segment waits a second: the
// owner starts one on every error, and the errors would loop at full speed.
void MotorConversacion::empezarSegmento(std::optional<double> segundos)
{
    if (!reconocedor_.disponible())
        return;
    int numero;
    std::shared_ptr<TareaReconocimiento> vieja;
    {
        std::lock_guard g(lock_);
        if (erroresSeguidos_ < erroresAntesDeEsperar) {
            espera_.cancelar();
            numero = -1;
        } else {
            numero = ++segmento_;
            vieja = std::move(tarea_);
            audioSegmento_.vaciar();
        }
    }
    if (numero < 0) {
        abrirSegmento(segundos);
        return;
    }
    retiro_.retirar(std::move(vieja));
    // The timer belongs to the owner's thread, whichever thread asked.
    QMetaObject::invokeMethod(
        contexto_.get(),
        [this, numero, segundos] {
            Temporizador t = reloj_.despues(esperaTrasErrores, contexto_.get(), [this, numero, segundos] {
                {
                    std::lock_guard g(lock_);
                    if (numero != segmento_)
                        return;
                }
                abrirSegmento(segundos);
            });
            std::lock_guard g(lock_);
            if (numero == segmento_)
                espera_ = std::move(t);
        },
        Qt::QueuedConnection);
}

void MotorConversacion::abrirSegmento(std::optional<double> segundos)
{
    // The re-fed blocks are chosen before the new segment changes anything.
    std::vector<std::shared_ptr<const BloqueAudio>> llevar;
    if (segundos) {
        std::lock_guard g(lock_);
        std::vector<double> duraciones;
        for (const auto& b : recientes_)
            duraciones.push_back(double(b->frames()) / double(b->frecuencia));
        const size_t n = cuantosRecientes(duraciones, *segundos);
        llevar.assign(recientes_.end() - std::ptrdiff_t(n), recientes_.end());
    }
    const auto diccionario = std::make_shared<const TerminosReconocimiento>(terminos(ajustes_));
    const QDateTime ahora = reloj_.ahora();
    int numero;
    std::shared_ptr<TareaReconocimiento> vieja;
    QStringList frases;
    {
        std::lock_guard g(lock_);
        frases = frases_;
        numero = ++segmento_;
        inicioSegmento_ = ahora;
        vieja = std::move(tarea_);
        audioSegmento_.vaciar();
        remuestreadorHuella_.reset();
        espera_.cancelar();
    }
    retiro_.retirar(std::move(vieja));
    std::shared_ptr<TareaReconocimiento> nueva = reconocedor_.iniciar(
        locale_,
        [this, numero, diccionario](const QString& texto, bool final) {
            alTextoSegmento(numero, diccionario->reescribir(texto), final);
        },
        [this, numero](const QString& descripcion) { alErrorSegmento(numero, descripcion); }, frases);
    if (!nueva) {
        // The model failed to load: no later segment can hear anything.
        int seguidos;
        {
            std::lock_guard g(lock_);
            seguidos = ++erroresSeguidos_;
        }
        if (seguidos == 1)
            Registro::anotar(
                QStringLiteral("Reconocimiento: no se pudo abrir un segmento (%1)").arg(reconocedor_.motivo()));
        avisar(avisoSinModelo);
        return;
    }
    {
        std::lock_guard g(lock_);
        if (numero == segmento_)
            tarea_ = nueva;
        else
            vieja = std::move(nueva); // a newer segment started meanwhile
    }
    if (vieja) {
        retiro_.retirar(std::move(vieja));
        return;
    }
    for (const auto& b : llevar) {
        nueva->anadir(b->canales == 1 ? *b : primerCanal(*b));
        acumularAudio(*b, numero);
    }
}

void MotorConversacion::alTextoSegmento(int numero, const QString& texto, bool final)
{
    std::shared_ptr<const Avisos> avisos;
    {
        std::lock_guard g(lock_);
        if (numero != segmento_)
            return;
        if (!texto.isEmpty())
            erroresSeguidos_ = 0;
        avisos = avisos_;
    }
    if (avisos->texto)
        avisos->texto(texto, numero);
    if (final && avisos->finSegmento)
        avisos->finSegmento(numero);
}

void MotorConversacion::alErrorSegmento(int numero, const QString& descripcion)
{
    std::shared_ptr<const Avisos> avisos;
    int seguidos;
    {
        std::lock_guard g(lock_);
        if (numero != segmento_)
            return;
        seguidos = ++erroresSeguidos_;
        avisos = avisos_;
    }
    if (seguidos <= erroresAntesDeEsperar)
        Registro::anotar(QStringLiteral("Reconocimiento: ") + descripcion);
    if (seguidos == erroresAntesDeEsperar) {
        Registro::anotar(QStringLiteral("Reconocimiento: %1 errores seguidos, espero 1 s entre segmentos")
                             .arg(erroresAntesDeEsperar));
        avisar(QStringLiteral("El reconocimiento de voz está fallando. Vuelvo a intentarlo cada segundo; "
                              "si sigue, revisa el modelo de voz en español."));
    }
    if (avisos->finSegmento)
        avisos->finSegmento(numero);
}
