#include "audio/MotorConversacion.h"

#include "audio/VozNeural.h"
#include "core/Registro.h"

#include <algorithm>

MotorConversacion::Capas MotorConversacion::capasSistema()
{
    Capas c;
    c.reproductor = Reproductor::crear([](const QString& l) { Registro::anotar(l); });
    c.clasificador = ClasificadorSonido::crear();
    c.eco = CancelacionEco::crear(c.reproductor);
    c.sintetizador = Sintetizador::crear();
    c.voz = &VozNeural::shared();
    return c;
}

void MotorConversacion::prepararVoz(std::optional<uint32_t> salida)
{
    if (!reproductor_)
        return;
    if (!tapSalida_) {
        tapSalida_ = reproductor_->observarNivel([this](float rms) {
            std::lock_guard g(lock_);
            nivelSalida_ = nivelSalidaSiguiente(rms, nivelSalida_);
        });
    }
    reproductor_->preparar(uidSalida(salida));
}

void MotorConversacion::hablar(const QString& texto, const std::optional<QString>& voz, float velocidad,
                               AlTerminarHabla alTerminar)
{
    int turno;
    {
        std::lock_guard g(lock_);
        turno = ++turnoVoz_;
        hablando_ = true;
    }
    salida_->hablar(texto, voz, velocidad, [this, turno, alTerminar = std::move(alTerminar)](FinHabla fin) {
        {
            std::lock_guard g(lock_);
            if (turno == turnoVoz_)
                hablando_ = false;
        }
        if (alTerminar)
            alTerminar(fin);
    });
}

void MotorConversacion::callar()
{
    {
        std::lock_guard g(lock_);
        ++turnoVoz_;
        hablando_ = false;
    }
    salida_->callar();
}

float MotorConversacion::nivelSalida() const
{
    std::lock_guard g(lock_);
    return nivelSalida_;
}

int MotorConversacion::rangoRegion(const QString& idioma)
{
    const QString i = idioma.toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
    if (i == QLatin1String("es-cl"))
        return 0;
    if (i == QLatin1String("es-mx") || i == QLatin1String("es-419"))
        return 1;
    if (i == QLatin1String("es-us"))
        return 2;
    if (i == QLatin1String("es-es") || i == QLatin1String("es"))
        return 3;
    return 9;
}

std::vector<VozSistema> MotorConversacion::vocesEspanol(const std::vector<VozSistema>& voces)
{
    std::vector<VozSistema> candidatas;
    for (const VozSistema& v : voces) {
        if (v.idioma.startsWith(QLatin1String("es")) && !v.identificador.contains(QLatin1String("eloquence")) &&
            !v.novedad)
            candidatas.push_back(v);
    }
    std::stable_sort(candidatas.begin(), candidatas.end(),
                     [](const VozSistema& a, const VozSistema& b) { return a.calidad > b.calidad; });
    return candidatas;
}

std::optional<VozSistema> MotorConversacion::mejorVoz(const std::optional<QString>& preferida,
                                                      const std::vector<VozSistema>& voces)
{
    if (preferida) {
        for (const VozSistema& v : voces) {
            if (v.idioma.startsWith(QLatin1String("es")) && v.identificador == *preferida)
                return v;
        }
    }
    std::vector<VozSistema> candidatas = vocesEspanol(voces);
    std::stable_sort(candidatas.begin(), candidatas.end(), [](const VozSistema& a, const VozSistema& b) {
        if (a.calidad != b.calidad)
            return a.calidad > b.calidad;
        return rangoRegion(a.idioma) < rangoRegion(b.idioma);
    });
    if (candidatas.empty())
        return std::nullopt;
    return candidatas.front();
}

std::optional<VozSistema> MotorConversacion::mejorVoz(const std::optional<QString>& preferida)
{
    return mejorVoz(preferida, Sintetizador::crear()->voces());
}

std::vector<VozSistema> MotorConversacion::vocesEspanol()
{
    return vocesEspanol(Sintetizador::crear()->voces());
}
