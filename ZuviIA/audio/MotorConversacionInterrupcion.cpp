// Barge-in over the engine's own voice and the background-music state that
// projects mode asks about when it closes an utterance.
#include "audio/MotorConversacion.h"

#include "core/Registro.h"

#include <algorithm>

namespace {

constexpr qint64 msMusicaAhora = 2500;

} // namespace

bool MotorConversacion::hayMusicaAhoraBloqueado() const
{
    if (clasificaciones_.empty())
        return false;
    const Clasificacion& c = clasificaciones_.back();
    return reloj_.monotono().count() - c.ms < msMusicaAhora && c.musica > 0.4;
}

qint64 MotorConversacion::msMonotonos(const QDateTime& desde) const
{
    return reloj_.monotono().count() - desde.msecsTo(reloj_.ahora());
}

bool MotorConversacion::hayMusicaAhora() const
{
    std::lock_guard g(lock_);
    return hayMusicaAhoraBloqueado();
}

// Step 7 of every block, on the capture thread.
void MotorConversacion::detectarVozEncima(float mic, const Avisos& avisos)
{
    bool hablando;
    float salida;
    bool musica;
    {
        std::lock_guard g(lock_);
        hablando = hablando_;
        salida = nivelSalida_;
        musica = hayMusicaAhoraBloqueado();
    }
    if (!hablando || salida <= DetectorVozEncima::salidaMinima
        || (musica && ajustes_.booleano(QStringLiteral("ignorarMusica"), true))) {
        vozEncima_.reiniciar();
        return;
    }
    if (!vozEncima_.bloque(mic, salida))
        return;
    Registro::anotar(QStringLiteral("Duplex: voz encima (razón %1 > umbral %2, mic %3)")
                         .arg(double(mic / salida), 0, 'f', 2)
                         .arg(double(vozEncima_.umbral()), 0, 'f', 2)
                         .arg(double(mic), 0, 'f', 3));
    if (avisos.vozEncima)
        avisos.vozEncima();
}

bool MotorConversacion::musicaDominante(const std::vector<double>& musicas)
{
    if (musicas.empty())
        return false;
    const auto conMusica = std::count_if(musicas.begin(), musicas.end(), [](double m) { return m > 0.4; });
    return double(conMusica) / double(musicas.size()) >= 0.5;
}

float MotorConversacion::cercaniaDeVoz(std::vector<float> niveles)
{
    if (niveles.size() < 5)
        return 0;
    std::sort(niveles.begin(), niveles.end());
    const double n1 = double(niveles.size() - 1);
    const float fuerte = niveles[size_t(n1 * 0.9)];
    const float quieto = niveles[size_t(n1 * 0.15)];
    return fuerte / std::max(quieto, 0.0005f);
}

bool MotorConversacion::musicaDominante(const QDateTime& desde) const
{
    const qint64 d = msMonotonos(desde);
    std::vector<double> musicas;
    {
        std::lock_guard g(lock_);
        for (const Clasificacion& c : clasificaciones_) {
            if (c.ms >= d)
                musicas.push_back(c.musica);
        }
    }
    return musicaDominante(musicas);
}

float MotorConversacion::cercaniaDeVoz(const QDateTime& desde) const
{
    const qint64 d = msMonotonos(desde);
    std::vector<float> niveles;
    {
        std::lock_guard g(lock_);
        for (const Nivel& n : nivelesRecientes_) {
            if (n.ms >= d)
                niveles.push_back(n.rms);
        }
    }
    return cercaniaDeVoz(std::move(niveles));
}
