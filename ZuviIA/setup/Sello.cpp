#include "setup/Sello.h"

#include "setup/ArbolSeguro.h"
#include "setup/Ed25519.h"
#include "setup/FalloActualizacion.h"
#include "setup/FirmaActualizacion.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>

#include <sys/stat.h>

namespace {

using Entrada = Sello::Entrada;
using Tipo = Sello::Entrada::Tipo;

constexpr qint64 buildMaximo = qint64(1) << 53;
constexpr qint64 tamanoMaximo = 64 * 1024 * 1024;
const QByteArray inicioFirma = QByteArrayLiteral("firma ");

[[noreturn]] void invalido(const QString& detalle)
{
    throw FalloActualizacion(QStringLiteral("el sello de la app nueva no es válido (%1)").arg(detalle));
}

QString modoTexto(int modo) { return QStringLiteral("%1").arg(modo, 4, 8, QLatin1Char('0')); }

QString sha256Archivo(const QString& ruta)
{
    QFile archivo(ruta);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!archivo.open(QIODevice::ReadOnly) || !hash.addData(&archivo))
        invalido(QStringLiteral("no se pudo leer «%1»").arg(ruta));
    return QString::fromLatin1(hash.result().toHex());
}

void recorrer(const QString& raiz, const QString& relativa, QList<Entrada>& entradas)
{
    const QString carpeta = relativa.isEmpty() ? raiz : raiz + QLatin1Char('/') + relativa;
    const auto filtro = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString& nombre : QDir(carpeta).entryList(filtro)) {
        if (relativa.isEmpty() && nombre == Sello::nombreArchivo())
            continue;
        const QString ruta = relativa.isEmpty() ? nombre : relativa + QLatin1Char('/') + nombre;
        const QString completa = raiz + QLatin1Char('/') + ruta;
        if (!ArbolSeguro::rutaRelativa(ruta))
            invalido(QStringLiteral("nombre no admitido «%1»").arg(ruta));
        struct stat st {};
        if (::lstat(QFile::encodeName(completa).constData(), &st) != 0)
            invalido(QStringLiteral("no se pudo leer «%1»").arg(ruta));
        const int modo = int(st.st_mode & 07777);
        if (S_ISLNK(st.st_mode)) {
            if (!ArbolSeguro::enlaceDentro(raiz, ruta))
                invalido(QStringLiteral("el enlace «%1» sale de la carpeta").arg(ruta));
            entradas.append({Tipo::enlace, ruta, 0, {}, ArbolSeguro::destinoEnlace(completa).value_or(QString())});
        } else if (S_ISDIR(st.st_mode)) {
            entradas.append({Tipo::carpeta, ruta, modo, {}, {}});
            recorrer(raiz, ruta, entradas);
        } else if (S_ISREG(st.st_mode)) {
            entradas.append({Tipo::archivo, ruta, modo, sha256Archivo(completa), {}});
        } else {
            invalido(QStringLiteral("«%1» no es un archivo, una carpeta ni un enlace").arg(ruta));
        }
    }
}

QString linea(const Entrada& e)
{
    switch (e.tipo) {
    case Tipo::archivo:
        return QStringLiteral("archivo\t%1\t%2\t%3").arg(modoTexto(e.modo), e.sha256, e.ruta);
    case Tipo::carpeta:
        return QStringLiteral("carpeta\t%1\t%2").arg(modoTexto(e.modo), e.ruta);
    case Tipo::enlace:
        return QStringLiteral("enlace\t%1\t%2").arg(e.ruta, e.destino);
    }
    return {};
}

bool hexMinuscula(const QString& s, int digitos)
{
    return s.size() == digitos && std::all_of(s.begin(), s.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
}

int modoDe(const QString& s)
{
    bool ok = false;
    const int modo = s.toInt(&ok, 8);
    if (s.size() != 4 || !ok || modo < 0 || modoTexto(modo) != s)
        invalido(QStringLiteral("modo «%1»").arg(s));
    return modo;
}

Entrada entradaDe(const QString& texto)
{
    const QStringList campos = texto.split(QLatin1Char('\t'));
    const QString tipo = campos.value(0);
    Entrada e;
    if (tipo == u"archivo" && campos.size() == 4 && hexMinuscula(campos[2], 64))
        e = {Tipo::archivo, campos[3], modoDe(campos[1]), campos[2], {}};
    else if (tipo == u"carpeta" && campos.size() == 3)
        e = {Tipo::carpeta, campos[2], modoDe(campos[1]), {}, {}};
    else if (tipo == u"enlace" && campos.size() == 3 && !campos[2].isEmpty())
        e = {Tipo::enlace, campos[1], 0, {}, campos[2]};
    else
        invalido(QStringLiteral("línea «%1»").arg(texto));
    if (!ArbolSeguro::rutaRelativa(e.ruta) || e.ruta.endsWith(QLatin1Char('/')))
        invalido(QStringLiteral("ruta «%1»").arg(e.ruta));
    return e;
}

QString valorDe(const QString& linea, QLatin1StringView clave)
{
    if (!linea.startsWith(clave + QLatin1Char(' ')))
        invalido(QStringLiteral("falta «%1»").arg(clave));
    return linea.mid(clave.size() + 1);
}

qint64 buildDe(const QString& s)
{
    bool ok = false;
    const qint64 n = s.toLongLong(&ok);
    if (!ok || n < 0 || n > buildMaximo || QString::number(n) != s)
        invalido(QStringLiteral("build «%1»").arg(s));
    return n;
}

// Splits "<texto>firma <Base64>\n" and checks the signature over <texto>.
QByteArray cuerpoFirmado(const QByteArray& firmado, const QString& clave)
{
    const qsizetype corte = firmado.lastIndexOf("\n" + inicioFirma) + 1;
    if (corte <= 0 || !firmado.endsWith('\n'))
        invalido(QStringLiteral("sin firma"));
    const QByteArray base64 = firmado.mid(corte + inicioFirma.size()).chopped(1);
    const auto firma = Ed25519::base64Exacto(QString::fromLatin1(base64), Ed25519::bytesFirma);
    const QByteArray cuerpo = firmado.left(corte);
    if (!firma || !Ed25519::verificar(cuerpo, *firma, FirmaActualizacion::clavePublica(clave)))
        invalido(QStringLiteral("la firma no corresponde"));
    return cuerpo;
}

// Only sealed files and folders reached through real folders are touched.
void restaurarModos(const QString& carpeta, const QList<Entrada>& entradas)
{
    for (const Entrada& e : entradas) {
        if (e.tipo == Tipo::enlace)
            continue;
        QString ruta = carpeta;
        bool real = true;
        for (const QString& parte : e.ruta.split(QLatin1Char('/'))) {
            ruta += QLatin1Char('/') + parte;
            struct stat st {};
            real = real && ::lstat(QFile::encodeName(ruta).constData(), &st) == 0 && !S_ISLNK(st.st_mode);
        }
        if (real)
            ::chmod(QFile::encodeName(ruta).constData(), mode_t(e.modo));
    }
}

// The first difference, named for the log and the user.
QString diferencia(const QList<Entrada>& selladas, const QList<Entrada>& halladas)
{
    auto s = selladas.begin();
    auto h = halladas.begin();
    while (s != selladas.end() && h != halladas.end() && *s == *h) {
        ++s;
        ++h;
    }
    if (s == selladas.end())
        return QStringLiteral("sobra «%1»").arg(h->ruta);
    if (h == halladas.end() || s->ruta.toUtf8() < h->ruta.toUtf8())
        return QStringLiteral("falta «%1»").arg(s->ruta);
    if (s->ruta != h->ruta)
        return QStringLiteral("sobra «%1»").arg(h->ruta);
    if (s->tipo == h->tipo && s->modo != h->modo)
        return QStringLiteral("«%1» tiene el modo %2 en vez de %3").arg(s->ruta, modoTexto(h->modo), modoTexto(s->modo));
    return QStringLiteral("«%1» cambió").arg(s->ruta);
}

}

QList<Entrada> Sello::describir(const QString& carpeta)
{
    QList<Entrada> entradas;
    recorrer(carpeta, QString(), entradas);
    std::sort(entradas.begin(), entradas.end(),
              [](const Entrada& a, const Entrada& b) { return a.ruta.toUtf8() < b.ruta.toUtf8(); });
    return entradas;
}

QByteArray Sello::texto() const
{
    QString t = QStringLiteral("equipo %1\nversion %2\nbuild %3\n").arg(equipo, version).arg(build);
    for (const Entrada& e : entradas)
        t += linea(e) + QLatin1Char('\n');
    return t.toUtf8();
}

QByteArray Sello::firmado(QByteArrayView secreta) const
{
    const QByteArray cuerpo = texto();
    return cuerpo + inicioFirma + Ed25519::firmar(cuerpo, secreta).toBase64() + '\n';
}

Sello Sello::leer(const QByteArray& firmado, const QString& clave)
{
    const QString cuerpo = QString::fromUtf8(cuerpoFirmado(firmado, clave));
    QStringList lineas = cuerpo.split(QLatin1Char('\n'));
    lineas.removeLast();   // after the last line feed
    if (lineas.size() < 3)
        invalido(QStringLiteral("incompleto"));
    Sello sello;
    sello.equipo = valorDe(lineas[0], QLatin1StringView("equipo"));
    sello.version = valorDe(lineas[1], QLatin1StringView("version"));
    sello.build = buildDe(valorDe(lineas[2], QLatin1StringView("build")));
    for (qsizetype i = 3; i < lineas.size(); ++i)
        sello.entradas.append(entradaDe(lineas[i]));
    return sello;
}

Sello Sello::verificar(const QString& carpeta, const QString& clave, qint64 build, Modos modos)
{
    QFile archivo(carpeta + QLatin1Char('/') + nombreArchivo());
    if (ArbolSeguro::destinoEnlace(archivo.fileName()) || !archivo.open(QIODevice::ReadOnly)
        || archivo.size() > tamanoMaximo)
        invalido(QStringLiteral("falta %1").arg(nombreArchivo()));
    const Sello sello = leer(archivo.readAll(), clave);
    if (sello.equipo != QLatin1StringView(FirmaActualizacion::equipo))
        throw FalloActualizacion(QStringLiteral("la app nueva no está firmada por tu equipo"));
    if (sello.build != build)
        invalido(QStringLiteral("build %1 en vez de %2").arg(sello.build).arg(build));
    if (modos == Modos::restaurar)
        restaurarModos(carpeta, sello.entradas);
    const QList<Entrada> halladas = describir(carpeta);
    if (halladas != sello.entradas)
        invalido(diferencia(sello.entradas, halladas));
    return sello;
}
