#pragma once

#include "assistant/SesionClaude.h"
#include "assistant/TurnoAgente.h"
#include "core/Almacen.h"
#include "core/ComandosAgente.h"
#include "plataforma/Ajustes.h"

#include <QMap>
#include <QPointer>
#include <QTest>

#include <utility>

// The assistant's side of a turn for tests: plain settings, a recorded
// composer, voice and sound, and real Claude Code sessions reused while
// their key stays the same.
// Stops the turn, its background tasks and every Claude Code process they
// ran (`actual` is the host's foreground session), and waits for them to end.
inline void terminarProcesos(TurnoAgente& turno, std::shared_ptr<SesionClaude> actual)
{
    std::vector<std::shared_ptr<SesionClaude>> sesiones;
    for (const auto& t : turno.enFondo())
        sesiones.push_back(t->sesion);
    if (actual)
        sesiones.push_back(std::move(actual));
    turno.cancelar();
    turno.cancelarFondo();
    for (const auto& s : sesiones) {
        s->cerrar();
        QTRY_VERIFY(!s->enMarcha());
    }
}

class AnfitrionPrueba : public TurnoAgente::Anfitrion {
public:
    AnfitrionPrueba(Ajustes& ajustes, Almacen& almacen) : ajustes_(ajustes), almacen_(almacen) {}

    AgenteCLI agenteElegido = AgenteCLI::claude;
    NivelPermiso nivelElegido = NivelPermiso::total;
    QString carpetaElegida;
    std::optional<QString> contexto;
    bool leer = true;
    bool silenciada = false;
    QString pendiente;
    bool sinCodex = false;
    QMap<AgenteCLI, QString> rutas;

    int dictadosDetenidos = 0;
    QStringList hablado;
    int sonidos = 0;
    int sesionesAbiertas = 0;
    TurnoAgente* turno = nullptr;

    AgenteCLI agente() const override { return agenteElegido; }
    void setAgente(AgenteCLI agente) override { agenteElegido = agente; }
    NivelPermiso nivel() const override { return nivelElegido; }
    QString carpeta() const override { return carpetaElegida; }
    std::optional<QString> contextoPersona() const override { return contexto; }
    bool leerRespuesta() const override { return leer; }
    bool vozPropiaSilenciada() const override { return silenciada; }
    QString texto() const override { return pendiente; }
    void setTexto(const QString& texto) override { pendiente = texto; }
    void detenerDictado() override { ++dictadosDetenidos; }
    void hablar(const QString& texto) override { hablado << texto; }
    void sonarFin() override { ++sonidos; }
    bool faltaCodex() const override { return sinCodex; }

    void buscarEjecutable(AgenteCLI agente, std::function<void(std::optional<QString>)> listo) override
    {
        listo(rutas.contains(agente) ? std::optional(rutas.value(agente)) : std::nullopt);
    }

    std::shared_ptr<SesionClaude> sesionClaude() const override { return sesion_; }
    void soltarSesionClaude() override { sesion_.reset(); }

    std::shared_ptr<SesionClaude> asegurarSesion(const QString& ruta, const std::optional<QString>& reanudar) override
    {
        const auto actual = almacen_.actual();
        const bool copia = reanudar && actual && turno->fondoEn(actual->id);
        const ModeloClaude modelo = ModeloClaudeActual::leer(ajustes_);
        const ClaveSesion clave{carpetaElegida, valorCrudo(nivelElegido), valorCrudo(modelo), contexto,
                                ajustes_.texto(QStringLiteral("instruccionesExtra"), QString()), reanudar, copia};
        if (sesion_ && sesion_->enMarcha() && sesion_->clave() == clave)
            return sesion_;
        if (auto vieja = std::exchange(sesion_, nullptr))
            vieja->cerrar();
        const QUuid id = QUuid::createUuid();
        QPointer<TurnoAgente> t(turno);
        const auto hacia = [t](auto accion) {
            QMetaObject::invokeMethod(
                t.data(), [t, accion] { if (t) accion(*t); }, Qt::QueuedConnection);
        };
        sesion_ = std::make_shared<SesionClaude>(
            id, clave, ruta,
            ComandosAgente::argumentosSesion(nivelElegido, reanudar, contexto, modelo, copia, ajustes_),
            carpetaElegida,
            [hacia, id](const QString& l) { hacia([l, id](TurnoAgente& x) { x.lineaSesion(l, id); }); },
            [hacia](const QString& e) { hacia([e](TurnoAgente& x) { x.errorSesion(e); }); },
            [hacia, id](int c) { hacia([c, id](TurnoAgente& x) { x.sesionTermino(c, id); }); });
        ++sesionesAbiertas;
        return sesion_;
    }

private:
    Ajustes& ajustes_;
    Almacen& almacen_;
    std::shared_ptr<SesionClaude> sesion_;
};
