// The local neural voice: install, switch on, start and wait for it.
#include "setup/Instalador.h"

#include "audio/VozNeural.h"
#include "core/Futuros.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "setup/ScriptsInstalador.h"

namespace {

constexpr int vueltasEspera = 120;
constexpr std::chrono::seconds pausaEspera{1};

}

QFuture<void> Instalador::instalarVozNeural()
{
    empezarTrabajo();
    setEstadoVoz(EstadoPaso::trabajando());
    anotar(QStringLiteral("▸ Instalando la voz natural local (Qwen3-TTS)…"));
    auto promesa = std::make_shared<QPromise<void>>();
    promesa->start();
    const ms limite = bordes_.limites.voz;
    shellConSalida(ScriptsInstalador::instalarVoz(), true,
                   {VozNeural::carpeta(), QString::fromLatin1(VozNeural::modelo),
                    QString::fromLatin1(VozNeural::marcaInstalada)},
                   limite)
        .then(Futuros::vigia(), Futuros::siVive(this, [this, promesa, limite](const ResultadoShell& r) {
            if (!r.ok || !VozNeural::instalada()) {
                setEstadoVoz(EstadoPaso::error(r.agotado
                                                   ? QStringLiteral("No se pudo instalar. ") + ScriptsInstalador::agotado(limite)
                                                   : QStringLiteral("No se pudo instalar. Revisa el registro.")));
                terminarTrabajo();
                promesa->finish();
                return;
            }
            ajustes_.escribir(QStringLiteral("vozNeural"), true);
            voz_.reiniciar();
            setEstadoVoz(EstadoPaso::listo(QStringLiteral("Cargando…")));
            esperarVoz(promesa, 0);
        }));
    return promesa->future();
}

void Instalador::esperarVoz(std::shared_ptr<QPromise<void>> promesa, int vueltas)
{
    const bool apagada = ajustes_.booleanoOpcional(QStringLiteral("vozNeural")) == false;
    if ((voz_.estado().listaParaHablar() && !apagada) || vueltas >= vueltasEspera) {
        setEstadoVoz(VozNeural::instalada() ? estadoVozInstalada() : EstadoPaso::falta());
        terminarTrabajo();
        promesa->finish();
        return;
    }
    reloj_.despues(pausaEspera, this, [this, promesa, vueltas] { esperarVoz(promesa, vueltas + 1); }).soltar();
}

bool Instalador::vozNeuralLista() const
{
    return voz_.estado().listaParaHablar() && VozNeural::activada(ajustes_);
}

void Instalador::refrescarVozNeural()
{
    if (estadoVoz_.es(EstadoPaso::Tipo::trabajando) && trabajando())
        return;
    setEstadoVoz(VozNeural::instalada() ? estadoVozInstalada() : EstadoPaso::falta());
}
