#include "audio/SaludoVoz.h"

SaludoVoz::Anuncio SaludoVoz::leer(const QByteArray& trozo)
{
    pendiente_ += decodificador_.decode(trozo);
    Anuncio anuncio;
    qsizetype inicio = 0;
    for (qsizetype fin = pendiente_.indexOf(u'\n'); fin >= 0; fin = pendiente_.indexOf(u'\n', inicio)) {
        const QStringView linea = QStringView(pendiente_).sliced(inicio, fin - inicio);
        inicio = fin + 1;
        if (linea.isEmpty())
            continue;
        if (const auto puerto = puertoDe(linea))
            anuncio.puerto = puerto;
        else if (esListo(linea))
            anuncio.listo = true;
        else if (auto motor = motorDe(linea))
            anuncio.motor = std::move(motor);
        else if (const auto lenta = lentaDe(linea))
            anuncio.lentaMs = lenta;
    }
    pendiente_.remove(0, inicio);
    return anuncio;
}

std::optional<int> SaludoVoz::numeroDe(QStringView linea, QStringView prefijo)
{
    if (!linea.startsWith(prefijo))
        return std::nullopt;
    QStringView resto = linea.sliced(prefijo.size());
    QStringView cifras = resto;
    if (!cifras.isEmpty() && (cifras.front() == u'+' || cifras.front() == u'-'))
        cifras = cifras.sliced(1);
    if (cifras.isEmpty())
        return std::nullopt;
    for (const QChar c : cifras)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const int valor = resto.toInt(&ok, 10);
    return ok ? std::optional<int>(valor) : std::nullopt;
}

std::optional<QString> SaludoVoz::motorDe(QStringView linea)
{
    constexpr QStringView prefijo = u"MOTOR=";
    if (!linea.startsWith(prefijo))
        return std::nullopt;
    return linea.sliced(prefijo.size()).trimmed().toString();
}
