#include "projects/MotorSala.h"

#include "audio/MotorConversacion.h"

std::unique_ptr<MotorSala> MotorSala::sistema()
{
    return std::make_unique<MotorSalaReal>(std::make_unique<MotorConversacion>(MotorConversacion::capasSistema()));
}

MotorSalaReal::MotorSalaReal(std::unique_ptr<MotorConversacion> motor) : motor_(std::move(motor)) {}

MotorSalaReal::~MotorSalaReal() = default;

void MotorSalaReal::avisar(Avisos avisos)
{
    motor_->onTexto(std::move(avisos.texto));
    motor_->onFinSegmento(std::move(avisos.finSegmento));
    motor_->onNivel(std::move(avisos.nivel));
    motor_->onVozEncima(std::move(avisos.vozEncima));
    motor_->onMusica(std::move(avisos.musica));
    motor_->onAviso(std::move(avisos.aviso));
}

void MotorSalaReal::arrancar(std::optional<uint32_t> entrada, std::optional<uint32_t> salida, bool cancelacionEco)
{
    motor_->arrancar(entrada, salida, cancelacionEco);
}

void MotorSalaReal::detener() { motor_->detener(); }
void MotorSalaReal::nuevoSegmento() { motor_->nuevoSegmento(); }
void MotorSalaReal::nuevoSegmentoConLoUltimo(double segundos) { motor_->nuevoSegmentoConLoUltimo(segundos); }
std::vector<float> MotorSalaReal::tomarAudioSegmento() { return motor_->tomarAudioSegmento(); }

int MotorSalaReal::hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
                          AlTerminarHabla alTerminar)
{
    const int turno = ++*turnos_;
    motor_->hablar(texto, voz, velocidad,
                   [turno, alTerminar = std::move(alTerminar)](FinHabla fin) { alTerminar(turno, fin == FinHabla::oido); });
    return turno;
}

void MotorSalaReal::callar() { motor_->callar(); }
bool MotorSalaReal::hablando() const { return motor_->hablando(); }
QDateTime MotorSalaReal::ultimaVozDetectada() const { return motor_->ultimaVozDetectada(); }
QDateTime MotorSalaReal::inicioSegmento() const { return motor_->inicioSegmento(); }
int MotorSalaReal::segmento() const { return motor_->segmento(); }
bool MotorSalaReal::musicaDominante(const QDateTime& desde) const { return motor_->musicaDominante(desde); }
float MotorSalaReal::cercaniaDeVoz(const QDateTime& desde) const { return motor_->cercaniaDeVoz(desde); }
bool MotorSalaReal::cancelaEco() const { return motor_->cancelaEco(); }
QString MotorSalaReal::locale() const { return motor_->locale(); }

std::optional<QString> MotorSalaReal::mejorVoz(const std::optional<QString>& preferida) const
{
    const auto voz = MotorConversacion::mejorVoz(preferida);
    return voz ? std::optional<QString>(voz->identificador) : std::nullopt;
}
