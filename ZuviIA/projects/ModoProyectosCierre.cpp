#include "projects/ModoProyectos.h"

#include "core/Perfiles.h"
#include "core/Registro.h"
#include "core/Texto.h"
#include "plataforma/Ajustes.h"

#include <QPointer>
#include <QSet>

namespace {

bool algunaDe(const QString& normalizado, const QStringList& frases)
{
    for (const QString& f : frases)
        if (ModoProyectos::contiene(normalizado, f))
            return true;
    return false;
}

}

QString ModoProyectos::normalizar(const QString& texto)
{
    return ComandosVoz::normalizar(texto);
}

QStringList ModoProyectos::palabras(const QString& normalizado)
{
    return ComandosVoz::palabras(normalizado);
}

bool ModoProyectos::contiene(const QString& normalizado, const QString& frase)
{
    return !frase.isEmpty() && ComandosVoz::contiene(normalizado, {frase});
}

int ModoProyectos::esperaFinDeFrase(const QString& texto)
{
    static const QSet<QString> conectores = {
        "y", "o", "que", "de", "del", "para", "con", "en", "el", "la", "los", "las", "un",
        "una", "a", "al", "pero", "porque", "como", "cuando", "si", "mi", "tu", "su", "por",
        "eh", "em", "mmm", "este", "esta", "entonces", "pues", "osea", "quiero", "necesito", "hazme", "dame"};
    const QStringList p = palabras(normalizar(texto));
    if (p.isEmpty())
        return 1000;
    if (conectores.contains(p.last()))
        return 1900;
    return p.size() < 3 ? 1300 : 1000;
}

ModoProyectos::Llamada ModoProyectos::separarLlamada(const QString& normalizado)
{
    const auto l = ComandosVoz::separarLlamada(normalizado);
    return {l.llamada, l.resto};
}

void ModoProyectos::parcial(const QString& texto)
{
    if (!activo_)
        return;
    // A newer text of the recognizer supersedes one held back.
    ignorado_.reset();
    revisionIgnorado_.cancelar();
    const QString n = normalizar(texto);
    const QDateTime ahora = reloj_.ahora();
    if (ahora < ignorarHasta_ && !esperandoModalidad_ && !enPresentaciones_
        && filtroEco_.todasDichas(texto, 60, ahora)) {
        // The recognizer reports a text only when it changes: a quick
        // answer heard now is looked at again once the guard is over.
        ignorado_ = texto;
        const auto espera = std::chrono::milliseconds(ahora.msecsTo(ignorarHasta_) + 1);
        revisionIgnorado_ = reloj_.despues(espera, this, [this] { revisarIgnorado(); });
        return;
    }
    const qsizetype cuantas = palabras(n).size();
    if (esperandoModalidad_ && salaHabla()) {
        const bool grupo = algunaDe(n, {"grupo", "grupal", "equipo"});
        const bool solo = algunaDe(n, {"individual", "solo", "sola"});
        if (grupo != solo && cuantas < 5) {
            callarTodo();
            Registro::anotar(QStringLiteral("Modalidad dicha encima"));
        }
    }
    if (salaHabla() && (n.startsWith(QLatin1String("zuvi ")) || n.startsWith(QLatin1String("oye zuvi ")))
        && cuantas >= 2) {
        callarTodo();
        Registro::anotar(QStringLiteral("Interrupción: la llamaron «Zuvi»"));
    }
    if (salaHabla()) {
        if (!cancelaEco_ || cuantas < 2)
            return;
        callarTodo();
        Registro::anotar(QStringLiteral("Duplex: interrupción"));
    }
    perfiles_.marcarActividad();
    if (n.startsWith(QLatin1String("zuvi")) || n.startsWith(QLatin1String("oye zuvi")))
        llamadaEnSegmento_ = true;
    if (transcripcion_.isEmpty())
        inicioFrase_ = reloj_.ahora();
    setTranscripcion(texto);
    programarAsentir(texto);
    programarSilencio(esperaFinDeFrase(texto));
}

void ModoProyectos::revisarIgnorado()
{
    if (!ignorado_)
        return;
    const QString texto = *ignorado_;
    ignorado_.reset();
    parcial(texto);
}

void ModoProyectos::programarSilencio(int espera)
{
    const quint64 sesion = sesion_;
    esperaSilencio_ = espera;
    silencio_ = reloj_.despues(std::chrono::milliseconds(espera), this, [this, sesion] {
        inicioRevision_ = reloj_.monotono();
        revisarSilencio(sesion);
    });
}

void ModoProyectos::revisarSilencio(quint64 sesion)
{
    if (sesion != sesion_ || !activo_)
        return;
    const QDateTime voz = motor_->ultimaVozDetectada();
    const double silencio = voz.isValid() ? voz.msecsTo(reloj_.ahora()) / 1000.0 : 1e9;
    const bool sigueLaVoz = silencio < 0.7 * esperaSilencio_ / 1000.0;
    if (sigueLaVoz && reloj_.monotono() - inicioRevision_ < std::chrono::seconds(8)) {
        silencio_ = reloj_.despues(std::chrono::milliseconds(150), this, [this, sesion] { revisarSilencio(sesion); });
        return;
    }
    Registro::anotar(QStringLiteral("Cierre por silencio (sin voz hace %1 s)")
                         .arg(QString::asprintf("%.1f", std::min(silencio, 9999.9))));
    cerrarFrase();
}

void ModoProyectos::cerrarFrase()
{
    silencio_.cancelar();
    QString texto = transcripcion_.trimmed();
    setTranscripcion(QString());
    std::vector<float> audio = motor_->tomarAudioSegmento();
    const QDateTime inicio = motor_->inicioSegmento();
    const bool llamadaAntes = llamadaEnSegmento_;
    llamadaEnSegmento_ = false;
    motor_->nuevoSegmento();
    if (texto.isEmpty())
        return;

    const QString n = normalizar(texto);
    const Llamada llamada = separarLlamada(n);
    if (ignorarMusica(ajustes_) && motor_->musicaDominante(inicio.addMSecs(-500)) && !esperandoModalidad_
        && !enPresentaciones_) {
        const float cercania = motor_->cercaniaDeVoz(inicio);
        if (!llamada.llamada) {
            if (llamadaAntes) {
                texto = QStringLiteral("Zuvi, ") + texto;
            } else if (cercania < 3.5f) {
                Registro::anotar(QString::asprintf("Música de fondo: frase ignorada (%.1f× el fondo, sin «Zuvi»)",
                                                   double(cercania)));
                return;
            } else {
                Registro::anotar(
                    QString::asprintf("Música de fondo: voz cercana (%.1f× el fondo), se atiende", double(cercania)));
            }
        }
    }
    if (filtroEco_.esEco(texto, reloj_.ahora())) {
        Registro::anotar(QStringLiteral("Eco propio descartado (%1 palabras)").arg(palabras(n).size()));
        return;
    }
    Cerrada cerrada{++numeroCerrada_, texto, std::move(audio), std::nullopt, false, inicioFrase_};
    const bool porHuella = (ajustes_.booleano(QStringLiteral("modoGrupo"), false) || perfiles_.presentes().size() >= 2)
        && !enPresentaciones_;
    if (!porHuella) {
        cerrada.hablante = perfiles_.activo();
        cerrada.lista = true;
        cerradas_.push_back(std::move(cerrada));
        procesarCerradas();
        return;
    }
    identificarYProcesar(std::move(cerrada));
}

void ModoProyectos::identificarYProcesar(Cerrada cerrada)
{
    QList<QUuid> candidatos;
    for (const Perfil& p : perfiles_.presentes())
        candidatos << p.id;
    const quint64 numero = cerrada.numero;
    const quint64 sesion = sesion_;
    const std::vector<float> audio = cerrada.audio;
    cerradas_.push_back(std::move(cerrada));
    QPointer<ModoProyectos> yo(this);
    const AlIdentificar listo = [yo, numero, sesion](std::optional<Identificacion> respuesta) {
        // An answer of an ended session, or for an utterance already gone,
        // is dropped.
        if (!yo || yo->sesion_ != sesion)
            return;
        for (Cerrada& c : yo->cerradas_) {
            if (c.numero != numero)
                continue;
            if (respuesta) {
                for (const Perfil& p : yo->perfiles_.todos()) {
                    if (p.id == respuesta->id) {
                        c.hablante = p;
                        Registro::anotar(QStringLiteral("Habla: %1 (%2)")
                                             .arg(p.nombre, QString::asprintf("%.2f", respuesta->puntaje)));
                        break;
                    }
                }
            }
            c.lista = true;
            break;
        }
        yo->procesarCerradas();
    };
    if (identificar_)
        identificar_(audio, candidatos, listo);
    else
        listo(std::nullopt);
}

void ModoProyectos::procesarCerradas()
{
    while (!cerradas_.empty() && cerradas_.front().lista && activo_) {
        Cerrada c = std::move(cerradas_.front());
        cerradas_.pop_front();
        hablante_ = c.hablante;
        procesar(c.texto, c.audio, c.inicio);
    }
}
