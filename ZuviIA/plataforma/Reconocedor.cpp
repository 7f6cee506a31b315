#include "plataforma/Reconocedor.h"

#include "plataforma/Remuestreador.h"
#include "plataforma/Vosk.h"

namespace {

constexpr double frecuenciaVoz = 16000;
constexpr float escalaEntera = 32768.0f;

std::vector<float> mono(const BloqueAudio& b)
{
    const int n = b.frames();
    std::vector<float> m(static_cast<size_t>(n));
    const int c = std::max(b.canales, 1);
    for (int i = 0; i < n; ++i) {
        float suma = 0;
        for (int k = 0; k < c; ++k)
            suma += b.muestras[size_t(i * c + k)];
        m[size_t(i)] = suma / float(c);
    }
    return m;
}

} // namespace

TareaReconocimiento::TareaReconocimiento(std::unique_ptr<FlujoReconocimiento> flujo, AlTexto alTexto, AlError alError)
    : flujo_(std::move(flujo)), alTexto_(std::move(alTexto)), alError_(std::move(alError))
{
    hilo_ = std::thread([this] { trabajar(); });
}

TareaReconocimiento::~TareaReconocimiento()
{
    cancelar();
}

void TareaReconocimiento::anadir(const BloqueAudio& bloque)
{
    {
        std::lock_guard g(mutex_);
        if (fin_ || cancelada_)
            return;
        cola_.push_back(bloque);
    }
    hay_.notify_one();
}

void TareaReconocimiento::terminar()
{
    {
        std::lock_guard g(mutex_);
        fin_ = true;
    }
    hay_.notify_one();
}

void TareaReconocimiento::cancelar()
{
    {
        std::lock_guard g(mutex_);
        cancelada_ = true;
        cola_.clear();
    }
    hay_.notify_one();
    if (hilo_.joinable())
        hilo_.join();
}

QString TareaReconocimiento::unir(const QStringList& enunciados, const QString& parcial)
{
    QStringList partes;
    for (const QString& e : enunciados) {
        if (!e.trimmed().isEmpty())
            partes << e.trimmed();
    }
    if (!parcial.trimmed().isEmpty())
        partes << parcial.trimmed();
    return partes.join(QLatin1Char(' '));
}

void TareaReconocimiento::trabajar()
{
    try {
        recorrer();
    } catch (const std::exception& e) {
        // A failing backend ends the segment's text; the owner decides.
        if (!cancelada_ && alError_)
            alError_(QString::fromUtf8(e.what()));
    }
}

void TareaReconocimiento::recorrer()
{
    for (;;) {
        BloqueAudio bloque;
        {
            std::unique_lock l(mutex_);
            hay_.wait(l, [this] { return cancelada_ || fin_ || !cola_.empty(); });
            if (cancelada_)
                return;
            if (cola_.empty())
                break; // fin_ and everything fed
            bloque = std::move(cola_.front());
            cola_.pop_front();
        }
        if (bloque.frecuencia <= 0 || bloque.frames() == 0)
            continue;
        if (!remuestreador_ || bloque.frecuencia != frecuencia_) {
            frecuencia_ = bloque.frecuencia;
            remuestreador_ = std::make_unique<Remuestreador>(frecuencia_, frecuenciaVoz);
        }
        // The filter may hold a block back: its audio then reaches the
        // backend with a later one, and the delay counts from the oldest.
        if (!retenido_)
            retenido_ = bloque.capturado;
        const std::vector<float> salida = remuestreador_->procesar(mono(bloque));
        if (!salida.empty()) {
            alimentar(salida, *retenido_);
            retenido_.reset();
        }
        informar(false);
    }
    if (remuestreador_)
        alimentar(remuestreador_->vaciar(), retenido_.value_or(std::chrono::steady_clock::now()));
    if (cancelada_)
        return;
    const QString resto = flujo_->final();
    enunciados_ << resto;
    parcial_.clear();
    informar(true);
}

void TareaReconocimiento::alimentar(std::span<const float> mono16k, std::chrono::steady_clock::time_point capturado)
{
    if (mono16k.empty() || cancelada_)
        return;
    std::vector<float> escaladas(mono16k.begin(), mono16k.end());
    for (float& m : escaladas)
        m *= escalaEntera;
    if (flujo_->aceptar(escaladas, capturado)) {
        // An endpoint of the backend closes an utterance, not the segment.
        enunciados_ << flujo_->enunciado();
        parcial_.clear();
    } else {
        parcial_ = flujo_->parcial();
    }
}

void TareaReconocimiento::informar(bool final)
{
    const QString texto = unir(enunciados_, parcial_);
    if (cancelada_ || (!final && texto == ultimo_))
        return;
    ultimo_ = texto;
    if (alTexto_)
        alTexto_(texto, final);
}

Reconocedor::Reconocedor(std::shared_ptr<MotorReconocimiento> motor)
    : motor_(std::move(motor))
{
}

bool Reconocedor::disponible() const
{
    return motor_ && motor_->disponible();
}

QString Reconocedor::motivo() const
{
    return motor_ ? motor_->motivo() : QStringLiteral("sin motor de reconocimiento");
}

QStringList Reconocedor::localesSoportados() const
{
    return motor_ ? motor_->locales() : QStringList();
}

std::unique_ptr<TareaReconocimiento> Reconocedor::iniciar(const QString& locale, TareaReconocimiento::AlTexto alTexto,
                                                          TareaReconocimiento::AlError alError,
                                                          const QStringList& frases) const
{
    if (!motor_)
        return nullptr;
    auto flujo = frases.isEmpty() ? motor_->abrir(locale) : motor_->abrirRestringido(locale, frases);
    if (!flujo)
        return nullptr;
    return std::make_unique<TareaReconocimiento>(std::move(flujo), std::move(alTexto), std::move(alError));
}

Reconocedor& Reconocedor::sistema()
{
    static Reconocedor unico(Vosk::motor());
    return unico;
}
