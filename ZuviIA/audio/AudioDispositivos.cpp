#include "audio/AudioDispositivos.h"

#include "core/Registro.h"

namespace {

// The sound layer sits below the log: it reports a stalled server here
// wherever the devices are used.
const bool anotadorPuesto = (DispositivosSistema::setAnotador(&Registro::anotar), true);

}

namespace AudioDispositivos {

std::optional<DispositivoAudio> desdeRegistro(const DispositivosSistema::Registro& r)
{
    if (r.canales <= 0)
        return std::nullopt;
    const QString numero = QString::number(r.indice);
    DispositivoAudio d;
    d.id = r.indice;
    d.uid = r.nombre.value_or(numero);
    // Outputs too: the fallback name is the same for both directions.
    d.nombre = r.descripcion.value_or(QStringLiteral("Micrófono ") + numero);
    d.fabricante = r.fabricante.value_or(QString());
    d.transporte = r.transporte;
    return d;
}

QList<DispositivoAudio> dispositivos(bool entrada, DispositivosSistema& sistema)
{
    QList<DispositivoAudio> lista;
    for (const auto& r : sistema.listar(entrada)) {
        if (auto d = desdeRegistro(r))
            lista.append(*d);
    }
    return lista;
}

void observarCambios(std::function<void()> alCambiar, DispositivosSistema& sistema)
{
    sistema.observar(std::move(alCambiar));
}

std::optional<QString> predeterminado(bool entrada, DispositivosSistema& sistema)
{
    return sistema.predeterminado(entrada);
}

bool silenciada(const DispositivosSistema::EstadoSalida& e)
{
    if (e.silenciada.value_or(false))
        return true;
    return e.volumen && *e.volumen < 0.05f;
}

bool salidaSilenciada(std::optional<uint32_t> dispositivo, DispositivosSistema& sistema)
{
    const auto estado = sistema.estadoSalida(dispositivo);
    return estado && silenciada(*estado);
}

} // namespace AudioDispositivos
