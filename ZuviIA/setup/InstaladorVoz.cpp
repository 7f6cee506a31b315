// The local neural voice: install, switch on, start and wait for it.
#include "setup/Instalador.h"

#include "audio/VozNeural.h"
#include "core/Futuros.h"
#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Reloj.h"
#include "setup/ScriptsInstalador.h"

#include <QFile>

#include <signal.h>

namespace {

constexpr int vueltasEspera = 120;
constexpr std::chrono::seconds pausaEspera{1};

}

QFuture<void> Instalador::instalarVozNeural()
{
    auto promesa = std::make_shared<QPromise<void>>();
    promesa->start();
    if (instalandoVoz_) {
        promesa->finish();
        return promesa->future();
    }
    vozCancelada_ = false;
    setInstalandoVoz(true);
    setEstadoVoz(EstadoPaso::trabajando());
    anotar(QStringLiteral("▸ Instalando la voz natural local (Qwen3-TTS)…"));
    // The check run at the end speaks with the reference voice.
    VozNeural::prepararReferencia(false, voz_.recursos());
    const ms limite = bordes_.limites.voz;
    shellConSalida(ScriptsInstalador::instalarVoz(), true,
                   {VozNeural::carpeta(), QString::fromLatin1(VozNeural::modelo),
                    QString::fromLatin1(VozNeural::marcaInstalada), QString::fromLatin1(VozNeural::modeloDiseno),
                    voz_.recursos() + QStringLiteral("/Voz/servidor_voz.py"), QString::number(VozNeural::descargaGB)},
                   limite, [this](qint64 grupo) { grupoVoz_ = grupo; })
        .then(Futuros::vigia(), Futuros::siVive(this, [this, promesa, limite](const ResultadoShell& r) {
            if (vozCancelada_) {
                // A part-downloaded file would pass for a whole one later.
                QFile::remove(VozNeural::carpeta() + QStringLiteral("/modelos/huella_voz.onnx.parte"));
                anotar(QStringLiteral("  ✗ Instalación de la voz natural cancelada."));
                terminarVoz(promesa, estadoVozVisto());
                return;
            }
            if (!r.ok || !VozNeural::instalada()) {
                const QString motivo = ScriptsInstalador::falloVoz(r.salida, r.agotado, limite);
                Registro::anotar(QStringLiteral("Voz natural: ") + motivo);
                terminarVoz(promesa, EstadoPaso::error(motivo));
                return;
            }
            ajustes_.escribir(QStringLiteral("vozNeural"), true);
            voz_.reiniciar();
            setEstadoVoz(EstadoPaso::listo(QStringLiteral("Cargando…")));
            esperarVoz(promesa, 0);
        }));
    return promesa->future();
}

void Instalador::cancelarVozNeural()
{
    if (grupoVoz_ <= 0 || vozCancelada_)
        return;
    vozCancelada_ = true;
    ::kill(-pid_t(grupoVoz_), SIGKILL);
}

void Instalador::esperarVoz(std::shared_ptr<QPromise<void>> promesa, int vueltas)
{
    const bool apagada = ajustes_.booleanoOpcional(QStringLiteral("vozNeural")) == false;
    if ((voz_.estado().listaParaHablar() && !apagada) || vueltas >= vueltasEspera) {
        terminarVoz(promesa, estadoVozVisto());
        return;
    }
    reloj_.despues(pausaEspera, this, [this, promesa, vueltas] { esperarVoz(promesa, vueltas + 1); }).soltar();
}

void Instalador::terminarVoz(std::shared_ptr<QPromise<void>> promesa, const EstadoPaso& estado)
{
    setEstadoVoz(estado);
    setInstalandoVoz(false);
    promesa->finish();
}

void Instalador::setInstalandoVoz(bool valor)
{
    if (valor == instalandoVoz_)
        return;
    instalandoVoz_ = valor;
    emit instalandoVozChanged();
}

bool Instalador::vozNeuralLista() const
{
    return voz_.estado().listaParaHablar() && VozNeural::activada(ajustes_);
}

EstadoPaso Instalador::estadoVozVisto() const
{
    const TextosVoz::Vista v = vistaVoz();
    return VozNeural::instalada() ? EstadoPaso::listo(v.insignia) : EstadoPaso{EstadoPaso::Tipo::falta, v.insignia};
}

TextosVoz::Vista Instalador::vistaVoz() const
{
    return TextosVoz::vista(VozNeural::instalada(), VozNeural::activada(ajustes_), voz_.estado());
}

void Instalador::refrescarVozNeural()
{
    if (estadoVoz_.es(EstadoPaso::Tipo::trabajando) && instalandoVoz_)
        return;
    setEstadoVoz(estadoVozVisto());
}
