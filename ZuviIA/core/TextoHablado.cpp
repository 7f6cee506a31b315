#include "core/TextoHablado.h"

#include "core/Texto.h"

#include <QRegularExpression>

namespace TextoHablado {

namespace {

constexpr int largoParaAcortar = 450;
constexpr int largoAcortado = 380;
constexpr int largoLeido = 1500;

const QRegularExpression& bloqueCodigo()
{
    static const QRegularExpression re(QStringLiteral("```[\\s\\S]*?```"));
    return re;
}

// The first sentences that fit, or the first characters when not even the
// first sentence does.
QString acortar(const QString& texto)
{
    QString tomado;
    for (const QString& pieza : texto.split(QStringLiteral(". "))) {
        if (Texto::longitud(tomado) + Texto::longitud(pieza) > largoAcortado)
            break;
        tomado += pieza + QStringLiteral(". ");
    }
    if (tomado.isEmpty())
        tomado = Texto::primeros(texto, largoAcortado);
    // The closing sentence brings its own space.
    return tomado.trimmed() + QStringLiteral(" Te dejé el detalle en pantalla.");
}

} // namespace

QString paraHablar(const QString& respuesta)
{
    static const QRegularExpression filaTabla(QStringLiteral("\\|.*\\|"));
    static const QRegularExpression marcas(QStringLiteral("[#*_>`]"));
    static const QRegularExpression blancos(QStringLiteral("\\s+"));
    QString t = respuesta;
    t.replace(bloqueCodigo(), QStringLiteral(" "));
    t.replace(filaTabla, QStringLiteral(" "));
    t.remove(marcas);
    t.replace(blancos, QStringLiteral(" "));
    t = t.trimmed();
    if (Texto::longitud(t) > largoParaAcortar)
        t = acortar(t);
    return t.isEmpty() ? QStringLiteral("Listo.") : t;
}

QString respuestaLeida(const QString& respuesta)
{
    static const QRegularExpression marcas(QStringLiteral("[#*`_>|]"));
    QString t = respuesta;
    t.replace(bloqueCodigo(), QStringLiteral(" "));
    t.remove(marcas);
    return paraHablar(Texto::primeros(t, largoLeido));
}

}
